#pragma once

#include <wx/modalhook.h>

class wxString;
class wxWindow;

namespace calvendra {

// What a screen reader announces for a control that wxWidgets draws itself.
enum class AccessibleRole { kTree, kTable };

// Gives such a control (the group tree, a report list) its name and role; GTK's own controls
// (buttons, fields, check boxes) have theirs from GTK.
void SetAccessibleName(wxWindow& control, const wxString& name, AccessibleRole role);

// Names each control of the window, and of the windows in it, that has no name of its own after
// the text before it in the window's order ("Subject:" for the subject's field) or, wanting one,
// the frame around it; a report list or a tree becomes a table or a tree.
void NameControlsByTheirLabels(wxWindow& window);

// Names the controls of every modal dialog so as it opens, while the object lives.
class CAccessibleDialogs : public wxModalDialogHook {
public:
    CAccessibleDialogs() { Register(); }
    ~CAccessibleDialogs() override { Unregister(); }

    CAccessibleDialogs(const CAccessibleDialogs&) = delete;
    CAccessibleDialogs& operator=(const CAccessibleDialogs&) = delete;

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog*) override {}
};

}  // namespace calvendra
