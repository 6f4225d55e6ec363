#include "exchange/icalendar_reading.h"

#include <libical/ical.h>

#include <strings.h>
#include <algorithm>

#include <cstring>
#include <map>
#include <memory>
#include <optional>

#include "exchange/input_text.h"
#include "exchange/reminder_timing.h"
#include "store/reminder_encoding.h"

namespace calvendra::exchange {

namespace {

// Occurrences of a repeat looked at for the next one; a rule that repeats every second of a
// century needs no more to be approximated.
constexpr int kMaxOccurrences = 100000;

using Component = std::unique_ptr<icalcomponent, void (*)(icalcomponent*)>;

std::string Text(const char* text) {
    return text != nullptr ? text : "";
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

// Where each component begins, from the text's BEGIN and END lines, which must pair up and may
// nest only so deep. Found before libical sees the text, which keeps no line numbers.
struct Outline {
    std::vector<long> eventLines;                         // the VEVENTs of the calendars, in order
    std::map<std::string, std::pair<int, long>> skipped;  // other components: count, first line
};

std::optional<FileMessage> OutlineOf(const std::string& file, std::string_view text,
                                     Outline& outline) {
    struct Open {
        std::string name;
        long line;
    };
    std::vector<Open> open;
    PhysicalLines lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        const long number = lines.Number();
        if (IsFoldedContinuation(line)) {
            continue;
        }
        const std::string head = Upper(line.substr(0, 6));
        const bool begins = head.rfind("BEGIN:", 0) == 0;
        const bool ends = head.rfind("END:", 0) == 0;
        if (!begins && !ends) {
            if (open.empty() && line.find_first_not_of(" \t") != std::string_view::npos) {
                return FileMessage{{file, number},
                                   "text outside a calendar, where BEGIN:VCALENDAR should stand"};
            }
            continue;
        }
        std::string name = Upper(line.substr(begins ? 6 : 4));
        name.erase(name.find_last_not_of(" \t") + 1);
        if (begins) {
            if (open.size() >= static_cast<std::size_t>(kMaxNesting)) {
                return FileMessage{{file, number},
                                   "components are nested more than " +
                                       std::to_string(kMaxNesting) + " deep inside one another"};
            }
            if (open.empty() && name != "VCALENDAR") {
                return FileMessage{{file, number},
                                   "BEGIN:" + name +
                                       " outside a calendar, where BEGIN:VCALENDAR "
                                       "should stand"};
            }
            if (open.size() == 1) {
                if (name == "VEVENT") {
                    outline.eventLines.push_back(number);
                } else if (name != "VTIMEZONE") {
                    auto& [count, first] = outline.skipped[name];
                    if (count++ == 0) {
                        first = number;
                    }
                }
            }
            open.push_back({name, number});
            continue;
        }
        if (open.empty()) {
            return FileMessage{{file, number}, "END:" + name + " without a BEGIN:" + name};
        }
        if (open.back().name != name) {
            return FileMessage{{file, number},
                               "END:" + name + " where the " + open.back().name +
                                   " begun on line " + std::to_string(open.back().line) +
                                   " should end"};
        }
        open.pop_back();
    }
    if (!open.empty()) {
        return FileMessage{{file, open.front().line},
                           "the " + open.back().name + " begun on line " +
                               std::to_string(open.back().line) +
                               " has no END: the file ends inside it (is it cut short?)"};
    }
    return std::nullopt;
}

// Seconds since the epoch of a time of the file: in its zone, in UTC, or, without a zone, in
// the local time of the user. A date alone stands for its midnight.
std::time_t ToTimeT(icaltimetype time) {
    if (time.is_date) {
        time.is_date = 0;
        time.hour = time.minute = time.second = 0;
    }
    const icaltimezone* zone = icaltime_get_timezone(time);
    if (icaltime_is_utc(time) || zone != nullptr) {
        return icaltime_as_timet_with_zone(
            time,
            const_cast<icaltimezone*>(zone != nullptr ? zone : icaltimezone_get_utc_timezone()));
    }
    std::tm local{};
    local.tm_year = time.year - 1900;
    local.tm_mon = time.month - 1;
    local.tm_mday = time.day;
    local.tm_hour = time.hour;
    local.tm_min = time.minute;
    local.tm_sec = time.second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

struct LocalMoment {
    CivilDate date;
    WallTime time;
};

LocalMoment LocalOf(std::time_t moment) {
    std::tm local{};
    localtime_r(&moment, &local);
    return {{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday},
            {local.tm_hour, local.tm_min, local.tm_sec}};
}

std::string Describe(const LocalMoment& moment) {
    return FormatReminderDate(moment.date.year, moment.date.month, moment.date.day) + " " +
           FormatReminderTime(moment.time.hour, moment.time.minute, moment.time.second);
}

std::string AddressOf(const char* value) {
    std::string address = Text(value);
    if (address.size() >= 7 && Upper(address.substr(0, 7)) == "MAILTO:") {
        address = address.substr(7);
    }
    return address;
}

void AddAttendees(icalcomponent* component, std::vector<Attendee>& attendees) {
    for (icalproperty* property =
             icalcomponent_get_first_property(component, ICAL_ATTENDEE_PROPERTY);
         property != nullptr;
         property = icalcomponent_get_next_property(component, ICAL_ATTENDEE_PROPERTY)) {
        Attendee attendee{AddressOf(icalproperty_get_attendee(property)),
                          Text(icalproperty_get_parameter_as_string(property, "CN"))};
        if (attendee.email.empty()) {
            continue;
        }
        const bool known = std::any_of(attendees.begin(), attendees.end(), [&](const Attendee& a) {
            return strcasecmp(a.email.c_str(), attendee.email.c_str()) == 0;
        });
        if (!known) {
            attendees.push_back(std::move(attendee));
        }
    }
}

// An alarm: what it does and when, as seconds from the start of an occurrence.
struct Alarm {
    bool email = false;
    long offset = 0;
};

bool IsEmpty(const short* list) {
    return list[0] == ICAL_RECURRENCE_ARRAY_MAX;
}

// Whether a rule is one of the two repeats the reminder columns hold: every week on one day, or
// every day, for ever.
std::optional<int> HeldRepeat(const icalrecurrencetype& rule) {
    if (rule.interval > 1 || rule.count > 0 || !icaltime_is_null_time(rule.until) ||
        !IsEmpty(rule.by_second) || !IsEmpty(rule.by_minute) || !IsEmpty(rule.by_hour) ||
        !IsEmpty(rule.by_month_day) || !IsEmpty(rule.by_year_day) || !IsEmpty(rule.by_week_no) ||
        !IsEmpty(rule.by_month) || !IsEmpty(rule.by_set_pos)) {
        return std::nullopt;
    }
    if (rule.freq == ICAL_DAILY_RECURRENCE && IsEmpty(rule.by_day)) {
        return kRemindEveryDay;
    }
    if (rule.freq == ICAL_WEEKLY_RECURRENCE &&
        (IsEmpty(rule.by_day) || (rule.by_day[1] == ICAL_RECURRENCE_ARRAY_MAX &&
                                  icalrecurrencetype_day_position(rule.by_day[0]) == 0))) {
        return kRemindEveryWeek;
    }
    return std::nullopt;
}

const char* FrequencyName(icalrecurrencetype_frequency frequency) {
    switch (frequency) {
        case ICAL_SECONDLY_RECURRENCE:
            return "every few seconds";
        case ICAL_MINUTELY_RECURRENCE:
            return "every few minutes";
        case ICAL_HOURLY_RECURRENCE:
            return "hourly";
        case ICAL_DAILY_RECURRENCE:
            return "daily";
        case ICAL_WEEKLY_RECURRENCE:
            return "weekly";
        case ICAL_MONTHLY_RECURRENCE:
            return "monthly";
        case ICAL_YEARLY_RECURRENCE:
            return "yearly";
        default:
            return "repeating";
    }
}

class EventReader {
public:
    EventReader(const std::string& file, std::time_t now) : file_(file), now_(now) {}

    // One VEVENT; false, with `error` set, when it cannot be imported.
    bool Read(icalcomponent* event, long line, ScheduleItem& item, std::string& error) {
        item.place = {file_, line};
        item.fields.subject = Text(icalcomponent_get_summary(event));
        item.fields.text = Text(icalcomponent_get_description(event));
        const std::string location = Text(icalcomponent_get_location(event));
        if (!location.empty()) {
            item.fields.text += (item.fields.text.empty() ? "" : "\n") + ("Location: " + location);
        }
        for (icalproperty* property =
                 icalcomponent_get_first_property(event, ICAL_CATEGORIES_PROPERTY);
             property != nullptr;
             property = icalcomponent_get_next_property(event, ICAL_CATEGORIES_PROPERTY)) {
            const std::string category = Text(icalproperty_get_categories(property));
            if (category.find_first_not_of(" \t") != std::string::npos) {
                item.categories.push_back(category);
            }
        }
        for (icalproperty* property =
                 icalcomponent_get_first_property(event, ICAL_XLICERROR_PROPERTY);
             property != nullptr;
             property = icalcomponent_get_next_property(event, ICAL_XLICERROR_PROPERTY)) {
            error = "the event cannot be read: " + Text(icalproperty_get_xlicerror(property));
            return false;
        }
        AddAttendees(event, item.attendees);

        std::vector<Alarm> alarms;
        for (icalcomponent* alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT);
             alarm != nullptr;
             alarm = icalcomponent_get_next_component(event, ICAL_VALARM_COMPONENT)) {
            if (icalcomponent_get_first_property(alarm, ICAL_XLICERROR_PROPERTY) != nullptr) {
                error = "an alarm of the event cannot be read: " +
                        Text(icalproperty_get_xlicerror(
                            icalcomponent_get_first_property(alarm, ICAL_XLICERROR_PROPERTY)));
                return false;
            }
            std::optional<Alarm> read = ReadAlarm(event, alarm, error);
            if (!read) {
                return false;
            }
            if (read->email) {
                AddAttendees(alarm, item.attendees);
            }
            alarms.push_back(*read);
        }

        ReminderTiming timing;
        const icaltimetype start = icalcomponent_get_dtstart(event);
        if (icaltime_is_null_time(start)) {
            if (!alarms.empty()) {
                item.approximations.push_back(
                    "the event has alarms but no start, so it has no "
                    "reminder");
            }
            Finish(event, timing, item);
            return true;
        }
        NoteUnknownZone(event, item);
        timing.hasStart = true;
        timing.reminds = !alarms.empty();
        timing.mails =
            std::any_of(alarms.begin(), alarms.end(), [](const Alarm& a) { return a.email; });
        const long offset = alarms.empty() ? 0 : alarms.front().offset;
        const auto other = std::find_if(alarms.begin(), alarms.end(),
                                        [offset](const Alarm& a) { return a.offset != offset; });
        if (other != alarms.end()) {
            item.approximations.push_back(
                std::to_string(alarms.size()) +
                " alarms at different times: the reminder keeps the first one's time only");
        }

        std::vector<icalrecurrencetype> rules;
        for (icalproperty* property = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
             property != nullptr;
             property = icalcomponent_get_next_property(event, ICAL_RRULE_PROPERTY)) {
            rules.push_back(icalproperty_get_rrule(property));
        }
        std::optional<int> held = rules.size() == 1 ? HeldRepeat(rules.front()) : std::nullopt;
        if (rules.empty()) {
            timing.kind = kRemindSpecialDay;
            SetMoment(timing, LocalOf(ToTimeT(start) + offset));
        } else if (held) {
            timing.kind = *held;
            // The first occurrence: the start, or the first of the rule's weekday after it.
            icalrecur_iterator* occurrences = icalrecur_iterator_new(rules.front(), start);
            icaltimetype first = occurrences != nullptr ? icalrecur_iterator_next(occurrences)
                                                        : icaltime_null_time();
            if (occurrences != nullptr) {
                icalrecur_iterator_free(occurrences);
            }
            SetMoment(timing,
                      LocalOf(ToTimeT(icaltime_is_null_time(first) ? start : first) + offset));
        } else {
            timing.kind = kRemindSpecialDay;
            Approximate(rules, start, offset, timing, item);
        }
        if (held || rules.empty()) {
            if (icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY) != nullptr) {
                item.approximations.push_back(
                    "its extra dates (RDATE) are not kept: the reminder holds one repeat only");
            }
        }
        if (held && icalcomponent_get_first_property(event, ICAL_EXDATE_PROPERTY) != nullptr) {
            item.approximations.push_back(
                "its exceptions (EXDATE) are not kept: the reminder "
                "repeats without them");
        }
        Finish(event, timing, item);
        return true;
    }

private:
    std::optional<Alarm> ReadAlarm(icalcomponent* event, icalcomponent* alarm, std::string& error) {
        Alarm read;
        icalproperty* action = icalcomponent_get_first_property(alarm, ICAL_ACTION_PROPERTY);
        read.email = action != nullptr && icalproperty_get_action(action) == ICAL_ACTION_EMAIL;
        icalproperty* trigger = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
        if (trigger == nullptr) {
            error = "an alarm of the event has no TRIGGER";
            return std::nullopt;
        }
        const icaltriggertype when = icalproperty_get_trigger(trigger);
        const icaltimetype start = icalcomponent_get_dtstart(event);
        if (!icaltime_is_null_time(when.time)) {
            // A moment of its own: as far from the start as it lies.
            read.offset = icaltime_is_null_time(start)
                              ? 0
                              : static_cast<long>(ToTimeT(when.time) - ToTimeT(start));
            return read;
        }
        read.offset = icaldurationtype_as_int(when.duration);
        icalparameter* related = icalproperty_get_first_parameter(trigger, ICAL_RELATED_PARAMETER);
        if (related != nullptr && icalparameter_get_related(related) == ICAL_RELATED_END &&
            !icaltime_is_null_time(start)) {
            const icaltimetype end = icalcomponent_get_dtend(event);
            if (!icaltime_is_null_time(end)) {
                read.offset += static_cast<long>(ToTimeT(end) - ToTimeT(start));
            }
        }
        return read;
    }

