// What the editors' records store when another user changed the same rows meanwhile, on both
// databases with two connections playing the two users: saves written only over the version the
// editor read (a schedule's attendant links included), nothing written for a row deleted
// meanwhile, new items filed only in stored groups, a new schedule's links going with it to the
// id it is stored under, and the pickers offering every item.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "editors/attendant_choice.h"
#include "editors/contact_record.h"
#include "editors/picker_rows.h"
#include "editors/schedule_record.h"
#include "store/db_connection.h"
#include "tests/editors/editor_test_data.h"
#include "tests/support/connected_database_test.h"

namespace calvendra {
namespace {

using testing::kLinkedSchedule;
using Strings = std::vector<std::string>;
using Ids = std::vector<Identifier>;

constexpr Identifier kAnna = 1000000011;
constexpr Identifier kKim = 1000000012;
constexpr Identifier kSolo = 1000000013;
constexpr Identifier kDentist = 2000000005;

class ConcurrentChangeRecords : public testing::TwoUsersDatabaseTest {
protected:
    const char* StartingRows() const override { return testing::kEditorRows; }

    StoredContact Load(CDBConnection& connection, Identifier contactId) {
        std::optional<StoredContact> contact = LoadContact(connection, contactId);
        EXPECT_TRUE(contact) << contactId;
        return contact.value_or(StoredContact());
    }

    StoredSchedule LoadS(CDBConnection& connection, Identifier scheduleId) {
        std::optional<StoredSchedule> schedule = LoadSchedule(connection, scheduleId);
        EXPECT_TRUE(schedule) << scheduleId;
        return schedule.value_or(StoredSchedule());
    }

    // What the other user stores over what they read.
    void OtherSaves(Identifier contactId, std::size_t field, const std::string& value) {
        const StoredContact read = Load(other_, contactId);
        StoredContact edited = read;
        edited.values[field] = value;
        ASSERT_EQ(SaveEditedContact(other_, contactId, read, edited).result, SaveResult::kSaved);
    }

    std::string Stored(const std::string& column, Identifier contactId) {
        return Database().QueryValue("select " + column +
                                     " from assist_contactmaininfo where contact_id='" +
                                     std::to_string(contactId) + "'");
    }

