#pragma once

#include "editors/contact_record.h"
#include "editors/default_browser.h"
#include "editors/schedule_record.h"
#include "editors/web_address.h"
#include "store/db_connection.h"
#include "store/identifiers.h"

class wxWindow;

// The editing of a stored contact or schedule, from opening its editor to the change stored: the
// editor opens on the item as stored, and its save is written only while the item is still stored
// that way. A change made elsewhere meanwhile is never lost without a word: the user chooses
// between their version and the stored one; an item deleted meanwhile can be stored as a new one.
namespace calvendra {

struct ItemEditingContext {
    // The highest id of the item's kind this run handed out, above which an item stored as new
    // takes its id (NextNewId).
    Identifier newIdCounter = 0;
    // The group editor's new group, which is stored after the items made in it; 0 for none.
    Identifier pendingGroupId = 0;
    // Where "GO" hands the contact editor's web fields.
    WebLauncher launch = OpenInDefaultBrowser;
};

enum class ItemEditingResult {
    // Nothing was stored: the editor or the question was cancelled.
    kCancelled,
    kSaved,
    // The item was deleted elsewhere, and what the user entered is stored as a new item.
    kSavedAsNew,
    // The item no longer exists, and nothing was stored.
    kGone,
    // The database refused, which the user was told; nothing was stored.
    kFailed,
};

struct ContactEditing {
    ItemEditingResult result = ItemEditingResult::kCancelled;
    // The contact as stored after kSaved or kSavedAsNew: its id (a new one after kSavedAsNew),
    // its group and its values.
    Identifier contactId = 0;
    StoredContact stored;
};

struct ScheduleEditing {
    ItemEditingResult result = ItemEditingResult::kCancelled;
    // The schedule as stored after kSaved or kSavedAsNew.
    Identifier scheduleId = 0;
    Identifier groupId = 0;
    ScheduleValues values;
};

// Opens the contact editor on the stored contact and stores what the user confirms, saying what
// the user needs to know on the way (changes made elsewhere, the item or its group deleted
// meanwhile, the database's refusals).
ContactEditing EditStoredContact(wxWindow* parent, CDBConnection& connection, Identifier contactId,
                                 const ItemEditingContext& context);

// The same for a schedule, whose attendant links count as part of it.
ScheduleEditing EditStoredSchedule(wxWindow* parent, CDBConnection& connection,
                                   Identifier scheduleId, const ItemEditingContext& context);

}  // namespace calvendra
