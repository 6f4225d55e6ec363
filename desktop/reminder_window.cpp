#include "desktop/reminder_window.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <utility>

#include <gtk/gtk.h>
#include <wx/dcclient.h>
#include <wx/translation.h>
#include <wx/utils.h>

#include "resources/store_text.h"

namespace calvendra {

namespace {

constexpr long kStyle = wxBORDER_NONE | wxFRAME_TOOL_WINDOW | wxSTAY_ON_TOP | wxFRAME_NO_TASKBAR |
                        wxFULL_REPAINT_ON_RESIZE;
// Space between the text and the box around it.
constexpr int kTextMargin = 4;
// Space around the controls below the text.
constexpr int kControlGap = 2;
// The snooze menu's first id; each choice follows in the menu's order.
constexpr int kFirstSnoozeId = wxID_HIGHEST + 100;

Rect ToScreenRect(const wxRect& rect) {
    return {rect.x, rect.y, rect.x + rect.width, rect.y + rect.height};
}

wxStockCursor CursorFor(FrameZone zone) {
    switch (zone) {
        case FrameZone::kLeft:
        case FrameZone::kRight:
            return wxCURSOR_SIZEWE;
        case FrameZone::kTop:
        case FrameZone::kBottom:
            return wxCURSOR_SIZENS;
        case FrameZone::kTopLeft:
        case FrameZone::kBottomRight:
            return wxCURSOR_SIZENWSE;
        case FrameZone::kTopRight:
        case FrameZone::kBottomLeft:
            return wxCURSOR_SIZENESW;
        default:
            return wxCURSOR_ARROW;
    }
}

}  // namespace

// clang-format off
wxBEGIN_EVENT_TABLE(CReminderWnd, wxFrame)
    EVT_PAINT(CReminderWnd::OnPaint)
    EVT_SIZE(CReminderWnd::OnSize)
    EVT_LEFT_DOWN(CReminderWnd::OnLeftDown)
    EVT_LEFT_DCLICK(CReminderWnd::OnLeftDown)
    EVT_LEFT_UP(CReminderWnd::OnLeftUp)
    EVT_MOTION(CReminderWnd::OnMotion)
    EVT_LEAVE_WINDOW(CReminderWnd::OnLeaveWindow)
    EVT_MOUSE_CAPTURE_LOST(CReminderWnd::OnCaptureLost)
    EVT_MOUSE_CAPTURE_CHANGED(CReminderWnd::OnCaptureChanged)
    EVT_ACTIVATE(CReminderWnd::OnActivate)
    EVT_CLOSE(CReminderWnd::OnClose)
    EVT_MENU_RANGE(kFirstSnoozeId, kFirstSnoozeId + 5, CReminderWnd::OnSnoozeChoice)
wxEND_EVENT_TABLE()
// clang-format on

bool OpenReminderWindow(const std::string& subject, const std::string& text) {
    auto* note = new CReminderWnd;
    if (!note->Create(resources::FromStoreText(subject))) {
        delete note;
        return false;
    }
    note->SetText(resources::FromStoreText(text));
    note->Show();
    return true;
}

CReminderWnd* OpenReminderNote(const std::string& subject, const std::string& text,
                               NoteControls controls, const wxPoint& place) {
    auto* note = new CReminderWnd;
    if (!note->Create(resources::FromStoreText(subject))) {
        delete note;
        return nullptr;
    }
    note->SetText(resources::FromStoreText(text));
    note->AddControls(std::move(controls));
    note->Move(place);
    note->Show();
    return note;
}

CReminderWnd::CReminderWnd() : desktop_(*this), snapper_(desktop_) {
    metrics_ = painter_.Metrics();
    minimumSize_ = wxSize(4 * metrics_.captionHeight, 3 * metrics_.captionHeight);
}

bool CReminderWnd::Create(const wxString& subject) {
    if (!wxFrame::Create(nullptr, wxID_ANY, subject, wxPoint(kLeft, kTop), wxSize(kWidth, kHeight),
                         kStyle)) {
        return false;
    }
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetMinSize(minimumSize_);

    textBox_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxPoint(0, 0), wxSize(100, 100),
                              wxTE_MULTILINE);
    textBox_->SetEditable(false);
    // A multi-line text box is a text view inside a scrolled window; the margins keep the text
    // off the box's border, and a text that cannot be edited shows no caret.
    if (GtkWidget* view = gtk_bin_get_child(GTK_BIN(textBox_->GetHandle()));
        view != nullptr && GTK_IS_TEXT_VIEW(view)) {
        gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(view), FALSE);
        gtk_text_view_set_left_margin(GTK_TEXT_VIEW(view), kTextMargin);
        gtk_text_view_set_right_margin(GTK_TEXT_VIEW(view), kTextMargin);
        gtk_text_view_set_top_margin(GTK_TEXT_VIEW(view), kTextMargin);
        gtk_text_view_set_bottom_margin(GTK_TEXT_VIEW(view), kTextMargin);
    }
    PlaceTextBox();
    return true;
}

