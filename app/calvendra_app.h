#pragma once

#include <memory>

#include <wx/app.h>

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
    // The optional skin library's steps. The program binds no skin library yet, so each of them
    // leaves the standard look.
    void BindSkin() {}
    void StartSkin() {}
    void SkinMainWindow(wxWindow*) {}
    void RemoveSkin() {}
    void UnbindSkin() {}

    void OnAbout(wxCommandEvent& event);

    std::unique_ptr<wxDocManager> documents_;
    // Set when a running instance was asked to show itself: this process then ends at once.
    bool handedOver_ = false;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace calvendra
