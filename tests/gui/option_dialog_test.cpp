// The start-up option: the dialog as the user clicks it, the AutoRun flag in the profile, the
// autostart entry, their order, and what happens when the entry cannot be changed.

#include <gio/gdesktopappinfo.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <wx/button.h>
#include <wx/config.h>
#include <wx/radiobut.h>
#include <wx/uiaction.h>

#include "app/main_frame.h"
#include "editors/option_dlg.h"
#include "resources/resource_ids.h"
#include "settings/auto_run_flag.h"
#include "settings/autostart_entry.h"
#include "settings/profile.h"
#include "tests/gui/support/dialog_testing.h"
#include "tests/gui/support/gui_test.h"
#include "tests/gui/support/organizer_fixture.h"
#include "tests/support/captured_log.h"
#include "tests/support/odbc_sandbox.h"

namespace calvendra::testing {
namespace {

namespace fs = std::filesystem;

constexpr char kNotChanged[] = "The start at log-in was not changed: ";

class OptionDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::remove(ProfileFilePath().c_str());
        SelectProfile();
        fs::remove_all(AutostartFolder());
    }

    void TearDown() override {
        delete wxConfigBase::Set(nullptr);
        fs::remove_all(AutostartFolder());
    }

    // The profile as a restart would read it.
    static void ReloadProfile() {
        delete wxConfigBase::Set(nullptr);
        SelectProfile();
    }

    // Shows the dialog as the tray menu does and waits until it is on the screen.
    static void Open(COptionDlg& dialog) {
        dialog.Show();
        ASSERT_TRUE(WaitUntil([&] { return dialog.IsShownOnScreen(); }));
    }

    // A click into the middle of a control, with the real pointer.
    static void Click(wxWindow& control) {
        wxUIActionSimulator mouse;
        mouse.MouseMove(control.GetScreenPosition() + control.GetSize() / 2);
        mouse.MouseClick();
        PumpEvents();
    }

    static void Choose(wxRadioButton& button) {
        Click(button);
        ASSERT_TRUE(WaitUntil([&] { return button.GetValue(); })) << button.GetLabel();
    }

    static void PressOk(COptionDlg& dialog) { Click(*dialog.FindWindow(wxID_OK)); }

    static std::string Profile() { return ReadFileText(ProfileFilePath()); }

    // The program an autostart entry starts, as the desktop reads it; empty when there is none.
    static std::string EntryProgram() {
        GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(AutostartEntryPath().c_str());
        if (info == nullptr) {
            return {};
        }
        const std::string program = g_app_info_get_executable(G_APP_INFO(info));
        g_object_unref(info);
        return program;
    }
};

TEST_F(OptionDialogTest, FirstUseShowsManuallyRunAndCancelWritesNothing) {
    COptionDlg dialog(nullptr);
    EXPECT_EQ(dialog.GetTitle(), "Option Dialog");
    // In tab order: the two choices, then OK (the default) and Cancel in the desktop's order.
    std::vector<std::string> labels;
    for (wxWindow* child : dialog.GetChildren()) {
        labels.push_back(child->GetLabel().utf8_string());
    }
    ASSERT_EQ(labels.size(), 4u);
    EXPECT_EQ(labels[0], "Auto Run when windows start");
    EXPECT_EQ(labels[1], "Manually Run");
    EXPECT_EQ(dialog.FindWindow(wxID_OK)->GetLabel(), "OK");
    EXPECT_EQ(dialog.FindWindow(wxID_CANCEL)->GetLabel(), "Cancel");
    EXPECT_EQ(dialog.GetDefaultItem(), dialog.FindWindow(wxID_OK));
    EXPECT_FALSE(dialog.AutoRunButton()->GetValue());
    EXPECT_TRUE(dialog.ManualRunButton()->GetValue());
    EXPECT_EQ(dialog.AutoRunFlag(), 0);

    Open(dialog);
    Choose(*dialog.AutoRunButton());
    EXPECT_EQ(dialog.AutoRunFlag(), 1);
    Click(*dialog.FindWindow(wxID_CANCEL));
    EXPECT_TRUE(WaitUntil([&] { return !dialog.IsShown(); }));
    EXPECT_EQ(Profile().find("AutoRun"), std::string::npos);
    EXPECT_FALSE(fs::exists(AutostartFolder()));
}

TEST_F(OptionDialogTest, AutoRunSavesTheFlagAndAnEntryThatStartsThisProgram) {
    const CapturedLog log;
    {
        COptionDlg dialog(nullptr);
        Open(dialog);
        Choose(*dialog.AutoRunButton());
        PressOk(dialog);
        EXPECT_TRUE(WaitUntil([&] { return !dialog.IsShown(); }));
        EXPECT_EQ(dialog.GetReturnCode(), wxID_OK);
    }
    EXPECT_NE(Profile().find("[Calvendra]\nAutoRun=1\n"), std::string::npos) << Profile();
    EXPECT_EQ(EntryProgram(), fs::canonical("/proc/self/exe").string());
    std::string output;
    EXPECT_EQ(RunCommand("desktop-file-validate '" + AutostartEntryPath() + "' 2>&1", &output), 0);
    EXPECT_EQ(output, "");
    EXPECT_EQ(log.Text(), "");

    // The next time, and after a restart, the dialog shows the choice.
    ReloadProfile();
    COptionDlg reopened(nullptr);
    EXPECT_TRUE(reopened.AutoRunButton()->GetValue());
    EXPECT_FALSE(reopened.ManualRunButton()->GetValue());
}

