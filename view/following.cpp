// The window follows the database: a look on the reading thread every period, a refresh when the
// user asks for one, and what the looks find about the database file.

#include <algorithm>

#include <wx/translation.h>

#include "platform/log.h"
#include "platform/translatable.h"
#include "resources/store_text.h"
#include "view/calvendra_view.h"
#include "view/change_check.h"
#include "view/item_list_ctrl.h"

namespace calvendra {

namespace {

// A look that had much to read puts the next one off for this many times as long as it took, so
// that a database that changes all the time costs at most about a quarter of a core; but never
// for longer than this, so that what changed still shows within seconds.
constexpr int kLookSpacing = 3;
constexpr std::chrono::milliseconds kLongestPutOff{4000};

}  // namespace

void CCalvendraView::SetFollowPeriod(std::chrono::milliseconds period) {
    followPeriod_ = period;
    if (followTimer_.IsRunning()) {
        followTimer_.StartOnce(static_cast<int>(period.count()));
    }
}

void CCalvendraView::RefreshFromDatabase() {
    if (!treeLoaded_) {
        // Nothing is shown to compare with: the groups are read as at start-up.
        ReadAgain();
        return;
    }
    StartLook(true);
    if (searching_) {
        Search();
    }
}

void CCalvendraView::OnRefresh(wxCommandEvent&) {
    RefreshFromDatabase();
}

void CCalvendraView::OnFollowTimer(wxTimerEvent&) {
    // Reading the groups again while they could not be read is the read-again timer's.
    if (!treeLoaded_) {
        followTimer_.StartOnce(static_cast<int>(followPeriod_.count()));
        return;
    }
    // A look still away starts the timer again when it comes back.
    if (looksAway_ == 0) {
        StartLook(false);
    }
}

void CCalvendraView::StartLook(bool refresh) {
    ShownData shown;
    shown.treeMark = treeMark_;
    shown.treeFingerprint = treeFingerprint_;
    // Rows still being read come with their own mark: they are not looked at meanwhile. Nor is
    // the group's list while the list shows what a search found.
    shown.listedGroupId = listFilling_ || searching_ ? 0 : listedGroupId_;
    shown.listMark = listMark_;
    shown.listFingerprint = listFingerprint_;
    shown.refresh = refresh;
    ++looksAway_;
    listReader_->Read<ChangeCheck>(
        [shown, wording = reminderWording_, order = rowOrder_](CDBConnection& connection) {
            ChangeCheck check = LookForChanges(connection, shown, wording);
            if (check.list) {
                SortRows(check.list->rows, order);
            }
            return check;
        },
        [this, alive = std::weak_ptr<int>(alive_), treeVersion = treeVersion_,
         listVersion = listVersion_, refresh, order = rowOrder_](ChangeCheck check) {
            if (!alive.expired()) {
                const bool listed = check.list.has_value();
                TakeChangeCheck(std::move(check), treeVersion, listVersion, refresh);
                if (listed && order != rowOrder_) {
                    SortShownRows();
                }
            }
        });
}

void CCalvendraView::TakeChangeCheck(ChangeCheck check, unsigned long treeVersion,
                                     unsigned long listVersion, bool refresh) {
    --looksAway_;
    // What was read before the tree or the list changed here may be older than what they show:
    // it is not shown, their marks stay, and the next look reads them again.
    if (treeLoaded_ && treeVersion == treeVersion_) {
        if (check.tree) {
            ShowGroupTree(*check.tree, true);
        }
        if (check.failure.Empty()) {
            treeMark_ = check.mark;
        }
    }
    // After the tree: a selected group that went has its base group listed by now.
    if (listVersion == listVersion_ && check.listedGroupId != 0) {
        if (check.list) {
            ShowListReading(std::move(*check.list), true, true);
        } else if (check.failure.Empty()) {
            listMark_ = check.mark;
        }
    }
    FollowDatabaseFile(check);

    if (check.failure.Empty()) {
        if (followFailed_) {
            followFailed_ = false;
            ClearReadFailure();
        }
    } else if ((check.failure.kind != FailureKind::kBusy || refresh) && treeLoaded_ &&
               !listFailed_) {
        // A busy database lets go by itself, and a later look finds what changed; a user who
        // asked for a refresh is told why there is none. A list or groups that cannot be shown
        // say more, and keep their word.
        followFailed_ = true;
        ReportReadFailure(TRANSLATABLE("changes"), check.failure);
    }

    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(check.took);
    const auto putOff = std::min(took * kLookSpacing, kLongestPutOff);
    followTimer_.StartOnce(static_cast<int>(std::max(followPeriod_, putOff).count()));
}

void CCalvendraView::FollowDatabaseFile(const ChangeCheck& check) {
    const bool missing = check.failure.kind == FailureKind::kMissing;
    const bool reopened = check.fileReopenCount != fileReopenCount_;
    fileReopenCount_ = check.fileReopenCount;
    if (missing == databaseFileMissing_ && !reopened) {
        return;
    }
    const bool wasMissing = databaseFileMissing_;
    databaseFileMissing_ = missing;
    // The window's own connection, and the other parts' ones, let go of a file that left, and
    // open the one that came, now rather than at their next use.
    connection_.FollowDatabaseFile();
    if (databaseFileChanged_) {
        databaseFileChanged_();
    }
    if (missing || !reopened || check.databaseFile.empty()) {
        return;  // a missing file is said by the failure of the look
    }
    const std::string notice =
        wasMissing ? "The database file " + check.databaseFile +
                         " is back; the organizer has opened it again."
                   : "The database file " + check.databaseFile +
                         " was replaced by another file; the organizer has opened that one.";
    WriteLog(LogLevel::kInfo, notice);
    const wxString file = resources::FromStoreText(check.databaseFile);
    ShowStatus(wasMissing ? wxString::Format(_("The database file %s is back; the organizer has "
                                               "opened it again."),
                                             file)
                          : wxString::Format(_("The database file %s was replaced by another "
                                               "file; the organizer has opened that one."),
                                             file));
}

}  // namespace calvendra
