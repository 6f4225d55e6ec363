#include "reminders/reminder_time_keys.h"

#include <cstdio>

#include "store/reminder_encoding.h"
#include "store/statement_catalogue.h"

namespace calvendra {

namespace {

// Two digits each: "99:99" is the furthest time a key names.
constexpr int kMostKeyed = 99;

}  // namespace

std::vector<std::string> ReminderTimeKeys(const MinuteBatch& batch) {
    std::vector<std::string> keys;
    std::vector<std::size_t> due;
    // The rule fires at the same wall-clock time for every hour and minute with the same total,
    // and a schedule of a special day or a weekday fires, when it does, where an every-day one
    // with its time fires: one every-day rule per total tells them all.
    ReminderRule rule;
    rule.on = true;
    rule.type = kRemindEveryDay;
    rule.hasTime = true;
    for (int total = 0; total <= kMostKeyed * 60 + kMostKeyed; ++total) {
        rule.hour = total / 60;
        rule.minute = total % 60;
        batch.DueMinutes(rule, due);
        if (due.empty()) {
            continue;
        }
        for (int hour = 0; hour <= kMostKeyed && hour * 60 <= total; ++hour) {
            const int minute = total - hour * 60;
            if (minute <= kMostKeyed) {
                char key[16];
                std::snprintf(key, sizeof key, "%02d:%02d", hour, minute);
                keys.emplace_back(key);
            }
        }
    }
    keys.emplace_back(catalogue::kRemindTimeKeyOther);
    return keys;
}

}  // namespace calvendra
