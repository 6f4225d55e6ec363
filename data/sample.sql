-- A small sample for trying the organizer and for its screenshot: a few groups, contacts and
-- schedules of every reminder kind. Load it into a database made from schema.sql.

INSERT INTO assist_group (group_id, group_name, parent_id) VALUES ('1000000002', 'Family', '1000000001');
INSERT INTO assist_group (group_id, group_name, parent_id) VALUES ('1000000003', 'Colleagues', '1000000001');
INSERT INTO assist_group (group_id, group_name, parent_id) VALUES ('1000000004', 'Suppliers', '1000000001');
INSERT INTO assist_group (group_id, group_name, parent_id) VALUES ('1000000005', 'Kids', '1000000002');
INSERT INTO assist_group (group_id, group_name, parent_id) VALUES ('2000000002', 'Work', '2000000001');
INSERT INTO assist_group (group_id, group_name, parent_id) VALUES ('2000000003', 'Home', '2000000001');
INSERT INTO assist_group (group_id, group_name, parent_id) VALUES ('2000000004', 'Birthdays', '2000000001');

INSERT INTO assist_contactmaininfo (contact_id, group_id, first_name, last_name, gender, home_email, home_phone)
    VALUES ('1000000001', '1000000002', 'Anna', 'Lindqvist', 'Female', 'anna.lindqvist@example.org', '+46 8 555 0142');
INSERT INTO assist_contactmaininfo (contact_id, group_id, first_name, last_name, gender, home_email, home_phone)
    VALUES ('1000000002', '1000000002', 'Jonas', 'Lindqvist', 'Male', 'jonas@example.org', '+46 8 555 0143');
