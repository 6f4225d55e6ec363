#include "desktop/missed_reminders_window.h"

#include <algorithm>
#include <utility>

#include <wx/datetime.h>
#include <wx/panel.h>
#include <wx/scrolwin.h>
#include <wx/sizer.h>
#include <wx/translation.h>

#include "desktop/accessible_names.h"
#include "platform/translatable.h"

namespace calvendra {

namespace {

constexpr char kTitle[] = TRANSLATABLE("Missed Reminders");
constexpr char kHeading[] =
    TRANSLATABLE("These reminders fell due while the organizer was not running:");
// The list grows with its rows up to this many, and scrolls beyond.
constexpr int kRowsShownAtMost = 10;

}  // namespace

wxString LateMailSentence(const std::vector<MissedRow>& rows) {
    wxString subjects;
    int count = 0;
    for (const MissedRow& row : rows) {
        if (row.mailTooLate) {
            subjects += (count++ == 0 ? "\"" : ", \"") + row.subject + "\"";
        }
    }
    if (count == 0) {
        return wxString();
    }
    return wxString::Format(wxPLURAL("The mail to the attendants was not sent: more than 60 "
                                     "minutes late (%s).",
                                     "The mails to the attendants were not sent: more than 60 "
                                     "minutes late (%s).",
                                     count),
                            subjects);
}

CMissedRemindersWnd::CMissedRemindersWnd(const std::vector<MissedRow>& rows, OpenSchedule open)
    : wxFrame(nullptr, wxID_ANY, wxGetTranslation(kTitle), wxDefaultPosition, wxDefaultSize,
              wxDEFAULT_FRAME_STYLE | wxSTAY_ON_TOP),
      open_(std::move(open)) {
    auto* panel = new wxPanel(this);
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(new wxStaticText(panel, wxID_ANY, wxGetTranslation(kHeading)),
                wxSizerFlags().Border());

    auto* list = new wxScrolledWindow(panel, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                      wxVSCROLL | wxBORDER_THEME);
    auto* grid = new wxFlexGridSizer(4, wxSize(12, 4));
    grid->AddGrowableCol(0, 1);
    for (const wxString& heading : {_("Subject"), _("Due"), _("Group"), wxString()}) {
        auto* label = new wxStaticText(list, wxID_ANY, heading);
        label->SetFont(label->GetFont().Bold());
        grid->Add(label, wxSizerFlags().CenterVertical());
    }
    for (const MissedRow& row : rows) {
        std::vector<wxStaticText*> cells;
        for (const wxString& text :
             {row.subject, wxDateTime(row.due).Format("%a %d %b %H:%M"), row.group}) {
            cells.push_back(new wxStaticText(list, wxID_ANY, text, wxDefaultPosition, wxDefaultSize,
                                             wxST_NO_AUTORESIZE));
            grid->Add(cells.back(), wxSizerFlags().CenterVertical().Expand());
        }
        cells_.push_back(cells);
        auto* button = new wxButton(list, wxID_ANY, _("Open"));
        // Every row has its "Open": a screen reader says which schedule it opens.
        // TRANSLATORS: the name a screen reader gives a row's Open button; %s is the subject.
        NameControl(*button, wxString::Format(_("Open \"%s\""), row.subject));
        button->Enable(row.scheduleId != 0 && open_ != nullptr);
        button->Bind(wxEVT_BUTTON, [this, id = row.scheduleId](wxCommandEvent&) {
            if (open_) {
                open_(id);
            }
        });
        openButtons_.push_back(button);
        grid->Add(button, wxSizerFlags().CenterVertical());
    }
    auto* listSizer = new wxBoxSizer(wxVERTICAL);
    listSizer->Add(grid, wxSizerFlags(1).Expand().Border(wxALL, 6));
    list->SetSizer(listSizer);
    list->SetScrollRate(0, 10);
    // As tall as its rows, up to a bound; then it scrolls.
    const int rowHeight = openButtons_.empty() ? 0 : openButtons_.front()->GetBestSize().y + 4;
    const int shown = std::min<int>(static_cast<int>(rows.size()), kRowsShownAtMost);
    const wxSize best = listSizer->GetMinSize();
    list->SetMinSize(wxSize(std::max(best.x + 20, FromDIP(420)),
                            std::min(best.y, rowHeight * (shown + 1) + 12)));
    column->Add(list, wxSizerFlags(1).Expand().Border(wxLEFT | wxRIGHT));

    const wxString late = LateMailSentence(rows);
    if (!late.empty()) {
        lateMail_ = new wxStaticText(panel, wxID_ANY, late);
        lateMail_->Wrap(FromDIP(420));
        column->Add(lateMail_, wxSizerFlags().Border());
    }
    dismiss_ = new wxButton(panel, wxID_ANY, _("Dismiss All"));
    dismiss_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Close(); });
    column->Add(dismiss_, wxSizerFlags().Right().Border());
    panel->SetSizer(column);
    column->SetSizeHints(this);
    dismiss_->SetDefault();
}

}  // namespace calvendra
