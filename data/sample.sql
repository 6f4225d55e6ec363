-- A small sample for trying the organizer and for its screenshot: a few groups, contacts and
-- schedules of every reminder kind. Load it into a database made from schema.sql.

INSERT INTO assist_group (group_id, group_name, parent_id) VALUES ('1000000002', 'Family', '1000000001');
INSERT INTO assist_group (group_id, group_name, parent_id) VALUES ('1000000003', 'Colleagues', '1000000001');
INSERT INTO assist_group (group_id, group_name, parent_id) VALUES ('1000000004', 'Suppliers', '1000000001');
INSERT INTO assist_group (group_id, group_name, parent_id) VALUES ('2000000002', 'Work', '2000000001');
INSERT INTO assist_group (group_id, group_name, parent_id) VALUES ('2000000003', 'Home', '2000000001');
INSERT INTO assist_group (group_id, group_name, parent_id) VALUES ('2000000004', 'Birthdays', '2000000001');

INSERT INTO assist_contactmaininfo (contact_id, group_id, first_name, last_name, gender, home_email, home_phone)
    VALUES ('1000000001', '1000000002', 'Anna', 'Lindqvist', 'F', 'anna.lindqvist@example.org', '+46 8 555 0142');
INSERT INTO assist_contactmaininfo (contact_id, group_id, first_name, last_name, gender, home_email, home_phone)
    VALUES ('1000000002', '1000000002', 'Jonas', 'Lindqvist', 'M', 'jonas@example.org', '+46 8 555 0143');
INSERT INTO assist_contactmaininfo (contact_id, group_id, first_name, last_name, gender, home_email, home_phone)
    VALUES ('1000000003', '1000000003', 'Priya', 'Raman', 'F', 'priya.raman@example.com', '+44 20 7946 0321');
INSERT INTO assist_contactmaininfo (contact_id, group_id, first_name, last_name, gender, home_email, home_phone)
    VALUES ('1000000004', '1000000003', 'Tomás', 'Ortega', 'M', 'tomas.ortega@example.com', '+34 91 555 2290');
INSERT INTO assist_contactmaininfo (contact_id, group_id, first_name, last_name, gender, home_email, home_phone)
    VALUES ('1000000005', '1000000004', 'Kestrel Print', '', '', 'orders@kestrel.example', '+1 555 0100');

INSERT INTO assist_scheduleinfo (schedule_id, group_id, schedule_subject, schedule_text, remind, remindtype, remind_week, remind_date, remind_time, emailremind)
    VALUES ('2000000001', '2000000002', 'Weekly team meeting', 'Room 4.12, bring the sprint notes.', 1, 2, '1', '', '09:30:00', 1);
INSERT INTO assist_scheduleinfo (schedule_id, group_id, schedule_subject, schedule_text, remind, remindtype, remind_week, remind_date, remind_time, emailremind)
    VALUES ('2000000002', '2000000002', 'Quarterly report due', 'Send the figures to Priya.', 1, 1, '0', '2025-3-31', '14:00:00', 0);
INSERT INTO assist_scheduleinfo (schedule_id, group_id, schedule_subject, schedule_text, remind, remindtype, remind_week, remind_date, remind_time, emailremind)
    VALUES ('2000000003', '2000000003', 'Evening medicine', '', 1, 3, '0', '', '20:00:00', 0);
INSERT INTO assist_scheduleinfo (schedule_id, group_id, schedule_subject, schedule_text, remind, remindtype, remind_week, remind_date, remind_time, emailremind)
    VALUES ('2000000004', '2000000004', 'Anna''s birthday', 'Order flowers a week before.', 1, 1, '0', '2025-6-14', '08:00:00', 1);
INSERT INTO assist_scheduleinfo (schedule_id, group_id, schedule_subject, schedule_text, remind, remindtype, remind_week, remind_date, remind_time, emailremind)
    VALUES ('2000000005', '2000000003', 'Water the garden', 'Only when it has not rained.', 0, 3, '0', '', '07:00:00', 0);
INSERT INTO assist_scheduleinfo (schedule_id, group_id, schedule_subject, schedule_text, remind, remindtype, remind_week, remind_date, remind_time, emailremind)
    VALUES ('2000000006', '2000000002', 'Submit timesheet', 'Before the end of Friday.', 1, 2, '5', '', '16:30:00', 0);

INSERT INTO schedule_contact (schedule_id, contact_id) VALUES ('2000000001', '1000000003');
INSERT INTO schedule_contact (schedule_id, contact_id) VALUES ('2000000001', '1000000004');
INSERT INTO schedule_contact (schedule_id, contact_id) VALUES ('2000000004', '1000000002');
