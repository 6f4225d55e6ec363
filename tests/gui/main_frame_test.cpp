// The main frame: menus, toolbar, status bar, the tray menu, closing, "Show" and "Exit", the
// reminder timer and the form's layout.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/treectrl.h>

#include "app/about_dlg.h"
#include "app/calvendra_doc.h"
#include "app/main_frame.h"
#include "desktop/system_tray.h"
#include "editors/email_set_dlg.h"
#include "platform/data_source.h"
#include "resources/images.h"
#include "resources/resource_ids.h"
#include "tests/gui/support/dialog_testing.h"
#include "tests/gui/support/gui_test.h"
#include "tests/gui/support/organizer_fixture.h"
#include "view/calvendra_view.h"

namespace calvendra::testing {
namespace {

using namespace resources;
using Strings = std::vector<std::string>;

class MainFrameTest : public OrganizerTest {
protected:
    CMainFrame& Frame() { return *Windows().frame; }

    static Strings Labels(const wxMenu& menu) {
        Strings labels;
        for (const wxMenuItem* item : menu.GetMenuItems()) {
            labels.push_back(item->IsSeparator() ? "-" : item->GetItemLabel().utf8_string());
        }
        return labels;
    }
};

TEST_F(MainFrameTest, TheMenuBarHoldsTheCommandsWithTheDeletesEnabledByWhatIsSelected) {
    Start();
    wxMenuBar& bar = *Frame().GetMenuBar();
    Strings titles;
    for (size_t i = 0; i < bar.GetMenuCount(); ++i) {
        titles.push_back(bar.GetMenuLabel(i).utf8_string());
    }
    EXPECT_EQ(titles, (Strings{"&File", "&View", "&Contact", "&Schedule", "S&etting", "&Help"}));
    EXPECT_EQ(Labels(*bar.GetMenu(0)), (Strings{"&Import...", "&Export...", "-", "E&xit\tCtrl+Q"}));
    EXPECT_EQ(Labels(*bar.GetMenu(1)),
              (Strings{"&Toolbar", "&Status Bar", "-", "&Refresh\tF5", "&Find\tCtrl+F"}));
    EXPECT_EQ(Labels(*bar.GetMenu(2)), (Strings{"&New", "&Delete Contact", "Delete &Group"}));
    EXPECT_EQ(Labels(*bar.GetMenu(2)->FindItemByPosition(0)->GetSubMenu()),
              (Strings{"New &Contact\tCtrl+N", "New &Group\tCtrl+Shift+N", "New S&ub-Group"}));
    EXPECT_EQ(Labels(*bar.GetMenu(3)),
              (Strings{"New Schedule &Group\tCtrl+Shift+T", "New S&ub-Group",
                       "&New Schedule\tCtrl+T", "&Delete Schedule", "Delete Schedule G&roup"}));
    EXPECT_EQ(Labels(*bar.GetMenu(4)), (Strings{"&Email Setting", "&Mail Queue..."}));
    EXPECT_EQ(Labels(*bar.GetMenu(5)), (Strings{"&About Calvendra..."}));
    EXPECT_EQ(bar.GetHelpString(kIdNewScheduleGroup), "Create a new schedule group");
    EXPECT_EQ(bar.GetHelpString(kIdRefresh), "Read the groups and the list again");

    // Start-up selected the schedule root: only its delete is offered, and refused later.
    bar.UpdateMenus();
    for (int selectionBound : {kIdDeleteItem, kIdDeleteContactGroup}) {
        EXPECT_FALSE(bar.IsEnabled(selectionBound)) << selectionBound;
    }
    for (int handled : {kIdNewDocument, kIdNewGroupMenu, kIdNewScheduleGroup, kIdNewSubGroup,
                        kIdNewSchedule, kIdDeleteScheduleGroup, kIdEmailSetting, kIdMailQueue,
                        kIdExit, kIdAbout, kIdViewToolbar, kIdViewStatusBar, kIdRefresh}) {
        EXPECT_TRUE(bar.IsEnabled(handled)) << handled;
    }
    EXPECT_TRUE(bar.IsChecked(kIdViewToolbar));
    EXPECT_TRUE(bar.IsChecked(kIdViewStatusBar));
}

TEST_F(MainFrameTest, TheToolbarHasItsButtonsTipsAndPromptsAndTheDeleteDropDown) {
    Start();
    wxToolBar& bar = *Frame().GetToolBar();
    EXPECT_EQ(bar.GetId(), kToolBarControlId);
    ASSERT_EQ(bar.GetToolsCount(), 7u);
    const int ids[] = {kIdNewContactGroup, kIdNewContact, kIdNewScheduleGroup, kIdNewSchedule,
                       kIdEmailSetting};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(bar.GetToolByPos(static_cast<int>(i))->GetId(), ids[i]);
    }
    EXPECT_TRUE(bar.GetToolByPos(5)->IsSeparator());
    EXPECT_EQ(bar.GetToolShortHelp(kIdNewContactGroup), "Create a new contact group");
    EXPECT_EQ(bar.GetToolLongHelp(kIdNewContactGroup), "Create a new contact group");
    EXPECT_EQ(bar.GetToolShortHelp(kIdEmailSetting), "Email Setting");

