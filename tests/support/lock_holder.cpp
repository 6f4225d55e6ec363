#include "tests/support/lock_holder.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <stdexcept>
#include <string>
#include <thread>

extern char** environ;

namespace calvendra::testing {

namespace {

constexpr char kOrganizerTables[] =
    "assist_group, assist_contactmaininfo, assist_scheduleinfo, schedule_contact";

}  // namespace

LockHolder::LockHolder(const TestDatabase& database, std::chrono::seconds longest)
    : database_(database) {
    const std::string take =
        database.GetBackend() == Backend::kSqlite
            ? std::string("BEGIN EXCLUSIVE;")
            : std::string("begin; lock table ") + kOrganizerTables + " in access exclusive mode;";
    // The client reads its commands from a pipe that stays open while `sleep` runs; at its end
    // the client sees the end of its input and leaves, rolling the transaction back.
    const std::string script = "{ echo '" + take + "'; sleep " + std::to_string(longest.count()) +
                               "; } | " + database.ClientCommand() + " >/dev/null 2>&1";
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A process group of its own, so that Release ends the client and its feeder together.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    char shell[] = "/bin/sh";
    char option[] = "-c";
    char* arguments[] = {shell, option, const_cast<char*>(script.c_str()), nullptr};
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, shell, nullptr, &attributes, arguments, environ);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0) {
        throw std::runtime_error("cannot start the program that holds the lock");
    }
    group_ = pid;
    try {
        WaitFor(true);
    } catch (...) {
        kill(-group_, SIGTERM);
        waitpid(group_, nullptr, 0);
        throw;
    }
}

LockHolder::~LockHolder() {
    try {
        Release();
    } catch (const std::exception&) {
        // What the test does next fails on the lock, and says so.
    }
}

bool LockHolder::IsLocked() const {
    if (database_.GetBackend() == Backend::kSqlite) {
        // A reader that does not wait fails while the exclusive lock is held.
        try {
            database_.Query("select count(*) from sqlite_master");
            return false;
        } catch (const std::runtime_error&) {
            return true;
        }
    }
    return database_.QueryValue(
               "select count(*) from pg_locks where mode = 'AccessExclusiveLock' and granted "
               "and relation = 'assist_scheduleinfo'::regclass") != "0";
}

void LockHolder::Release() {
    if (group_ <= 0) {
        return;
    }
    kill(-group_, SIGTERM);
    int status = 0;
    waitpid(group_, &status, 0);
    group_ = -1;
    // The shell is gone; the client that held the lock may still be on its way out.
    WaitFor(false);
}

void LockHolder::WaitFor(bool locked) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (IsLocked() != locked) {
        if (std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error(locked ? "the other program did not lock the database"
                                            : "the other program did not let the lock go");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace calvendra::testing
