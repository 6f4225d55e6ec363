#include "app/desktop_reminder_delivery.h"

#include <stdexcept>

#include "desktop/reminder_window.h"
#include "reminders/reminder_mail.h"

namespace calvendra {

void DesktopReminderDelivery::ShowReminderWindow(const std::string& subject,
                                                 const std::string& text) {
    if (!OpenReminderWindow(subject, text)) {
        throw std::runtime_error("the window system refused the note window");
    }
}

void DesktopReminderDelivery::MailAttendants(const std::string& subject, const std::string& text,
                                             Identifier scheduleId) {
    MailScheduleAttendants(&connection_, subject, text, scheduleId, settings_);
}

}  // namespace calvendra
