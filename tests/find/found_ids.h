#pragma once

// What the search tests share: the weekday names the found schedules' reminders are written with,
// and the ids a search finds.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "find/search_reading.h"
#include "find/text_folding.h"

namespace calvendra::testing {

using Ids = std::vector<Identifier>;

inline const ReminderWording kWeekdays{};  // English, the stored forms

// The ids of the rows that typing `typed` finds, in the list's order; a failure to read fails the
// test.
inline Ids FoundIds(CDBConnection& connection, const std::string& typed) {
    const find::FoundRows found =
        find::ReadFoundRows(connection, find::SearchWords(typed), kWeekdays);
    EXPECT_TRUE(found.failure.Empty()) << typed << ": " << found.failure.Text();
    Ids ids;
    for (std::size_t row = 0; row < found.rows.Size(); ++row) {
        ids.push_back(found.rows.Id(row));
    }
    return ids;
}

}  // namespace calvendra::testing
