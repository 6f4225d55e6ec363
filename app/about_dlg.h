#pragma once

#include <wx/dialog.h>

namespace calvendra {

// "About Calvendra": the main icon, the version line, the maker's sales contact and web site.
class CAboutDlg : public wxDialog {
public:
    explicit CAboutDlg(wxWindow* parent);
};

}  // namespace calvendra
