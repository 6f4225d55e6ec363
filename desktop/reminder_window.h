#pragma once

#include <functional>
#include <string>

#include <wx/button.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "desktop/note_frame.h"
#include "desktop/note_frame_painter.h"
#include "desktop/window_snapper.h"
#include "desktop/wx_snap_desktop.h"
#include "reminders/snooze.h"

namespace calvendra {

// Opens a note for a due reminder: the subject as its caption, the text in its body. Returns at
// once; the note then belongs to the user, who alone closes it. Both texts are UTF-8; a text that
// is not is shown byte for byte as Latin-1 rather than lost. False, with nothing shown, when the
// window cannot be created.
bool OpenReminderWindow(const std::string& subject, const std::string& text);

// What a note offers below its text: a line that says when the reminder was due and in which
// group, "Snooze" with its menu and "Open". A snooze closes the note once it is done.
struct NoteControls {
    wxString details;
    std::function<void(SnoozeChoice)> snooze;
    std::function<void()> open;
};

class CReminderWnd;

// Opens a note with its controls at `place` (its top-left corner on the screen); null, with
// nothing shown, when the window cannot be created.
CReminderWnd* OpenReminderNote(const std::string& subject, const std::string& text,
                               NoteControls controls, const wxPoint& place);

// A small always-on-top note with a read-only, selectable text. It has no task-bar entry and no
// parent, so it stays while the main window is hidden. The window manager would move and size it
// without telling anyone where it is about to go, so the note draws its own caption, close button
// and sizing border and drives moves and resizes itself, letting its snapper adjust every step.
class CReminderWnd : public wxFrame {
public:
    static constexpr int kLeft = 20;
    static constexpr int kTop = 20;
    static constexpr int kWidth = 200;
    static constexpr int kHeight = 200;

    CReminderWnd();

    // Creates the window at its fixed place with the subject, unchanged, as its caption, and
    // the empty text box.
    bool Create(const wxString& subject);

    void SetText(const wxString& text);

    // Adds the details line, "Snooze" and "Open" (see NoteControls).
    void AddControls(NoteControls controls);

    // The controls; null on a note without them.
    wxStaticText* DetailsLabel() const { return details_; }
    wxButton* SnoozeButton() const { return snoozeButton_; }
    wxButton* OpenButton() const { return openButton_; }

    // The menu that "Snooze" pops up: one entry per choice, with the choice's menu id.
    wxMenu* MakeSnoozeMenu() const;
    static int SnoozeMenuId(SnoozeChoice choice);

    // Where the caption, close button and border lie.
    const NoteFrameMetrics& Metrics() const { return metrics_; }

    // Open notes do not keep the program running: when the main window goes ("Exit"), they are
    // closed and the program ends.
    bool ShouldPreventAppExit() const override { return false; }

private:
    void OnPaint(wxPaintEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnLeaveWindow(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void OnCaptureChanged(wxMouseCaptureChangedEvent& event);
    void OnActivate(wxActivateEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnSnoozeButton(wxCommandEvent& event);
    void OnSnoozeChoice(wxCommandEvent& event);
    void OnOpenButton(wxCommandEvent& event);

    // The text box fills what the self-drawn frame and the controls leave free.
    void PlaceTextBox();
    FrameZone ZoneAt(const wxPoint& position) const;
    void ShowCursorFor(FrameZone zone);
    void SetCloseButtonState(NoteFramePainter::ButtonState state);
    void MoveStep(const Point& cursor);
    void SizeStep(const Point& cursor);
    void PlaceWindow(const Rect& rect);
    // Ends a move, a resize or a press of the close button; the mouse is released when this
    // window still holds it.
    void EndDrag();
    // Forgets the drag without touching the mouse capture.
    void AbandonDrag();

    wxTextCtrl* textBox_ = nullptr;
    wxStaticText* details_ = nullptr;
    wxButton* snoozeButton_ = nullptr;
    wxButton* openButton_ = nullptr;
    NoteControls controls_;
    WxSnapDesktop desktop_;
    CWindowSnapper snapper_;
    // Cursor position minus the window's top-left corner at the button press.
    Point dragOffset_;

    NoteFramePainter painter_;
    NoteFrameMetrics metrics_;
    wxSize minimumSize_;
    bool active_ = false;

    // What the pressed button drags: the caption moves, a sizing zone resizes, the close button
    // closes on release over it; the content means nothing is dragged.
    FrameZone dragZone_ = FrameZone::kContent;
    Rect dragStartRect_;
    Point dragStartCursor_;
    Point lastCursor_;
    // Where the last step put the window.
    Rect placedRect_;
    FrameZone cursorZone_ = FrameZone::kContent;
    NoteFramePainter::ButtonState closeButton_ = NoteFramePainter::ButtonState::kNormal;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace calvendra
