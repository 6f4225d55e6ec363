#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <vector>

#include <wx/dialog.h>
#include <wx/timer.h>

#include "mail_queue/queue_listing.h"
#include "store/db_connection.h"
#include "store/reading_thread.h"

class wxButton;
class wxListCtrl;
class wxListEvent;
class wxStaticText;

namespace calvendra {

// "Mail Queue": the reminder mails of the database's queue, the latest due first, with each
// mail's subject, due time, recipients, state, tries, next try and last reason. It reads the queue
// again every two seconds while it is open, on a thread and a connection of its own, so the window
// never waits for the database. For a waiting mail, "Send Now" has it tried at once and "Give Up"
// gives it up (after a question); both change nothing of a mail that is no longer waiting.
class CMailQueueDlg : public wxDialog {
public:
    // How often the window reads the queue again.
    static constexpr int kRefreshMs = 2000;

    // `connection` names the data source and outlives the window; `wakeMail` makes the mail
    // worker look at the queue now (after "Send Now").
    CMailQueueDlg(wxWindow* parent, const CDBConnection& connection,
                  std::function<void()> wakeMail);
    ~CMailQueueDlg() override;

    wxListCtrl* List() const { return list_; }
    wxButton* SendNowButton() const { return sendNow_; }
    wxButton* GiveUpButton() const { return giveUp_; }
    wxStaticText* Summary() const { return summary_; }
    // How many readings have come back; for tests that wait for the next.
    int Readings() const { return readings_; }

    // Reads the queue again now.
    void Refresh();

private:
    void ShowListing(const QueueListing& listing);
    void UpdateButtons();
    // The selected mail when it is waiting.
    const QueuedMail* SelectedWaitingMail() const;
    void RunCommand(std::function<bool(CDBConnection&)> command);

    void OnTimer(wxTimerEvent& event);
    void OnSelectionChanged(wxListEvent& event);
    void OnSendNow(wxCommandEvent& event);
    void OnGiveUp(wxCommandEvent& event);

    std::function<void()> wakeMail_;
    wxListCtrl* list_ = nullptr;
    wxStaticText* summary_ = nullptr;
    wxButton* sendNow_ = nullptr;
    wxButton* giveUp_ = nullptr;
    wxTimer timer_;
    std::vector<QueuedMail> mails_;
    bool reading_ = false;
    int readings_ = 0;
    // Last: ended first, so that no reading comes back to a window half gone.
    std::unique_ptr<ReadingThread> reader_;
};

}  // namespace calvendra
