// Searches overtaken by newer ones as the user types, on both databases: many in a row, each
// cancelled before it began, while its statement ran or while its rows were fetched, on the
// reading thread the window uses. None may crash or corrupt anything (the sanitizer build runs
// this too), every search that was not overtaken finds exactly what a search of its own finds, the
// latest one wins, and the connection serves on. Also: the first screenful handed over early is
// the beginning of the whole result, and a table read a stretch at a time gives its rows in the
// order of their ids.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "find/search_reading.h"
#include "find/text_folding.h"
#include "store/db_result_set.h"
#include "store/reading_thread.h"
#include "store/statement_cancellation.h"
#include "tests/find/found_ids.h"
#include "tests/support/connected_database_test.h"
#include "tests/support/task_inbox.h"
#include "tests/support/wait_for.h"

namespace calvendra {
namespace {

using testing::Backend;
using testing::Ids;
using testing::kWeekdays;

constexpr int kRowsOfEach = 6000;

// Contacts and schedules that many searches find, in the groups the schema makes.
std::string ManyRows() {
    const std::string numbers =
        "with recursive n(i) as (select 1 union all select i + 1 from n "
        "where i < " +
        std::to_string(kRowsOfEach) + ") ";
    return numbers +
           "insert into assist_contactmaininfo(contact_id,group_id,first_name,last_name,others) "
           "select cast(1000000100 + i as text), '1000000001', 'Anna', "
           "'Berg ' || cast(i as text), 'figures of the fair' from n;" +
           numbers +
           "insert into assist_scheduleinfo select cast(2000000100 + i as text), '2000000001', "
           "'Meeting ' || cast(i as text), 'Bring the figures', 0, 3, '', '', '', 0 from n;";
}

Ids IdsOf(const ListedRows& rows) {
    Ids ids;
    for (std::size_t row = 0; row < rows.Size(); ++row) {
        ids.push_back(rows.Id(row));
    }
    return ids;
}

// Generous: the searches end within moments; this bound is only for one that never does.
constexpr std::chrono::seconds kBound{120};

bool WaitFor(const std::function<bool()>& condition) {
    return testing::WaitFor(condition, kBound);
}

class FindOvertaking : public testing::ConnectedDatabaseTest {
protected:
    void SetUp() override {
        ConnectedDatabaseTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        Database().Execute(ManyRows());
    }

