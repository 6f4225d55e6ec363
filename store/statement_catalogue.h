#pragma once

// Every SQL text the organizer sends, as printf-style formats. Identifiers go into '%ld' slots,
// texts into '%s' slots after their quotes have been doubled (see statements.h, which fills them),
// flags and kinds into bare %d slots. "%%" is the format's own escape for one percent sign.
//
// The texts are part of the database contract: keep them byte for byte, blanks and tabs included.
//
// Rows are read by the position of each column in the select list; the positions are named next to
// each query (XxxColumns::kName), and readers use those names rather than numbers.
namespace calvendra::catalogue {

// Groups.
inline constexpr char kSelectContactGroupTree[] =
    "select group_id,parent_id,group_name from assist_group where group_id like '1%%' "
    "order by parent_id,group_id";
inline constexpr char kSelectScheduleGroupTree[] =
    "select group_id,parent_id,group_name from assist_group where group_id like '2%%' "
    "order by parent_id,group_id";
struct GroupTreeColumns {
    enum : int { kGroupId, kParentId, kGroupName };
};
inline constexpr char kSelectGroupsOfKind[] =
    "select group_id,group_name from assist_group where group_id like '%d%%' order by group_id";
struct GroupsOfKindColumns {
    enum : int { kGroupId, kGroupName };
};
inline constexpr char kInsertGroup[] =
    "insert into assist_group(group_id,group_name,parent_id) values('%ld','%s','%ld')";
inline constexpr char kDeleteGroup[] = "delete from assist_group where group_id='%ld'";
inline constexpr char kSelectGroupName[] =
    "select group_name from assist_group where group_id='%ld'";
struct GroupNameColumns {
    enum : int { kGroupName };
};

// Contacts.
inline constexpr char kSelectAllContacts[] =
    "select contact_id,first_name,last_name,home_phone,home_email from assist_contactmaininfo "
    "order by contact_id";
inline constexpr char kSelectContactsOfGroup[] =
    "select contact_id,first_name,last_name,home_phone,home_email from assist_contactmaininfo "
    "where group_id='%ld' order by contact_id";
// Of both contact lists.
struct ContactListColumns {
    enum : int { kContactId, kFirstName, kLastName, kHomePhone, kHomeEmail };
};
inline constexpr char kSelectContact[] =
    "select first_name,last_name,gender,home_email,home_street,home_city,home_state,home_zip,"
    "home_country,home_phone,home_fax,home_mobile,home_web,business_email,business_street,"
    "business_city,business_state,business_zip,business_country,business_jobtitle,"
    "business_department,business_office,business_phone,business_fax,business_web,others,"
    "group_id from assist_contactmaininfo where contact_id='%ld'";
// The 26 text columns in table order (statements::kContactTextColumns), then the group.
struct ContactColumns {
    enum : int { kFirstText = 0, kGroupId = 26 };
};
// Six tabs and three blanks stand between the column list and "values".
inline constexpr char kInsertContact[] =
    "insert into assist_contactmaininfo(contact_id,group_id,first_name,last_name,gender,"
    "home_email,home_street,home_city,home_state,home_zip,home_country,home_phone,home_fax,"
    "home_mobile,home_web,business_email,business_street,business_city,business_state,"
    "business_zip,business_country,business_jobtitle,business_department,business_office,"
    "business_phone,business_fax,business_web,others)\t\t\t\t\t\t   "
    "values('%ld','%ld','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s',"
    "'%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s')";
inline constexpr char kUpdateContact[] =
    "update assist_contactmaininfo set group_id='%ld',first_name='%s',last_name='%s',"
    "gender='%s',home_email='%s',home_street='%s',home_city='%s',home_state='%s',home_zip='%s',"
    "home_country='%s',home_phone='%s',home_fax='%s',home_mobile='%s',home_web='%s',"
    "business_email='%s',business_street='%s',business_city='%s',business_state='%s',"
    "business_zip='%s',business_country='%s',business_jobtitle='%s',business_department='%s',"
    "business_office='%s',business_phone='%s',business_fax='%s',business_web='%s',others='%s' "
    "where contact_id='%ld'";
inline constexpr char kDeleteContact[] =
    "delete from assist_contactmaininfo where contact_id='%ld'";
inline constexpr char kMoveContactsOfGroupToBase[] =
    "update assist_contactmaininfo set group_id='1000000001' where group_id='%ld'";
inline constexpr char kMoveContactToBase[] =
    "update assist_contactmaininfo set group_id='1000000001' where contact_id='%ld'";
inline constexpr char kMoveContactToGroup[] =
    "update assist_contactmaininfo set group_id='%ld' where contact_id='%ld'";
// The contacts with a stored group, the reminder settings' list of earlier versions, which left out
// every contact whose group row is missing; the benchmark of opening the settings compares with it.
inline constexpr char kSelectContactsForAttendants[] =
    "select contact_id,first_name,last_name,home_email,group_name from "
    "assist_contactmaininfo,assist_group where "
    "assist_group.group_id=assist_contactmaininfo.group_id";
// Every contact with its group's name, also a contact whose group row is missing (its group
// columns read empty): the item picker and the reminder settings offer every stored contact.
inline constexpr char kSelectContactsForPicker[] =
    "select assist_contactmaininfo.contact_id,assist_contactmaininfo.first_name,"
    "assist_contactmaininfo.last_name,assist_contactmaininfo.home_email,assist_group.group_name,"
    "assist_group.group_id "
    "from assist_contactmaininfo left join assist_group "
    "on assist_contactmaininfo.group_id=assist_group.group_id "
    "order by assist_contactmaininfo.contact_id";
// Of both contact choices (the earlier versions' list has no group id). The group id is empty
// when the contact's group row is missing.
struct ContactChoiceColumns {
    enum : int { kContactId, kFirstName, kLastName, kHomeEmail, kGroupName, kGroupId };
};
inline constexpr char kSelectAttendantEmails[] =
    "select home_email,assist_contactmaininfo.contact_id,first_name,last_name "
    "from assist_contactmaininfo,schedule_contact "
    "where schedule_contact.schedule_id='%ld' "
    "and schedule_contact.contact_id=assist_contactmaininfo.contact_id";
struct AttendantEmailColumns {
    enum : int { kHomeEmail, kContactId, kFirstName, kLastName };
};

// Schedules.
inline constexpr char kSelectAllSchedules[] =
    "select schedule_id,schedule_subject,remind,remindtype,remind_week,remind_date,remind_time "
    "from assist_scheduleinfo order by schedule_id";
inline constexpr char kSelectSchedulesOfGroup[] =
    "select schedule_id,schedule_subject,remind,remindtype,remind_week,remind_date,remind_time "
    "from assist_scheduleinfo where group_id='%ld' order by schedule_id";
// Of both schedule lists.
struct ScheduleListColumns {
    enum : int {
        kScheduleId,
        kSubject,
        kRemind,
        kRemindType,
        kRemindWeek,
        kRemindDate,
        kRemindTime
    };
};
// Two blanks before "from".
inline constexpr char kSelectSchedule[] =
    "select schedule_id,group_id,schedule_subject,schedule_text,remind,remindtype,remind_week,"
    "remind_date,remind_time,emailremind  from assist_scheduleinfo where schedule_id='%ld'";
inline constexpr char kSelectSchedulesForScan[] =
    "select schedule_id,group_id,schedule_subject,schedule_text,remind,remindtype,remind_week,"
    "remind_date,remind_time,emailremind from assist_scheduleinfo order by schedule_id";
// What the minute scan finds a schedule's reminder time by: "hh:mm" for a remind_time that begins
// with two digits, ':', two digits and ':' (which reads as exactly that hour and minute), 'other'
// for any other text with two ':' (which the looser reading of odd forms such as "9:5:0" needs
// in full), and NULL for a text that names no time and so never falls due. The index
// assist_scheduleinfo_remind_time in data/schema.sql is on this very expression: a database uses
// it only while the two texts are the same. Every function in it reads characters the same way
// on SQLite and PostgreSQL, and only equality is asked of it, which no collation changes.
inline constexpr char kRemindTimeKey[] =
    "(CASE WHEN substr(remind_time, 3, 1) = ':' AND substr(remind_time, 6, 1) = ':' AND "
    "replace(replace(replace(replace(replace(replace(replace(replace(replace(replace("
    "substr(remind_time, 1, 2) || substr(remind_time, 4, 2), '0', ''), '1', ''), '2', ''), "
    "'3', ''), '4', ''), '5', ''), '6', ''), '7', ''), '8', ''), '9', '') = '' "
    "THEN substr(remind_time, 1, 5) "
    "WHEN length(remind_time) - length(replace(remind_time, ':', '')) >= 2 THEN 'other' END)";
inline constexpr char kRemindTimeKeyOther[] = "other";
inline constexpr char kRemindTimeIndex[] = "assist_scheduleinfo_remind_time";
// The schedules of the scan whose reminder-time key is one of a list (%s: the key expression,
// then the quoted keys).
inline constexpr char kSelectSchedulesDueForScan[] =
    "select schedule_id,group_id,schedule_subject,schedule_text,remind,remindtype,remind_week,"
    "remind_date,remind_time,emailremind from assist_scheduleinfo where %s in (%s) "
    "order by schedule_id";
// Of one schedule and of the reminder scan.
struct ScheduleColumns {
    enum : int {
        kScheduleId,
        kGroupId,
        kSubject,
        kText,
        kRemind,
        kRemindType,
        kRemindWeek,
        kRemindDate,
        kRemindTime,
        kEmailRemind,
    };
};
inline constexpr char kInsertSchedule[] =
    "insert into assist_scheduleinfo(schedule_id,group_id,schedule_subject,schedule_text,remind,"
    "remindtype,remind_week,remind_date,remind_time,emailremind) "
    "values('%ld','%ld','%s','%s',%d,%d,'%d','%s','%s',%d)";
inline constexpr char kUpdateSchedule[] =
    "update assist_scheduleinfo set group_id='%ld',schedule_subject='%s',schedule_text='%s',"
    "remind=%d,remindtype=%d,remind_week='%d',remind_date='%s',remind_time='%s',emailremind=%d "
    "where schedule_id='%ld'";
inline constexpr char kDeleteSchedule[] = "delete from assist_scheduleinfo where schedule_id='%ld'";
inline constexpr char kMoveSchedulesOfGroupToBase[] =
    "update assist_scheduleinfo set group_id='2000000001' where group_id='%ld'";
inline constexpr char kMoveScheduleToGroup[] =
    "update assist_scheduleinfo set group_id='%ld' where schedule_id='%ld'";
// Every schedule with its group's name, also one whose group row is missing.
inline constexpr char kSelectSchedulesForPicker[] =
    "select assist_scheduleinfo.schedule_id,assist_scheduleinfo.schedule_subject,"
    "assist_scheduleinfo.remind_date,assist_scheduleinfo.remind_time,assist_group.group_name,"
    "assist_group.group_id "
    "from assist_scheduleinfo left join assist_group "
    "on assist_scheduleinfo.group_id=assist_group.group_id "
    "order by assist_scheduleinfo.schedule_id";
struct ScheduleChoiceColumns {
    enum : int { kScheduleId, kSubject, kRemindDate, kRemindTime, kGroupName, kGroupId };
};

// Attendant links.
inline constexpr char kSelectAttendantLink[] =
    "select * from schedule_contact where schedule_id='%ld' and contact_id='%ld'";
inline constexpr char kInsertAttendantLink[] =
    "insert into schedule_contact(schedule_id,contact_id) values('%ld','%ld')";
inline constexpr char kDeleteAttendantLinks[] =
    "delete from schedule_contact where schedule_id='%ld'";
// The attendants of one schedule that are still stored contacts, in one query: the reminder
// settings tick their contacts from it instead of asking once per contact.
inline constexpr char kSelectLinkedContacts[] =
    "select schedule_contact.contact_id from schedule_contact,assist_contactmaininfo "
    "where schedule_contact.schedule_id='%ld' "
    "and schedule_contact.contact_id=assist_contactmaininfo.contact_id";
// Every attendant link of one schedule as stored, a link to a deleted contact too, in one order:
// a schedule's attendants are part of what an editor compares before it saves.
inline constexpr char kSelectAttendantLinks[] =
    "select contact_id from schedule_contact where schedule_id='%ld' order by contact_id";
// Of both link queries.
struct LinkedContactColumns {
    enum : int { kContactId };
};

// Updates that change nothing but take the row's write lock until the change ends, so that no
// other user changes or deletes the row meanwhile; the rows they match tell whether it is stored.
inline constexpr char kLockGroup[] =
    "update assist_group set group_id=group_id where group_id='%ld'";
inline constexpr char kLockContact[] =
    "update assist_contactmaininfo set contact_id=contact_id where contact_id='%ld'";
inline constexpr char kLockSchedule[] =
    "update assist_scheduleinfo set schedule_id=schedule_id where schedule_id='%ld'";

// A contact or schedule back to the base group of its kind, but only while it is still filed in
// the given group (contact or schedule id, group id): the group editor's own items when its group
// was never stored.
inline constexpr char kReleaseContactFromGroup[] =
    "update assist_contactmaininfo set group_id='1000000001' "
    "where contact_id='%ld' and group_id='%ld'";
inline constexpr char kReleaseScheduleFromGroup[] =
    "update assist_scheduleinfo set group_id='2000000001' "
    "where schedule_id='%ld' and group_id='%ld'";

// The highest id of one kind that one column holds: texts of ten digits between the kind's first
// and last id (column, table, column, first, last, column). New rows take an id above it.
inline constexpr char kSelectHighestId[] =
    "select max(%s) from %s where %s between '%ld' and '%ld' and length(%s)=10";
struct HighestIdColumns {
    enum : int { kHighestId };
};

// How many contacts or schedules a group holds: what deleting the group moves to the base group.
inline constexpr char kCountContactsOfGroup[] =
    "select count(*) from assist_contactmaininfo where group_id='%ld'";
inline constexpr char kCountSchedulesOfGroup[] =
    "select count(*) from assist_scheduleinfo where group_id='%ld'";
struct CountColumns {
    enum : int { kCount };
};

// What an import compares new contacts with: names and both addresses of every contact.
inline constexpr char kSelectContactsForMatching[] =
    "select contact_id,first_name,last_name,home_email,business_email "
    "from assist_contactmaininfo order by contact_id";
struct ContactMatchColumns {
    enum : int { kContactId, kFirstName, kLastName, kHomeEmail, kBusinessEmail };
};
// Every contact whole, for an export: its id and group, then the 26 text columns in table order.
inline constexpr char kSelectContactsForExport[] =
    "select contact_id,group_id,first_name,last_name,gender,home_email,home_street,home_city,"
    "home_state,home_zip,home_country,home_phone,home_fax,home_mobile,home_web,business_email,"
    "business_street,business_city,business_state,business_zip,business_country,"
    "business_jobtitle,business_department,business_office,business_phone,business_fax,"
    "business_web,others from assist_contactmaininfo order by contact_id";
struct ContactExportColumns {
    enum : int { kContactId, kGroupId, kFirstText };
};
// Clears the attendant links left behind under a range of schedule ids (first, last) that new
// schedules are about to take.
inline constexpr char kDeleteAttendantLinksOfIds[] =
    "delete from schedule_contact where schedule_id between '%ld' and '%ld'";
// The attendants of every schedule that are stored contacts, with their names and addresses.
inline constexpr char kSelectAttendantsForExport[] =
    "select schedule_contact.schedule_id,assist_contactmaininfo.first_name,"
    "assist_contactmaininfo.last_name,assist_contactmaininfo.home_email,"
    "assist_contactmaininfo.business_email from schedule_contact,assist_contactmaininfo "
    "where schedule_contact.contact_id=assist_contactmaininfo.contact_id "
    "order by schedule_contact.schedule_id,assist_contactmaininfo.contact_id";
struct AttendantExportColumns {
    enum : int { kScheduleId, kFirstName, kLastName, kHomeEmail, kBusinessEmail };
};

// Start-up's check that the database holds a table of the organizer's: it reads nothing, but
// fails when the table is missing or the file is no database at all.
inline constexpr char kCheckTable[] = "select * from %s where 1=0";
inline constexpr const char* kOrganizerTables[] = {"assist_group", "assist_contactmaininfo",
                                                   "assist_scheduleinfo", "schedule_contact"};

}  // namespace calvendra::catalogue
