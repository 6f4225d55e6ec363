// The search over every contact and schedule, without a window: the folding rule, the words of a
// typed search, the LIKE patterns that narrow it, and what it finds on both databases in every
// searched field, with words in different fields, non-ASCII text and the characters that mean
// something to SQL.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "find/search_index.h"
#include "find/search_reading.h"
#include "find/search_statements.h"
#include "find/text_folding.h"
#include "tests/find/found_ids.h"
#include "tests/support/connected_database_test.h"

namespace calvendra {
namespace {

using Strings = std::vector<std::string>;
using testing::Ids;
using testing::kWeekdays;

struct FoldingCase {
    const char* text;
    const char* folded;
};

TEST(FindFolding, SimpleCaseFoldingForEveryAlphabetAndNothingMore) {
    const FoldingCase cases[] = {
        {"MÜLLER", "müller"},
        {"ΣΟΦΙΑ Σοφία", "σοφια σοφία"},
        {"ПЕТРОВ", "петров"},
        {"STRASSE", "strasse"},
        // One letter never becomes two: ß stays ß, and the capital ẞ folds to it.
        {"Straße", "straße"},
        {"STRAẞE", "straße"},
        // The Kelvin sign is a capital K.
        {"\xE2\x84\xAA"
         "ELVIN",
         "kelvin"},
        // Accents are letters of their own.
        {"Émile", "émile"},
        {"東京 2024", "東京 2024"},
        // Bytes that are not UTF-8 stay as they are.
        {"A\xFF"
         "B",
         "a\xFF"
         "b"},
        {"", ""},
    };
    for (const FoldingCase& c : cases) {
        EXPECT_EQ(find::FoldCase(c.text), c.folded) << c.text;
    }
}

TEST(FindFolding, TypedTextIsSplitIntoFoldedWordsAtAnyWhiteSpace) {
    EXPECT_EQ(find::SearchWords("  Anna   BERG "), (Strings{"anna", "berg"}));
    // A no-break space and a tab part words too.
    EXPECT_EQ(find::SearchWords("Müller\xC2\xA0"
                                "Köln\tx"),
              (Strings{"müller", "köln", "x"}));
    EXPECT_EQ(find::SearchWords("50% a_b o'neil c:\\tmp"),
              (Strings{"50%", "a_b", "o'neil", "c:\\tmp"}));
    EXPECT_TRUE(find::SearchWords(" \t ").empty());
    EXPECT_TRUE(find::SearchWords("").empty());
}

struct PatternCase {
    const char* word;
    const char* pattern;
};

TEST(FindStatements, LikePatternsTakeWildcardsAsThemselvesAndLeaveOtherCasesToTheOrganizer) {
    const PatternCase cases[] = {
        {"anna", "%anna%"},
        {"50%", "%50!%%"},
        {"a_b", "%a!_b%"},
        {"wow!", "%wow!!%"},
        // Quotes are doubled when the pattern goes into the statement, not here.
        {"o'neil", "%o'neil%"},
        {"c:\\tmp", "%c:\\tmp%"},
        // A letter with capitals beyond ASCII narrows nothing: the database might fold it
        // otherwise.
        {"müller", "%m%ller%"},
        {"σοφια", ""},
        {"東京", "%東京%"},
    };
    for (const PatternCase& c : cases) {
        EXPECT_EQ(find::LikePattern(c.word), c.pattern) << c.word;
    }
}

struct PhraseCase {
    const char* word;
    Strings phrases;
};

TEST(FindStatements, TheIndexNarrowsByRunsOfThreeTrustedCharacters) {
    const PhraseCase cases[] = {
        {"anna", {"\"anna\""}},
        {"50%", {"\"50%\""}},
        {"o'neil", {"\"o'neil\""}},
        // A double quote is doubled within the phrase.
        {"say\"hi", {"\"say\"\"hi\""}},
        // Characters a database may fold otherwise split the word; runs shorter than a trigram
        // narrow nothing. ASCII letters are the index's, though LIKE cannot be trusted with "s"
        // and "k" (the long s and the Kelvin sign fold to them).
        {"müllerstraße", {"\"llerstra\""}},
        {"kiosk", {"\"kiosk\""}},
        {"köln", {}},
        {"zz", {}},
        {"σοφια", {}},
        {"東京都", {"\"東京都\""}},
        {"\xFF"
         "abc",
         {"\"abc\""}},
    };
    for (const PhraseCase& c : cases) {
        EXPECT_EQ(find::IndexPhrases(c.word), c.phrases) << c.word;
    }
    // The phrases of every word narrow on SQLite before the LIKE conditions, quoted as a literal;
    // without a phrase, or without the index, the statement is the LIKE scan alone.
    const Strings words{"o'neil", "zz", "plumber"};
    const std::string indexed =
        find::SelectContactCandidates(words, find::Engine::kSqlite, find::IndexUse::kSearchIndex);
    EXPECT_NE(indexed.find(" where rowid in (select rowid from contact_search where "
                           "contact_search match '\"o''neil\" AND \"plumber\"') and ("),
              std::string::npos)
        << indexed;
    for (const std::string& plain :
         {find::SelectContactCandidates(words, find::Engine::kSqlite, find::IndexUse::kNone),
          find::SelectScheduleCandidates({"zz"}, find::Engine::kSqlite,
                                         find::IndexUse::kSearchIndex),
          find::SelectScheduleCandidates(words, find::Engine::kPostgres,
                                         find::IndexUse::kSearchIndex)}) {
        EXPECT_EQ(plain.find(" match "), std::string::npos) << plain;
        EXPECT_NE(plain.find("like '%"), std::string::npos) << plain;
    }
}

TEST(FindStatements, TheDatabaseIsNamedByItsDriver) {
    EXPECT_EQ(find::EngineNamed("SQLite"), find::Engine::kSqlite);
    EXPECT_EQ(find::EngineNamed("PostgreSQL"), find::Engine::kPostgres);
    EXPECT_EQ(find::EngineNamed("Other"), find::Engine::kOther);
}

// Two groups; contacts that each hold a word of their own in one searched field, and schedules
// likewise; texts in other alphabets, and texts full of what SQL would take for its own.
constexpr char kSearchedRows[] =
    "insert into assist_group values('1000000002','Trades','1000000001');"
    "insert into assist_group values('2000000002','Budget','2000000001');"
    "insert into assist_contactmaininfo(contact_id,group_id,first_name,last_name,home_phone,"
    "home_email,business_email,business_phone,home_mobile,home_fax,business_fax,"
    "business_jobtitle,business_department,business_office,home_city,business_city,others,"
    "home_street,home_web) values"
    " ('1000000011','1000000002','Anna','Berg','555-0101','anna@home.example',"
    "  'anna@work.example','555-0202','0170-333','555-0303','555-0404','Plumber','Pipes',"
    "  'Room 12','Hamburg','Kiel','calls back before noon','Hidden Street','hidden.example'),"
    " ('1000000012','1000000001','JÜRGEN','MÜLLER','','','','','','','','','','',"
    "  'STRASSE','Straße','','',''),"
    " ('1000000013','1000000001','ΣΟΦΙΑ','Петрова','','','','','','','','','','','東京',"
    "  '','','',''),"
    " ('1000000014','1000000001','Percent','Sale','','','','','','','','','','','','',"
    "  '50% off, a_b, O''Neil, c:\\tmp, wow!','',''),"
    " ('1000000015','1000000001','Decoy','Sale','','','','','','','','','','','','',"
    "  '500 off, axb, ONeil, c:tmp, wow','','');"
    "insert into assist_scheduleinfo values"
    " ('2000000011','2000000002','Meeting about the budget','Bring the figures',1,2,'1','',"
    "  '09:30:00',0),"
    " ('2000000012','2000000001','Dentist','Anna drives; Émile waits',0,3,'','','',0);";

// Runs twice on each database: as made from the schema alone, and with the search index
// (instantiated as "Indexed"), which must find exactly the same rows.
class FindMatching : public testing::ConnectedDatabaseTest {
protected:
    void SetUp() override {
        ConnectedDatabaseTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        const std::string suite =
            ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name();
        const bool indexed = suite.rfind("Indexed/", 0) == 0;
        if (indexed) {
            Database().AddSearchIndex();
        }
        // Rows stored after the index came reach it through its triggers on SQLite.
        Database().Execute(kSearchedRows);
        OdbcDiagnostic failure;
        const std::optional<bool> hasIndex =
            find::HasSearchIndex(connection_, find::EngineNamed(connection_.DbmsName()), failure);
        ASSERT_EQ(hasIndex, std::optional<bool>(indexed)) << failure.Text();
    }

