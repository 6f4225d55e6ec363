#include "mail_queue/retry_schedule.h"

#include <algorithm>
#include <iterator>

namespace calvendra {

std::chrono::seconds RetryDelay(int tries) {
    static constexpr int kMinutes[] = {1, 2, 5, 10, 30};
    const int index = std::clamp(tries, 1, static_cast<int>(std::size(kMinutes))) - 1;
    return std::chrono::minutes(kMinutes[index]);
}

bool MailTimeIsOver(std::time_t dueMinute, std::time_t now) {
    return now >= dueMinute + std::chrono::seconds(kMailTriedFor).count();
}

std::optional<std::time_t> NextTry(std::time_t dueMinute, int tries, std::time_t now) {
    if (MailTimeIsOver(dueMinute, now)) {
        return std::nullopt;
    }
    const std::time_t end = dueMinute + std::chrono::seconds(kMailTriedFor).count();
    return std::min<std::time_t>(now + RetryDelay(tries).count(), end);
}

}  // namespace calvendra
