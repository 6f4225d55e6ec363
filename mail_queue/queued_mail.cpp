#include "mail_queue/queued_mail.h"

#include "reminders/reminder_mail.h"

namespace calvendra {

std::string QueuedRecipientsText(const std::vector<std::string>& addresses) {
    std::string joined;
    for (const std::string& address : DeliverableAddresses(addresses)) {
        joined += (joined.empty() ? "" : ", ") + address;
    }
    return joined;
}

const char* QueuedMailStateText(QueuedMailState state) {
    switch (state) {
        case QueuedMailState::kSending:
            return "sending";
        case QueuedMailState::kSent:
            return "sent";
        case QueuedMailState::kGivenUp:
            return "given up";
        default:
            return "waiting";
    }
}

QueuedMailState QueuedMailStateFromText(const std::string& text) {
    for (const QueuedMailState state :
         {QueuedMailState::kSending, QueuedMailState::kSent, QueuedMailState::kGivenUp}) {
        if (text == QueuedMailStateText(state)) {
            return state;
        }
    }
    return QueuedMailState::kWaiting;
}

std::string LocalMinuteText(std::time_t instant) {
    std::tm fields{};
    if (localtime_r(&instant, &fields) == nullptr) {
        return std::to_string(instant);
    }
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &fields);
    return text;
}

std::string QueuedMailLabel(Identifier scheduleId, const std::string& subject) {
    return "Reminder \"" + subject + "\" (schedule " + std::to_string(scheduleId) + ")";
}

}  // namespace calvendra
