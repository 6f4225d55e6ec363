#include "editors/stored_item_editing.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editors/changed_elsewhere.h"
#include "editors/new_contact_dlg.h"
#include "editors/new_schedule_dlg.h"
#include "editors/picker_rows.h"
#include "editors/store_failure.h"
#include "resources/strings.h"

namespace calvendra {

namespace {

using namespace resources;

// What differs between editing a contact and editing a schedule. `Stored` is the item as the
// database holds it, and also as the user edited it.
template <class Stored>
struct EditingSteps {
    int kind = kContactKind;
    IdKind idKind = IdKind::kContact;
    Identifier id = 0;
    const char* readError = nullptr;
    const char* updateError = nullptr;
    const char* insertError = nullptr;
    // Reads the item as stored; empty when it is not, or cannot be read (the reason in
    // `failure`).
    std::function<std::optional<Stored>(OdbcDiagnostic& failure)> load;
    // Opens the editor on `shown`; the edited item, or empty when the editor was cancelled.
    std::function<std::optional<Stored>(const Stored& shown)> edit;
    // Saves `edited` over `remembered` (SaveChecked).
    std::function<SaveOutcome(const Stored& remembered, const Stored& edited)> save;
    // What differs between two versions, named for the user.
    std::function<std::vector<std::string>(const Stored&, const Stored&)> differences;
    // Stores `edited` as a new item under `proposedId`.
    std::function<NewItemOutcome(Identifier proposedId, const Stored& edited)> storeAsNew;
};

// The steps' kind, id and messages for an item of `kind`.
template <class Stored>
EditingSteps<Stored> StepsFor(int kind, Identifier id) {
    const bool contact = kind == kContactKind;
    EditingSteps<Stored> steps;
    steps.kind = kind;
    steps.idKind = contact ? IdKind::kContact : IdKind::kSchedule;
    steps.id = id;
    steps.readError = contact ? kReadContactError : kReadScheduleError;
    steps.updateError = contact ? kUpdateContactError : kUpdateScheduleError;
    steps.insertError = contact ? kInsertContactError : kInsertScheduleError;
    return steps;
}

template <class Stored>
struct EditingEnd {
    ItemEditingResult result = ItemEditingResult::kCancelled;
    Identifier id = 0;
    Stored stored;
};

void TellFiling(wxWindow* parent, CDBConnection& connection, int kind, const Filing& filing) {
    if (filing.chosenGroupMissing) {
        ReportFiledInBaseGroup(parent, kind, BaseGroupName(connection, kind));
    }
}

template <class Stored>
class Editing {
public:
    Editing(wxWindow* parent, CDBConnection& connection, const ItemEditingContext& context,
            const EditingSteps<Stored>& steps)
        : parent_(parent), connection_(connection), context_(context), steps_(steps) {}

    EditingEnd<Stored> Run() {
        OdbcDiagnostic readFailure;
        std::optional<Stored> remembered = steps_.load(readFailure);
        if (!remembered) {
            return NotLoaded(readFailure);
        }
        // The editor opens on `shown`; `remembered` is what the save compares with.
        Stored shown = *remembered;
        for (;;) {
            const std::optional<Stored> edited = steps_.edit(shown);
            if (!edited) {
                return End(ItemEditingResult::kCancelled);
            }
            // Saved, or asked about what changed elsewhere until the user decides.
            for (;;) {
                const SaveOutcome saved = steps_.save(*remembered, *edited);
                switch (saved.result) {
                    case SaveResult::kSaved:
                        TellFiling(parent_, connection_, steps_.kind, saved.filing);
                        return Kept(ItemEditingResult::kSaved, steps_.id, *edited, saved.filing);
                    case SaveResult::kFailed:
                        ReportStoreFailure(parent_, steps_.updateError, Action("save"),
                                           saved.failure);
                        return End(ItemEditingResult::kFailed);
                    case SaveResult::kDeletedMeanwhile:
                        return OfferAsNew(*edited);
                    case SaveResult::kChangedMeanwhile:
                        break;
                }
                std::optional<Stored> now = steps_.load(readFailure);
                if (!now) {
                    return readFailure.Empty() ? OfferAsNew(*edited) : NotLoaded(readFailure);
                }
                const ChangedElsewhereAnswer answer =
                    AskChangedElsewhere(parent_, steps_.kind, steps_.differences(*remembered, *now),
                                        steps_.differences(shown, *edited));
                remembered = std::move(now);
                if (answer == ChangedElsewhereAnswer::kCancel) {
                    return End(ItemEditingResult::kCancelled);
                }
                if (answer == ChangedElsewhereAnswer::kTakeStored) {
                    shown = *remembered;
                    break;
                }
                // Kept: saved again over the version just read, which may change once more.
            }
        }
    }

private:
    std::string Action(const char* verb) const {
        return std::string("Cannot ") + verb + " " + NameOf(steps_.idKind) + " " +
               std::to_string(steps_.id);
    }

    EditingEnd<Stored> End(ItemEditingResult result) const {
        EditingEnd<Stored> end;
        end.result = result;
        return end;
    }

    // The item as stored: as edited, in the group it was filed in.
    EditingEnd<Stored> Kept(ItemEditingResult result, Identifier id, const Stored& item,
                            const Filing& filing) const {
        EditingEnd<Stored> end;
        end.result = result;
        end.id = id;
        end.stored = item;
        end.stored.groupId = filing.groupId;
        return end;
    }

