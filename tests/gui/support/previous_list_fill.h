#pragma once

// The item list as it was filled before it held its rows compactly and read them on a thread of
// their own: a report list that holds its rows, each row inserted with its image, each cell set
// and the item id set as item data, on the window thread. The reference that the list must still
// match, and the baseline of the list's benchmark.

#include <wx/listctrl.h>

#include <array>
#include <string>

#include "resources/store_text.h"
#include "store/db_connection.h"
#include "store/db_result_set.h"
#include "store/identifiers.h"
#include "store/query_rows.h"
#include "store/reminder_encoding.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra::testing {

// Fills `list` with the group's rows as the list showed them; gives the number of rows.
inline long FillThePreviousWay(wxListCtrl& list, CDBConnection& connection, Identifier groupId) {
    using resources::FromStoreText;
    static const std::array<const char*, 7> kWeekdays = {
        "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    list.DeleteAllItems();
    CDBResultSet results(connection);
    long position = 0;
    if (IsContactRange(groupId)) {
        using Column = catalogue::ContactListColumns;
        const std::string query = groupId == kContactBaseGroupId
                                      ? statements::SelectAllContacts()
                                      : statements::SelectContactsOfGroup(groupId);
        for (const ResultRow& row : QueryRows(results, query)) {
            list.InsertItem(position, wxEmptyString, 2);
            list.SetItem(
                position, 0,
                FromStoreText(row.Text(Column::kFirstName) + " " + row.Text(Column::kLastName)));
            list.SetItem(position, 1, FromStoreText(row.Text(Column::kHomePhone)));
            list.SetItem(position, 2, FromStoreText(row.Text(Column::kHomeEmail)));
            list.SetItemPtrData(position, static_cast<wxUIntPtr>(row.Id(Column::kContactId)));
            ++position;
        }
        return position;
    }
    using Column = catalogue::ScheduleListColumns;
    const std::string query = groupId == kScheduleBaseGroupId
                                  ? statements::SelectAllSchedules()
                                  : statements::SelectSchedulesOfGroup(groupId);
    for (const ResultRow& row : QueryRows(results, query)) {
        const bool on = row.Flag(Column::kRemind);
        std::string day;
        switch (on ? row.Int(Column::kRemindType) : 0) {
            case kRemindSpecialDay:
                day = row.Text(Column::kRemindDate);
                break;
            case kRemindEveryWeek: {
                const int weekday = row.Int(Column::kRemindWeek);
                day = weekday >= 0 && weekday < kWeekdayCount
                          ? kWeekdays[static_cast<std::size_t>(weekday)]
                          : row.Text(Column::kRemindWeek);
                break;
            }
            default:
                break;
        }
        const std::string reminder = on ? "Reminder at " + day + " " + row.Text(Column::kRemindTime)
                                        : "No Reminder setting for this schedule";
        list.InsertItem(position, wxEmptyString, 3);
        list.SetItem(position, 0, FromStoreText(row.Text(Column::kSubject)));
        list.SetItem(position, 1, FromStoreText(reminder));
        list.SetItemPtrData(position, static_cast<wxUIntPtr>(row.Id(Column::kScheduleId)));
        ++position;
    }
    return position;
}

}  // namespace calvendra::testing
