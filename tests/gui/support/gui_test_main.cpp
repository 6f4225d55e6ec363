// The main of every window test program. Each test process runs on an X server of its own with a
// profile folder of its own; wx starts once, GoogleTest runs the tests in between. Assertions of
// wx and dialogs that no test expects become test failures.

#include <gdk/gdk.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <wx/app.h>
#include <wx/init.h>

#include "desktop/toolkit_backends.h"
#include "tests/gui/support/dialog_testing.h"
#include "tests/gui/support/private_display.h"

namespace calvendra::testing {

int& ActiveDialogExpectations() {
    static int active = 0;
    return active;
}

namespace {

class TestApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

// A wx assertion means the code under test misused the toolkit: it fails the running test.
void FailOnAssertion(const wxString& file, int line, const wxString& function,
                     const wxString& condition, const wxString& message) {
    ADD_FAILURE_AT(file.utf8_string().c_str(), line)
        << "wx assertion in " << function.utf8_string() << ": " << condition.utf8_string() << " "
        << message.utf8_string();
}

// Outside every wxTEST_DIALOG block a modal dialog is a failure, and it is cancelled at once.
class UnexpectedDialogGuard : public wxModalDialogHook {
protected:
    int Enter(wxDialog* dialog) override {
        if (ActiveDialogExpectations() > 0) {
            return wxID_NONE;
        }
        ADD_FAILURE() << "unexpected modal dialog \"" << dialog->GetTitle().utf8_string() << "\"";
        return wxID_CANCEL;
    }
    void Exit(wxDialog*) override {}
};

// The tests never touch the real user's settings: the profile lives in a folder of their own.
std::string MakeConfigFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "calvendra-gui.XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) {
        return {};
    }
    setenv("XDG_CONFIG_HOME", pattern.c_str(), 1);
    // What the organizer keeps between runs (snoozed reminders, the last scanned minute) too.
    setenv("XDG_STATE_HOME", (pattern + "/state").c_str(), 1);
    return pattern;
}

}  // namespace

}  // namespace calvendra::testing

wxIMPLEMENT_APP_NO_MAIN(calvendra::testing::TestApp);

int main(int argc, char** argv) {
    using namespace calvendra::testing;
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no display.
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }

    PrivateDisplay display;
    std::string error;
    if (!display.Start(error)) {
        std::fprintf(stderr, "No X server for the tests: %s\n", error.c_str());
        return 1;
    }
    // As the organizer starts its toolkit.
    calvendra::ChooseToolkitBackends();
    setenv("GDK_BACKEND", "x11", 1);
    // No accessibility bus: it only slows start-up and warns.
    setenv("NO_AT_BRIDGE", "1", 1);
    const std::string configFolder = MakeConfigFolder();

    wxSetAssertHandler(FailOnAssertion);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "wxWidgets could not start\n");
        return 1;
    }
    int result = 1;
    if (wxTheApp->CallOnInit()) {
        UnexpectedDialogGuard guard;
        guard.Register();
        result = RUN_ALL_TESTS();
        guard.Unregister();
        wxTheApp->OnExit();
    }
    wxEntryCleanup();
    std::error_code ignored;
    std::filesystem::remove_all(configFolder, ignored);
    return result;
}
