-- The search index of a PostgreSQL database: trigram indexes (the extension pg_trgm) on the texts
-- a search looks in, joined exactly as the search's statements join them
-- (find/search_statements.cpp), so that the database finds the candidates of a typed word by the
-- index instead of reading every row. The database keeps them current on every change, whoever
-- makes it. The index only narrows: the organizer still decides on every row, so a search finds
-- the same rows with it as without it.
--
-- pg_trgm is a trusted extension: the owner of the database may add it. Where the role running
-- this file may not, it says so and changes nothing; a superuser can run
-- "create extension pg_trgm" in the database, and then this file again (README, "Adding the newer
-- tables to an existing database"). Until then a search reads every row, and finds the same.
-- data/search-index-sqlite.sql does the same job on SQLite.
DO $$
BEGIN
    CREATE EXTENSION IF NOT EXISTS pg_trgm;
EXCEPTION WHEN insufficient_privilege OR undefined_file OR feature_not_supported THEN
    RAISE WARNING 'The search index needs the extension pg_trgm, which this role may not add (%); a superuser can run "create extension pg_trgm" in this database, and then this file again.', SQLERRM;
END
$$;

DO $$
BEGIN
    IF NOT EXISTS (SELECT 1 FROM pg_opclass WHERE opcname = 'gin_trgm_ops') THEN
        RETURN;
    END IF;
    CREATE INDEX IF NOT EXISTS assist_contactmaininfo_search ON assist_contactmaininfo USING gin
        ((coalesce(first_name, '') || ' ' || coalesce(last_name, '') || ' ' ||
          coalesce(home_phone, '') || ' ' || coalesce(home_email, '') || ' ' ||
          coalesce(business_email, '') || ' ' || coalesce(business_phone, '') || ' ' ||
          coalesce(home_mobile, '') || ' ' || coalesce(home_fax, '') || ' ' ||
          coalesce(business_fax, '') || ' ' || coalesce(business_jobtitle, '') || ' ' ||
          coalesce(business_department, '') || ' ' || coalesce(business_office, '') || ' ' ||
          coalesce(home_city, '') || ' ' || coalesce(business_city, '') || ' ' ||
          coalesce(others, '')) gin_trgm_ops);
    CREATE INDEX IF NOT EXISTS assist_scheduleinfo_search ON assist_scheduleinfo USING gin
        ((coalesce(schedule_subject, '') || ' ' || coalesce(schedule_text, '')) gin_trgm_ops);
END
$$;
