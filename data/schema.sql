-- The organizer's database: four tables and the two base groups.
-- Runs unchanged on SQLite and on PostgreSQL. Identifiers are text holding ten decimal digits:
-- the statements compare them with quoted literals and pick a group's kind by its leading digit.

CREATE TABLE assist_group (
    group_id   TEXT NOT NULL PRIMARY KEY,
    group_name TEXT,
    parent_id  TEXT
);

CREATE TABLE assist_contactmaininfo (
    contact_id          TEXT NOT NULL PRIMARY KEY,
    group_id            TEXT,
    first_name          TEXT,
    last_name           TEXT,
    gender              TEXT,
    home_email          TEXT,
    home_street         TEXT,
    home_city           TEXT,
    home_state          TEXT,
    home_zip            TEXT,
    home_country        TEXT,
    home_phone          TEXT,
    home_fax            TEXT,
    home_mobile         TEXT,
    home_web            TEXT,
    business_email      TEXT,
    business_street     TEXT,
    business_city       TEXT,
    business_state      TEXT,
    business_zip        TEXT,
    business_country    TEXT,
    business_jobtitle   TEXT,
    business_department TEXT,
    business_office     TEXT,
    business_phone      TEXT,
    business_fax        TEXT,
    business_web        TEXT,
    others              TEXT
);
CREATE INDEX assist_contactmaininfo_group ON assist_contactmaininfo (group_id);

CREATE TABLE assist_scheduleinfo (
    schedule_id      TEXT NOT NULL PRIMARY KEY,
    group_id         TEXT,
    schedule_subject TEXT,
    schedule_text    TEXT,
    remind           INTEGER,
    remindtype       INTEGER,
    remind_week      TEXT,
    remind_date      TEXT,
    remind_time      TEXT,
    emailremind      INTEGER
);
CREATE INDEX assist_scheduleinfo_group ON assist_scheduleinfo (group_id);

-- One row per attendant of a schedule.
CREATE TABLE schedule_contact (
    schedule_id TEXT NOT NULL,
    contact_id  TEXT NOT NULL
);
CREATE INDEX schedule_contact_schedule ON schedule_contact (schedule_id);
-- A new contact's id is chosen above the highest contact id stored here too: the index keeps that
-- look-up from reading every link.
CREATE INDEX schedule_contact_contact ON schedule_contact (contact_id);

INSERT INTO assist_group (group_id, group_name, parent_id) VALUES ('1000000001', 'All Contacts', '0');
INSERT INTO assist_group (group_id, group_name, parent_id) VALUES ('2000000001', 'All Schedules', '0');

-- Added tables: tables that later versions use beside the four. Each block, from its
-- "-- Added table:" line, creates its table and indexes only where they are missing, so that
-- the package's step setup/prepare-database can run this whole part on an existing database: it
-- adds what is missing and changes nothing else (README, "Adding the newer tables to an existing
-- database").
-- A database without them keeps working as it did before they came.

-- Added table: mail_queue
-- One reminder mail to send: one row per schedule and minute it fell due in (the minute's start,
-- in seconds since 1970 UTC), however many organizers found it due. Times are such seconds too.
-- state is 'waiting', 'sending' (claimed_by holds it until lease_until), 'sent' or 'given up'.
CREATE TABLE IF NOT EXISTS mail_queue (
    schedule_id TEXT    NOT NULL,
    due_minute  BIGINT  NOT NULL,
    subject     TEXT,
    mail_text   TEXT,
    recipients  TEXT,
    state       TEXT    NOT NULL,
    claimed_by  TEXT,
    lease_until BIGINT,
    tries       INTEGER NOT NULL,
    next_try    BIGINT  NOT NULL,
    last_reason TEXT,
    queued_at   BIGINT  NOT NULL,
    sent_at     BIGINT,
    PRIMARY KEY (schedule_id, due_minute)
);
CREATE INDEX IF NOT EXISTS mail_queue_state ON mail_queue (state, next_try);

-- Added index: assist_scheduleinfo_remind_time
-- The minute scan finds the schedules whose reminder time may fall in its minutes by this key
-- (the organizer's statement uses the very same expression): "hh:mm" for a time that begins with
-- two digits, ':', two digits and ':', 'other' for another text with two ':', NULL otherwise.
-- Without it the scan still finds every due reminder, but looks at every schedule to do so.
CREATE INDEX IF NOT EXISTS assist_scheduleinfo_remind_time ON assist_scheduleinfo ((CASE WHEN substr(remind_time, 3, 1) = ':' AND substr(remind_time, 6, 1) = ':' AND replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(substr(remind_time, 1, 2) || substr(remind_time, 4, 2), '0', ''), '1', ''), '2', ''), '3', ''), '4', ''), '5', ''), '6', ''), '7', ''), '8', ''), '9', '') = '' THEN substr(remind_time, 1, 5) WHEN length(remind_time) - length(replace(remind_time, ':', '')) >= 2 THEN 'other' END));

-- Added table: schedule_repeat
-- How a special-day reminder repeats: rule is "every year <month>-<day>" or "every month <day>",
-- with the day it was set for. The schedule stays a special day (remindtype 1) whose remind_date
-- holds its next occurrence, so a reader of the four tables alone still fires it on the right
-- day; after it fires, the organizer moves remind_date on to the occurrence after it.
CREATE TABLE IF NOT EXISTS schedule_repeat (
    schedule_id TEXT NOT NULL PRIMARY KEY,
    rule        TEXT NOT NULL
);
