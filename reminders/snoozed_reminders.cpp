#include "reminders/snoozed_reminders.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

#include "platform/config_home.h"
#include "platform/replace_file.h"

namespace calvendra {

namespace {

constexpr char kHeader[] = "calvendra snoozed reminders 1";

// Tabs, line ends and backslashes of a text are written as \t, \n, \r and \\.
std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

bool Unescaped(const std::string& field, std::string& text) {
    text.clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            text += field[i];
            continue;
        }
        if (++i == field.size()) {
            return false;
        }
        switch (field[i]) {
            case '\\':
                text += '\\';
                break;
            case 't':
                text += '\t';
                break;
            case 'n':
                text += '\n';
                break;
            case 'r':
                text += '\r';
                break;
            default:
                return false;
        }
    }
    return true;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
        fields.push_back(line.substr(start, tab - start));
    }
    fields.push_back(line.substr(start));
    return fields;
}

bool ReadNumber(const std::string& field, long long& value) {
    if (field.empty()) {
        return false;
    }
    std::size_t used = 0;
    try {
        value = std::stoll(field, &used);
    } catch (const std::exception&) {
        return false;
    }
    return used == field.size();
}

// wake, due, schedule id, group id, subject, text.
bool ReadEntry(const std::string& line, SnoozedReminder& entry) {
    const std::vector<std::string> fields = Fields(line);
    long long wake = 0, due = 0, schedule = 0, group = 0;
    if (fields.size() != 6 || !ReadNumber(fields[0], wake) || !ReadNumber(fields[1], due) ||
        !ReadNumber(fields[2], schedule) || !ReadNumber(fields[3], group)) {
        return false;
    }
    entry.wakeAt = static_cast<std::time_t>(wake);
    entry.note.due = static_cast<std::time_t>(due);
    entry.note.scheduleId = static_cast<Identifier>(schedule);
    entry.note.groupId = static_cast<Identifier>(group);
    return Unescaped(fields[4], entry.note.subject) && Unescaped(fields[5], entry.note.text);
}

}  // namespace

SnoozedReminders::SnoozedReminders(std::string path) : path_(std::move(path)) {}

std::string SnoozedReminders::DefaultPath() {
    return StateHome() + "/calvendra/snoozed-reminders";
}

bool SnoozedReminders::Load(std::string& why) {
    waiting_.clear();
    why.clear();
    std::ifstream in(path_);
    if (!in) {
        if (errno == ENOENT) {
            return true;
        }
        why = "Cannot read " + path_ + ": " + std::strerror(errno);
        return false;
    }
    std::string line;
    int number = 0;
    std::vector<int> skipped;
    while (std::getline(in, line)) {
        ++number;
        if (number == 1 && line == kHeader) {
            continue;
        }
        SnoozedReminder entry;
        if (ReadEntry(line, entry)) {
            waiting_.push_back(std::move(entry));
        } else if (!line.empty()) {
            skipped.push_back(number);
        }
    }
    if (!skipped.empty()) {
        why = path_ + ": skipped " + std::to_string(skipped.size()) +
              " line(s) that do not hold a snoozed reminder, the first is line " +
              std::to_string(skipped.front());
    }
    return true;
}

bool SnoozedReminders::Add(const SnoozedReminder& snoozed, std::string& why) {
    waiting_.push_back(snoozed);
    return Save(why);
}

std::vector<SnoozedReminder> SnoozedReminders::TakeDue(std::time_t now, std::string& why) {
    why.clear();
    std::vector<SnoozedReminder> due;
    const auto comes = [now](const SnoozedReminder& entry) { return entry.wakeAt <= now; };
    std::copy_if(waiting_.begin(), waiting_.end(), std::back_inserter(due), comes);
    if (due.empty()) {
        return due;
    }
    waiting_.erase(std::remove_if(waiting_.begin(), waiting_.end(), comes), waiting_.end());
    std::stable_sort(due.begin(), due.end(),
                     [](const auto& a, const auto& b) { return a.wakeAt < b.wakeAt; });
    Save(why);
    return due;
}

bool SnoozedReminders::Save(std::string& why) const {
    std::ostringstream out;
    out << kHeader << '\n';
    for (const SnoozedReminder& entry : waiting_) {
        out << static_cast<long long>(entry.wakeAt) << '\t'
            << static_cast<long long>(entry.note.due) << '\t' << entry.note.scheduleId << '\t'
            << entry.note.groupId << '\t' << Escaped(entry.note.subject) << '\t'
            << Escaped(entry.note.text) << '\n';
    }
    return ReplaceFileText(path_, out.str(), why);
}

}  // namespace calvendra
