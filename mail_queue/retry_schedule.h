#pragma once

#include <chrono>
#include <ctime>
#include <optional>

namespace calvendra {

// How long a reminder mail that could not go out is tried again: until it is sent or this long
// after the minute it fell due in.
inline constexpr std::chrono::hours kMailTriedFor{24};

// How long a mail sent or given up stays in the queue after the minute it fell due in, for the
// queue's window and so that no organizer queues it again: far longer than any organizer queues a
// mail after its minute (a day of catching up after a sleep, an hour after a start) or tries it.
inline constexpr std::chrono::hours kMailKeptFor{30 * 24};
static_assert(kMailKeptFor > 2 * kMailTriedFor);

// How long a claim on a mail lasts: another organizer takes the mail over once it has run out.
// An organizer renews its claim for as long as it sends the mail (ClaimKeeper), so only one that
// died or lost its database lets a claim run out.
inline constexpr std::chrono::minutes kMailClaimLease{5};

// The wait before the next try of a mail whose try number `tries` failed: 1, 2, 5, 10 and 30
// minutes, then every 30 minutes.
std::chrono::seconds RetryDelay(int tries);

// When a mail due in `dueMinute` whose try failed at `now` is tried next; empty when its time is
// over and it is to be given up. The last try comes at the end of its time at the latest.
std::optional<std::time_t> NextTry(std::time_t dueMinute, int tries, std::time_t now);

// Whether the time of a mail due in `dueMinute` is over at `now`.
bool MailTimeIsOver(std::time_t dueMinute, std::time_t now);

}  // namespace calvendra
