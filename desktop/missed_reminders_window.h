#pragma once

#include <ctime>
#include <functional>
#include <vector>

#include <wx/button.h>
#include <wx/frame.h>
#include <wx/stattext.h>

#include "store/identifiers.h"

namespace calvendra {

// One reminder that fell due while the organizer was not running.
struct MissedRow {
    Identifier scheduleId = 0;
    wxString subject;
    std::time_t due = 0;
    wxString group;
    // Its mail was not sent: the reminder was found too late for it.
    bool mailTooLate = false;
};

// "Missed Reminders": what fell due while the organizer was not running, in one window rather
// than a heap of notes: subject, due time and group, "Open" on each row, and "Dismiss All". It
// says which mails were not sent because they were too late. It has no parent, so it shows while
// the main window is hidden.
class CMissedRemindersWnd : public wxFrame {
public:
    using OpenSchedule = std::function<void(Identifier)>;

    CMissedRemindersWnd(const std::vector<MissedRow>& rows, OpenSchedule open);

    // The "Open" button of each row, in the rows' order; the cells' texts, row by row.
    const std::vector<wxButton*>& OpenButtons() const { return openButtons_; }
    const std::vector<std::vector<wxStaticText*>>& Cells() const { return cells_; }
    wxButton* DismissButton() const { return dismiss_; }
    // The sentence about the mails not sent; null when every mail went or none was asked for.
    wxStaticText* LateMailText() const { return lateMail_; }

    bool ShouldPreventAppExit() const override { return false; }

private:
    OpenSchedule open_;
    std::vector<wxButton*> openButtons_;
    std::vector<std::vector<wxStaticText*>> cells_;
    wxButton* dismiss_ = nullptr;
    wxStaticText* lateMail_ = nullptr;
};

// The sentence that names the reminders whose mail was not sent; empty when there are none.
wxString LateMailSentence(const std::vector<MissedRow>& rows);

}  // namespace calvendra
