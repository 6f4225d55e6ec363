#pragma once

#include <sys/types.h>
#include <chrono>

#include "tests/support/test_database.h"

namespace calvendra::testing {

// Another program that holds the organizer's database locked, as an open write transaction or a
// backup tool does: the sqlite3 shell inside an exclusive transaction, or psql holding an access
// exclusive lock on the organizer's four tables. The lock is held once the object is made, and is
// let go when it goes, or by itself after `longest`, so that a test whose bound on lock waits is
// broken fails instead of hanging.
class LockHolder {
public:
    explicit LockHolder(const TestDatabase& database,
                        std::chrono::seconds longest = std::chrono::seconds(60));
    ~LockHolder();

    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    // Ends the other program and waits until its lock is gone.
    void Release();

private:
    bool IsLocked() const;
    // Until the database is locked, or no longer locked; throws after ten seconds.
    void WaitFor(bool locked) const;

    const TestDatabase& database_;
    pid_t group_ = -1;
};

}  // namespace calvendra::testing
