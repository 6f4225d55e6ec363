-- The search index of a SQLite database: a trigram full-text index of the texts a search looks in
-- (find/search_statements.cpp names the same columns), kept current by triggers, so that a row
-- written by any program that shares the database is found as soon as it is stored.
--
-- The index only narrows: the organizer still decides on every row it hands over, so a search
-- finds the same rows with it as without it (README, "Finding a contact or schedule"). It reads
-- the texts from the tables themselves (external content), keyed by their rowid, and stores no
-- copy of them. Every statement here creates only what is missing; the last ones build the index
-- anew from the rows, which changes no row of any table. setup/prepare-database runs this file
-- after data/schema.sql; on PostgreSQL data/search-index-postgresql.sql does the same job.

CREATE VIRTUAL TABLE IF NOT EXISTS contact_search USING fts5(
    first_name, last_name, home_phone, home_email, business_email, business_phone, home_mobile,
    home_fax, business_fax, business_jobtitle, business_department, business_office, home_city,
    business_city, others,
    content='assist_contactmaininfo', tokenize='trigram'
);
CREATE TRIGGER IF NOT EXISTS contact_search_insert AFTER INSERT ON assist_contactmaininfo BEGIN
    INSERT INTO contact_search (rowid,
        first_name, last_name, home_phone, home_email, business_email, business_phone, home_mobile,
        home_fax, business_fax, business_jobtitle, business_department, business_office, home_city,
        business_city, others)
    VALUES (new.rowid,
        new.first_name, new.last_name, new.home_phone, new.home_email, new.business_email,
        new.business_phone, new.home_mobile, new.home_fax, new.business_fax, new.business_jobtitle,
        new.business_department, new.business_office, new.home_city, new.business_city, new.others);
END;
CREATE TRIGGER IF NOT EXISTS contact_search_delete AFTER DELETE ON assist_contactmaininfo BEGIN
    INSERT INTO contact_search (contact_search, rowid,
        first_name, last_name, home_phone, home_email, business_email, business_phone, home_mobile,
        home_fax, business_fax, business_jobtitle, business_department, business_office, home_city,
        business_city, others)
    VALUES ('delete', old.rowid,
        old.first_name, old.last_name, old.home_phone, old.home_email, old.business_email,
        old.business_phone, old.home_mobile, old.home_fax, old.business_fax, old.business_jobtitle,
        old.business_department, old.business_office, old.home_city, old.business_city, old.others);
END;
-- Only a change of a searched text touches the index: moving rows to another group does not.
CREATE TRIGGER IF NOT EXISTS contact_search_update AFTER UPDATE OF
    first_name, last_name, home_phone, home_email, business_email, business_phone, home_mobile,
    home_fax, business_fax, business_jobtitle, business_department, business_office, home_city,
    business_city, others
    ON assist_contactmaininfo BEGIN
    INSERT INTO contact_search (contact_search, rowid,
        first_name, last_name, home_phone, home_email, business_email, business_phone, home_mobile,
        home_fax, business_fax, business_jobtitle, business_department, business_office, home_city,
        business_city, others)
    VALUES ('delete', old.rowid,
        old.first_name, old.last_name, old.home_phone, old.home_email, old.business_email,
        old.business_phone, old.home_mobile, old.home_fax, old.business_fax, old.business_jobtitle,
        old.business_department, old.business_office, old.home_city, old.business_city, old.others);
    INSERT INTO contact_search (rowid,
        first_name, last_name, home_phone, home_email, business_email, business_phone, home_mobile,
        home_fax, business_fax, business_jobtitle, business_department, business_office, home_city,
        business_city, others)
    VALUES (new.rowid,
        new.first_name, new.last_name, new.home_phone, new.home_email, new.business_email,
        new.business_phone, new.home_mobile, new.home_fax, new.business_fax, new.business_jobtitle,
        new.business_department, new.business_office, new.home_city, new.business_city, new.others);
END;
INSERT INTO contact_search (contact_search) VALUES ('rebuild');

CREATE VIRTUAL TABLE IF NOT EXISTS schedule_search USING fts5(
    schedule_subject, schedule_text,
    content='assist_scheduleinfo', tokenize='trigram'
);
CREATE TRIGGER IF NOT EXISTS schedule_search_insert AFTER INSERT ON assist_scheduleinfo BEGIN
    INSERT INTO schedule_search (rowid,
        schedule_subject, schedule_text)
    VALUES (new.rowid,
        new.schedule_subject, new.schedule_text);
END;
CREATE TRIGGER IF NOT EXISTS schedule_search_delete AFTER DELETE ON assist_scheduleinfo BEGIN
    INSERT INTO schedule_search (schedule_search, rowid,
        schedule_subject, schedule_text)
    VALUES ('delete', old.rowid,
        old.schedule_subject, old.schedule_text);
END;
-- Only a change of a searched text touches the index: moving rows to another group does not.
CREATE TRIGGER IF NOT EXISTS schedule_search_update AFTER UPDATE OF
    schedule_subject, schedule_text
    ON assist_scheduleinfo BEGIN
    INSERT INTO schedule_search (schedule_search, rowid,
        schedule_subject, schedule_text)
    VALUES ('delete', old.rowid,
        old.schedule_subject, old.schedule_text);
    INSERT INTO schedule_search (rowid,
        schedule_subject, schedule_text)
    VALUES (new.rowid,
        new.schedule_subject, new.schedule_text);
END;
INSERT INTO schedule_search (schedule_search) VALUES ('rebuild');
