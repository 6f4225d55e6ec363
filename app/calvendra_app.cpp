#include "app/calvendra_app.h"

#include <csignal>

#include <wx/docview.h>

#include "app/about_dlg.h"
#include "app/calvendra_doc.h"
#include "app/main_frame.h"
#include "app/single_instance.h"
#include "app/user_locale.h"
#include "app/window_set.h"
#include "app/x11_window.h"
#include "platform/product_folder.h"
#include "resources/resource_ids.h"
#include "resources/strings.h"
#include "settings/profile.h"

namespace calvendra {

wxBEGIN_EVENT_TABLE(CCalvendraApp, wxApp)
    EVT_MENU(resources::kIdAbout, CCalvendraApp::OnAbout)
wxEND_EVENT_TABLE()

CCalvendraApp::CCalvendraApp() {
    SetAppName("calvendra");
    SetAppDisplayName(resources::kApplicationTitle);
    skin_.Bind();
}

CCalvendraApp::~CCalvendraApp() {
    skin_.Unbind();
}

bool CCalvendraApp::OnInit() {
    if (HandOverToRunningInstance()) {
        handedOver_ = true;
        return true;
    }
    if (!wxApp::OnInit()) {
        return false;
    }
    // Before the reading thread and the mail worker start.
    FollowUserLocale();
    // The mail transport writes to sockets that the server may close: that must fail the write,
    // not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    SelectProfile();
    skin_.Start(SkinFilePath());

    documents_ = std::make_unique<wxDocManager>();
    RegisterDocumentTemplate(*documents_);
    const WindowSet windows = CreateWindowSet(*documents_);
    if (windows.frame == nullptr) {
        return false;
    }
    SetTopWindow(windows.frame);
    windows.frame->Maximize(true);
    windows.frame->Show(true);
    windows.frame->Update();
    skin_.SetWindow(X11WindowId(*windows.frame));
    return true;
}

int CCalvendraApp::OnRun() {
    if (handedOver_) {
        return 0;
    }
    return wxApp::OnRun();
}

int CCalvendraApp::OnExit() {
    skin_.Remove();
    documents_.reset();
    return wxApp::OnExit();
}

void CCalvendraApp::OnAbout(wxCommandEvent&) {
    CAboutDlg dialog(GetTopWindow());
    dialog.ShowModal();
}

}  // namespace calvendra
