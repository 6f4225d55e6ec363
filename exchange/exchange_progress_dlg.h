#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include <wx/dialog.h>

#include "exchange/progress.h"
#include "store/db_connection.h"

class wxButton;
class wxGauge;
class wxStaticText;

namespace calvendra {

// Runs an import's or an export's work off the window thread, on a connection of its own to the
// organizer's database, while a modal dialog shows how far it got and offers "Cancel". The window
// stays responsive; a cancelled import stores nothing.
class CExchangeProgressDlg : public wxDialog {
public:
    // The work gets its connection unopened, and how to report and learn of a cancel; it keeps
    // its results where its caller can read them once ShowModal has returned.
    using Work = std::function<void(CDBConnection& connection, const exchange::Progress& progress)>;

    CExchangeProgressDlg(wxWindow* parent, const wxString& caption,
                         const CDBConnection& sameDataSource, Work work);
    ~CExchangeProgressDlg() override;

    // Starts the work and returns once it has ended: wxID_OK, or wxID_CANCEL after a cancel.
    int ShowModal() override;

    // What "Cancel" does: asks the work to stop.
    void Cancel();
    bool WasCancelled() const { return cancel_.load(); }

    const wxGauge* Gauge() const { return gauge_; }
    const wxStaticText* StepText() const { return step_; }

private:
    void StartWork();
    void ShowReport(const wxString& step, std::size_t done, std::size_t total);
    void OnWorkEnded();
    void OnCancel(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    void WaitForWork();

    Work work_;
    std::unique_ptr<CDBConnection> connection_;
    std::atomic<bool> cancel_{false};
    bool started_ = false;
    std::thread thread_;
    wxStaticText* step_ = nullptr;
    wxGauge* gauge_ = nullptr;
    wxButton* cancelButton_ = nullptr;
    // What a report that comes after the dialog has gone finds expired.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace calvendra
