#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "store/odbc_diagnostic.h"

namespace calvendra {

// Whether the organizer's connection may be used now, after the database failed it.
//
// A busy database (a lock held longer than the organizer waits) holds the connection back for a
// moment, so that an operation of several statements waits for a held lock once, not once per
// statement. A lost connection is opened again at its next use; while that fails, the next attempt
// waits a back-off that doubles from a second up to half a minute, so that a server that is down
// costs the window almost nothing. Any call that goes through ends both.
class ConnectionHealth {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr std::chrono::milliseconds kBusyHold{3000};
    static constexpr std::chrono::milliseconds kFirstBackOff{1000};
    static constexpr std::chrono::milliseconds kLongestBackOff{30000};

    explicit ConnectionHealth(Clock clock = &std::chrono::steady_clock::now)
        : clock_(std::move(clock)) {}

    // The failure that keeps the connection from being used now; null when it may be used.
    const OdbcDiagnostic* HeldBackBy() const;

    // Whether the connection must be opened again before its next use.
    bool MustReopen() const { return mustReopen_; }

    // A call went through: the database answers.
    void NoteSuccess();

    // A call on the open connection failed: a busy database holds it back for a moment, a lost
    // one is to be reopened at the next use; any other failure says nothing about the database.
    void NoteFailure(const OdbcDiagnostic& failure);

    // Opening the connection failed: it is tried again at a use after the back-off.
    void NoteOpenFailure(const OdbcDiagnostic& failure);

private:
    void HoldBack(const OdbcDiagnostic& failure, std::chrono::milliseconds span);

    Clock clock_;
    bool mustReopen_ = false;
    std::optional<std::chrono::steady_clock::time_point> heldUntil_;
    OdbcDiagnostic holdingFailure_;
    std::chrono::milliseconds backOff_ = kFirstBackOff;
};

}  // namespace calvendra