void CReminderWnd::AddControls(NoteControls controls) {
    controls_ = std::move(controls);
    details_ = new wxStaticText(this, wxID_ANY, controls_.details, wxDefaultPosition, wxDefaultSize,
                                wxST_ELLIPSIZE_END);
    // A narrow note cuts the line short: the whole of it is the label's tip.
    details_->SetToolTip(controls_.details);
    // TRANSLATORS: the reminder note's buttons; their mnemonics must differ.
    snoozeButton_ = new wxButton(this, wxID_ANY, _("&Snooze"));
    openButton_ = new wxButton(this, wxID_ANY, _("&Open"));
    snoozeButton_->Bind(wxEVT_BUTTON, &CReminderWnd::OnSnoozeButton, this);
    openButton_->Bind(wxEVT_BUTTON, &CReminderWnd::OnOpenButton, this);
    // The controls need room below the text: the smallest note still shows them.
    const int rowHeight = std::max(snoozeButton_->GetBestSize().y, openButton_->GetBestSize().y);
    minimumSize_.y = std::max(minimumSize_.y, metrics_.captionHeight + 2 * metrics_.border +
                                                  details_->GetBestSize().y + rowHeight +
                                                  3 * metrics_.captionHeight / 2);
    SetMinSize(minimumSize_);
    if (GetSize().y < minimumSize_.y) {
        SetSize(wxSize(GetSize().x, minimumSize_.y));
    }
    PlaceTextBox();
}

void CReminderWnd::PlaceTextBox() {
    const wxSize size = GetClientSize();
    Rect content = ContentRect(metrics_, size.x, size.y);
    if (details_ != nullptr) {
        const int detailsHeight = details_->GetBestSize().y;
        details_->SetSize(content.left + kTextMargin, content.top + kControlGap,
                          content.Width() - 2 * kTextMargin, detailsHeight);
        content.top += detailsHeight + 2 * kControlGap;
        const wxSize snooze = snoozeButton_->GetBestSize();
        const wxSize open = openButton_->GetBestSize();
        const int rowHeight = std::max(snooze.y, open.y);
        const int rowTop = content.bottom - rowHeight;
        snoozeButton_->SetSize(content.left, rowTop, snooze.x, rowHeight);
        openButton_->SetSize(content.left + snooze.x + kControlGap, rowTop, open.x, rowHeight);
        content.bottom = rowTop - kControlGap;
    }
    textBox_->SetSize(content.left, content.top, content.Width(), std::max(content.Height(), 1));
}

int CReminderWnd::SnoozeMenuId(SnoozeChoice choice) {
    return kFirstSnoozeId + static_cast<int>(choice);
}

wxMenu* CReminderWnd::MakeSnoozeMenu() const {
    auto* menu = new wxMenu;
    for (const SnoozeChoice choice : kSnoozeChoices) {
        menu->Append(SnoozeMenuId(choice), wxGetTranslation(SnoozeLabel(choice)));
    }
    return menu;
}

void CReminderWnd::OnSnoozeButton(wxCommandEvent&) {
    std::unique_ptr<wxMenu> menu(MakeSnoozeMenu());
    PopupMenu(menu.get(), snoozeButton_->GetPosition() + wxPoint(0, snoozeButton_->GetSize().y));
}

void CReminderWnd::OnSnoozeChoice(wxCommandEvent& event) {
    const int index = event.GetId() - kFirstSnoozeId;
    if (index < 0 || index >= static_cast<int>(std::size(kSnoozeChoices)) || !controls_.snooze) {
        return;
    }
    controls_.snooze(kSnoozeChoices[index]);
    Close();
}

void CReminderWnd::OnOpenButton(wxCommandEvent&) {
    if (controls_.open) {
        controls_.open();
    }
}

void CReminderWnd::SetText(const wxString& text) {
    textBox_->ChangeValue(text);
    textBox_->SetInsertionPoint(0);
    textBox_->ShowPosition(0);
}

void CReminderWnd::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    painter_.Paint(dc, metrics_, GetClientSize(), GetTitle(), closeButton_, active_);
}

// The text box always fills what the frame leaves free, so a resize re-wraps the text.
void CReminderWnd::OnSize(wxSizeEvent&) {
    if (textBox_ != nullptr) {
        PlaceTextBox();
    }
    Refresh();
}

FrameZone CReminderWnd::ZoneAt(const wxPoint& position) const {
    const wxSize size = GetClientSize();
    return calvendra::HitTest(metrics_, size.x, size.y, position.x, position.y);
}

void CReminderWnd::OnLeftDown(wxMouseEvent& event) {
    if (dragZone_ != FrameZone::kContent) {
        return;
    }
    const FrameZone zone = ZoneAt(event.GetPosition());
    if (zone == FrameZone::kContent) {
        return;
    }
    dragZone_ = zone;
    if (zone == FrameZone::kCloseButton) {
        SetCloseButtonState(NoteFramePainter::ButtonState::kPressed);
    } else {
        snapper_.Begin(WxSnapDesktop::IdOf(this));
        const Point cursor = desktop_.CursorPosition();
        placedRect_ = dragStartRect_ = ToScreenRect(GetRect());
        dragStartCursor_ = lastCursor_ = cursor;
        dragOffset_ = {cursor.x - placedRect_.left, cursor.y - placedRect_.top};
    }
    CaptureMouse();
}

