// The main of every window test: wx starts once for the whole test program, GoogleTest runs the
// tests in between. Assertions of wx and dialogs that no test expects become test failures.

#include <gdk/gdk.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include <wx/app.h>
#include <wx/init.h>

#include "tests/gui/support/dialog_testing.h"

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
    return pattern;
}

}  // namespace

}  // namespace calvendra::testing

wxIMPLEMENT_APP_NO_MAIN(calvendra::testing::TestApp);

int main(int argc, char** argv) {
    using namespace calvendra::testing;
    ::testing::InitGoogleTest(&argc, argv);
    const std::string configFolder = MakeConfigFolder();
    gdk_set_allowed_backends("x11");

    if (!wxEntryStart(argc, argv)) {
        fprintf(stderr, "cannot start wxWidgets: is there a display?\n");
        return 1;
    }
    wxSetAssertHandler(FailOnAssertion);
    if (!wxTheApp->CallOnInit()) {
        wxEntryCleanup();
        return 1;
    }
    UnexpectedDialogGuard guard;
    guard.Register();

    const int result = RUN_ALL_TESTS();

    guard.Unregister();
    wxTheApp->OnExit();
    wxEntryCleanup();
    std::error_code ignored;
    std::filesystem::remove_all(configFolder, ignored);
    return result;
}
