#pragma once

#include <sql.h>
#include <sys/types.h>

#include <optional>
#include <string>

namespace calvendra {

// The file that a connection's database lives in, known by its identity on disk (device and
// inode) when the connection opened it. A database file restored from a backup, moved away or
// removed while the organizer runs leaves the open connection on a file that nobody reads any
// more (where every write fails as "readonly"): comparing the identity with what the path leads
// to now tells the connection to open the file again, or to wait until there is one.
class DatabaseFile {
public:
    enum class Change {
        kNone,      // the path still leads to the file that was opened
        kReplaced,  // the path leads to another file: one was moved, copied or restored over it
        kMissing,   // nothing is at the path: the file was removed or moved away
    };

    // The main database file of an open connection, for a database that lives in a file
    // (SQLite); none for a database server, a database in memory, or a file that cannot be
    // looked at.
    static std::optional<DatabaseFile> OfConnection(SQLHDBC connection,
                                                    const std::string& dbmsName);

    // The file at `path` as it is now; none when nothing is there.
    static std::optional<DatabaseFile> AtPath(const std::string& path);

    // What became of the file since it was opened; one stat of the path.
    Change Check() const;

    const std::string& Path() const { return path_; }

private:
    DatabaseFile(std::string path, dev_t device, ino_t inode)
        : path_(std::move(path)), device_(device), inode_(inode) {}

    std::string path_;
    dev_t device_;
    ino_t inode_;
};

}  // namespace calvendra
