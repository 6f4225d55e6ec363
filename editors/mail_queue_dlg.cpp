#include "editors/mail_queue_dlg.h"

#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/translation.h>

#include <string>
#include <utility>

#include "editors/dialog_buttons.h"
#include "mail_queue/mail_queue_table.h"

namespace calvendra {

namespace {

constexpr const char* kHeadings[kQueueColumnCount] = {
    TRANSLATABLE("Subject"),    TRANSLATABLE("Due"),   TRANSLATABLE("Recipients"),
    TRANSLATABLE("State"),      TRANSLATABLE("Tries"), TRANSLATABLE("Next Try"),
    TRANSLATABLE("Last Reason")};
constexpr int kWidths[kQueueColumnCount] = {150, 125, 200, 155, 45, 125, 300};

bool SameMail(const QueuedMail& a, const QueuedMail& b) {
    return a.scheduleId == b.scheduleId && a.dueMinute == b.dueMinute;
}

}  // namespace

CMailQueueDlg::CMailQueueDlg(wxWindow* parent, const CDBConnection& connection,
                             std::function<void()> wakeMail)
    : wxDialog(parent, wxID_ANY, _("Mail Queue"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      wakeMail_(std::move(wakeMail)),
      timer_(this) {
    list_ = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, FromDIP(wxSize(960, 260)),
                           wxLC_REPORT | wxLC_SINGLE_SEL);
    for (std::size_t column = 0; column < kQueueColumnCount; ++column) {
        list_->AppendColumn(wxGetTranslation(kHeadings[column]), wxLIST_FORMAT_LEFT,
                            FromDIP(kWidths[column]));
    }
    summary_ = new wxStaticText(this, wxID_ANY, _("Reading the queue..."));
    sendNow_ = new wxButton(this, wxID_ANY, _("Send Now"));
    giveUp_ = new wxButton(this, wxID_ANY, _("Give Up"));
    auto* close = new wxButton(this, wxID_CANCEL, _("Close"));
    SetEscapeId(wxID_CANCEL);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(summary_, 1, wxALIGN_CENTER_VERTICAL);
    buttons->Add(sendNow_, 0, wxLEFT, FromDIP(8));
    buttons->Add(giveUp_, 0, wxLEFT, FromDIP(8));
    buttons->Add(close, 0, wxLEFT, FromDIP(8));
    auto* layout = new wxBoxSizer(wxVERTICAL);
    layout->Add(list_, 1, wxEXPAND | wxALL, FromDIP(8));
    layout->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, FromDIP(8));
    SetSizerAndFit(layout);

    list_->Bind(wxEVT_LIST_ITEM_SELECTED, &CMailQueueDlg::OnSelectionChanged, this);
    list_->Bind(wxEVT_LIST_ITEM_DESELECTED, &CMailQueueDlg::OnSelectionChanged, this);
    sendNow_->Bind(wxEVT_BUTTON, &CMailQueueDlg::OnSendNow, this);
    giveUp_->Bind(wxEVT_BUTTON, &CMailQueueDlg::OnGiveUp, this);
    close->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Close(); });
    Bind(wxEVT_TIMER, &CMailQueueDlg::OnTimer, this);
    // A window of its own that the user keeps open beside the organizer: closing destroys it.
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Destroy(); });

    reader_ = std::make_unique<ReadingThread>(
        [&connection] { return connection.MakeAnother(); },
        // Queuing an event is what wxWidgets allows from any thread.
        [this](std::function<void()> task) { CallAfter(std::move(task)); });
    UpdateButtons();
    list_->SetFocus();
    Refresh();
    timer_.Start(kRefreshMs);
}

CMailQueueDlg::~CMailQueueDlg() {
    timer_.Stop();
    reader_.reset();
}

void CMailQueueDlg::Refresh() {
    if (reading_) {
        return;
    }
    reading_ = true;
    reader_->Read<QueueListing>(
        [](CDBConnection& connection) { return ReadQueueListing(connection); },
        [this](QueueListing listing) {
            reading_ = false;
            ShowListing(listing);
        });
}

