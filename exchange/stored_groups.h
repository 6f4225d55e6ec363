#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/odbc_diagnostic.h"

namespace calvendra::exchange {

// The groups of one kind as stored: names, parents, and the paths that vCard and iCalendar files
// carry ("Work/Clients" for the group "Clients" below "Work" below the base group).
class StoredGroups {
public:
    struct Group {
        Identifier id = 0;
        Identifier parentId = 0;
        std::string name;
    };

    // Reads the contact groups (`contacts`) or the schedule groups; empty, with the reason in
    // `failure`, when they cannot be read.
    static std::optional<StoredGroups> Read(CDBConnection& connection, bool contacts,
                                            OdbcDiagnostic& failure);

    explicit StoredGroups(Identifier baseGroupId) : baseGroupId_(baseGroupId) {}
    void Add(Group group);

    Identifier BaseGroupId() const { return baseGroupId_; }
    bool Has(Identifier id) const { return groups_.count(id) > 0; }

    // The path of a group below the base group; empty for the base group and for a group that
    // does not lead up to it.
    std::string PathOf(Identifier id) const;
    // The group below `parentId` with this name, the lowest id of several; empty when none.
    std::optional<Identifier> ChildNamed(Identifier parentId, const std::string& name) const;
    // A stored group by its path, or, for a name without "/", the first group of that name.
    std::optional<Identifier> Find(const std::string& pathOrName) const;
    // The group and every group below it.
    std::vector<Identifier> Subtree(Identifier id) const;

private:
    Identifier baseGroupId_;
    std::map<Identifier, Group> groups_;
    std::multimap<Identifier, Identifier> children_;
};

}  // namespace calvendra::exchange