    void NoteUnknownZone(icalcomponent* event, ScheduleItem& item) {
        icalproperty* property = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
        const char* zone =
            property != nullptr ? icalproperty_get_parameter_as_string(property, "TZID") : nullptr;
        if (zone != nullptr && icaltime_get_timezone(icalcomponent_get_dtstart(event)) == nullptr) {
            item.approximations.push_back(std::string("its time zone \"") + zone +
                                          "\" is unknown: its times are taken as local times");
        }
    }

    static void SetMoment(ReminderTiming& timing, const LocalMoment& moment) {
        timing.date = moment.date;
        timing.time = moment.time;
    }

    // A repeat that the reminder cannot hold: its next occurrence from now on as a special day
    // (its last one when all lie in the past).
    void Approximate(const std::vector<icalrecurrencetype>& rules, const icaltimetype& start,
                     long offset, ReminderTiming& timing, ScheduleItem& item) {
        const icalrecurrencetype& rule = rules.front();
        std::time_t chosen = ToTimeT(start) + offset;
        bool future = chosen >= now_;
        if (!future) {
            icalrecur_iterator* occurrences = icalrecur_iterator_new(rule, start);
            if (occurrences != nullptr) {
                for (int i = 0; i < kMaxOccurrences; ++i) {
                    const icaltimetype next = icalrecur_iterator_next(occurrences);
                    if (icaltime_is_null_time(next)) {
                        break;
                    }
                    chosen = ToTimeT(next) + offset;
                    if (chosen >= now_) {
                        future = true;
                        break;
                    }
                }
                icalrecur_iterator_free(occurrences);
            }
        }
        const LocalMoment moment = LocalOf(chosen);
        SetMoment(timing, moment);
        std::string what = std::string("a ") + FrequencyName(rule.freq) + " repeat";
        if (rules.size() > 1) {
            what = std::to_string(rules.size()) + " repeat rules";
        } else if (rule.interval > 1) {
            what += " every " + std::to_string(rule.interval) + " times";
        } else if (rule.count > 0 || !icaltime_is_null_time(rule.until)) {
            what += rule.count > 0 ? " of " + std::to_string(rule.count) + " times"
                                   : std::string(" with an end");
        } else if (rule.freq == ICAL_WEEKLY_RECURRENCE || rule.freq == ICAL_DAILY_RECURRENCE) {
            what += " on more than one day or with further rules";
        }
        item.approximations.push_back(what + " became " + (future ? "its next" : "its last") +
                                      " occurrence as a special day, " + Describe(moment));
    }

