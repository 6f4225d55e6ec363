#pragma once

#include <memory>

#include <wx/app.h>

#include "desktop/skin_binding.h"

class wxDocManager;

namespace calvendra {

// The organizer's application object. Start-up makes sure only one organizer runs on the
// display, prepares the process, selects the profile and builds the window set; a second launch
// brings the running one forward instead and ends.
class CCalvendraApp : public wxApp {
public:
    CCalvendraApp();
    ~CCalvendraApp() override;

    bool OnInit() override;
    int OnRun() override;
    int OnExit() override;

private:
    void OnAbout(wxCommandEvent& event);

    // The optional skin library: bound when the application object is made, started before the
    // window set exists, applied to the main window once it is shown, removed at exit and
    // released with the object. Without the library each step does nothing.
    SkinBinding skin_;
    std::unique_ptr<wxDocManager> documents_;
    // Set when a running instance was asked to show itself: this process then ends at once.
    bool handedOver_ = false;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace calvendra