void CMailQueueDlg::ShowListing(const QueueListing& listing) {
    ++readings_;
    if (!listing.failure.empty()) {
        // What was read before stays; the line says why it is not new.
        summary_->SetLabel(wxString::Format(_("The queue could not be read: %s"),
                                            wxString::FromUTF8(listing.failure)));
        return;
    }
    if (listing.noQueue) {
        summary_->SetLabel(
            _("This database has no mail queue: reminder mail is sent once, when it falls due. "
              "The README says how to add the queue."));
    }
    std::optional<QueuedMail> selected;
    const long selectedRow = list_->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    if (selectedRow >= 0 && static_cast<std::size_t>(selectedRow) < mails_.size()) {
        selected = mails_[selectedRow];
    }
    mails_ = listing.mails;
    list_->Freeze();
    list_->DeleteAllItems();
    int waiting = 0;
    for (std::size_t row = 0; row < mails_.size(); ++row) {
        const auto texts = QueueRowTexts(mails_[row]);
        const long item = list_->InsertItem(static_cast<long>(row), wxString::FromUTF8(texts[0]));
        for (std::size_t column = 1; column < texts.size(); ++column) {
            list_->SetItem(item, static_cast<int>(column), wxString::FromUTF8(texts[column]));
        }
        if (selected && SameMail(*selected, mails_[row])) {
            list_->SetItemState(item, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                                wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
        }
        waiting += mails_[row].state == QueuedMailState::kWaiting;
    }
    list_->Thaw();
    if (!listing.noQueue) {
        // TRANSLATORS: the mails listed and, of those, the ones waiting to be sent.
        summary_->SetLabel(wxString::Format(
            wxPLURAL("%zu mail, %d waiting", "%zu mails, %d waiting", mails_.size()), mails_.size(),
            waiting));
    }
    UpdateButtons();
}

const QueuedMail* CMailQueueDlg::SelectedWaitingMail() const {
    const long row = list_->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    if (row < 0 || static_cast<std::size_t>(row) >= mails_.size() ||
        mails_[row].state != QueuedMailState::kWaiting) {
        return nullptr;
    }
    return &mails_[row];
}

void CMailQueueDlg::UpdateButtons() {
    const bool waiting = SelectedWaitingMail() != nullptr;
    sendNow_->Enable(waiting);
    giveUp_->Enable(waiting);
}

void CMailQueueDlg::RunCommand(std::function<bool(CDBConnection&)> command) {
    reader_->Read<std::string>(
        [command = std::move(command)](CDBConnection& connection) {
            return command(connection) ? std::string() : connection.LastError().Text();
        },
        [this](std::string refusal) {
            if (!refusal.empty()) {
                summary_->SetLabel(wxString::Format(_("The database refused the change: %s"),
                                                    wxString::FromUTF8(refusal)));
                return;
            }
            if (wakeMail_) {
                wakeMail_();
            }
            Refresh();
        });
}

void CMailQueueDlg::OnTimer(wxTimerEvent&) {
    Refresh();
}

void CMailQueueDlg::OnSelectionChanged(wxListEvent&) {
    UpdateButtons();
}

void CMailQueueDlg::OnSendNow(wxCommandEvent&) {
    const QueuedMail* mail = SelectedWaitingMail();
    if (mail == nullptr) {
        return;
    }
    const Identifier scheduleId = mail->scheduleId;
    const std::time_t dueMinute = mail->dueMinute;
    RunCommand([scheduleId, dueMinute](CDBConnection& connection) {
        bool changed = false;
        return mail_queue_table::SendNow(connection, scheduleId, dueMinute, std::time(nullptr),
                                         changed);
    });
}

void CMailQueueDlg::OnGiveUp(wxCommandEvent&) {
    const QueuedMail* mail = SelectedWaitingMail();
    if (mail == nullptr) {
        return;
    }
    const Identifier scheduleId = mail->scheduleId;
    const std::time_t dueMinute = mail->dueMinute;
    if (!AskTips(this, _("Do you want to give up this mail? It will not be sent."),
                 wxString::FromUTF8(mail->subject))) {
        return;
    }
    RunCommand([scheduleId, dueMinute](CDBConnection& connection) {
        bool changed = false;
        return mail_queue_table::GiveUp(connection, scheduleId, dueMinute, "given up by the user",
                                        changed);
    });
}

}  // namespace calvendra
