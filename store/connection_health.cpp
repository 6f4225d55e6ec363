#include "store/connection_health.h"

#include <algorithm>

namespace calvendra {

const OdbcDiagnostic* ConnectionHealth::HeldBackBy() const {
    if (heldUntil_ && clock_() < *heldUntil_) {
        return &holdingFailure_;
    }
    return nullptr;
}

void ConnectionHealth::NoteSuccess() {
    mustReopen_ = false;
    heldUntil_.reset();
    backOff_ = kFirstBackOff;
}

void ConnectionHealth::NoteFailure(const OdbcDiagnostic& failure) {
    switch (failure.kind) {
        case FailureKind::kBusy:
            HoldBack(failure, kBusyHold);
            break;
        case FailureKind::kUnreachable:
            // The first attempt to reopen comes at once: a server that restarted is back.
            mustReopen_ = true;
            break;
        // A missing database file is looked for by the connection itself before every use.
        case FailureKind::kMissing:
        case FailureKind::kOther:
            break;
    }
}

void ConnectionHealth::NoteOpenFailure(const OdbcDiagnostic& failure) {
    mustReopen_ = true;
    HoldBack(failure, backOff_);
    backOff_ = std::min(backOff_ * 2, kLongestBackOff);
}

void ConnectionHealth::HoldBack(const OdbcDiagnostic& failure, std::chrono::milliseconds span) {
    heldUntil_ = clock_() + span;
    holdingFailure_ = failure;
}

}  // namespace calvendra
