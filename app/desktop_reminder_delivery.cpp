#include "app/desktop_reminder_delivery.h"

#include <stdexcept>
#include <utility>

#include "desktop/reminder_window.h"
#include "platform/log.h"
#include "reminders/reminder_mail.h"

namespace calvendra {

DesktopReminderDelivery::DesktopReminderDelivery(CDBConnection& connection,
                                                 const EmailSettings& settings,
                                                 MailWorker::Report report)
    : connection_(connection), settings_(settings), report_(report), worker_(std::move(report)) {}

void DesktopReminderDelivery::ShowReminderWindow(const std::string& subject,
                                                 const std::string& text) {
    if (!OpenReminderWindow(subject, text)) {
        throw std::runtime_error("the window system refused the note window");
    }
}

void DesktopReminderDelivery::MailAttendants(const std::string& subject, const std::string& text,
                                             Identifier scheduleId) {
    MailJob job;
    job.label = "Reminder \"" + subject + "\" (schedule " + std::to_string(scheduleId) + ")";
    try {
        job.addresses = CollectAttendantAddresses(&connection_, scheduleId);
    } catch (const std::exception& failure) {
        const MailOutcome outcome{job.label, false, std::string(), failure.what()};
        LogError(MailFailureText(outcome));
        if (report_) {
            report_(outcome);
        }
        return;
    }
    if (job.addresses.empty()) {
        return;
    }
    job.subject = subject;
    job.text = text;
    job.settings = settings_;
    worker_.Queue(std::move(job));
}

}  // namespace calvendra
