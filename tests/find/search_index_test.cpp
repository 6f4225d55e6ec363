// The search index on both databases: kept current whoever changes the rows, used by the search's
// statements, added to a filled database without changing a row, and missed by an older database
// with one line in the log. That it finds the same rows as the LIKE scan is FindMatching's
// "Indexed" run.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "find/search_index.h"
#include "find/search_reading.h"
#include "find/search_statements.h"
#include "find/text_folding.h"
#include "store/statements.h"
#include "tests/find/found_ids.h"
#include "tests/support/captured_log.h"
#include "tests/support/connected_database_test.h"

namespace calvendra {
namespace {

using testing::Backend;
using testing::Ids;

constexpr char kStartingRows[] =
    "insert into assist_group values('1000000002','Trades','1000000001');"
    "insert into assist_contactmaininfo(contact_id,group_id,first_name,last_name,others) values"
    " ('1000000011','1000000002','Anna','Berg','fixes pipes'),"
    " ('1000000012','1000000001','Jürgen','Müller','50% off');"
    "insert into assist_scheduleinfo values"
    " ('2000000011','2000000001','Meeting about the budget','Bring the figures',1,2,'1','',"
    "  '09:30:00',0);"
    "insert into schedule_contact values('2000000011','1000000011');";

statements::ContactFields ContactWith(const char* column, const std::string& text) {
    statements::ContactFields fields;
    const auto& columns = statements::kContactTextColumns;
    const auto at = std::find_if(columns.begin(), columns.end(),
                                 [&](const char* name) { return std::string(name) == column; });
    fields[static_cast<std::size_t>(at - columns.begin())] = text;
    return fields;
}

// A code point in UTF-8.
std::string Utf8(char32_t c) {
    uint8_t bytes[U8_MAX_LENGTH];
    int32_t length = 0;
    U8_APPEND_UNSAFE(bytes, length, static_cast<UChar32>(c));
    return std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
}

// The index narrows by ASCII letters that LIKE cannot be trusted with: it holds only while SQLite's
// trigram tokenizer folds every code point that the organizer folds to an ASCII letter to that
// letter too. Every such code point is asked, on the SQLite library the driver uses.
TEST(FindIndexTokenizer, FoldsWhatFoldsToAnAsciiLetterAsTheOrganizerDoes) {
    std::map<char, std::vector<char32_t>> foldingTo;
    for (char32_t c = 0x41; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        const std::string folded = find::FoldCase(Utf8(c));
        if (folded.size() == 1 && folded[0] >= 'a' && folded[0] <= 'z' && folded != Utf8(c)) {
            foldingTo[folded[0]].push_back(c);
        }
    }
    ASSERT_EQ(foldingTo.size(), 26u);
    // Beyond the capitals: the long s and the Kelvin sign.
    EXPECT_EQ(foldingTo['s'], (std::vector<char32_t>{U'S', U'\u017F'}));
    EXPECT_EQ(foldingTo['k'], (std::vector<char32_t>{U'K', U'\u212A'}));

    sqlite3* opened = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &opened), SQLITE_OK);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(opened, sqlite3_close);
    ASSERT_EQ(sqlite3_exec(db.get(), "create virtual table t using fts5(a, tokenize='trigram')",
                           nullptr, nullptr, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(db.get());
    for (const auto& [letter, others] : foldingTo) {
        for (const char32_t other : others) {
            // Three of the other, and the letter's own phrase finds them.
            const std::string text = Utf8(other) + Utf8(other) + Utf8(other);
            const std::string phrase = std::string(3, letter);
            const std::string sql = "delete from t; insert into t values('" + text +
                                    "'); select count(*) from t where t match '\"" + phrase + "\"'";
            int count = -1;
            ASSERT_EQ(sqlite3_exec(
                          db.get(), sql.c_str(),
                          [](void* found, int, char** values, char**) {
                              *static_cast<int*>(found) = std::stoi(values[0]);
                              return 0;
                          },
                          &count, nullptr),
                      SQLITE_OK)
                << sqlite3_errmsg(db.get());
            EXPECT_EQ(count, 1) << "U+" << std::hex << static_cast<unsigned>(other) << " and "
                                << letter;
        }
    }
}

class FindIndex : public testing::ConnectedDatabaseTest {
protected:
    void SetUp() override {
        ConnectedDatabaseTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        Database().Execute(kStartingRows);
    }

    Ids Found(const std::string& typed) { return testing::FoundIds(connection_, typed); }

    std::optional<bool> HasIndex() {
        OdbcDiagnostic failure;
        const std::optional<bool> has =
            find::HasSearchIndex(connection_, find::EngineNamed(connection_.DbmsName()), failure);
        EXPECT_TRUE(failure.Empty()) << failure.Text();
        return has;
    }

    // Every row of the four tables, read by the database's own client.
    testing::Rows EveryRow() {
        testing::Rows all;
        for (const char* select :
             {"select * from assist_group order by group_id",
              "select * from assist_contactmaininfo order by contact_id",
              "select * from assist_scheduleinfo order by schedule_id",
              "select * from schedule_contact order by schedule_id, contact_id"}) {
            const testing::Rows rows = Database().Query(select);
            all.insert(all.end(), rows.begin(), rows.end());
        }
        return all;
    }
};

TEST_P(FindIndex, FollowsChangesByTheOrganizerAndByAnotherProgram) {
    Database().AddSearchIndex();
    ASSERT_EQ(HasIndex(), true);
    EXPECT_EQ(Found("pipes"), Ids{1000000011});

    // The organizer's own statements.
    ASSERT_TRUE(connection_.ExecuteStatement(statements::InsertContact(
        1000000013, 1000000001, ContactWith("business_office", "Quartzite Tower"))))
        << connection_.LastError().Text();
    EXPECT_EQ(Found("quartzite"), Ids{1000000013});
    ASSERT_TRUE(connection_.ExecuteStatement(statements::UpdateContact(
        1000000013, 1000000001, ContactWith("business_office", "Basalt Hall"))));
    EXPECT_EQ(Found("quartzite"), Ids{});
    EXPECT_EQ(Found("basalt"), Ids{1000000013});
    statements::ScheduleFields schedule;
    schedule.subject = "Dentist";
    schedule.text = "Quartzite filling";
    ASSERT_TRUE(
        connection_.ExecuteStatement(statements::InsertSchedule(2000000012, 2000000001, schedule)));
    EXPECT_EQ(Found("quartzite"), Ids{2000000012});
    ASSERT_TRUE(connection_.ExecuteStatement(statements::DeleteContact(1000000013)));
    ASSERT_TRUE(connection_.ExecuteStatement(statements::DeleteSchedule(2000000012)));
    EXPECT_EQ(Found("basalt"), Ids{});
    EXPECT_EQ(Found("quartzite"), Ids{});

    // Plain SQL from another program's connection, which knows nothing of the index.
    Database().Execute(
        "insert into assist_contactmaininfo(contact_id,group_id,home_city) values "
        "('1000000014','1000000001','Obsidian Bay')");
    EXPECT_EQ(Found("obsidian"), Ids{1000000014});
    Database().Execute(
        "update assist_scheduleinfo set schedule_text='Bring the obsidian' where "
        "schedule_id='2000000011'");
    EXPECT_EQ(Found("obsidian"), (Ids{1000000014, 2000000011}));
    EXPECT_EQ(Found("figures"), Ids{});
    // Moving a row to another group changes no searched text; it is still found, in its group.
    Database().Execute(
        "update assist_contactmaininfo set group_id='1000000002' where contact_id='1000000014'");
    EXPECT_EQ(Found("obsidian bay"), Ids{1000000014});
    Database().Execute(
        "delete from assist_contactmaininfo where contact_id='1000000014'; delete from "
        "assist_scheduleinfo where schedule_id='2000000011'");
    EXPECT_EQ(Found("obsidian"), Ids{});
    EXPECT_EQ(Found("budget"), Ids{});
    EXPECT_EQ(Found("pipes"), Ids{1000000011});
}

// The statements narrow by the index where it is there: an entry taken out of it by hand hides its
// row on SQLite, and PostgreSQL's plan reads the index for the very expression the search uses.
TEST_P(FindIndex, TheSearchReadsTheIndexWhereItIsThere) {
    Database().AddSearchIndex();
    if (GetParam() == Backend::kSqlite) {
        Database().Execute(
            "insert into contact_search(contact_search, rowid, first_name, last_name, others) "
            "select 'delete', rowid, first_name, last_name, others from assist_contactmaininfo "
            "where contact_id='1000000011'");
        EXPECT_EQ(Found("pipes"), Ids{});
        // Words the index cannot narrow by are still read from the table itself.
        EXPECT_EQ(Found("an"), Ids{1000000011});
        Database().Execute("insert into contact_search(contact_search) values('rebuild')");
        EXPECT_EQ(Found("pipes"), Ids{1000000011});
        return;
    }
    const std::vector<std::string> words = find::SearchWords("pipes berg");
    for (const auto& [select, index] :
         {std::pair{find::SelectContactCandidates(words, find::Engine::kPostgres,
                                                  find::IndexUse::kSearchIndex),
                    "assist_contactmaininfo_search"},
          std::pair{find::SelectScheduleCandidates(words, find::Engine::kPostgres,
                                                   find::IndexUse::kSearchIndex),
                    "assist_scheduleinfo_search"}}) {
        // So few rows would be read whole or in the order of their ids; the plan shows whether
        // the index fits the statement.
        std::string plan;
        for (const std::vector<std::string>& row : Database().Query(
                 "set enable_seqscan = off; set enable_indexscan = off; explain " + select)) {
            plan += row.front() + "\n";
        }
        EXPECT_NE(plan.find(index), std::string::npos) << plan;
    }
}

TEST_P(FindIndex, AddingItToAFilledDatabaseChangesNoRow) {
    const testing::Rows before = EveryRow();
    ASSERT_EQ(before.size(), 7u);
    Database().AddSearchIndex();
    EXPECT_EQ(EveryRow(), before);
    ASSERT_EQ(HasIndex(), true);
    EXPECT_EQ(Found("müller 50%"), Ids{1000000012});
    EXPECT_EQ(Found("budget"), Ids{2000000011});
    // Run again, as every upgrade does, it adds nothing and changes nothing.
    Database().AddSearchIndex();
    EXPECT_EQ(EveryRow(), before);
    EXPECT_EQ(Found("pipes"), Ids{1000000011});
}

TEST_P(FindIndex, AnOlderDatabaseWithoutItFindsTheSameAndSaysOnceWhy) {
    const testing::CapturedLog log;
    ASSERT_EQ(HasIndex(), false);
    EXPECT_EQ(Found("pipes"), Ids{1000000011});
    EXPECT_EQ(Found("budget figures"), Ids{2000000011});
    const std::string text = log.Text();
    const std::string line =
        "the database has no search index. The README's step \"Adding the "
        "newer tables to an existing database\" adds it.";
    const std::size_t first = text.find(line);
    EXPECT_NE(first, std::string::npos) << text;
    EXPECT_EQ(text.find(line, first + 1), std::string::npos) << text;

    // Added while the organizer runs, it serves the next search.
    Database().AddSearchIndex();
    ASSERT_EQ(HasIndex(), true);
    EXPECT_EQ(Found("pipes"), Ids{1000000011});
}

TEST_P(FindIndex, AnIndexWithoutItsTriggersIsNotTrusted) {
    if (GetParam() != Backend::kSqlite) {
        GTEST_SKIP() << "PostgreSQL keeps its indexes itself";
    }
    Database().AddSearchIndex();
    Database().Execute("drop trigger contact_search_insert");
    // What is stored now never reaches the index; the search reads the table instead.
    Database().Execute(
        "insert into assist_contactmaininfo(contact_id,group_id,others) values "
        "('1000000013','1000000001','fixes pipes too')");
    EXPECT_EQ(HasIndex(), false);
    EXPECT_EQ(Found("pipes"), (Ids{1000000011, 1000000013}));
}

CALVENDRA_FOR_EACH_BACKEND(FindIndex);

}  // namespace
}  // namespace calvendra