    void Finish(icalcomponent* event, const ReminderTiming& timing, ScheduleItem& item) {
        statements::ScheduleFields fields = FieldsOfTiming(timing);
        // The stored row's own values, when the event still means what they mean.
        for (icalproperty* property = icalcomponent_get_first_property(event, ICAL_X_PROPERTY);
             property != nullptr;
             property = icalcomponent_get_next_property(event, ICAL_X_PROPERTY)) {
            const char* name = icalproperty_get_x_name(property);
            statements::ScheduleFields stored;
            if (name != nullptr && std::strcmp(name, kStoredReminderProperty) == 0 &&
                ReadStoredReminderText(Text(icalproperty_get_x(property)), stored) &&
                TimingOfFields(stored, !item.attendees.empty(), timing.date) == timing) {
                fields = stored;
                break;
            }
        }
        fields.subject = std::move(item.fields.subject);
        fields.text = std::move(item.fields.text);
        item.fields = std::move(fields);
    }

    const std::string& file_;
    std::time_t now_;
};

void FreeComponent(icalcomponent* component) {
    icalcomponent_free(component);
}

}  // namespace

FileContents ReadICalendarText(const std::string& file, std::string_view text, std::time_t now) {
    FileContents contents;
    Outline outline;
    if (std::optional<FileMessage> wrong = OutlineOf(file, text, outline)) {
        contents.errors.push_back(std::move(*wrong));
        return contents;
    }
    for (const auto& [name, found] : outline.skipped) {
        contents.notes.push_back({{file, found.second},
                                  std::to_string(found.first) + " " + name +
                                      (found.first == 1 ? " is" : " components are") +
                                      " not imported: only events (VEVENT) are"});
    }
    icalerror_set_errors_are_fatal(0);
    const std::string whole(text);
    Component root(icalparser_parse_string(whole.c_str()), &FreeComponent);
    if (!root) {
        contents.errors.push_back({{file, 1}, "libical cannot read the file as iCalendar"});
        return contents;
    }
    std::vector<icalcomponent*> calendars;
    if (icalcomponent_isa(root.get()) == ICAL_VCALENDAR_COMPONENT) {
        calendars.push_back(root.get());
    } else {
        for (icalcomponent* calendar =
                 icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT);
             calendar != nullptr;
             calendar = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT)) {
            calendars.push_back(calendar);
        }
    }
    EventReader reader(file, now);
    std::size_t index = 0;
    for (icalcomponent* calendar : calendars) {
        for (icalcomponent* event =
                 icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT);
             event != nullptr;
             event = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
            const long line = index < outline.eventLines.size() ? outline.eventLines[index] : 0;
            ++index;
            ScheduleItem item;
            std::string error;
            if (!reader.Read(event, line, item, error)) {
                contents.errors.push_back({{file, line}, error});
                continue;
            }
            contents.schedules.push_back(std::move(item));
        }
    }
    if (!contents.errors.empty()) {
        contents.schedules.clear();
    }
    return contents;
}

}  // namespace calvendra::exchange
