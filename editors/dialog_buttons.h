#pragma once

class wxDialog;
class wxStdDialogButtonSizer;

// How the editors end: "OK" (the default button) and "Cancel", and closing with a result.
namespace calvendra {

// "OK" and "Cancel" in the platform's order, OK the default button.
wxStdDialogButtonSizer* CreateOkCancelButtons(wxDialog* dialog);

// Ends the dialog with `code`, whether it runs modally or is shown as a plain window (as tests
// and modal-dialog hooks run it).
void FinishDialog(wxDialog& dialog, int code);

}  // namespace calvendra
