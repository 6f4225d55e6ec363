#pragma once

#include <cstdlib>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "reminders/reminder_delivery.h"

namespace calvendra::testing {

// Puts the process in a time zone while the object lives.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* previous = std::getenv("TZ")) {
            previous_ = previous;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (previous_) {
            setenv("TZ", previous_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> previous_;
};

inline std::tm CalendarFields(int year, int month, int day, int hour, int minute, int second) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    return fields;
}

// An instant from UTC calendar fields.
inline std::time_t UtcTime(int year, int month, int day, int hour, int minute, int second = 0) {
    std::tm fields = CalendarFields(year, month, day, hour, minute, second);
    return timegm(&fields);
}

// An instant from local calendar fields; only for times that the local clock shows once.
inline std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second = 0) {
    std::tm fields = CalendarFields(year, month, day, hour, minute, second);
    fields.tm_isdst = -1;
    return std::mktime(&fields);
}

// The local time of an instant, formatted with strftime.
inline std::string LocalText(std::time_t instant, const char* format) {
    std::tm fields{};
    localtime_r(&instant, &fields);
    char text[64];
    std::strftime(text, sizeof text, format, &fields);
    return text;
}

// Writes down every call it receives, prefixed with `stamp` when one is set.
class RecordingDelivery : public ReminderDelivery {
public:
    void ShowReminderWindow(const std::string& subject, const std::string& text) override {
        calls.push_back(Prefix() + "window " + subject + "/" + text);
        if (onWindow) {
            onWindow(subject);
        }
    }

    void MailAttendants(const std::string& subject, const std::string& text, Identifier scheduleId,
                        std::time_t dueMinute) override {
        dueMinutes.push_back(dueMinute);
        calls.push_back(Prefix() + "mail " + subject + "/" + text + "/" +
                        std::to_string(scheduleId));
        if (onMail) {
            onMail(subject);
        }
    }

    std::vector<std::string> calls;
    // The due minute of every mail, in the order of the calls.
    std::vector<std::time_t> dueMinutes;
    std::function<std::string()> stamp;
    std::function<void(const std::string& subject)> onWindow;
    std::function<void(const std::string& subject)> onMail;

private:
    std::string Prefix() const { return stamp ? stamp() + " " : std::string(); }
};

}  // namespace calvendra::testing