void CReminderWnd::OnMotion(wxMouseEvent& event) {
    // Another window of the program may take the mouse without this one being told.
    if (dragZone_ != FrameZone::kContent && !HasCapture()) {
        AbandonDrag();
    }
    if (dragZone_ == FrameZone::kCloseButton) {
        // Pressed while over the button, raised while the cursor is away: release decides.
        SetCloseButtonState(ZoneAt(event.GetPosition()) == FrameZone::kCloseButton
                                ? NoteFramePainter::ButtonState::kPressed
                                : NoteFramePainter::ButtonState::kNormal);
    } else if (dragZone_ == FrameZone::kCaption) {
        MoveStep(desktop_.CursorPosition());
    } else if (IsSizingZone(dragZone_)) {
        SizeStep(desktop_.CursorPosition());
    } else {
        const FrameZone zone = ZoneAt(event.GetPosition());
        ShowCursorFor(zone);
        SetCloseButtonState(zone == FrameZone::kCloseButton
                                ? NoteFramePainter::ButtonState::kHovered
                                : NoteFramePainter::ButtonState::kNormal);
    }
}

// The proposal continues from where the last step put the window, shifted by what the cursor
// travelled since; a snapped edge holds because small steps keep being pulled back onto it.
void CReminderWnd::MoveStep(const Point& cursor) {
    Rect proposed = placedRect_;
    proposed.Offset(cursor.x - lastCursor_.x, cursor.y - lastCursor_.y);
    lastCursor_ = cursor;
    const Rect offered = proposed;
    snapper_.SnapWhileMoving(proposed);
    if (proposed == offered) {
        RealignWithCursor(proposed, cursor, dragOffset_);
    }
    PlaceWindow(proposed);
}

// The dragged edges follow the cursor from where the press caught them.
void CReminderWnd::SizeStep(const Point& cursor) {
    Rect proposed = ResizedRect(dragStartRect_, dragZone_, cursor.x - dragStartCursor_.x,
                                cursor.y - dragStartCursor_.y, minimumSize_.x, minimumSize_.y);
    snapper_.SnapWhileSizing(proposed);
    KeepMinimumSize(proposed, dragZone_, minimumSize_.x, minimumSize_.y);
    PlaceWindow(proposed);
}

void CReminderWnd::PlaceWindow(const Rect& rect) {
    if (rect == placedRect_) {
        return;
    }
    placedRect_ = rect;
    // -1 is a position like any other here, not "leave as it is".
    SetSize(rect.left, rect.top, rect.Width(), rect.Height(), wxSIZE_ALLOW_MINUS_ONE);
}

void CReminderWnd::OnLeftUp(wxMouseEvent& event) {
    const bool closing = dragZone_ == FrameZone::kCloseButton &&
                         ZoneAt(event.GetPosition()) == FrameZone::kCloseButton;
    EndDrag();
    if (closing) {
        Close();
    }
}

void CReminderWnd::OnLeaveWindow(wxMouseEvent&) {
    if (dragZone_ == FrameZone::kContent) {
        SetCloseButtonState(NoteFramePainter::ButtonState::kNormal);
        ShowCursorFor(FrameZone::kContent);
    }
}

// The system or another window took the mouse: the drag stops where it is. The mouse is not
// released here, since this window no longer holds it.
void CReminderWnd::OnCaptureLost(wxMouseCaptureLostEvent&) {
    AbandonDrag();
}

void CReminderWnd::OnCaptureChanged(wxMouseCaptureChangedEvent& event) {
    if (event.GetCapturedWindow() != this) {
        AbandonDrag();
    }
}

void CReminderWnd::AbandonDrag() {
    dragZone_ = FrameZone::kContent;
    SetCloseButtonState(NoteFramePainter::ButtonState::kNormal);
}

void CReminderWnd::OnActivate(wxActivateEvent& event) {
    active_ = event.GetActive();
    Refresh();
    // The frame's own handling gives the focus back to the text box.
    event.Skip();
}

// The window manager may close the note in the middle of a drag; a window must not go while it
// holds the mouse. The frame's own handling then destroys the note, and wx frees it soon after.
void CReminderWnd::OnClose(wxCloseEvent& event) {
    EndDrag();
    event.Skip();
}

void CReminderWnd::EndDrag() {
    AbandonDrag();
    if (HasCapture()) {
        ReleaseMouse();
    }
}

void CReminderWnd::ShowCursorFor(FrameZone zone) {
    if (zone != cursorZone_) {
        cursorZone_ = zone;
        SetCursor(wxCursor(CursorFor(zone)));
    }
}

void CReminderWnd::SetCloseButtonState(NoteFramePainter::ButtonState state) {
    if (state != closeButton_) {
        closeButton_ = state;
        const Rect button = CloseButtonRect(metrics_, GetClientSize().x);
        RefreshRect(wxRect(button.left, button.top, button.Width(), button.Height()));
    }
}

}  // namespace calvendra