    Strings Links(Identifier scheduleId) {
        return Database().QueryColumn(
            "select contact_id from schedule_contact where schedule_id='" +
            std::to_string(scheduleId) + "' order by contact_id");
    }
};

TEST_P(ConcurrentChangeRecords, AContactIsSavedOnlyOverTheVersionItsEditorRead) {
    const StoredContact mineRead = Load(connection_, kAnna);
    StoredContact mine = mineRead;
    mine.values[ContactField::kHomeCity] = "Bergen";

    OtherSaves(kAnna, ContactField::kHomePhone, "555-0199");
    EXPECT_EQ(SaveEditedContact(connection_, kAnna, mineRead, mine).result,
              SaveResult::kChangedMeanwhile);
    // Nothing of mine was written over theirs.
    EXPECT_EQ(Stored("home_phone", kAnna), "555-0199");
    EXPECT_EQ(Stored("home_city", kAnna), "");

    const StoredContact now = Load(connection_, kAnna);
    EXPECT_EQ(ContactDifferences(mineRead, now), (Strings{"Phone"}));
    EXPECT_EQ(ContactDifferences(mineRead, mine), (Strings{"City"}));

    // Kept, over the version just read: exactly mine, their phone gone as the user chose.
    const SaveOutcome kept = SaveEditedContact(connection_, kAnna, now, mine);
    ASSERT_EQ(kept.result, SaveResult::kSaved) << kept.failure.Text();
    EXPECT_EQ(kept.filing.groupId, 1000000002);
    EXPECT_FALSE(kept.filing.chosenGroupMissing);
    EXPECT_EQ(Stored("home_phone", kAnna), "");
    EXPECT_EQ(Stored("home_city", kAnna), "Bergen");

    // Another program moves the contact to another group: that counts too, and is named.
    const StoredContact afterKeep = Load(connection_, kAnna);
    ASSERT_TRUE(other_.ExecuteStatement(statements::MoveContactToGroup(1000000003, kAnna)));
    mine.values[ContactField::kOthers] = "met at the fair";
    EXPECT_EQ(SaveEditedContact(connection_, kAnna, afterKeep, mine).result,
              SaveResult::kChangedMeanwhile);
    EXPECT_EQ(ContactDifferences(afterKeep, Load(connection_, kAnna)), (Strings{"Group"}));
    EXPECT_EQ(ContactDifferences(afterKeep, mine), (Strings{"Others"}));
    EXPECT_EQ(Stored("others", kAnna), "");
}

TEST_P(ConcurrentChangeRecords, AScheduleCountsItsAttendantLinksAsPartOfItself) {
    const StoredSchedule mineRead = LoadS(connection_, kDentist);
    EXPECT_EQ(mineRead.attendantLinks, (Ids{kKim}));

    // The other user only changes who attends.
    const StoredSchedule theirsRead = LoadS(other_, kDentist);
    ASSERT_EQ(SaveEditedSchedule(other_, theirsRead, theirsRead.groupId, theirsRead.values,
                                 Ids{kKim, kSolo})
                  .result,
              SaveResult::kSaved);
    EXPECT_EQ(Links(kDentist), (Strings{"1000000012", "1000000013"}));

    ScheduleValues mine = mineRead.values;
    mine.subject = "Dentist at nine";
    EXPECT_EQ(
        SaveEditedSchedule(connection_, mineRead, mineRead.groupId, mine, std::nullopt).result,
        SaveResult::kChangedMeanwhile);
    EXPECT_EQ(
        Database().QueryValue(
            "select schedule_subject from assist_scheduleinfo where schedule_id='2000000005'"),
        "Dentist");
    const StoredSchedule now = LoadS(connection_, kDentist);
    EXPECT_EQ(ScheduleDifferences(mineRead, now), (Strings{"Attendants"}));

    // Saved over the version just read without touching the links: theirs stay.
    ASSERT_EQ(SaveEditedSchedule(connection_, now, now.groupId, mine, std::nullopt).result,
              SaveResult::kSaved);
    EXPECT_EQ(Links(kDentist), (Strings{"1000000012", "1000000013"}));

    // Any other change of theirs is named, and the links become mine when I give them.
    ASSERT_TRUE(other_.ExecuteStatement(
        "update assist_scheduleinfo set remind_time='15:00:00',emailremind=1 "
        "where schedule_id='2000000005'"));
    const StoredSchedule later = LoadS(connection_, kDentist);
    StoredSchedule minePlusSubject = now;
    minePlusSubject.values = mine;
    EXPECT_EQ(ScheduleDifferences(minePlusSubject, later),
              (Strings{"Reminder", "Email to remind attendant"}));
    ASSERT_EQ(
        SaveEditedSchedule(connection_, later, later.groupId, later.values, Ids{kAnna}).result,
        SaveResult::kSaved);
    EXPECT_EQ(Links(kDentist), (Strings{"1000000011"}));
}

TEST_P(ConcurrentChangeRecords, NothingIsWrittenForARowDeletedMeanwhile) {
    const StoredContact anna = Load(connection_, kAnna);
    const StoredSchedule dentist = LoadS(connection_, kDentist);
    ASSERT_TRUE(other_.ExecuteStatement(statements::DeleteContact(kAnna)));
    ASSERT_TRUE(other_.ExecuteStatement(statements::DeleteSchedule(kDentist)));
    ASSERT_TRUE(other_.ExecuteStatement(statements::DeleteAttendantLinks(kDentist)));

    StoredContact edited = anna;
    edited.values[ContactField::kHomePhone] = "555-0100";
    EXPECT_EQ(SaveEditedContact(connection_, kAnna, anna, edited).result,
              SaveResult::kDeletedMeanwhile);
    EXPECT_EQ(SaveEditedSchedule(connection_, dentist, dentist.groupId, dentist.values, Ids{kSolo})
                  .result,
              SaveResult::kDeletedMeanwhile);
    EXPECT_EQ(Database().QueryValue("select count(*) from assist_contactmaininfo "
                                    "where contact_id='1000000011'"),
              "0");
    EXPECT_EQ(Database().QueryValue("select count(*) from assist_scheduleinfo "
                                    "where schedule_id='2000000005'"),
              "0");
    EXPECT_TRUE(Links(kDentist).empty());
}

TEST_P(ConcurrentChangeRecords, ItemsFiledInAGroupDeletedMeanwhileGoToTheBaseGroup) {
    // Another organizer deletes Family and Home, moving their items as it does.
    ASSERT_TRUE(other_.ExecuteStatement(statements::DeleteGroup(1000000002)));
    ASSERT_TRUE(other_.ExecuteStatement(statements::MoveContactsOfGroupToBase(1000000002)));
    ASSERT_TRUE(other_.ExecuteStatement(statements::DeleteGroup(2000000003)));
    ASSERT_TRUE(other_.ExecuteStatement(statements::MoveSchedulesOfGroupToBase(2000000003)));

    ContactValues lena = NewContactValues();
    lena[ContactField::kFirstName] = "Lena";
    const NewItemOutcome contact = StoreNewContact(connection_, 1000000100, 1000000002, lena);
    ASSERT_TRUE(contact.Stored()) << contact.failure.Text();
    EXPECT_EQ(contact.filing.groupId, 1000000001);
    EXPECT_TRUE(contact.filing.chosenGroupMissing);
    EXPECT_EQ(Stored("group_id", contact.id), "1000000001");

    ScheduleValues review;
    review.subject = "Review";
    const NewItemOutcome schedule =
        StoreNewSchedule(connection_, 2999999991, 2000000003, review, {kSolo});
    ASSERT_TRUE(schedule.Stored()) << schedule.failure.Text();
    EXPECT_TRUE(schedule.filing.chosenGroupMissing);
    EXPECT_EQ(Database().QueryValue(
                  "select group_id from assist_scheduleinfo where schedule_id='2999999991'"),
              "2000000001");

    // An edit that files Kim in the deleted group: the base group instead.
    const StoredContact kim = Load(connection_, kKim);
    StoredContact moved = kim;
    moved.groupId = 1000000002;
    const SaveOutcome saved = SaveEditedContact(connection_, kKim, kim, moved);
    ASSERT_EQ(saved.result, SaveResult::kSaved);
    EXPECT_TRUE(saved.filing.chosenGroupMissing);
    EXPECT_EQ(Stored("group_id", kKim), "1000000001");

    // The group editor's own group, which is stored after its items, is taken as it is.
    const NewItemOutcome pending =
        StoreNewContact(connection_, 1000000101, 1000000077, lena, 1000000077);
    ASSERT_TRUE(pending.Stored());
    EXPECT_FALSE(pending.filing.chosenGroupMissing);
    EXPECT_EQ(Stored("group_id", pending.id), "1000000077");
}

// Two users open "New Schedule" and are proposed the same id: the first stores it with an
// attendant; the second, whose settings never read the links of a proposed id, stores under the
// next id with its own attendant, and the first schedule's links stay as they are.
TEST_P(ConcurrentChangeRecords, ANewSchedulesLinksGoWithItToItsIdAndTouchNoOthers) {
    ScheduleValues first;
    first.subject = "Theirs";
    const NewItemOutcome theirs = StoreNewSchedule(other_, 2999999991, 2000000002, first, {kAnna});
    ASSERT_EQ(theirs.id, 2999999991);

    const AttendantChoice offered = LoadAttendantChoice(connection_, 2999999991, AttendantSet());
    for (const AttendantCandidate& candidate : offered.listed) {
        EXPECT_FALSE(candidate.ticked) << candidate.name;
    }
    ScheduleValues second;
    second.subject = "Mine";
    const NewItemOutcome mine =
        StoreNewSchedule(connection_, 2999999991, 2000000002, second, {kSolo});
    ASSERT_TRUE(mine.Stored()) << mine.failure.Text();
    EXPECT_EQ(mine.id, 2999999992);
    EXPECT_EQ(Links(2999999991), (Strings{"1000000011"}));
    EXPECT_EQ(Links(2999999992), (Strings{"1000000013"}));
}

// Another program deletes a group's row and leaves its items: the pickers and the reminder
// settings still offer them, under the base group's name.
TEST_P(ConcurrentChangeRecords, ThePickersOfferItemsWhoseGroupAnotherProgramDeleted) {
    ASSERT_TRUE(other_.ExecuteStatement(statements::DeleteGroup(1000000003)));
    ASSERT_TRUE(other_.ExecuteStatement(statements::DeleteGroup(2000000002)));

    Strings contacts;
    for (const PickerRow& row : LoadPickerRows(connection_, kContactKind)) {
        contacts.push_back(row.texts[0] + " in " + row.texts[2]);
    }
    EXPECT_EQ(contacts, (Strings{"Hidden Person in All Contacts", "Solo in All Contacts",
                                 "Kim O'Neil in All Contacts", "Anna Berg in Family"}));
    Strings schedules;
    for (const PickerRow& row : LoadPickerRows(connection_, kScheduleKind)) {
        schedules.push_back(row.texts[0] + " in " + row.texts[2]);
    }
    EXPECT_EQ(schedules,
              (Strings{"Standup in All Schedules", "Orphan in All Schedules", "Dentist in Home"}));

    Strings attendants;
    for (const AttendantCandidate& candidate :
         LoadAttendantChoice(connection_, kLinkedSchedule, std::nullopt).listed) {
        attendants.push_back(candidate.name + " in " + candidate.group +
                             (candidate.ticked ? ", ticked" : ""));
    }
    EXPECT_EQ(attendants,
              (Strings{"Anna Berg in Family, ticked", "Kim O'Neil in All Contacts",
                       "Solo in All Contacts", "Hidden Person in All Contacts, ticked"}));
}

CALVENDRA_FOR_EACH_BACKEND(ConcurrentChangeRecords);

}  // namespace
}  // namespace calvendra
