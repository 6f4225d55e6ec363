// The organizer in the user's language: the German menus and contact editor (whose gender is
// still stored in English), every labelled control of the main window and of each editor whole in
// German, French and Spanish, and the list's dates, times and weekdays in the locale's forms while
// the stored texts stay as they are.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/menu.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/translation.h>
#include <wx/treectrl.h>
#include <wx/uilocale.h>

#include "app/about_dlg.h"
#include "app/main_frame.h"
#include "editors/business_info_dlg.h"
#include "editors/contact_list_dlg.h"
#include "editors/email_set_dlg.h"
#include "editors/group_list_dlg.h"
#include "editors/mail_queue_dlg.h"
#include "editors/new_contact_dlg.h"
#include "editors/new_group_dlg.h"
#include "editors/new_schedule_dlg.h"
#include "editors/option_dlg.h"
#include "editors/picker_rows.h"
#include "editors/remind_set_dlg.h"
#include "exchange/export_dlg.h"
#include "resources/resource_ids.h"
#include "resources/translations.h"
#include "store/reminder_encoding.h"
#include "store/repeat_rule.h"
#include "tests/gui/support/dialog_testing.h"
#include "tests/gui/support/editor_fixture.h"
#include "tests/gui/support/gui_test.h"
#include "tests/gui/support/organizer_fixture.h"
#include "view/calvendra_view.h"