    // What a search that nothing overtakes finds.
    find::FoundRows Whole(const std::string& typed) {
        find::FoundRows found =
            find::ReadFoundRows(connection_, find::SearchWords(typed), kWeekdays);
        EXPECT_TRUE(found.failure.Empty()) << typed << ": " << found.failure.Text();
        return found;
    }
};

// How a search is overtaken.
enum class Overtaken { kAtOnce, kOnceBegun, kWhileRowsCome };

TEST_P(FindOvertaking, ManySearchesOvertakenAtAnyMomentLeaveTheLatestWhole) {
    const std::vector<std::string> typed = {"figures", "anna", "zz", "berg 1",
                                            "meeting", "a",    "fig"};
    std::map<std::string, Ids> expected;
    for (const std::string& text : typed) {
        expected[text] = IdsOf(Whole(text).rows);
    }
    ASSERT_EQ(expected["figures"].size(), 2u * kRowsOfEach);
    ASSERT_TRUE(expected["zz"].empty());

    testing::TaskInbox window;
    ReadingThread reader([this] { return connection_.MakeAnother(RowReading::kStreamed); },
                         [&window](std::function<void()> task) { window.Post(std::move(task)); });

    struct Outcome {
        bool done = false;
        find::FoundRows found;
    };
    constexpr int kSearches = 60;
    std::vector<Outcome> outcomes(kSearches);
    std::shared_ptr<StatementCancellation> running;
    for (int search = 0; search < kSearches; ++search) {
        const std::string& text = typed[static_cast<std::size_t>(search) % typed.size()];
        if (running) {
            running->Cancel();
        }
        running = std::make_shared<StatementCancellation>();
        auto begun = std::make_shared<std::atomic<bool>>(false);
        auto handedOver = std::make_shared<std::atomic<bool>>(false);
        reader.Read<find::FoundRows>(
            [words = find::SearchWords(text), cancellation = running, begun,
             handedOver](CDBConnection& connection) {
                *begun = true;
                return find::ReadFoundRows(connection, words, kWeekdays, *cancellation,
                                           [&](const ListedRows&) { *handedOver = true; });
            },
            [&outcomes, search](find::FoundRows found) {
                outcomes[static_cast<std::size_t>(search)] = {true, std::move(found)};
            });
        if (search + 1 == kSearches) {
            break;  // the latest runs to its end
        }
        const auto overtaken = static_cast<Overtaken>(search % 3);
        if (overtaken == Overtaken::kOnceBegun) {
            ASSERT_TRUE(WaitFor([&] { return begun->load(); }));
        } else if (overtaken == Overtaken::kWhileRowsCome && expected[text].size() >= 2000) {
            // Rows are being fetched: the first screenful is out, thousands more to come.
            ASSERT_TRUE(WaitFor([&] { return handedOver->load() || outcomes[search].done; }));
        }
        // What came back so far is taken, as the window thread would between two keys.
        while (!window.Empty()) {
            window.RunNext();
        }
    }
    ASSERT_TRUE(WaitFor([&] {
        while (!window.Empty()) {
            window.RunNext();
        }
        return outcomes.back().done;
    })) << "the latest search never came back";

    int superseded = 0;
    for (int search = 0; search < kSearches; ++search) {
        const Outcome& outcome = outcomes[static_cast<std::size_t>(search)];
        const std::string& text = typed[static_cast<std::size_t>(search) % typed.size()];
        SCOPED_TRACE("search " + std::to_string(search) + ", \"" + text + "\"");
        if (!outcome.done) {
            continue;  // dropped by the reader, which is as good as given up
        }
        EXPECT_TRUE(outcome.found.failure.Empty()) << outcome.found.failure.Text();
        if (outcome.found.superseded) {
            ++superseded;
            continue;
        }
        EXPECT_EQ(IdsOf(outcome.found.rows), expected[text]);
    }
    const find::FoundRows& latest = outcomes.back().found;
    EXPECT_FALSE(latest.superseded);
    EXPECT_EQ(IdsOf(latest.rows), expected[typed[(kSearches - 1) % typed.size()]]);
    // Searches overtaken while their rows came gave up rather than ran on.
    EXPECT_GT(superseded, 0);

    // Both connections serve on: the reader's with another search, the test's own as well.
    std::atomic<bool> served{false};
    find::FoundRows again;
    reader.Read<find::FoundRows>(
        [](CDBConnection& connection) {
            return find::ReadFoundRows(connection, find::SearchWords("anna"), kWeekdays);
        },
        [&](find::FoundRows found) {
            again = std::move(found);
            served = true;
        });
    ASSERT_TRUE(WaitFor([&] {
        while (!window.Empty()) {
            window.RunNext();
        }
        return served.load();
    }));
    EXPECT_EQ(IdsOf(again.rows), expected["anna"]);
    EXPECT_EQ(IdsOf(Whole("figures").rows), expected["figures"]);
}

TEST_P(FindOvertaking, TheFirstScreenfulComesEarlyAndBeginsTheWholeResult) {
    for (const std::string typed : {"anna", "figures", "berg 12"}) {
        SCOPED_TRACE(typed);
        const find::FoundRows whole = Whole(typed);
        std::vector<Ids> handed;
        StatementCancellation untouched;
        const find::FoundRows found =
            find::ReadFoundRows(connection_, find::SearchWords(typed), kWeekdays, untouched,
                                [&](const ListedRows& first) { handed.push_back(IdsOf(first)); });
        ASSERT_TRUE(found.failure.Empty()) << found.failure.Text();
        EXPECT_EQ(IdsOf(found.rows), IdsOf(whole.rows));
        if (whole.rows.Size() < find::kFirstScreenful) {
            EXPECT_TRUE(handed.empty());
            continue;
        }
        ASSERT_EQ(handed.size(), 1u);
        const Ids all = IdsOf(whole.rows);
        EXPECT_EQ(
            handed.front(),
            Ids(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(find::kFirstScreenful)));
    }
}

TEST_P(FindOvertaking, ATableReadAStretchAtATimeGivesItsRowsInTheOrderOfTheirIds) {
    if (GetParam() != Backend::kSqlite) {
        GTEST_SKIP() << "only SQLite's tables are read in stretches of rowids";
    }
    // Rowids far from the others and from each other, with ids that sort before theirs: the
    // table is read in many stretches, the last rows first by id.
    Database().Execute(
        "insert into assist_contactmaininfo(rowid,contact_id,group_id,first_name) values"
        " (9000000000000000000,'1000000001','1000000001','Anna Far'),"
        " (-9000000000000000000,'1000000099','1000000001','Anna Farther'),"
        " (50000,'1000000050','1000000001','Anna Near');");
    // Read every row in even stretches, then, with the search index, in growing ones.
    for (const bool indexed : {false, true}) {
        SCOPED_TRACE(indexed ? "search index" : "no search index");
        if (indexed) {
            Database().AddSearchIndex();
        }
        const Ids found = IdsOf(Whole("anna").rows);
        ASSERT_EQ(found.size(), kRowsOfEach + 3u);
        EXPECT_TRUE(std::is_sorted(found.begin(), found.end()));
        EXPECT_EQ(found.front(), 1000000001);
        EXPECT_EQ(found[1], 1000000050);
        EXPECT_EQ(found[2], 1000000099);
        EXPECT_EQ(IdsOf(Whole("fair").rows).size(), kRowsOfEach + 0u);
    }
}

CALVENDRA_FOR_EACH_BACKEND(FindOvertaking);

}  // namespace
}  // namespace calvendra
