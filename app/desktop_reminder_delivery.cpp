#include "app/desktop_reminder_delivery.h"

#include <mutex>
#include <stdexcept>
#include <utility>

#include "desktop/reminder_window.h"

namespace calvendra {

// The settings as the window thread last handed them over; the worker reads them when it sends.
struct DesktopReminderDelivery::SharedSettings {
    std::mutex lock;
    EmailSettings settings;
};

namespace {

std::time_t SystemClock() {
    return std::time(nullptr);
}

}  // namespace

std::unique_ptr<QueuedMailSource> DesktopReminderDelivery::MakeSource(
    const CDBConnection& connection, std::shared_ptr<SharedSettings> shared, Clock clock,
    QueuedMailSource*& made) {
    // The worker's connections are made from a copy of the document's, which only the worker uses.
    std::shared_ptr<CDBConnection> prototype = connection.MakeAnother();
    QueuedMailSource::Options options;
    options.enabled = false;
    auto source = std::make_unique<QueuedMailSource>(
        [prototype] { return prototype->MakeAnother(); },
        [shared = std::move(shared)] {
            const std::lock_guard<std::mutex> guard(shared->lock);
            return shared->settings;
        },
        clock ? std::move(clock) : Clock(SystemClock), options);
    made = source.get();
    return source;
}

DesktopReminderDelivery::DesktopReminderDelivery(CDBConnection& connection,
                                                 const EmailSettings& settings,
                                                 MailWorker::Report report, Clock clock)
    : settings_(settings),
      shared_([&settings] {
          auto shared = std::make_shared<SharedSettings>();
          shared->settings = settings;
          return shared;
      }()),
      worker_(std::move(report), MakeSource(connection, shared_, std::move(clock), source_)) {}

void DesktopReminderDelivery::ShowReminderWindow(const std::string& subject,
                                                 const std::string& text) {
    ReminderNote note;
    note.subject = subject;
    note.text = text;
    note.due = std::time(nullptr);
    ShowReminderNote(note);
}

void DesktopReminderDelivery::ShowReminderNote(const ReminderNote& note) {
    if (firedHook_) {
        firedHook_(note);
    }
    if (notes_ != nullptr) {
        notes_->Show(note);
    } else if (!OpenReminderWindow(note.subject, note.text)) {
        throw std::runtime_error("the window system refused the note window");
    }
}

void DesktopReminderDelivery::MailAttendants(const std::string& subject, const std::string& text,
                                             Identifier scheduleId, std::time_t dueMinute) {
    PublishSettings();
    source_->Queue({scheduleId, dueMinute, subject, text});
    // A reminder comes only once the database has been read: the queue may be used now.
    StartMailQueue();
}

void DesktopReminderDelivery::StartMailQueue() {
    if (!queueStarted_) {
        queueStarted_ = true;
        source_->Enable();
    }
    worker_.Wake();
}

void DesktopReminderDelivery::PublishSettings() {
    const std::lock_guard<std::mutex> guard(shared_->lock);
    shared_->settings = settings_;
}

}  // namespace calvendra
