#pragma once

// Rows that the editors' tests share, on top of the two base groups of a fresh database.
//
// Contacts 1000000011 to 1000000013 have stored groups (one of them no last name); 1000000014's
// group row is missing, so no list shows it. Schedule 2999999990 lies beyond 32-bit ids and has
// two stored attendants besides a duplicate link and a link to a contact that was deleted;
// schedule 2000000005 has one attendant; schedule 2000000006's group row is missing.
namespace calvendra::testing {

inline constexpr char kEditorRows[] =
    "insert into assist_group values('1000000002','Family','1000000001');"
    "insert into assist_group values('1000000003','Work mates','1000000001');"
    "insert into assist_group values('2000000003','Home','2000000001');"
    "insert into assist_group values('2000000002','Work','2000000001');"
    "insert into assist_contactmaininfo(contact_id,group_id,first_name,last_name,home_email) "
    "values('1000000012','1000000003','Kim','O''Neil','kim@example.org');"
    "insert into assist_contactmaininfo(contact_id,group_id,first_name,last_name,home_email) "
    "values('1000000011','1000000002','Anna','Berg','anna@example.org');"
    "insert into assist_contactmaininfo(contact_id,group_id,first_name,last_name,home_email) "
    "values('1000000014','1000000009','Hidden','Person','hidden@example.org');"
    "insert into assist_contactmaininfo(contact_id,group_id,first_name,last_name,home_email) "
    "values('1000000013','1000000001','Solo','','solo@example.org');"
    "insert into assist_scheduleinfo values('2999999990','2000000002','Standup','Daily, short',"
    "1,2,'1','','09:30:00',1);"
    "insert into assist_scheduleinfo values('2000000005','2000000003','Dentist','Bring the card',"
    "1,1,'0','2005-3-7','14:00:00',0);"
    "insert into assist_scheduleinfo values('2000000006','2000000009','Orphan','',0,3,'0','','',"
    "0);"
    "insert into schedule_contact values('2999999990','1000000011');"
    "insert into schedule_contact values('2999999990','1000000014');"
    "insert into schedule_contact values('2999999990','1000000099');"
    "insert into schedule_contact values('2999999990','1000000011');"
    "insert into schedule_contact values('2000000005','1000000012');";

inline constexpr long kLinkedSchedule = 2999999990;

}  // namespace calvendra::testing
