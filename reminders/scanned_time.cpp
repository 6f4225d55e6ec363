#include "reminders/scanned_time.h"

#include <algorithm>
#include <iterator>

namespace calvendra {

void ScannedTime::Add(std::time_t from, std::time_t to) {
    if (to <= from) {
        return;
    }
    auto next = stretches_.upper_bound(from);
    if (next != stretches_.begin()) {
        const auto previous = std::prev(next);
        if (previous->second >= from) {
            from = previous->first;
            to = std::max(to, previous->second);
            stretches_.erase(previous);
        }
    }
    while (next != stretches_.end() && next->first <= to) {
        to = std::max(to, next->second);
        next = stretches_.erase(next);
    }
    stretches_.emplace(from, to);
}

std::optional<std::time_t> ScannedTime::ScannedUntil(std::time_t instant) const {
    auto holder = stretches_.upper_bound(instant);
    if (holder == stretches_.begin()) {
        return std::nullopt;
    }
    --holder;
    if (instant < holder->second) {
        return holder->second;
    }
    return std::nullopt;
}

void ScannedTime::KeepWithin(std::time_t from, std::time_t to) {
    for (auto stretch = stretches_.begin(); stretch != stretches_.end();) {
        if (stretch->second <= from || stretch->first >= to) {
            stretch = stretches_.erase(stretch);
        } else {
            ++stretch;
        }
    }
}

}  // namespace calvendra