namespace calvendra::testing {
namespace {

using Strings = std::vector<std::string>;

// The windows made while the object lives show their texts in `language`, from the catalogues
// the build compiled; afterwards the texts are the English ones again.
class ScopedLanguage {
public:
    explicit ScopedLanguage(const std::string& language) {
        resources::TranslateInto(language, {CALVENDRA_BUILD_LOCALE_DIR});
    }
    ~ScopedLanguage() { wxTranslations::Set(nullptr); }
    ScopedLanguage(const ScopedLanguage&) = delete;
    ScopedLanguage& operator=(const ScopedLanguage&) = delete;
};

// The process in a user's locale (LC_ALL, as the user's environment names it), for the life of
// the object; the C locale comes back afterwards.
class ScopedUserLocale {
public:
    explicit ScopedUserLocale(const char* name) {
        setenv("LC_ALL", name, 1);
        active_ = wxUILocale::UseDefault();
    }
    ~ScopedUserLocale() {
        setenv("LC_ALL", "C", 1);
        wxUILocale::UseDefault();
        unsetenv("LC_ALL");
    }
    bool Active() const { return active_; }
    ScopedUserLocale(const ScopedUserLocale&) = delete;
    ScopedUserLocale& operator=(const ScopedUserLocale&) = delete;

private:
    bool active_ = false;
};

Strings MenuLabels(const wxMenu& menu) {
    Strings labels;
    for (const wxMenuItem* item : menu.GetMenuItems()) {
        labels.push_back(item->IsSeparator() ? "-" : item->GetItemLabel().utf8_string());
    }
    return labels;
}

// The labelled controls of `top` whose text needs more room than they were given, each as
// "<label>: needs WxH, has WxH".
Strings ClippedControls(wxWindow& top) {
    Strings clipped;
    std::function<void(wxWindow&)> visit = [&](wxWindow& window) {
        for (wxWindow* child : window.GetChildren()) {
            if (child->IsTopLevel() || !child->IsShown()) {
                continue;
            }
            const bool labelled = wxDynamicCast(child, wxStaticText) != nullptr ||
                                  wxDynamicCast(child, wxButton) != nullptr ||
                                  wxDynamicCast(child, wxCheckBox) != nullptr ||
                                  wxDynamicCast(child, wxRadioButton) != nullptr ||
                                  wxDynamicCast(child, wxChoice) != nullptr;
            if (labelled) {
                const wxSize best = child->GetBestSize();
                const wxSize size = child->GetSize();
                if (size.x < best.x || size.y < best.y) {
                    auto* choice = wxDynamicCast(child, wxChoice);
                    const wxString text = choice != nullptr && choice->GetCount() > 0
                                              ? choice->GetString(0)
                                              : child->GetLabel();
                    clipped.push_back(text.utf8_string() + ": needs " + std::to_string(best.x) +
                                      "x" + std::to_string(best.y) + ", has " +
                                      std::to_string(size.x) + "x" + std::to_string(size.y));
                }
            }
            visit(*child);
        }
    };
    visit(top);
    return clipped;
}

// Shows `window` as a user meets it and lists its clipped controls.
Strings ClippedWhenShown(wxTopLevelWindow& window) {
    window.Show();
    EXPECT_TRUE(WaitUntil([&window] { return window.IsShownOnScreen(); })) << window.GetTitle();
    PumpEvents();
    Strings clipped = ClippedControls(window);
    window.Hide();
    return clipped;
}

constexpr const char* kLanguages[] = {"de", "fr", "es"};

class DesktopCitizenGerman : public OrganizerTest {};

TEST_F(DesktopCitizenGerman, TheMainWindowsMenusPromptsAndHeadingsAreGerman) {
    ScopedLanguage german("de");
    Start();
    wxMenuBar& bar = *Windows().frame->GetMenuBar();
    Strings titles;
    for (size_t i = 0; i < bar.GetMenuCount(); ++i) {
        titles.push_back(bar.GetMenuLabel(i).utf8_string());
    }
    EXPECT_EQ(titles,
              (Strings{"&Datei", "&Ansicht", "&Kontakt", "&Termin", "&Einstellungen", "&Hilfe"}));
    EXPECT_EQ(MenuLabels(*bar.GetMenu(0)),
              (Strings{"&Importieren …", "&Exportieren …", "-", "&Beenden\tCtrl+Q"}));
    EXPECT_EQ(MenuLabels(*bar.GetMenu(3)),
              (Strings{"Neue Termin&gruppe\tCtrl+Shift+T", "Neue &Untergruppe",
                       "&Neuer Termin\tCtrl+T", "Termin &löschen", "T&ermingruppe löschen"}));
    EXPECT_EQ(bar.GetHelpString(resources::kIdRefresh).utf8_string(),
              "Gruppen und Liste neu einlesen");
    // The shortcuts still work whatever the language: wx reads them from the German labels.
    const wxMenuItem* exit = bar.FindItem(resources::kIdExit);
    ASSERT_NE(exit, nullptr);
    const std::unique_ptr<wxAcceleratorEntry> shortcut(exit->GetAccel());
    ASSERT_TRUE(shortcut);
    EXPECT_EQ(shortcut->GetKeyCode(), 'Q');
    EXPECT_EQ(shortcut->GetFlags(), wxACCEL_CTRL);
    // Start-up lists the schedules.
    EXPECT_EQ(Headings(List()), (Strings{"Betreff", "Erinnerungszeit"}));
}

class DesktopCitizenGermanEditor : public EditorDialogTest {};

TEST_F(DesktopCitizenGermanEditor, TheContactEditorIsGermanAndStoresTheGenderInEnglish) {
    ScopedLanguage german("de");
    CNewContactDlg dialog(nullptr, Connection(), EditMode::kNew, 1000000021, 1000000002);
    EXPECT_EQ(dialog.GetTitle().utf8_string(), "Neuer Kontakt");
    EXPECT_EQ(dialog.BusinessButton()->GetLabel().utf8_string(), "Geschäftliche Angaben");
    EXPECT_EQ(dialog.FindWindow(wxID_CANCEL)->GetLabel().utf8_string(), "Abbrechen");
    wxChoice& gender = *dialog.GenderChoice();
    ASSERT_EQ(gender.GetCount(), 3u);
    EXPECT_EQ(gender.GetString(0).utf8_string(), "Keine Angabe");
    EXPECT_EQ(gender.GetString(1).utf8_string(), "Männlich");
    EXPECT_EQ(gender.GetString(2).utf8_string(), "Weiblich");
    EXPECT_EQ(gender.GetStringSelection().utf8_string(), "Keine Angabe");
    Strings labels;
    for (const wxWindow* child : dialog.GetChildren()) {
        if (wxDynamicCast(child, wxStaticText) != nullptr) {
            labels.push_back(child->GetLabel().utf8_string());
        }
    }
    EXPECT_NE(std::find(labels.begin(), labels.end(), "Vorname:"), labels.end());
    EXPECT_NE(std::find(labels.begin(), labels.end(), "Geschlecht:"), labels.end());

    dialog.Edit(ContactField::kFirstName)->ChangeValue("Lena");
    gender.SetSelection(1);
    // The question, and the stored contact: "Male", as every reader of the table expects.
    wxTEST_DIALOG(PressButton(dialog, wxID_OK),
                  ExpectMessage(wxString::FromUTF8("Möchten Sie diesen neuen Kontakt anlegen und "
                                                   "in die gewählte Gruppe einfügen?"),
                                wxYES));
    ASSERT_FALSE(dialog.Statement().empty());
    ASSERT_TRUE(Connection().ExecuteStatement(dialog.Statement()));
    EXPECT_EQ(Database().QueryValue(
                  "select gender from assist_contactmaininfo where contact_id='1000000021'"),
              "Male");
}

// The main window and every editor, whole in each language.
class DesktopCitizenLanguageFit : public EditorDialogTest,
                                  public ::testing::WithParamInterface<const char*> {};

TEST_P(DesktopCitizenLanguageFit, EveryEditorShowsEachLabelWhole) {
    ScopedLanguage language(GetParam());
    EmailSettings settings;
    std::vector<std::unique_ptr<wxTopLevelWindow>> editors;
    editors.push_back(std::make_unique<CNewContactDlg>(nullptr, Connection(), EditMode::kNew,
                                                       1000000021, 1000000002));
    editors.push_back(std::make_unique<CBusinessInfoDlg>(nullptr, ContactValues()));
    editors.push_back(std::make_unique<CNewScheduleDlg>(nullptr, Connection(), EditMode::kNew,
                                                        2000000021, 2000000002));
    editors.push_back(
        std::make_unique<CRemindSetDlg>(nullptr, Connection(), 2000000021, ReminderSettings()));
    editors.push_back(std::make_unique<CNewGroupDlg>(nullptr, Connection(), kContactKind,
                                                     1000000021, 1000000020));
    editors.push_back(std::make_unique<CNewGroupDlg>(nullptr, Connection(), kScheduleKind,
                                                     2000000021, 2000000020));
    editors.push_back(std::make_unique<CEmailSetDlg>(nullptr, settings));
    editors.push_back(std::make_unique<COptionDlg>(nullptr));
    editors.push_back(std::make_unique<CGroupListDlg>(nullptr, Connection(), 1, 1000000002));
    editors.push_back(std::make_unique<CContactListDlg>(nullptr, Connection(), kContactKind));
    editors.push_back(std::make_unique<CMailQueueDlg>(nullptr, Connection(), [] {}));
    editors.push_back(std::make_unique<CExportDlg>(nullptr, 2000000002, "Work"));
    editors.push_back(std::make_unique<CAboutDlg>(nullptr));
    for (const auto& editor : editors) {
        EXPECT_EQ(ClippedWhenShown(*editor), Strings()) << editor->GetTitle().utf8_string();
    }
    // Each is in the language: its title is not the English one.
    EXPECT_NE(editors.front()->GetTitle(), "New Contact Dialog");
    for (auto& editor : editors) {
        editor->Destroy();
        editor.release();
    }
    PumpEvents();
}

INSTANTIATE_TEST_SUITE_P(Languages, DesktopCitizenLanguageFit, ::testing::ValuesIn(kLanguages));

class DesktopCitizenMainWindowFit : public OrganizerTest,
                                    public ::testing::WithParamInterface<const char*> {};

TEST_P(DesktopCitizenMainWindowFit, TheMainWindowShowsEachLabelWhole) {
    ScopedLanguage language(GetParam());
    Start(true);
    CMainFrame& frame = *Windows().frame;
    EXPECT_NE(frame.GetMenuBar()->GetMenuLabel(0), "&File");
    EXPECT_EQ(ClippedWhenShown(frame), Strings());
}

INSTANTIATE_TEST_SUITE_P(Languages, DesktopCitizenMainWindowFit, ::testing::ValuesIn(kLanguages));

// The list in a German user's locale: dates, times and weekdays in German forms, while the
// stored reminder columns keep the forms every reader of the table expects.
class DesktopCitizenGermanDates : public OrganizerTest {
protected:
    void SetUp() override {
        OrganizerTest::SetUp();
        Database().Execute(
            "insert into assist_group values('2000000002','Arbeit','2000000001');"
            "insert into assist_scheduleinfo values"
            " ('2000000003','2000000002','Besprechung','',1,2,'1','','09:30:00',0),"
            " ('2000000004','2000000002','Bericht','',1,1,'0','2027-4-4','19:05:00',0),"
            " ('2000000005','2000000002','Dehnen','',1,3,'4','2027-4-4','07:00:00',0),"
            " ('2000000006','2000000002','Frei','',0,1,'1','2027-4-4','09:30:00',0),"
            " ('2000000007','2000000002','Alt','',1,1,'0','gestern','19:05:00',0),"
            " ('2000000008','2000000002','Geburtstag','',1,1,'0','2027-6-14','08:00:00',0),"
            " ('2000000009','2000000002','Miete','',1,1,'0','2027-4-30','09:00:00',0);"
            "insert into schedule_repeat values ('2000000008','every year 6-14'),"
            " ('2000000009','every month 31');");
    }