    const wxToolBarToolBase* remove = bar.GetToolByPos(6);
    EXPECT_EQ(remove->GetId(), kIdDeleteButton);
    EXPECT_EQ(remove->GetKind(), wxITEM_DROPDOWN);
    EXPECT_EQ(remove->GetShortHelp(), "");
    ASSERT_NE(remove->GetDropdownMenu(), nullptr);
    EXPECT_EQ(Labels(*remove->GetDropdownMenu()),
              (Strings{"Delete &Contact Group", "Delete &Schedule Group",
                       "&Delete Contact/Schedule", "-", "New S&ub-Group"}));

    bar.UpdateWindowUI(wxUPDATE_UI_NONE);
    EXPECT_TRUE(bar.GetToolEnabled(kIdNewContact));
    EXPECT_TRUE(bar.GetToolEnabled(kIdEmailSetting));
    EXPECT_TRUE(bar.GetToolEnabled(kIdDeleteButton));

    // The View menu hides and shows the toolbar and the status bar.
    Frame().ProcessCommand(kIdViewToolbar);
    EXPECT_FALSE(bar.IsShown());
    Frame().ProcessCommand(kIdViewToolbar);
    EXPECT_TRUE(bar.IsShown());
    Frame().ProcessCommand(kIdViewStatusBar);
    EXPECT_FALSE(Frame().GetStatusBar()->IsShown());
}

TEST_F(MainFrameTest, TheStatusBarHasTheMessagePaneAndThreeKeyIndicators) {
    Start();
    wxStatusBar& bar = *Frame().GetStatusBar();
    EXPECT_EQ(bar.GetId(), kStatusBarControlId);
    EXPECT_EQ(bar.GetFieldsCount(), 4);
    for (int pane = 1; pane < 4; ++pane) {
        const std::string text = bar.GetStatusText(pane).utf8_string();
        EXPECT_TRUE(text.empty() || text == "CAP" || text == "NUM" || text == "SCRL") << text;
    }
}

TEST_F(MainFrameTest, TheReminderTimerRunsOnceAMinute) {
    Start();
    EXPECT_TRUE(Frame().ReminderTimer().IsRunning());
    EXPECT_EQ(Frame().ReminderTimer().GetInterval(), 60000);
    EXPECT_EQ(Frame().ReminderTimer().GetId(), 0);
}

TEST_F(MainFrameTest, ClosingHidesAndShowBringsTheWindowBackMaximised) {
    WindowManager manager;
    ASSERT_TRUE(manager.IsRunning());
    Start(true);
    ASSERT_TRUE(WaitUntil([&] { return Frame().IsShownOnScreen() && Frame().IsMaximized(); }));
    // The user restores the window to its normal size, then closes it.
    // (asked again while it does not hold: a request made while the window manager is still
    // placing the window can be lost)
    ASSERT_TRUE(WaitUntil([&] {
        Frame().Maximize(false);
        return !Frame().IsMaximized();
    }));

    // The close is refused: the window only hides.
    EXPECT_FALSE(Frame().Close());
    EXPECT_TRUE(WaitUntil([&] { return !Frame().IsShownOnScreen(); }));
    EXPECT_FALSE(Frame().IsShown());
    EXPECT_FALSE(Frame().IsBeingDeleted());
    EXPECT_NE(wxTopLevelWindows.Find(&Frame()), nullptr);

    // "Show" comes from the tray menu, not from the menu bar.
    wxCommandEvent show(wxEVT_MENU, kIdShow);
    Frame().GetEventHandler()->ProcessEvent(show);
    EXPECT_TRUE(WaitUntil([&] { return Frame().IsShownOnScreen() && Frame().IsMaximized(); }))
        << Frame().IsShownOnScreen() << Frame().IsMaximized();
}

TEST_F(MainFrameTest, ExitRemovesTheTrayIconAndDestroysTheWindowWithoutAQuestion) {
    Start();
    ASSERT_NE(Frame().Tray(), nullptr);
    Frame().Hide();
    Frame().ProcessCommand(kIdExit);
    EXPECT_EQ(Frame().Tray(), nullptr);
    EXPECT_TRUE(wxPendingDelete.Member(&Frame()));
}

TEST_F(MainFrameTest, TheTrayMenuHasShowAsBoldDefaultAndItsDoubleClickShowsTheWindow) {
    Start();
    CSystemTray tray(Frame());
    // Xvfb has no notification area: the icon is refused and the program goes on without it.
    EXPECT_FALSE(tray.Create(nullptr, "Calvendra", LoadIconImage(kTrayIconNumber), 135));
    EXPECT_FALSE(tray.IsEnabled());

    std::unique_ptr<wxMenu> menu(tray.CreateTrayMenu());
    ASSERT_TRUE(menu);
    EXPECT_EQ(Labels(*menu), (Strings{"&Show", "&Option", "-", "E&xit"}));
    EXPECT_TRUE(menu->IsEnabled(kIdShow));
    EXPECT_TRUE(menu->IsEnabled(kIdOption));
    EXPECT_TRUE(menu->IsEnabled(kIdExit));
    GtkWidget* show = menu->FindItemByPosition(0)->GetMenuItem();
    ASSERT_NE(show, nullptr);
    EXPECT_STREQ(gtk_label_get_label(GTK_LABEL(gtk_bin_get_child(GTK_BIN(show)))), "<b>_Show</b>");
    EXPECT_EQ(tray.DefaultCommand(), kIdShow);

    ASSERT_FALSE(Frame().IsShown());
    EXPECT_EQ(tray.OnTrayNotification(135, CSystemTray::MouseAction::kOther), 1);
    EXPECT_FALSE(Frame().IsShown());
    EXPECT_EQ(tray.OnTrayNotification(136, CSystemTray::MouseAction::kLeftButtonDoubleClick), 0);
    EXPECT_FALSE(Frame().IsShown());
    EXPECT_EQ(tray.OnTrayNotification(135, CSystemTray::MouseAction::kLeftButtonDoubleClick), 1);
    EXPECT_TRUE(Frame().IsShown());
}

TEST_F(MainFrameTest, EmailSettingOpensTheDialogWithTheValuesTheProgramHolds) {
    Start();
    Windows().document->MailSettings().smtpServer = "held.example.org";
    Windows().document->MailSettings().smtpPort = 465;
    wxTEST_DIALOG(Frame().ProcessCommand(kIdEmailSetting),
                  ExpectDialog<CEmailSetDlg>([](CEmailSetDlg* dialog) {
                      EXPECT_EQ(dialog->ServerEdit()->GetValue(), "held.example.org");
                      EXPECT_EQ(dialog->PortEdit()->GetValue(), "465");
                      return wxID_CANCEL;
                  }));
}

TEST_F(MainFrameTest, ResizingKeepsTheTreesWidthAndGrowsTheList) {
    Start(false);
    wxTreeCtrl& tree = *Windows().view->Tree();
    wxListCtrl& list = *Windows().view->List();
    const wxRect treeBefore = tree.GetRect();
    const wxRect listBefore = list.GetRect();
    const wxSize formBefore = Windows().view->GetClientSize();

    Frame().SetClientSize(Frame().GetClientSize() + wxSize(300, 200));
    ASSERT_TRUE(WaitUntil([&] { return Windows().view->GetClientSize().x > formBefore.x; }));
    const wxRect treeAfter = tree.GetRect();
    const wxRect listAfter = list.GetRect();
    EXPECT_EQ(treeAfter.GetLeft(), treeBefore.GetLeft());
    EXPECT_EQ(treeAfter.GetTop(), treeBefore.GetTop());
    EXPECT_EQ(treeAfter.GetWidth(), treeBefore.GetWidth());
    EXPECT_GT(treeAfter.GetHeight(), treeBefore.GetHeight());
    EXPECT_EQ(listAfter.GetLeft(), listBefore.GetLeft());
    EXPECT_EQ(listAfter.GetTop(), listBefore.GetTop());
    EXPECT_GT(listAfter.GetWidth(), listBefore.GetWidth());
    EXPECT_GT(listAfter.GetHeight(), listBefore.GetHeight());
    // The list's right edge stays at the same fraction of the form's width.
    const wxSize formAfter = Windows().view->GetClientSize();
    EXPECT_NEAR(double(listAfter.GetRight() + 1) / formAfter.x,
                double(listBefore.GetRight() + 1) / formBefore.x, 0.01);
}

TEST_F(MainFrameTest, OnAScreenSmallerThanTheFormTheControlsStayInsideTheWindow) {
    auto* frame = new wxFrame(nullptr, wxID_ANY, "small", wxDefaultPosition, wxSize(480, 320));
    CDBConnection connection(kDataSourceName, kDataSourceUserId, kDataSourcePassword);
    EmailSettings settings;
    auto* view = new CCalvendraView(frame, connection, settings);
    view->OnInitialUpdate();
    PumpEvents();
    const wxSize client = view->GetClientSize();
    const wxSize form = view->ConvertDialogToPixels(
        wxSize(CCalvendraView::kFormWidthDlu, CCalvendraView::kFormHeightDlu));
    ASSERT_LT(client.x, form.x);
    const wxRect list = view->List()->GetRect();
    EXPECT_LE(list.GetRight(), client.x);
    EXPECT_LE(list.GetBottom(), client.y);
    EXPECT_GT(list.GetWidth(), 0);
    EXPECT_LT(view->Tree()->GetRect().GetRight(), list.GetLeft());
    frame->Destroy();
    PumpEvents();
}

TEST(AboutBox, ShowsTheVersionAndTheMakersLines) {
    CAboutDlg about(nullptr);
    EXPECT_EQ(about.GetTitle(), "About Calvendra");
    Strings texts;
    for (wxWindow* child : about.GetChildren()) {
        if (child->IsKindOf(wxCLASSINFO(wxStaticText))) {
            texts.push_back(child->GetLabel().utf8_string());
        }
    }
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "Calvendra Version 1.0");
    EXPECT_NE(about.FindWindow(wxID_OK), nullptr);
}

}  // namespace
}  // namespace calvendra::testing
