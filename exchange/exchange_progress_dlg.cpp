#include "exchange/exchange_progress_dlg.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/translation.h>

namespace calvendra {

namespace {

constexpr int kGaugeRange = 1000;

}  // namespace

CExchangeProgressDlg::CExchangeProgressDlg(wxWindow* parent, const wxString& caption,
                                           const CDBConnection& sameDataSource, Work work)
    : wxDialog(parent, wxID_ANY, caption),
      work_(std::move(work)),
      connection_(sameDataSource.MakeAnother()) {
    auto* column = new wxBoxSizer(wxVERTICAL);
    step_ = new wxStaticText(this, wxID_ANY, _("Starting..."), wxDefaultPosition,
                             wxSize(FromDIP(420), -1), wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
    column->Add(step_, 0, wxEXPAND | wxALL, FromDIP(12));
    gauge_ = new wxGauge(this, wxID_ANY, kGaugeRange);
    column->Add(gauge_, 0, wxEXPAND | wxLEFT | wxRIGHT, FromDIP(12));
    cancelButton_ = new wxButton(this, wxID_CANCEL, _("Cancel"));
    column->Add(cancelButton_, 0, wxALIGN_RIGHT | wxALL, FromDIP(12));
    SetSizerAndFit(column);
    CentreOnParent();
    Bind(wxEVT_BUTTON, &CExchangeProgressDlg::OnCancel, this, wxID_CANCEL);
    Bind(wxEVT_CLOSE_WINDOW, &CExchangeProgressDlg::OnClose, this);
}

CExchangeProgressDlg::~CExchangeProgressDlg() {
    cancel_ = true;
    WaitForWork();
}

int CExchangeProgressDlg::ShowModal() {
    // The work starts once the dialog's modal loop runs, so that a cancel asked for before is
    // seen from its first step.
    CallAfter(&CExchangeProgressDlg::StartWork);
    wxDialog::ShowModal();
    // A test's stand-in for the modal loop answers at once: the work then runs now. Either way it
    // has ended before its results are read.
    StartWork();
    WaitForWork();
    return cancel_ ? wxID_CANCEL : wxID_OK;
}

void CExchangeProgressDlg::StartWork() {
    if (started_) {
        return;
    }
    started_ = true;
    exchange::Progress progress;
    progress.cancel = &cancel_;
    std::weak_ptr<int> alive = alive_;
    progress.report = [this, alive](const std::string& step, std::size_t done, std::size_t total) {
        const wxString text = wxGetTranslation(wxString::FromUTF8(step));
        CallAfter([this, alive, text, done, total] {
            if (!alive.expired()) {
                ShowReport(text, done, total);
            }
        });
    };
    thread_ = std::thread([this, progress] {
        work_(*connection_, progress);
        CallAfter(&CExchangeProgressDlg::OnWorkEnded);
    });
}

void CExchangeProgressDlg::Cancel() {
    cancel_ = true;
    step_->SetLabel("Cancelling...");
    cancelButton_->Disable();
}

void CExchangeProgressDlg::ShowReport(const wxString& step, std::size_t done, std::size_t total) {
    if (!cancel_) {
        step_->SetLabel(total > 1 ? wxString::Format(_("%s: %zu of %zu"), step, done, total)
                                  : step);
    }
    if (total > 0) {
        gauge_->SetValue(static_cast<int>(std::min(done, total) * kGaugeRange / total));
    } else {
        gauge_->Pulse();
    }
}

void CExchangeProgressDlg::OnWorkEnded() {
    WaitForWork();
    if (IsModal()) {
        EndModal(cancel_ ? wxID_CANCEL : wxID_OK);
    }
}

void CExchangeProgressDlg::OnCancel(wxCommandEvent&) {
    Cancel();
}

void CExchangeProgressDlg::OnClose(wxCloseEvent& event) {
    // Closing the window is a cancel; the dialog ends once the work has stopped.
    Cancel();
    event.Veto();
}

void CExchangeProgressDlg::WaitForWork() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

}  // namespace calvendra
