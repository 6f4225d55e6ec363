// Runs the note tests with a real wx application on an X server of their own.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <wx/app.h>
#include <wx/init.h>

#include "private_display.h"

namespace {

class TestApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

// A wx assertion means the code under test misused the toolkit: it fails the running test.
void FailOnAssertion(const wxString& file, int line, const wxString& function,
                     const wxString& condition, const wxString& message) {
    ADD_FAILURE_AT(file.utf8_str().data(), line)
        << "wx assertion in " << function.utf8_str().data() << ": " << condition.utf8_str().data()
        << " " << message.utf8_str().data();
}

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(TestApp);

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }

    calvendra::testing::PrivateDisplay display;
    std::string error;
    if (!display.Start(error)) {
        std::fprintf(stderr, "No X server for the tests: %s\n", error.c_str());
        return 1;
    }
    setenv("GDK_BACKEND", "x11", 1);
    // No accessibility bus: it only slows start-up and warns.
    setenv("NO_AT_BRIDGE", "1", 1);

    wxSetAssertHandler(FailOnAssertion);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "wxWidgets could not start\n");
        return 1;
    }
    int result = 1;
    if (wxTheApp->CallOnInit()) {
        result = RUN_ALL_TESTS();
        wxTheApp->OnExit();
    }
    wxEntryCleanup();
    return result;
}