TEST_F(OptionDialogTest, ManuallyRunRemovesTheEntryAndWithoutOneEndsQuietly) {
    std::string error;
    SaveAutoRunFlag(1);
    ASSERT_TRUE(WriteAutostartEntry("/usr/bin/calvendra", error)) << error;
    const CapturedLog log;
    {
        COptionDlg dialog(nullptr);
        ASSERT_TRUE(dialog.AutoRunButton()->GetValue());
        Open(dialog);
        Choose(*dialog.ManualRunButton());
        PressOk(dialog);
        EXPECT_TRUE(WaitUntil([&] { return !dialog.IsShown(); }));
        EXPECT_EQ(dialog.GetReturnCode(), wxID_OK);
    }
    EXPECT_NE(Profile().find("[Calvendra]\nAutoRun=0\n"), std::string::npos) << Profile();
    EXPECT_FALSE(fs::exists(AutostartEntryPath()));

    // No entry and no autostart folder: OK ends the dialog and makes neither.
    fs::remove_all(AutostartFolder());
    COptionDlg again(nullptr);
    Open(again);
    PressOk(again);
    EXPECT_TRUE(WaitUntil([&] { return !again.IsShown(); }));
    EXPECT_EQ(again.GetReturnCode(), wxID_OK);
    EXPECT_FALSE(fs::exists(AutostartFolder()));
    EXPECT_EQ(log.Text(), "");
}

TEST_F(OptionDialogTest, AnEntryThatCannotBeChangedKeepsTheDialogOpenWithTheFlagSaved) {
    const struct {
        const char* name;
        bool autoRun;
        std::string obstacle;  // a file or folder put where the entry goes
        std::string reason;
    } cases[] = {
        {"a file where the autostart folder belongs", true, AutostartFolder(),
         "cannot create the autostart folder " + AutostartFolder() + ": Not a directory"},
        {"a folder where the entry belongs", false, AutostartEntryPath(),
         "cannot remove the autostart entry " + AutostartEntryPath() + ": Is a directory"},
    };
    for (const auto& c : cases) {
        SaveAutoRunFlag(c.autoRun ? 0 : 1);
        fs::remove_all(AutostartFolder());
        if (c.autoRun) {
            WriteFileText(c.obstacle, "in the way");
        } else {
            fs::create_directories(c.obstacle + "/inside");
        }
        COptionDlg dialog(nullptr);
        Open(dialog);
        Choose(c.autoRun ? *dialog.AutoRunButton() : *dialog.ManualRunButton());
        {
            const CapturedLog log;
            PressOk(dialog);
            EXPECT_NE(log.Text().find(kNotChanged + c.reason), std::string::npos) << c.name << "\n"
                                                                                  << log.Text();
        }
        EXPECT_TRUE(dialog.IsShown()) << c.name;
        // The flag went first and stays written.
        const std::string flag = c.autoRun ? "AutoRun=1" : "AutoRun=0";
        EXPECT_NE(Profile().find(flag), std::string::npos) << c.name;

        // With the obstacle gone, OK can be tried again.
        fs::remove_all(c.obstacle);
        PressOk(dialog);
        EXPECT_TRUE(WaitUntil([&] { return !dialog.IsShown(); })) << c.name;
        EXPECT_EQ(fs::exists(AutostartEntryPath()), c.autoRun) << c.name;
    }
}

TEST_F(OptionDialogTest, OpeningShowsWhatTheProfileSaysWhateverTheEntry) {
    const struct {
        const char* stored;
        bool autoRun;
    } cases[] = {{"1", true}, {"7", true}, {"-1", true}, {"0", false}, {"yes", false}, {"", false}};
    for (const auto& c : cases) {
        WriteFileText(ProfileFilePath(), std::string("[Calvendra]\nAutoRun=") + c.stored + "\n");
        ReloadProfile();
        COptionDlg dialog(nullptr);
        EXPECT_EQ(dialog.AutoRunButton()->GetValue(), c.autoRun) << c.stored;
        EXPECT_EQ(dialog.ManualRunButton()->GetValue(), !c.autoRun) << c.stored;
        EXPECT_EQ(dialog.AutoRunFlag(), c.autoRun ? 1 : 0) << c.stored;
    }
    // No entry was looked at or made.
    EXPECT_FALSE(fs::exists(AutostartFolder()));
}

class OptionCommandTest : public OrganizerTest {};

TEST_F(OptionCommandTest, TheTrayMenusOptionOpensTheDialogModally) {
    Start();
    CMainFrame& frame = *Windows().frame;
    // The command comes from the tray menu, not from the menu bar.
    wxCommandEvent option(wxEVT_MENU, resources::kIdOption);
    wxTEST_DIALOG(frame.GetEventHandler()->ProcessEvent(option),
                  ExpectDialog<COptionDlg>([&](COptionDlg* dialog) {
                      EXPECT_EQ(dialog->GetParent(), &frame);
                      EXPECT_TRUE(dialog->ManualRunButton()->GetValue());
                      return wxID_CANCEL;
                  }));
}

}  // namespace
}  // namespace calvendra::testing