-- A contact with every block filled in; the streets hold two lines each.
INSERT INTO assist_contactmaininfo (contact_id, group_id, first_name, last_name, gender, home_email,
    home_street, home_city, home_state, home_zip, home_country, home_phone, home_fax, home_mobile, home_web,
    business_email, business_street, business_city, business_state, business_zip, business_country,
    business_jobtitle, business_department, business_office, business_phone, business_fax, business_web, others)
    VALUES ('1000000003', '1000000003', 'Priya', 'Raman', 'Female', 'priya.raman@example.com',
    '14 Elm Row
Flat 2', 'London', 'Greater London', 'N1 7GU', 'United Kingdom',
    '+44 20 7946 0321', '', '+44 7700 900321', 'http://priya.example.com',
    'p.raman@kestrel.example', 'Kestrel House
3 Quay Street', 'London', '', 'EC2A 4BX',
    'United Kingdom', 'Head of Finance', 'Finance', 'Room 4.12', '+44 20 7946 0999', '+44 20 7946 0998',
    'http://www.kestrel.example', 'Prefers mail to calls.
Birthday in June.');
INSERT INTO assist_contactmaininfo (contact_id, group_id, first_name, last_name, gender, home_email, home_phone)
    VALUES ('1000000004', '1000000003', 'Tomás', 'Ortega', 'Male', 'tomas.ortega@example.com', '+34 91 555 2290');
INSERT INTO assist_contactmaininfo (contact_id, group_id, first_name, last_name, gender, home_email, home_phone)
    VALUES ('1000000005', '1000000004', 'Kestrel Print', '', 'Unspecified', 'orders@kestrel.example', '+1 555 0100');
INSERT INTO assist_contactmaininfo (contact_id, group_id, first_name, last_name, gender, home_email, home_phone)
    VALUES ('1000000006', '1000000005', 'Elsa', 'Lindqvist', 'Female', 'elsa.lindqvist@example.org', '+46 70 555 0188');
INSERT INTO assist_contactmaininfo (contact_id, group_id, first_name, last_name, gender, home_email, home_phone)
    VALUES ('1000000007', '1000000003', 'Lars', 'Berg', 'Male', 'lars.berg@kestrel.example', '+46 8 555 0177');
INSERT INTO assist_contactmaininfo (contact_id, group_id, first_name, last_name, gender, home_email, home_phone)
    VALUES ('1000000008', '1000000003', 'Mei', 'Chen', 'Female', 'mei.chen@kestrel.example', '+44 20 7946 0412');

INSERT INTO assist_scheduleinfo (schedule_id, group_id, schedule_subject, schedule_text, remind, remindtype, remind_week, remind_date, remind_time, emailremind)
    VALUES ('2000000001', '2000000002', 'Weekly team meeting', 'Room 4.12, bring the sprint notes.', 1, 2, '1', '', '09:30:00', 1);
INSERT INTO assist_scheduleinfo (schedule_id, group_id, schedule_subject, schedule_text, remind, remindtype, remind_week, remind_date, remind_time, emailremind)
    VALUES ('2000000002', '2000000002', 'Quarterly report due', 'Send the figures to Priya.', 1, 1, '0', '2025-3-31', '14:00:00', 0);
INSERT INTO assist_scheduleinfo (schedule_id, group_id, schedule_subject, schedule_text, remind, remindtype, remind_week, remind_date, remind_time, emailremind)
    VALUES ('2000000003', '2000000003', 'Evening medicine', '', 1, 3, '0', '', '20:00:00', 0);
INSERT INTO assist_scheduleinfo (schedule_id, group_id, schedule_subject, schedule_text, remind, remindtype, remind_week, remind_date, remind_time, emailremind)
    VALUES ('2000000004', '2000000004', 'Anna''s birthday', 'Order flowers a week before.', 1, 1, '0', '2027-6-14', '08:00:00', 1);
INSERT INTO assist_scheduleinfo (schedule_id, group_id, schedule_subject, schedule_text, remind, remindtype, remind_week, remind_date, remind_time, emailremind)
    VALUES ('2000000005', '2000000003', 'Water the garden', 'Only when it has not rained.', 0, 3, '0', '', '07:00:00', 0);
INSERT INTO assist_scheduleinfo (schedule_id, group_id, schedule_subject, schedule_text, remind, remindtype, remind_week, remind_date, remind_time, emailremind)
    VALUES ('2000000006', '2000000002', 'Submit timesheet', 'Before the end of Friday.', 1, 2, '5', '', '16:30:00', 0);
INSERT INTO assist_scheduleinfo (schedule_id, group_id, schedule_subject, schedule_text, remind, remindtype, remind_week, remind_date, remind_time, emailremind)
    VALUES ('2000000010', '2000000003', 'Pick up Elsa from football', 'Field behind the school.', 1, 2, '3', '', '16:45:00', 0);
INSERT INTO assist_scheduleinfo (schedule_id, group_id, schedule_subject, schedule_text, remind, remindtype, remind_week, remind_date, remind_time, emailremind)
    VALUES ('2000000011', '2000000002', 'Design review with Mei', 'Slides in the shared folder.', 1, 1, '0', '2025-9-18', '10:15:00', 1);
INSERT INTO assist_scheduleinfo (schedule_id, group_id, schedule_subject, schedule_text, remind, remindtype, remind_week, remind_date, remind_time, emailremind)
    VALUES ('2000000012', '2000000003', 'Back up the laptop', '', 1, 2, '0', '', '19:00:00', 0);

INSERT INTO schedule_contact (schedule_id, contact_id) VALUES ('2000000001', '1000000003');
INSERT INTO schedule_contact (schedule_id, contact_id) VALUES ('2000000001', '1000000004');
INSERT INTO schedule_contact (schedule_id, contact_id) VALUES ('2000000004', '1000000002');
INSERT INTO schedule_contact (schedule_id, contact_id) VALUES ('2000000011', '1000000008');
INSERT INTO schedule_contact (schedule_id, contact_id) VALUES ('2000000011', '1000000007');

INSERT INTO schedule_repeat (schedule_id, rule) VALUES ('2000000004', 'every year 6-14');
