#pragma once

#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "app/reminder_notes.h"
#include "mail_queue/queued_mail_source.h"
#include "reminders/mail_worker.h"
#include "reminders/reminder_delivery.h"
#include "settings/email_settings.h"
#include "store/db_connection.h"

namespace calvendra {

// How the running organizer delivers a due reminder: a note on the desktop, then the mail to the
// schedule's attendants. The note opens on the window thread; the mail is handed to the delivery's
// mail worker, which queues it in the database's mail queue over a connection of its own and sends
// it from there (QueuedMailSource): the window thread never waits on the database or the network
// for a mail. The worker reads the attendants when it sends, and the e-mail settings as the window
// thread last handed them over (PublishSettings). Every outcome is reported; a mail that is not
// sent is also logged with its reason and what follows (see MailWorker).
class DesktopReminderDelivery final : public ReminderDelivery {
public:
    // How long "Exit" lets a mail in flight go on before it is aborted.
    static constexpr std::chrono::seconds kExitGrace{3};

    using Clock = QueuedMailSource::Clock;

    // Connection and settings belong to the document and outlive the delivery; the worker uses a
    // connection of its own to the same data source. The report runs on the mail worker's thread.
    // The mail queue stays unused until StartMailQueue.
    DesktopReminderDelivery(CDBConnection& connection, const EmailSettings& settings,
                            MailWorker::Report report = nullptr, Clock clock = nullptr);

    // Opens the note and returns at once; the note then belongs to the user.
    void ShowReminderWindow(const std::string& subject, const std::string& text) override;

    // Opens the note through the organizer's notes (SetNotes), with its controls.
    void ShowReminderNote(const ReminderNote& note) override;

    // Runs after each note the scan opened, with what the note showed.
    void SetFiredHook(std::function<void(const ReminderNote&)> hook) {
        firedHook_ = std::move(hook);
    }

    // Runs after each reading of the scan with the end of the minutes it covered.
    void SetScannedHook(std::function<void(std::time_t)> hook) { scannedHook_ = std::move(hook); }
    void MinutesScanned(std::time_t until) override {
        if (scannedHook_) {
            scannedHook_(until);
        }
    }

    // Not owned; while none is set, notes open without controls at their first place.
    void SetNotes(ReminderNotes* notes) { notes_ = notes; }

    // Hands the mail to the worker and returns at once.
    void MailAttendants(const std::string& subject, const std::string& text, Identifier scheduleId,
                        std::time_t dueMinute) override;

    // From now on the worker uses the database: it sends what waits in the queue and what falls
    // due. Called once the organizer has opened its database.
    void StartMailQueue();

    // Hands the e-mail settings as they stand now to the worker, for the mails it sends from now
    // on. Window thread.
    void PublishSettings();

    // Makes the worker look at the queue now (after the user asked for a mail to be sent now).
    void WakeMail() { worker_.Wake(); }

    // Ends the mail worker, letting the mail in flight go on for at most the grace (see
    // MailWorker::Stop); a mail it had claimed waits in the queue for the next organizer.
    void StopMail(std::chrono::milliseconds grace) { worker_.Stop(grace); }

    struct SharedSettings;

private:
    static std::unique_ptr<QueuedMailSource> MakeSource(const CDBConnection& connection,
                                                        std::shared_ptr<SharedSettings> shared,
                                                        Clock clock, QueuedMailSource*& made);

    const EmailSettings& settings_;
    std::shared_ptr<SharedSettings> shared_;
    bool queueStarted_ = false;
    ReminderNotes* notes_ = nullptr;
    std::function<void(std::time_t)> scannedHook_;
    std::function<void(const ReminderNote&)> firedHook_;
    // Owned by the worker.
    QueuedMailSource* source_ = nullptr;
    MailWorker worker_;
};

}  // namespace calvendra
