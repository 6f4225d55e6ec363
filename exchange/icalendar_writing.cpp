#include "exchange/icalendar_writing.h"

#include <libical/ical.h>
#include <unistd.h>

#include <memory>

#include "store/reminder_encoding.h"

namespace calvendra::exchange {

namespace {

constexpr const char* kWeekdayCodes[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

std::string HostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "localhost";
    }
    return name;
}

icalproperty* AttendeeProperty(const Attendee& attendee) {
    icalproperty* property = icalproperty_new_attendee(("mailto:" + attendee.email).c_str());
    if (!attendee.name.empty()) {
        icalproperty_add_parameter(property, icalparameter_new_cn(attendee.name.c_str()));
    }
    return property;
}

icalcomponent* AlarmAtStart(icalproperty_action action) {
    icalcomponent* alarm = icalcomponent_new(ICAL_VALARM_COMPONENT);
    icalcomponent_add_property(alarm, icalproperty_new_action(action));
    icaltriggertype trigger{};
    trigger.time = icaltime_null_time();
    trigger.duration = icaldurationtype_null_duration();
    icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
    return alarm;
}

icalcomponent* EventOf(const ScheduleToWrite& schedule, const CivilDate& today,
                       const icaltimetype& stamp, const std::string& host) {
    const statements::ScheduleFields& fields = schedule.fields;
    icalcomponent* event = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    icalcomponent_add_property(
        event, icalproperty_new_uid(
                   ("schedule-" + std::to_string(schedule.scheduleId) + "@" + host + ".calvendra")
                       .c_str()));
    icalcomponent_add_property(event, icalproperty_new_dtstamp(stamp));
    icalcomponent_add_property(event, icalproperty_new_summary(fields.subject.c_str()));
    if (!fields.text.empty()) {
        icalcomponent_add_property(event, icalproperty_new_description(fields.text.c_str()));
    }
    const ReminderTiming timing = TimingOfFields(fields, !schedule.attendees.empty(), today);
    if (timing.hasStart) {
        icaltimetype start = icaltime_null_time();
        start.year = timing.date.year;
        start.month = timing.date.month;
        start.day = timing.date.day;
        start.hour = timing.time.hour;
        start.minute = timing.time.minute;
        start.second = timing.time.second;
        icalcomponent_add_property(event, icalproperty_new_dtstart(start));
        if (timing.kind != kRemindSpecialDay) {
            const std::string rule =
                timing.kind == kRemindEveryWeek
                    ? std::string("FREQ=WEEKLY;BYDAY=") + kWeekdayCodes[timing.Weekday()]
                    : std::string("FREQ=DAILY");
            icalcomponent_add_property(
                event, icalproperty_new_rrule(icalrecurrencetype_from_string(rule.c_str())));
        }
    }
    if (!schedule.groupPath.empty()) {
        icalcomponent_add_property(event, icalproperty_new_categories(schedule.groupPath.c_str()));
    }
    for (const Attendee& attendee : schedule.attendees) {
        icalcomponent_add_property(event, AttendeeProperty(attendee));
    }
    if (timing.reminds) {
        icalcomponent* display = AlarmAtStart(ICAL_ACTION_DISPLAY);
        icalcomponent_add_property(display, icalproperty_new_description(fields.subject.c_str()));
        icalcomponent_add_component(event, display);
    }
    if (timing.mails) {
        icalcomponent* mail = AlarmAtStart(ICAL_ACTION_EMAIL);
        icalcomponent_add_property(mail, icalproperty_new_summary(fields.subject.c_str()));
        icalcomponent_add_property(
            mail, icalproperty_new_description(
                      (fields.text.empty() ? fields.subject : fields.text).c_str()));
        for (const Attendee& attendee : schedule.attendees) {
            icalcomponent_add_property(mail, AttendeeProperty(attendee));
        }
        icalcomponent_add_component(event, mail);
    }
    if (const std::optional<std::string> stored = StoredReminderText(fields)) {
        icalproperty* property = icalproperty_new_x(stored->c_str());
        icalproperty_set_x_name(property, kStoredReminderProperty);
        icalcomponent_add_property(event, property);
    }
    return event;
}

}  // namespace

std::string CalendarOf(const std::vector<ScheduleToWrite>& schedules, const CivilDate& today,
                       std::time_t now) {
    icalerror_set_errors_are_fatal(0);
    std::unique_ptr<icalcomponent, void (*)(icalcomponent*)> calendar(
        icalcomponent_new(ICAL_VCALENDAR_COMPONENT), &icalcomponent_free);
    icalcomponent_add_property(calendar.get(),
                               icalproperty_new_prodid("-//Calvendra//Calvendra 1.0//EN"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_calscale("GREGORIAN"));
    const icaltimetype stamp =
        icaltime_from_timet_with_zone(now, 0, icaltimezone_get_utc_timezone());
    const std::string host = HostName();
    for (const ScheduleToWrite& schedule : schedules) {
        icalcomponent_add_component(calendar.get(), EventOf(schedule, today, stamp, host));
    }
    std::unique_ptr<char, void (*)(void*)> text(icalcomponent_as_ical_string_r(calendar.get()),
                                                &icalmemory_free_buffer);
    return text ? std::string(text.get()) : std::string();
}

}  // namespace calvendra::exchange
