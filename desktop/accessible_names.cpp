#include "desktop/accessible_names.h"

#include <gtk/gtk.h>

#include <wx/dialog.h>
#include <wx/listctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/treectrl.h>
#include <wx/window.h>

namespace calvendra {

namespace {

AtkRole ToAtk(AccessibleRole role) {
    return role == AccessibleRole::kTree ? ATK_ROLE_TREE : ATK_ROLE_TABLE;
}

void Describe(GtkWidget* widget, const wxString& name, AtkRole role) {
    if (widget == nullptr) {
        return;
    }
    AtkObject* accessible = gtk_widget_get_accessible(widget);
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

bool HasAccessibleName(wxWindow& control) {
    GtkWidget* widget = FocusWidget(control);
    AtkObject* accessible = widget != nullptr ? gtk_widget_get_accessible(widget) : nullptr;
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

void NameChildren(wxWindow& window, wxString& lastLabel, const wxString& frame) {
    for (wxWindow* child : window.GetChildren()) {
        if (child->IsTopLevel()) {
            continue;
        }
        if (auto* box = dynamic_cast<wxStaticBox*>(child)) {
            // The frame names what it holds, whether the controls are its children or siblings.
            lastLabel.clear();
            NameChildren(*box, lastLabel, Spoken(box->GetLabel()));
            continue;
        }
        if (auto* label = dynamic_cast<wxStaticText*>(child)) {
            lastLabel = Spoken(label->GetLabel());
            continue;
        }
        const wxString name = !lastLabel.empty() ? lastLabel : frame;
        if (auto* list = dynamic_cast<wxListCtrl*>(child)) {
            SetAccessibleName(*list, name, AccessibleRole::kTable);
        } else if (auto* tree = dynamic_cast<wxTreeCtrl*>(child)) {
            SetAccessibleName(*tree, name, AccessibleRole::kTree);
        } else if (child->AcceptsFocus()) {
            if (!HasAccessibleName(*child) && !name.empty()) {
                atk_object_set_name(gtk_widget_get_accessible(FocusWidget(*child)),
                                    name.utf8_str());
            }
        } else {
            NameChildren(*child, lastLabel, frame);
            continue;
        }
        lastLabel.clear();
    }
}

}  // namespace

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
    wxString lastLabel;
    NameChildren(window, lastLabel, wxString());
}

int CAccessibleDialogs::Enter(wxDialog* dialog) {
    NameControlsByTheirLabels(*dialog);
    return wxID_NONE;
}

}  // namespace calvendra