    // The item could not be read (told), or is not stored (told too: its row may still be listed).
    EditingEnd<Stored> NotLoaded(const OdbcDiagnostic& readFailure) {
        if (!readFailure.Empty()) {
            ReportStoreFailure(parent_, steps_.readError, Action("read"), readFailure);
            return End(ItemEditingResult::kFailed);
        }
        ReportDeletedElsewhere(parent_, steps_.kind);
        return End(ItemEditingResult::kGone);
    }

    EditingEnd<Stored> OfferAsNew(const Stored& edited) {
        if (!AskStoreDeletedAsNew(parent_, steps_.kind)) {
            return End(ItemEditingResult::kGone);
        }
        const std::optional<Identifier> id =
            NextNewId(connection_, steps_.idKind, context_.newIdCounter);
        if (!id) {
            ReportRangeUsedUp(parent_, steps_.idKind);
            return End(ItemEditingResult::kGone);
        }
        const NewItemOutcome stored = steps_.storeAsNew(*id, edited);
        if (!stored.Stored()) {
            ReportNewRowFailure(parent_, steps_.insertError, steps_.idKind, stored);
            return End(ItemEditingResult::kFailed);
        }
        TellFiling(parent_, connection_, steps_.kind, stored.filing);
        return Kept(ItemEditingResult::kSavedAsNew, stored.id, edited, stored.filing);
    }

    wxWindow* parent_;
    CDBConnection& connection_;
    const ItemEditingContext& context_;
    const EditingSteps<Stored>& steps_;
};

}  // namespace

ContactEditing EditStoredContact(wxWindow* parent, CDBConnection& connection, Identifier contactId,
                                 const ItemEditingContext& context) {
    EditingSteps<StoredContact> steps = StepsFor<StoredContact>(kContactKind, contactId);
    steps.load = [&](OdbcDiagnostic& failure) {
        return LoadContact(connection, contactId, &failure);
    };
    steps.edit = [&](const StoredContact& shown) -> std::optional<StoredContact> {
        CNewContactDlg editor(parent, connection, EditMode::kExisting, contactId, shown.groupId,
                              shown.values, context.launch);
        if (editor.ShowModal() != wxID_OK || editor.Statement().empty()) {
            return std::nullopt;
        }
        return StoredContact{editor.GroupId(), editor.Values()};
    };
    steps.save = [&](const StoredContact& remembered, const StoredContact& edited) {
        return SaveEditedContact(connection, contactId, remembered, edited, context.pendingGroupId);
    };
    steps.differences = ContactDifferences;
    steps.storeAsNew = [&](Identifier proposedId, const StoredContact& edited) {
        return StoreNewContact(connection, proposedId, edited.groupId, edited.values,
                               context.pendingGroupId);
    };

    const EditingEnd<StoredContact> end = Editing(parent, connection, context, steps).Run();
    ContactEditing editing;
    editing.result = end.result;
    editing.contactId = end.id;
    editing.stored = end.stored;
    return editing;
}

ScheduleEditing EditStoredSchedule(wxWindow* parent, CDBConnection& connection,
                                   Identifier scheduleId, const ItemEditingContext& context) {
    EditingSteps<StoredSchedule> steps = StepsFor<StoredSchedule>(kScheduleKind, scheduleId);
    steps.load = [&](OdbcDiagnostic& failure) {
        return LoadSchedule(connection, scheduleId, &failure);
    };
    steps.edit = [&](const StoredSchedule& shown) -> std::optional<StoredSchedule> {
        CNewScheduleDlg editor(parent, connection, EditMode::kExisting, scheduleId, shown.groupId,
                               shown.values);
        if (editor.ShowModal() != wxID_OK || editor.Statement().empty()) {
            return std::nullopt;
        }
        StoredSchedule edited = shown;
        edited.groupId = editor.GroupId();
        edited.values = editor.Values();
        // The attendants as the user left them: as shown, unless the reminder settings were
        // confirmed.
        if (editor.RemindSettingConfirmed()) {
            edited.attendantLinks = editor.Attendants();
            std::sort(edited.attendantLinks.begin(), edited.attendantLinks.end());
        }
        return edited;
    };
    steps.save = [&](const StoredSchedule& remembered, const StoredSchedule& edited) {
        // The links are written where the user's version differs from the stored one.
        std::optional<std::vector<Identifier>> links;
        if (edited.attendantLinks != remembered.attendantLinks) {
            links = edited.attendantLinks;
        }
        return SaveEditedSchedule(connection, remembered, edited.groupId, edited.values, links,
                                  context.pendingGroupId);
    };
    steps.differences = ScheduleDifferences;
    steps.storeAsNew = [&](Identifier proposedId, const StoredSchedule& edited) {
        std::vector<Identifier> attendants = edited.attendantLinks;
        attendants.erase(std::unique(attendants.begin(), attendants.end()), attendants.end());
        return StoreNewSchedule(connection, proposedId, edited.groupId, edited.values, attendants,
                                context.pendingGroupId);
    };

    const EditingEnd<StoredSchedule> end = Editing(parent, connection, context, steps).Run();
    ScheduleEditing editing;
    editing.result = end.result;
    editing.scheduleId = end.id;
    editing.groupId = end.stored.groupId;
    editing.values = end.stored.values;
    return editing;
}

}  // namespace calvendra