    Strings ListedReminders() {
        const auto& groups = View().ScheduleGroups();
        Tree().SelectItem(groups.at(2000000002ul));
        WaitForList();
        Strings reminders;
        for (const auto& row : ListRows(List())) {
            reminders.push_back(row.at(0) + " | " + row.at(1));
        }
        return reminders;
    }
};

TEST_F(DesktopCitizenGermanDates, TheListShowsGermanFormsAndTheStoredTextsStay) {
    ScopedUserLocale locale("de_DE.UTF-8");
    ASSERT_TRUE(locale.Active()) << "scripts/install-deps generates de_DE.UTF-8";
    ScopedLanguage german("de");
    Start();
    const Strings reminders = ListedReminders();
    auto listed = [&reminders](const std::string& row) {
        return std::find(reminders.begin(), reminders.end(), row) != reminders.end();
    };
    EXPECT_TRUE(listed("Besprechung | Erinnerung: Montag 09:30:00"))
        << ::testing::PrintToString(reminders);
    EXPECT_TRUE(listed("Bericht | Erinnerung: 04.04.2027 19:05:00"))
        << ::testing::PrintToString(reminders);
    EXPECT_TRUE(listed("Dehnen | Erinnerung:  07:00:00")) << ::testing::PrintToString(reminders);
    EXPECT_TRUE(listed("Frei | Keine Erinnerung eingestellt"))
        << ::testing::PrintToString(reminders);
    // A date that is none shows as stored.
    EXPECT_TRUE(listed("Alt | Erinnerung: gestern 19:05:00"))
        << ::testing::PrintToString(reminders);
    // A repeating special day shows its rule in German words and the German order of day and
    // month; the rule stays stored in its English form.
    EXPECT_TRUE(listed("Geburtstag | Erinnerung: jedes Jahr am 14.6. 08:00:00"))
        << ::testing::PrintToString(reminders);
    EXPECT_TRUE(listed("Miete | Erinnerung: jeden Monat am 31. 09:00:00"))
        << ::testing::PrintToString(reminders);
    EXPECT_EQ(Database().Query("select rule from schedule_repeat order by schedule_id"),
              (Rows{{"every year 6-14"}, {"every month 31"}}));
    EXPECT_EQ(Database().Query("select remind_date, remind_time, remind_week from "
                               "assist_scheduleinfo order by schedule_id"),
              (Rows{{"", "09:30:00", "1"},
                    {"2027-4-4", "19:05:00", "0"},
                    {"2027-4-4", "07:00:00", "4"},
                    {"2027-4-4", "09:30:00", "1"},
                    {"gestern", "19:05:00", "0"},
                    {"2027-6-14", "08:00:00", "0"},
                    {"2027-4-30", "09:00:00", "0"}}));
}

TEST_F(DesktopCitizenGermanDates, TheCLocaleKeepsTheStoredForms) {
    Start();
    const Strings reminders = ListedReminders();
    EXPECT_NE(
        std::find(reminders.begin(), reminders.end(), "Bericht | Reminder at 2027-4-4 19:05:00"),
        reminders.end())
        << ::testing::PrintToString(reminders);
    EXPECT_NE(std::find(reminders.begin(), reminders.end(),
                        "Geburtstag | Reminder at every year 6-14 08:00:00"),
              reminders.end())
        << ::testing::PrintToString(reminders);
}

// "Remind Setting" in German: the repeat choice in German words, while the rule handed back for
// storing is the one every organizer reads; the hint of a database without the rules' table
// German too, naming the README's step by its English title.
class DesktopCitizenGermanRepeat : public EditorDialogTest {
protected:
    static ReminderSettings Birthday() {
        ReminderSettings settings;
        settings.remind = true;
        settings.remindType = kRemindSpecialDay;
        settings.remindDate = "2099-6-14";
        settings.remindTime = "08:00:00";
        return settings;
    }
};

TEST_F(DesktopCitizenGermanRepeat, TheChoiceIsGermanAndTheRuleStaysEnglish) {
    ScopedLanguage german("de");
    CRemindSetDlg dialog(nullptr, Connection(), 2000000077, Birthday());
    wxChoice& repeat = *dialog.RepeatChoice();
    EXPECT_EQ(Entries(repeat), (Strings{"einmal", "jedes Jahr", "jeden Monat"}));
    repeat.SetSelection(1);
    PressButton(dialog, wxID_OK);
    ASSERT_TRUE(dialog.Settings().repeat);
    EXPECT_EQ(RuleText(*dialog.Settings().repeat), "every year 6-14");
    EXPECT_EQ(dialog.Settings().remindDate, "2099-6-14");
}

TEST_F(DesktopCitizenGermanRepeat, WithoutTheTableTheHintIsGerman) {
    Database().Execute("drop table schedule_repeat");
    ScopedLanguage german("de");
    CRemindSetDlg dialog(nullptr, Connection(), 2000000077, Birthday());
    const std::string tip = dialog.RepeatChoice()->GetToolTipText().utf8_string();
    EXPECT_NE(tip.find("Wiederholen braucht die Tabelle schedule_repeat"), std::string::npos)
        << tip;
    EXPECT_NE(tip.find("»Adding the newer tables to an existing database«"), std::string::npos)
        << tip;
}

}  // namespace
}  // namespace calvendra::testing
