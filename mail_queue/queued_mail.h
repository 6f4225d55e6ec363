#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "store/identifiers.h"

namespace calvendra {

// Where a queued mail stands.
enum class QueuedMailState { kWaiting, kSending, kSent, kGivenUp };

// The table's text for each state: "waiting", "sending", "sent", "given up".
const char* QueuedMailStateText(QueuedMailState state);
// The state a text names; waiting for any other text, so that a row in an unknown state is tried.
QueuedMailState QueuedMailStateFromText(const std::string& text);

// A reminder mail in the queue: the mail of one schedule for one minute it fell due in. Times are
// seconds since 1970; the due minute is the start of that minute.
struct QueuedMail {
    Identifier scheduleId = 0;
    std::time_t dueMinute = 0;
    std::string subject;
    std::string text;
    // The addresses of the last try, as QueuedRecipientsText gives them; empty before the first.
    std::string recipients;
    QueuedMailState state = QueuedMailState::kWaiting;
    // The organizer that claimed it, and until when, while it is being sent.
    std::string claimedBy;
    std::time_t leaseUntil = 0;
    int tries = 0;
    std::time_t nextTry = 0;
    std::string lastReason;
    std::time_t queuedAt = 0;
    std::time_t sentAt = 0;
};

// How the log and the status bar name a reminder mail: "Reminder \"Standup\" (schedule
// 2000000002)", as they did before the queue.
std::string QueuedMailLabel(Identifier scheduleId, const std::string& subject);

// The mail addresses that a mail to the stored `addresses` goes to, joined by ", ": an attendant
// left out for an invalid address is not among them.
std::string QueuedRecipientsText(const std::vector<std::string>& addresses);

// A local time as "2026-12-08 09:30".
std::string LocalMinuteText(std::time_t instant);

}  // namespace calvendra
