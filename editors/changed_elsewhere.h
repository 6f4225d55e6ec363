#pragma once

#include <string>
#include <vector>

class wxWindow;

// What the organizer says when a contact or schedule was changed or deleted elsewhere (by another
// organizer on the same database, or by another program) while the user edited it, and when the
// group chosen for an item was deleted meanwhile. `kind` is the item's: kContactKind or
// kScheduleKind (picker_rows.h).
namespace calvendra {

enum class ChangedElsewhereAnswer {
    // Store what the user entered in place of the stored version.
    kKeepMine,
    // Open the editor again on the stored version.
    kTakeStored,
    // Store nothing.
    kCancel,
};

// The question, captioned "Tips", when the stored item is no longer the version the editor opened
// on: `theirs` names what was changed elsewhere, `mine` what the user changed (as
// ContactDifferences and ScheduleDifferences name them).
ChangedElsewhereAnswer AskChangedElsewhere(wxWindow* parent, int kind,
                                           const std::vector<std::string>& theirs,
                                           const std::vector<std::string>& mine);

// Asks, captioned "Tips", whether what the user entered for an item that was deleted elsewhere
// while it was edited goes in as a new one. True only for Yes.
bool AskStoreDeletedAsNew(wxWindow* parent, int kind);

// Says that an item the user opened no longer exists.
void ReportDeletedElsewhere(wxWindow* parent, int kind);

// Says that the group chosen for an item was deleted meanwhile, and that the item is stored in
// the base group `baseGroupName` instead. `chosenGroupName` names the deleted group when known.
void ReportFiledInBaseGroup(wxWindow* parent, int kind, const std::string& baseGroupName,
                            const std::string& chosenGroupName = std::string());

}  // namespace calvendra
