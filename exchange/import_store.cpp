#include "exchange/import_store.h"

#include <algorithm>
#include <optional>

#include "platform/translatable.h"
#include "store/db_transaction.h"
#include "store/new_identifier.h"
#include "store/repeat_table.h"
#include "store/statements.h"

namespace calvendra::exchange {

namespace {

// Hands out the ids of one kind, from above the highest stored one.
class IdSupply {
public:
    IdSupply(IdKind kind, Identifier highest) : kind_(kind), last_(highest) {}

    // The id the next call hands out; empty when the range is used up.
    std::optional<Identifier> Peek() const { return IdAfter(kind_, last_); }

    std::optional<Identifier> Next() {
        const std::optional<Identifier> next = IdAfter(kind_, last_);
        if (next) {
            last_ = *next;
        }
        return next;
    }

private:
    IdKind kind_;
    Identifier last_;
};

class ImportRun {
public:
    ImportRun(CDBConnection& connection, const ImportPlan& plan, const Progress& progress,
              bool repeatTable)
        : connection_(connection), plan_(plan), progress_(progress), repeatTable_(repeatTable) {}

    // Runs the whole change once; the outcome says whether it was kept.
    ImportOutcome Run() {
        ImportOutcome outcome;
        CDBTransaction transaction(connection_);
        if (!transaction.IsOpen()) {
            outcome.failure = transaction.LastError();
            return outcome;
        }
        if (!Prepare(outcome) || !StoreGroups(outcome) || !StoreContacts(outcome) ||
            !StoreSchedules(outcome)) {
            // The transaction takes everything back.
            outcome.groups = outcome.contacts = outcome.schedules = 0;
            return outcome;
        }
        if (!transaction.Commit()) {
            outcome.failure = transaction.LastError();
            outcome.groups = outcome.contacts = outcome.schedules = 0;
            return outcome;
        }
        outcome.stored = true;
        return outcome;
    }

private:
    bool Prepare(ImportOutcome& outcome) {
        total_ = plan_.groups.size() + plan_.contacts.size() + plan_.schedules.size();
        for (IdKind kind :
             {IdKind::kContactGroup, IdKind::kScheduleGroup, IdKind::kContact, IdKind::kSchedule}) {
            const std::optional<Identifier> highest =
                ReadHighestStoredId(connection_, kind, outcome.failure);
            if (!highest) {
                return false;
            }
            supplies_.emplace_back(kind, *highest);
        }
        return true;
    }

    std::optional<Identifier> NextId(IdKind kind, ImportOutcome& outcome) {
        std::optional<Identifier> id = supplies_[static_cast<std::size_t>(kind)].Next();
        if (!id) {
            outcome.failure = {std::string(), 0, RangeUsedUpText(kind)};
        }
        return id;
    }

    // One statement of the change; false, with why, when it failed or the work is to stop.
    bool Execute(const std::string& statement, ImportOutcome& outcome) {
        if (!connection_.ExecuteStatement(statement)) {
            outcome.failure = connection_.LastError();
            return false;
        }
        return true;
    }

    bool Step(ImportOutcome& outcome) {
        if (progress_.Cancelled()) {
            outcome.cancelled = true;
            return false;
        }
        ++done_;
        if (done_ % 64 == 0 || done_ == total_) {
            progress_.Report(TRANSLATABLE("Storing groups, contacts and schedules"), done_, total_);
        }
        return true;
    }

    Identifier GroupId(const GroupRef& group) const {
        return group.planned >= 0 ? groupIds_[static_cast<std::size_t>(group.planned)]
                                  : group.stored;
    }

    bool StoreGroups(ImportOutcome& outcome) {
        for (const PlannedGroup& group : plan_.groups) {
            if (!Step(outcome)) {
                return false;
            }
            const std::optional<Identifier> id =
                NextId(group.contacts ? IdKind::kContactGroup : IdKind::kScheduleGroup, outcome);
            if (!id || !Execute(statements::InsertGroup(*id, group.name, GroupId(group.parent)),
                                outcome)) {
                return false;
            }
            groupIds_.push_back(*id);
            ++outcome.groups;
        }
        return true;
    }

    bool StoreContacts(ImportOutcome& outcome) {
        for (const PlannedContact& contact : plan_.contacts) {
            if (!Step(outcome)) {
                return false;
            }
            const std::optional<Identifier> id = NextId(IdKind::kContact, outcome);
            if (!id ||
                !Execute(statements::InsertContact(*id, GroupId(contact.group), contact.fields),
                         outcome)) {
                return false;
            }
            contactIds_.push_back(*id);
            ++outcome.contacts;
        }
        return true;
    }

    bool StoreSchedules(ImportOutcome& outcome) {
        // Links left behind under the ids by deleted schedules are no attendants of the new ones.
        // So are rules of repetition: an imported schedule repeats only as its file says.
        const std::optional<Identifier> first =
            supplies_[static_cast<std::size_t>(IdKind::kSchedule)].Peek();
        if (!plan_.schedules.empty() && first) {
            const Identifier last = std::min<Identifier>(
                kScheduleRangeLast, *first + static_cast<Identifier>(plan_.schedules.size()) - 1);
            if (!Execute(statements::DeleteAttendantLinksOfIds(*first, last), outcome) ||
                (repeatTable_ && !Execute(DeleteRepeatRulesOfIds(*first, last), outcome))) {
                return false;
            }
        }
        for (const PlannedSchedule& schedule : plan_.schedules) {
            if (!Step(outcome)) {
                return false;
            }
            const std::optional<Identifier> id = NextId(IdKind::kSchedule, outcome);
            if (!id ||
                !Execute(statements::InsertSchedule(*id, GroupId(schedule.group), schedule.fields),
                         outcome)) {
                return false;
            }
            std::vector<Identifier> linked;
            for (const ContactRef& attendant : schedule.attendants) {
                const Identifier contactId =
                    attendant.planned >= 0
                        ? contactIds_[static_cast<std::size_t>(attendant.planned)]
                        : attendant.stored;
                if (std::find(linked.begin(), linked.end(), contactId) != linked.end()) {
                    continue;
                }
                linked.push_back(contactId);
                if (!Execute(statements::InsertAttendantLink(*id, contactId), outcome)) {
                    return false;
                }
            }
            ++outcome.schedules;
        }
        return true;
    }

    CDBConnection& connection_;
    const ImportPlan& plan_;
    const Progress& progress_;
    const bool repeatTable_;
    std::vector<IdSupply> supplies_;
    std::vector<Identifier> groupIds_;
    std::vector<Identifier> contactIds_;
    std::size_t done_ = 0;
    std::size_t total_ = 0;
};

}  // namespace

ImportOutcome StoreImport(CDBConnection& connection, const ImportPlan& plan,
                          const Progress& progress) {
    // Asked outside the change, which a query of a missing table would end on PostgreSQL.
    OdbcDiagnostic unknown;
    const bool repeatTable = HasRepeatTable(connection, unknown).value_or(false);
    ImportOutcome outcome = ImportRun(connection, plan, progress, repeatTable).Run();
    if (!outcome.stored && !outcome.cancelled && IsKeyConflict(outcome.failure)) {
        // Another organizer stored a row under one of the ids meanwhile: the ids are read again.
        outcome = ImportRun(connection, plan, progress, repeatTable).Run();
    }
    return outcome;
}

}  // namespace calvendra::exchange
