#include "exchange/import_plan.h"

#include <glib.h>

#include "editors/contact_record.h"
#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/reminder_encoding.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra::exchange {

namespace {

std::string Lower(const std::string& text) {
    std::string lower = text;
    for (char& c : lower) {
        c = g_ascii_tolower(c);
    }
    return lower;
}

std::string Plural(long count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string ContactName(const statements::ContactFields& fields) {
    std::string name = fields[ContactField::kFirstName];
    if (!fields[ContactField::kLastName].empty()) {
        name += (name.empty() ? "" : " ") + fields[ContactField::kLastName];
    }
    return "\"" + name + "\"";
}

// Finds the groups of paths, stored or planned, and plans those that are missing.
class GroupResolver {
public:
    GroupResolver(const StoredGroups& stored, bool contacts, std::vector<PlannedGroup>& planned)
        : stored_(stored), contacts_(contacts), planned_(planned) {}

    GroupRef Resolve(const std::string& path) {
        GroupRef at{stored_.BaseGroupId(), -1};
        std::string walked;
        for (const std::string& name : SplitGroupPath(path)) {
            walked += (walked.empty() ? "" : std::string(1, kPathSeparator)) + name;
            std::optional<Identifier> child;
            if (at.planned < 0) {
                child = stored_.ChildNamed(at.stored, name);
            }
            if (child) {
                at = {*child, -1};
                continue;
            }
            const auto known = plannedByPath_.find(walked);
            if (known != plannedByPath_.end()) {
                at = {0, known->second};
                continue;
            }
            planned_.push_back({contacts_, at, name, walked});
            const int index = static_cast<int>(planned_.size()) - 1;
            plannedByPath_[walked] = index;
            at = {0, index};
        }
        return at;
    }

private:
    const StoredGroups& stored_;
    bool contacts_;
    std::vector<PlannedGroup>& planned_;
    std::map<std::string, int> plannedByPath_;
};

// Creates the groups of every category, and files the item in the first; the other names join
// the item's text, so that an item filed in one group still says the others.
GroupRef FileInCategories(GroupResolver& groups, const std::vector<std::string>& categories,
                          std::string& text) {
    GroupRef group = groups.Resolve(categories.empty() ? std::string() : categories.front());
    std::string others;
    for (std::size_t i = 1; i < categories.size(); ++i) {
        groups.Resolve(categories[i]);
        others += (others.empty() ? "" : ", ") + categories[i];
    }
    if (!others.empty()) {
        text += (text.empty() ? "" : "\n") + ("Categories: " + others);
    }
    return group;
}

// A new contact for an attendant: the name split at its last blank, the address as home e-mail.
statements::ContactFields AttendantContact(const Attendee& attendee) {
    statements::ContactFields fields = NewContactValues();
    const std::string name =
        attendee.name.empty() ? attendee.email.substr(0, attendee.email.find('@')) : attendee.name;
    const auto blank = name.find_last_of(' ');
    if (blank == std::string::npos || attendee.name.empty()) {
        fields[ContactField::kFirstName] = name;
    } else {
        fields[ContactField::kFirstName] = name.substr(0, blank);
        fields[ContactField::kLastName] = name.substr(blank + 1);
    }
    fields[ContactField::kHomeEmail] = attendee.email;
    return fields;
}

}  // namespace

std::string ContactKey(const statements::ContactFields& fields) {
    return fields[ContactField::kFirstName] + '\x1f' + fields[ContactField::kLastName] + '\x1f' +
           Lower(fields[ContactField::kHomeEmail]) + '\x1f' +
           Lower(fields[ContactField::kBusinessEmail]);
}

std::string ScheduleKey(const statements::ScheduleFields& fields) {
    // The reminder as it fires, whatever the stored forms of its values; a date that cannot be
    // read counts as the same day for both.
    const ReminderTiming timing = TimingOfFields(fields, false, CivilDate{2000, 1, 1});
    std::string key = fields.subject + '\x1f';
    if (!timing.hasStart) {
        return key + "-";
    }
    key += std::to_string(timing.kind) + ' ' + std::to_string(timing.time.hour) + ':' +
           std::to_string(timing.time.minute) + ':' + std::to_string(timing.time.second) + ' ' +
           (timing.reminds ? "on" : "off");
    if (timing.kind == 1) {
        key += ' ' + FormatReminderDate(timing.date.year, timing.date.month, timing.date.day);
    } else if (timing.kind == 2) {
        key += ' ' + std::to_string(timing.Weekday());
    }
    return key;
}

std::optional<StoredData> ReadStoredData(CDBConnection& connection, OdbcDiagnostic& failure) {
    StoredData data;
    std::optional<StoredGroups> contactGroups = StoredGroups::Read(connection, true, failure);
    if (!contactGroups) {
        return std::nullopt;
    }
    std::optional<StoredGroups> scheduleGroups = StoredGroups::Read(connection, false, failure);
    if (!scheduleGroups) {
        return std::nullopt;
    }
    data.contactGroups = std::move(*contactGroups);
    data.scheduleGroups = std::move(*scheduleGroups);
    {
        using Column = catalogue::ContactMatchColumns;
        CDBResultSet results(connection);
        std::map<std::string, Identifier> businessEmails;
        for (const ResultRow& row : QueryRows(results, statements::SelectContactsForMatching())) {
            const Identifier id = row.Id(Column::kContactId);
            statements::ContactFields fields;
            fields[ContactField::kFirstName] = row.Text(Column::kFirstName);
            fields[ContactField::kLastName] = row.Text(Column::kLastName);
            fields[ContactField::kHomeEmail] = row.Text(Column::kHomeEmail);
            fields[ContactField::kBusinessEmail] = row.Text(Column::kBusinessEmail);
            data.contactKeys.insert(ContactKey(fields));
            if (!fields[ContactField::kHomeEmail].empty()) {
                data.contactsByEmail.emplace(Lower(fields[ContactField::kHomeEmail]), id);
            }
            if (!fields[ContactField::kBusinessEmail].empty()) {
                businessEmails.emplace(Lower(fields[ContactField::kBusinessEmail]), id);
            }
        }
        if (!results.LastError().Empty()) {
            failure = results.LastError();
            return std::nullopt;
        }
        data.contactsByEmail.insert(businessEmails.begin(), businessEmails.end());
    }
    using Column = catalogue::ScheduleColumns;
    CDBResultSet results(connection);
    for (const ResultRow& row : QueryRows(results, statements::SelectSchedulesForScan())) {
        statements::ScheduleFields fields;
        fields.subject = row.Text(Column::kSubject);
        fields.remind = row.Int(Column::kRemind);
        fields.remindType = row.Int(Column::kRemindType);
        fields.remindWeek = row.Int(Column::kRemindWeek);
        fields.remindDate = row.Text(Column::kRemindDate);
        fields.remindTime = row.Text(Column::kRemindTime);
        data.scheduleKeys.insert(ScheduleKey(fields));
    }
    if (!results.LastError().Empty()) {
        failure = results.LastError();
        return std::nullopt;
    }
    return data;
}

int ImportPlan::AttendantContacts() const {
    int count = 0;
    for (const PlannedContact& contact : contacts) {
        count += contact.forAttendant ? 1 : 0;
    }
    return count;
}

ImportPlan PlanImport(const FileContents& contents, const StoredData& stored,
                      bool includeDuplicates) {
    ImportPlan plan;
    plan.includesDuplicates = includeDuplicates;
    plan.contactsRead = static_cast<int>(contents.contacts.size());
    plan.schedulesRead = static_cast<int>(contents.schedules.size());
    plan.notes = contents.notes;
    GroupResolver contactGroups(stored.contactGroups, true, plan.groups);
    GroupResolver scheduleGroups(stored.scheduleGroups, false, plan.groups);

    std::set<std::string> contactKeys = stored.contactKeys;
    std::map<std::string, ContactRef> byEmail;
    for (const auto& [email, id] : stored.contactsByEmail) {
        byEmail[email] = {id, -1};
    }
    auto learnAddresses = [&byEmail](const statements::ContactFields& fields, int index) {
        for (auto field : {ContactField::kHomeEmail, ContactField::kBusinessEmail}) {
            if (!fields[field].empty()) {
                byEmail.emplace(Lower(fields[field]), ContactRef{0, index});
            }
        }
    };

    for (const ContactItem& item : contents.contacts) {
        if (!contactKeys.insert(ContactKey(item.fields)).second) {
            ++plan.duplicateContacts;
            plan.duplicates.push_back(
                {item.place, "the contact " + ContactName(item.fields) +
                                 " is already there (same names and e-mail)"});
            if (!includeDuplicates) {
                continue;
            }
        }
        PlannedContact contact{item.fields, {}, false};
        contact.group =
            FileInCategories(contactGroups, item.categories, contact.fields[ContactField::kOthers]);
        plan.contacts.push_back(std::move(contact));
        learnAddresses(plan.contacts.back().fields, static_cast<int>(plan.contacts.size()) - 1);
    }

    std::set<std::string> scheduleKeys = stored.scheduleKeys;
    for (const ScheduleItem& item : contents.schedules) {
        const std::string subject = "\"" + item.fields.subject + "\"";
        if (!scheduleKeys.insert(ScheduleKey(item.fields)).second) {
            ++plan.duplicateSchedules;
            plan.duplicates.push_back(
                {item.place,
                 "the schedule " + subject + " is already there (same subject and reminder)"});
            if (!includeDuplicates) {
                continue;
            }
        }
        for (const std::string& approximation : item.approximations) {
            plan.notes.push_back({item.place, subject + ": " + approximation});
        }
        PlannedSchedule schedule{item.fields, {}, {}};
        schedule.group = FileInCategories(scheduleGroups, item.categories, schedule.fields.text);
        for (const Attendee& attendee : item.attendees) {
            auto known = byEmail.find(Lower(attendee.email));
            if (known == byEmail.end()) {
                PlannedContact contact{AttendantContact(attendee),
                                       contactGroups.Resolve(kImportedAttendantsGroup), true};
                plan.contacts.push_back(std::move(contact));
                const int index = static_cast<int>(plan.contacts.size()) - 1;
                learnAddresses(plan.contacts.back().fields, index);
                known = byEmail.find(Lower(attendee.email));
            }
            schedule.attendants.push_back(known->second);
        }
        plan.schedules.push_back(std::move(schedule));
    }
    return plan;
}

std::vector<std::string> SummaryLines(const ImportPlan& plan) {
    std::vector<std::string> lines;
    const int attendants = plan.AttendantContacts();
    const int contacts = plan.ContactsToStore() - attendants;
    std::vector<std::string> kinds;
    if (contacts > 0) {
        kinds.push_back(Plural(contacts, "contact", "contacts"));
    }
    if (plan.SchedulesToStore() > 0) {
        kinds.push_back(Plural(plan.SchedulesToStore(), "schedule", "schedules"));
    }
    if (kinds.empty()) {
        lines.push_back("Nothing new will come in.");
    } else {
        std::string counts =
            kinds.front() + (kinds.size() > 1 ? " and " + kinds.back() : "") + " will come in";
        if (attendants > 0) {
            counts += ", with " + Plural(attendants, "new contact", "new contacts") +
                      " for attendants not found among the contacts";
        }
        lines.push_back(counts + ".");
    }
    if (!plan.groups.empty()) {
        std::string contactGroups, scheduleGroups;
        for (const PlannedGroup& group : plan.groups) {
            std::string& list = group.contacts ? contactGroups : scheduleGroups;
            list += (list.empty() ? "" : ", ") + ("\"" + group.path + "\"");
        }
        if (!contactGroups.empty()) {
            lines.push_back("Contact groups to create: " + contactGroups + ".");
        }
        if (!scheduleGroups.empty()) {
            lines.push_back("Schedule groups to create: " + scheduleGroups + ".");
        }
    }
    if (!plan.duplicates.empty()) {
        std::string found =
            "Duplicates found: " + Plural(plan.duplicateContacts, "contact", "contacts") + " and " +
            Plural(plan.duplicateSchedules, "schedule", "schedules") +
            (plan.includesDuplicates ? ", imported anyway:" : ", skipped:");
        lines.push_back(found);
        for (const FileMessage& duplicate : plan.duplicates) {
            lines.push_back("  " + Describe(duplicate));
        }
    }
    if (!plan.notes.empty()) {
        lines.push_back("Approximated or not imported:");
        for (const FileMessage& note : plan.notes) {
            lines.push_back("  " + Describe(note));
        }
    }
    return lines;
}

}  // namespace calvendra::exchange
