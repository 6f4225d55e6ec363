#include "desktop/accessible_names.h"

#include <gtk/gtk.h>

#include <vector>

#include <wx/dialog.h>
#include <wx/listctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/toolbar.h>
#include <wx/translation.h>
#include <wx/treectrl.h>
#include <wx/window.h>

namespace calvendra {

namespace {

AtkRole ToAtk(AccessibleRole role) {
    return role == AccessibleRole::kTree ? ATK_ROLE_TREE : ATK_ROLE_TABLE;
}

void Describe(GtkWidget* widget, const wxString& name, AtkRole role) {
    AtkObject* accessible = widget != nullptr ? gtk_widget_get_accessible(widget) : nullptr;
    if (accessible == nullptr) {
        return;
    }
    atk_object_set_name(accessible, name.utf8_str());
    atk_object_set_role(accessible, role);
}

// The GTK widget that takes the keyboard focus for the control.
GtkWidget* FocusWidget(wxWindow& control) {
    return control.m_focusWidget != nullptr ? control.m_focusWidget : control.GetConnectWidget();
}

AtkObject* AccessibleOf(wxWindow& control) {
    GtkWidget* widget = FocusWidget(control);
    return widget != nullptr ? gtk_widget_get_accessible(widget) : nullptr;
}

bool HasAccessibleName(wxWindow& control) {
    AtkObject* accessible = AccessibleOf(control);
    const char* name = accessible != nullptr ? atk_object_get_name(accessible) : nullptr;
    return name != nullptr && *name != '\0';
}

// "&Subject:" as a screen reader says it: "Subject".
wxString Spoken(const wxString& label) {
    wxString text = wxControl::RemoveMnemonics(label);
    text.Trim();
    if (text.EndsWith(":")) {
        text.RemoveLast();
    }
    return text.Trim();
}

// Where a window lies in its top-level window's client area, as laid out.
wxRect RectInTop(const wxWindow& window) {
    wxRect rect = window.GetRect();
    for (const wxWindow* parent = window.GetParent(); parent != nullptr && !window.IsTopLevel();
         parent = parent->GetParent()) {
        if (parent->IsTopLevel()) {
            break;
        }
        rect.Offset(parent->GetPosition() + parent->GetClientAreaOrigin());
    }
    return rect;
}

// The labels and frames of a window, and the controls a user works with, in the window's order.
struct Parts {
    std::vector<wxStaticText*> labels;
    std::vector<wxStaticBox*> frames;
    std::vector<wxWindow*> controls;
    // For each control, the label right before it in the window's order, if any.
    std::vector<wxStaticText*> labelBefore;
};

void Collect(wxWindow& window, Parts& parts, wxStaticText*& lastLabel) {
    for (wxWindow* child : window.GetChildren()) {
        if (child->IsTopLevel()) {
            continue;
        }
        if (auto* frame = dynamic_cast<wxStaticBox*>(child)) {
            parts.frames.push_back(frame);
            lastLabel = nullptr;
            Collect(*frame, parts, lastLabel);
        } else if (auto* label = dynamic_cast<wxStaticText*>(child)) {
            parts.labels.push_back(label);
            lastLabel = label;
        } else if (child->AcceptsFocus() || dynamic_cast<wxListCtrl*>(child) != nullptr ||
                   dynamic_cast<wxTreeCtrl*>(child) != nullptr) {
            parts.controls.push_back(child);
            parts.labelBefore.push_back(lastLabel);
            lastLabel = nullptr;
        } else {
            Collect(*child, parts, lastLabel);
        }
    }
}

// The label a sighted user reads as the control's: the nearest one on its left in the same row,
// else the one right before it in the window's order.
wxStaticText* LabelOf(const Parts& parts, std::size_t index) {
    const wxRect control = RectInTop(*parts.controls[index]);
    wxStaticText* found = nullptr;
    int nearest = 0;
    for (wxStaticText* label : parts.labels) {
        const wxRect rect = RectInTop(*label);
        const int middle = rect.y + rect.height / 2;
        if (rect.GetRight() <= control.x && middle >= control.y && middle <= control.GetBottom() &&
            (found == nullptr || rect.GetRight() > nearest)) {
            found = label;
            nearest = rect.GetRight();
        }
    }
    return found != nullptr ? found : parts.labelBefore[index];
}

// The innermost frame drawn around the control, if any.
wxStaticBox* FrameAround(const Parts& parts, const wxWindow& control) {
    const wxRect rect = RectInTop(control);
    wxStaticBox* found = nullptr;
    for (wxStaticBox* frame : parts.frames) {
        const wxRect around = RectInTop(*frame);
        if (around.Contains(rect) && (found == nullptr || RectInTop(*found).Contains(around))) {
            found = frame;
        }
    }
    return found;
}

// The arrow of a drop-down tool button is the toggle button inside it.
void NameToggleButtons(GtkWidget* widget, const wxString& name) {
    if (GTK_IS_TOGGLE_BUTTON(widget)) {
        atk_object_set_name(gtk_widget_get_accessible(widget), name.utf8_str());
        return;
    }
    if (!GTK_IS_CONTAINER(widget)) {
        return;
    }
    // Every child, the container's own parts included.
    gtk_container_forall(
        GTK_CONTAINER(widget),
        [](GtkWidget* child, gpointer data) {
            NameToggleButtons(child, *static_cast<const wxString*>(data));
        },
        const_cast<wxString*>(&name));
}

// A button or a check box: its text is its label.
bool CarriesItsLabel(wxWindow& control) {
    AtkObject* accessible = AccessibleOf(control);
    if (accessible == nullptr) {
        return false;
    }
    switch (atk_object_get_role(accessible)) {
        case ATK_ROLE_PUSH_BUTTON:
        case ATK_ROLE_TOGGLE_BUTTON:
        case ATK_ROLE_CHECK_BOX:
        case ATK_ROLE_RADIO_BUTTON:
            return HasAccessibleName(control);
        default:
            return false;
    }
}

// Tells assistive technologies that the label labels the control, both ways.
void Relate(wxStaticText& label, wxWindow& control) {
    AtkObject* labelObject = gtk_widget_get_accessible(label.m_widget);
    AtkObject* controlObject = AccessibleOf(control);
    if (labelObject != nullptr && controlObject != nullptr) {
        atk_object_add_relationship(controlObject, ATK_RELATION_LABELLED_BY, labelObject);
        atk_object_add_relationship(labelObject, ATK_RELATION_LABEL_FOR, controlObject);
    }
}

// Names the arrow of each drop-down tool button at or below the widget after its button.
void NameArrowsBelow(GtkWidget* widget) {
    if (widget == nullptr || !GTK_IS_CONTAINER(widget)) {
        return;
    }
    // wxWidgets puts the arrow, a toggle button, into the tool button beside the button.
    if (GTK_IS_TOOL_BUTTON(widget)) {
        const gchar* label = gtk_tool_button_get_label(GTK_TOOL_BUTTON(widget));
        // TRANSLATORS: the name a screen reader gives the arrow beside a toolbar button that
        // opens the button's menu; %s is the button's label.
        const wxString name =
            wxString::Format(_("%s menu"), wxString::FromUTF8(label != nullptr ? label : ""));
        NameToggleButtons(widget, name);
        return;
    }
    gtk_container_forall(
        GTK_CONTAINER(widget), [](GtkWidget* child, gpointer) { NameArrowsBelow(child); }, nullptr);
}

}  // namespace

void NameControl(wxWindow& control, const wxString& name) {
    if (AtkObject* accessible = AccessibleOf(control)) {
        atk_object_set_name(accessible, name.utf8_str());
    }
}

void SetAccessibleName(wxWindow& control, const wxString& name, AccessibleRole role) {
    Describe(control.m_widget, name, ToAtk(role));
    if (control.m_wxwindow != nullptr && control.m_wxwindow != control.m_widget) {
        Describe(control.m_wxwindow, name, ToAtk(role));
    }
    // A generic list has its rows in a window of its own, which takes the focus.
    for (wxWindow* part : control.GetChildren()) {
        if (part->AcceptsFocus()) {
            Describe(part->m_wxwindow != nullptr ? part->m_wxwindow : part->m_widget, name,
                     ToAtk(role));
        }
    }
}

void NameControlsByTheirLabels(wxWindow& window) {
    Parts parts;
    wxStaticText* lastLabel = nullptr;
    Collect(window, parts, lastLabel);
    for (std::size_t index = 0; index < parts.controls.size(); ++index) {
        wxWindow& control = *parts.controls[index];
        if (CarriesItsLabel(control)) {
            continue;
        }
        wxString name;
        if (wxStaticText* label = LabelOf(parts, index)) {
            Relate(*label, control);
            name = Spoken(label->GetLabel());
        } else if (wxStaticBox* frame = FrameAround(parts, control)) {
            name = Spoken(frame->GetLabel());
        }
        const bool rows = dynamic_cast<wxListCtrl*>(&control) != nullptr ||
                          dynamic_cast<wxTreeCtrl*>(&control) != nullptr;
        if (name.empty() && rows && window.IsTopLevel()) {
            // The rows a window is about ("Contact List").
            name = window.GetLabel();
        }
        if (auto* list = dynamic_cast<wxListCtrl*>(&control)) {
            SetAccessibleName(*list, name, AccessibleRole::kTable);
        } else if (auto* tree = dynamic_cast<wxTreeCtrl*>(&control)) {
            SetAccessibleName(*tree, name, AccessibleRole::kTree);
        } else if (!HasAccessibleName(control) && !name.empty()) {
            atk_object_set_name(AccessibleOf(control), name.utf8_str());
        }
    }
}

void NameDropDownArrows(wxToolBar& bar) {
    NameArrowsBelow(bar.m_widget);
}

int CAccessibleDialogs::Enter(wxDialog* dialog) {
    NameControlsByTheirLabels(*dialog);
    return wxID_NONE;
}

}  // namespace calvendra