    find::FoundRows Search(const std::string& typed) {
        return find::ReadFoundRows(connection_, find::SearchWords(typed), kWeekdays);
    }

    Ids FoundIds(const std::string& typed) { return testing::FoundIds(connection_, typed); }
};

struct MatchCase {
    const char* typed;
    Ids found;
};

TEST_P(FindMatching, EverySearchedFieldIsFoundAndNoOther) {
    const MatchCase cases[] = {
        {"anna", {1000000011, 2000000012}},
        {"berg", {1000000011}},
        {"0101", {1000000011}},
        {"home.example", {1000000011}},
        {"work.example", {1000000011}},
        {"0202", {1000000011}},
        {"0170", {1000000011}},
        {"0303", {1000000011}},
        {"0404", {1000000011}},
        {"plumber", {1000000011}},
        {"pipes", {1000000011}},
        {"room", {1000000011}},
        {"hamburg", {1000000011}},
        {"kiel", {1000000011}},
        {"noon", {1000000011}},
        {"budget", {2000000011}},
        {"figures", {2000000011}},
        // Fields that are not searched: the street, the web page, the group's name.
        {"hidden", {}},
        {"trades", {}},
        {"nobody", {}},
    };
    for (const MatchCase& c : cases) {
        EXPECT_EQ(FoundIds(c.typed), c.found) << c.typed;
    }
}

TEST_P(FindMatching, EveryWordMustMatchInOneFieldOrAnother) {
    const MatchCase cases[] = {
        {"anna plumber", {1000000011}},
        {"PLUMBER anna Kiel", {1000000011}},
        {"anna dentist", {2000000012}},
        {"anna budget", {}},
        {"meeting budget figures", {2000000011}},
        // A word does not run across two fields.
        {"annaberg", {}},
        {"  anna  ", {1000000011, 2000000012}},
    };
    for (const MatchCase& c : cases) {
        EXPECT_EQ(FoundIds(c.typed), c.found) << c.typed;
    }
}

TEST_P(FindMatching, CaseIsIgnoredInEveryAlphabetAndSharpSIsALetterOfItsOwn) {
    const MatchCase cases[] = {
        {"müller jürgen", {1000000012}},
        {"MÜLLER", {1000000012}},
        {"σοφια", {1000000013}},
        {"ПЕТРОВА", {1000000013}},
        {"東京", {1000000013}},
        {"strasse", {1000000012}},
        {"STRASSE", {1000000012}},
        {"straße", {1000000012}},
        {"STRAẞE", {1000000012}},
        {"émile", {2000000012}},
        {"emile", {}},
    };
    for (const MatchCase& c : cases) {
        EXPECT_EQ(FoundIds(c.typed), c.found) << c.typed;
    }
    // "straße" finds the row through its business city, not its home city's "STRASSE".
    Database().Execute(
        "update assist_contactmaininfo set business_city='' where contact_id='1000000012'");
    EXPECT_EQ(FoundIds("straße"), Ids{});
    EXPECT_EQ(FoundIds("strasse"), Ids{1000000012});
}

TEST_P(FindMatching, WhatSqlWouldTakeForItsOwnIsSearchedForAsItself) {
    const MatchCase cases[] = {
        {"50%", {1000000014}},
        {"%", {1000000014}},
        {"a_b", {1000000014}},
        {"_", {1000000014}},
        {"o'neil", {1000000014}},
        {"'", {1000000014}},
        {"c:\\tmp", {1000000014}},
        {"\\", {1000000014}},
        {"wow!", {1000000014}},
        {"!", {1000000014}},
        {"sale off", {1000000014, 1000000015}},
        // Nothing typed changes the statement.
        {"' or ''='", {}},
        {"x' or 1=1 --", {}},
        {"'); delete from assist_contactmaininfo; --", {}},
        {"?", {}},
        {"{fn lcase('a')}", {}},
    };
    for (const MatchCase& c : cases) {
        EXPECT_EQ(FoundIds(c.typed), c.found) << c.typed;
    }
    EXPECT_EQ(Database().QueryValue("select count(*) from assist_contactmaininfo"), "5");
}

TEST_P(FindMatching, FoundRowsShowTheListsTextsAndTheGroup) {
    const find::FoundRows found = Search("anna");
    ASSERT_TRUE(found.failure.Empty()) << found.failure.Text();
    ASSERT_EQ(found.rows.Size(), 2u);
    ASSERT_EQ(found.rows.Columns(), find::kFoundColumns);
    const auto texts = [&](std::size_t row) {
        Strings all;
        for (int column = 0; column < find::kFoundColumns; ++column) {
            all.emplace_back(found.rows.Text(row, column));
        }
        return all;
    };
    EXPECT_EQ(texts(0), (Strings{"Anna Berg", "555-0101", "anna@home.example", "Trades"}));
    EXPECT_EQ(texts(1),
              (Strings{"Dentist", "No Reminder setting for this schedule", "", "All Schedules"}));
    const find::FoundRows weekly = Search("budget");
    ASSERT_EQ(weekly.rows.Size(), 1u);
    EXPECT_EQ(weekly.rows.Text(0, 1), "Reminder at Monday 09:30:00");
    EXPECT_EQ(weekly.rows.Text(0, 3), "Budget");
}

// A found special day that repeats shows its rule, as the list of its group does; one that does
// not, its date.
TEST_P(FindMatching, FoundSpecialDaysShowTheirRepetitionAsTheirGroupsListDoes) {
    Database().Execute(
        "insert into assist_scheduleinfo values"
        " ('2000000021','2000000001','Birthday of Clara','',1,1,'0','2027-6-14','08:00:00',0),"
        " ('2000000022','2000000001','Birthday of Ben','',1,1,'0','2027-3-2','08:00:00',0);"
        "insert into schedule_repeat values('2000000021','every year 6-14')");
    const find::FoundRows found = Search("birthday");
    ASSERT_TRUE(found.failure.Empty()) << found.failure.Text();
    ASSERT_EQ(found.rows.Size(), 2u);
    EXPECT_EQ(found.rows.Text(0, 1), "Reminder at every year 6-14 08:00:00");
    EXPECT_EQ(found.rows.Text(1, 1), "Reminder at 2027-3-2 08:00:00");
    const ListReading listed = ReadListRows(connection_, 2000000001, kWeekdays);
    const long listedRow = listed.rows.Find(2000000021);
    ASSERT_GE(listedRow, 0);
    EXPECT_EQ(listed.rows.Text(static_cast<std::size_t>(listedRow), 1), found.rows.Text(0, 1));
}

TEST_P(FindMatching, ASearchOvertakenByANewerOneGivesUpAndSaysSo) {
    StatementCancellation overtaken;
    overtaken.Cancel();
    const find::FoundRows found =
        find::ReadFoundRows(connection_, find::SearchWords("anna"), kWeekdays, overtaken);
    EXPECT_TRUE(found.superseded);
    EXPECT_TRUE(found.rows.Empty());
    StatementCancellation untouched;
    const find::FoundRows whole =
        find::ReadFoundRows(connection_, find::SearchWords("anna"), kWeekdays, untouched);
    EXPECT_FALSE(whole.superseded);
    EXPECT_EQ(whole.rows.Size(), 2u);
}

TEST_P(FindMatching, ADatabaseThatCannotServeSaysWhy) {
    CDBConnection nowhere("NoSuchSource", "opal", "kelp");
    const find::FoundRows found =
        find::ReadFoundRows(nowhere, find::SearchWords("anna"), kWeekdays);
    EXPECT_FALSE(found.failure.Empty());
    EXPECT_NE(found.failure.Text().find("IM002"), std::string::npos) << found.failure.Text();
    EXPECT_TRUE(found.rows.Empty());

    // A table gone: the reason is the database's.
    Database().Execute("drop table assist_scheduleinfo");
    const find::FoundRows partial = Search("anna");
    EXPECT_FALSE(partial.failure.Empty());
    EXPECT_NE(partial.failure.Text().find("assist_scheduleinfo"), std::string::npos)
        << partial.failure.Text();
}

CALVENDRA_FOR_EACH_BACKEND(FindMatching);
INSTANTIATE_TEST_SUITE_P(Indexed, FindMatching, ::testing::ValuesIn(testing::AllBackends()),
                         testing::BackendParamName);

}  // namespace
}  // namespace calvendra
