#include "view/change_check.h"

#include <utility>

namespace calvendra {

ChangeCheck LookForChanges(CDBConnection& connection, const ShownData& shown,
                           const ReminderWording& wording) {
    const auto start = std::chrono::steady_clock::now();
    ChangeCheck check;
    check.listedGroupId = shown.listedGroupId;
    // The mark first: what is committed after it is read changes the next one.
    check.mark = ReadChangeMark(connection, check.failure);
    check.fileReopenCount = connection.FileReopenCount();
    check.databaseFile = connection.DatabaseFilePath();
    if (check.failure.Empty() && (shown.refresh || !check.mark.SameAs(shown.treeMark))) {
        GroupTreeReading tree = ReadGroupTree(connection);
        check.failure = tree.failure;
        if (check.failure.Empty() && (shown.refresh || tree.fingerprint != shown.treeFingerprint)) {
            check.tree = std::move(tree);
        }
    }
    if (check.failure.Empty() && ListKindOf(shown.listedGroupId) != ListKind::kNone &&
        (shown.refresh || !check.mark.SameAs(shown.listMark))) {
        ListReading list = ReadListRows(connection, shown.listedGroupId, wording);
        check.failure = list.failure;
        if (check.failure.Empty() && (shown.refresh || list.fingerprint != shown.listFingerprint)) {
            list.mark = check.mark;
            check.list = std::move(list);
        }
    }
    check.took = std::chrono::steady_clock::now() - start;
    return check;
}

}  // namespace calvendra
