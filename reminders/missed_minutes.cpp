#include "reminders/missed_minutes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <utility>

#include "platform/config_home.h"
#include "platform/replace_file.h"

namespace calvendra {

std::vector<LocalMinute> MissedMinutes(std::time_t scannedUntil, std::time_t start,
                                       std::time_t lookBack) {
    const std::optional<LocalMinute> current = LocalMinuteAt(start);
    if (!current) {
        return {};
    }
    return LocalMinutesBetween(std::max(scannedUntil, current->start - lookBack),
                               current->start - 1);
}

std::vector<MissedReminder> MissedReminders(const std::vector<LocalMinute>& minutes,
                                            const std::vector<DueReminder>& due, std::time_t now) {
    // A daily reminder missed for days is one entry, at its latest minute.
    std::map<Identifier, MissedReminder> latest;
    for (const DueReminder& reminder : due) {
        MissedReminder& missed = latest[reminder.scheduleId];
        const std::time_t start = minutes.at(reminder.minute).start;
        if (missed.note.scheduleId != 0 && missed.note.due > start) {
            continue;
        }
        missed.note = {reminder.scheduleId, reminder.groupId, reminder.subject, reminder.text,
                       start};
        missed.mail = reminder.mail;
        missed.mailInTime = reminder.mail && MissedMailInTime(start, now);
    }
    std::vector<MissedReminder> missed;
    for (auto& entry : latest) {
        missed.push_back(std::move(entry.second));
    }
    std::stable_sort(missed.begin(), missed.end(),
                     [](const auto& a, const auto& b) { return a.note.due < b.note.due; });
    return missed;
}

ScanMark::ScanMark(std::string path) : path_(std::move(path)) {}

std::string ScanMark::DefaultPath() {
    return StateHome() + "/calvendra/last-scanned-minute";
}

std::optional<std::time_t> ScanMark::Read(std::string& why) const {
    why.clear();
    std::ifstream in(path_);
    if (!in) {
        if (errno != ENOENT) {
            why = "Cannot read " + path_ + ": " + std::strerror(errno);
        }
        return std::nullopt;
    }
    long long value = 0;
    if (!(in >> value) || value <= 0) {
        why = path_ + " does not hold the end of a scanned minute";
        return std::nullopt;
    }
    return static_cast<std::time_t>(value);
}

bool ScanMark::Write(std::time_t scannedUntil, std::string& why) const {
    return ReplaceFileText(path_, std::to_string(static_cast<long long>(scannedUntil)) + "\n", why);
}

}  // namespace calvendra
