#pragma once

#include <wx/modalhook.h>

class wxString;
class wxToolBar;
class wxWindow;

namespace calvendra {

// What a screen reader announces for a control that wxWidgets draws itself.
enum class AccessibleRole { kTree, kTable };

// Gives such a control (the group tree, a report list) its name and role; GTK's own controls
// (buttons, fields, check boxes) have theirs from GTK.
void SetAccessibleName(wxWindow& control, const wxString& name, AccessibleRole role);

// Gives a control a name of its own in place of the one its label gives it, for controls alike
// whose labels alone do not tell them apart (an "Open" button on each row).
void NameControl(wxWindow& control, const wxString& name);

// Names each control of the window, and of the windows in it, that has no name of its own after
// its label, as a sighted user reads it: the text on its left in the same row, else the text
// right before it in the window's order ("Subject:" for the subject's field), else the frame
// drawn around it; rows without any of these take the window's title. The label is also tied to the
// control, so that a screen reader reads it with a control that names itself (a choice says its
// choice). A report list or a tree becomes a table or a tree.
void NameControlsByTheirLabels(wxWindow& window);

// Names each drop-down arrow of the toolbar after its button ("Delete menu").
void NameDropDownArrows(wxToolBar& bar);

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
