#pragma once

#include "platform/translatable.h"

class wxDialog;
class wxStdDialogButtonSizer;
class wxString;
class wxWindow;

// How the editors end: "OK" (the default button) and "Cancel", the question before a change, and
// closing with a result.
namespace calvendra {

// The question before an editor saves a stored item's changes.
inline constexpr char kSaveChangesQuestion[] = TRANSLATABLE("Do you want to save all you changed?");

// "OK" and "Cancel" in the platform's order, OK the default button.
wxStdDialogButtonSizer* CreateOkCancelButtons(wxDialog* dialog);

// Asks `question` in a message box captioned "Tips" with Yes and No; true only for Yes. `details`,
// when not empty, stand under the question.
bool AskTips(wxWindow* parent, const wxString& question);
bool AskTips(wxWindow* parent, const wxString& question, const wxString& details);

// Ends the dialog with `code`, whether it runs modally or is shown as a plain window (as tests
// and modal-dialog hooks run it).
void FinishDialog(wxDialog& dialog, int code);

}  // namespace calvendra
