// File > Import... and File > Export... on the organizer: the summary before anything is stored,
// the work on a thread of its own behind its progress dialog, a cancel that stores nothing, the
// tree showing the imported groups, and the files an export writes.

#include <filesystem>

#include <wx/filedlg.h>

#include "app/calvendra_doc.h"
#include "exchange/exchange_commands.h"
#include "exchange/exchange_progress_dlg.h"
#include "exchange/export_dlg.h"
#include "exchange/import_summary_dlg.h"
#include "resources/resource_ids.h"
#include "tests/exchange/exchange_test_support.h"
#include "tests/gui/view_commands_fixture.h"

#include <wx/checkbox.h>
#include <wx/radiobut.h>

namespace calvendra::testing {
namespace {

using resources::kIdExport;
using resources::kIdImport;

constexpr char kCards[] =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Rossi;Maria\r\nEMAIL:maria@example.org\r\n"
    "CATEGORIES:Friends/Italy\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Clara\r\nEMAIL:clara@example.org\r\nEND:VCARD\r\n";
constexpr char kEvents[] =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nBEGIN:VEVENT\r\nUID:1\r\n"
    "DTSTAMP:20240101T000000Z\r\nSUMMARY:Dinner\r\nDTSTART:20300601T190000\r\n"
    "CATEGORIES:Work\r\nATTENDEE:mailto:maria@example.org\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";

// The progress dialog's work runs; the dialog answers as its work ends.
auto RunWork() {
    return ExpectDialog<CExchangeProgressDlg>([](CExchangeProgressDlg*) { return wxID_OK; });
}

class ExchangeCommandsTest : public ViewCommandsTest {
protected:
    void SetUp() override {
        ViewCommandsTest::SetUp();
        Start();
        WriteFileText(Path("in.vcf"), kCards);
        WriteFileText(Path("in.ics"), kEvents);
    }

    std::string Path(const std::string& name) { return (folder_.Path() / name).string(); }
    CDBConnection& Connection() { return Windows().document->Connection(); }

    test::TempFolder folder_;
};

TEST_F(ExchangeCommandsTest, FileMenuOffersImportAndExport) {
    wxMenu* file = Frame().GetMenuBar()->GetMenu(0);
    EXPECT_EQ(file->GetLabelText(kIdImport), "Import...");
    EXPECT_EQ(file->GetLabelText(kIdExport), "Export...");
    EXPECT_TRUE(MenuEnabled(kIdImport));
    EXPECT_TRUE(MenuEnabled(kIdExport));
    // Choosing no file changes nothing.
    wxTEST_DIALOG(Menu(kIdImport), wxExpectModal<wxFileDialog>(wxString(), wxID_CANCEL));
    EXPECT_EQ(Value("select count(*) from assist_contactmaininfo"), "3");
}

TEST_F(ExchangeCommandsTest, ImportShowsWhatComesInThenStoresItAndTheTreeShowsTheGroups) {
    Select(1000000002);
    wxString summary;
    bool offersDuplicates = true;
    bool stored = false;
    wxTEST_DIALOG(stored = ImportFiles(&Frame(), Connection(), {Path("in.vcf"), Path("in.ics")}),
                  RunWork(), ExpectDialog<CImportSummaryDlg>([&](CImportSummaryDlg* dialog) {
                      summary = dialog->SummaryText()->GetValue();
                      offersDuplicates = dialog->DuplicatesBox() != nullptr;
                      // Nothing is stored while the summary is shown.
                      EXPECT_EQ(Value("select count(*) from assist_contactmaininfo"), "3");
                      return wxID_OK;
                  }),
                  RunWork(),
                  ExpectMessage("Imported 2 contacts, 1 schedule and 2 new groups.", wxOK));
    EXPECT_TRUE(stored);
    EXPECT_EQ(summary.utf8_string(),
              "Read 2 files: 2 contacts and 1 schedule.\n"
              "2 contacts and 1 schedule will come in.\n"
              "Contact groups to create: \"Friends\", \"Friends/Italy\".\n");
    EXPECT_FALSE(offersDuplicates);
    View().ReloadTree();
    WaitForList();
    EXPECT_EQ(SelectedGroup(), 1000000002);
    EXPECT_EQ(ChildTexts(Tree(), View().ContactRootItem()),
              (std::vector<std::string>{"Family", "Friends"}));
    EXPECT_EQ(Value("select count(*) from schedule_contact,assist_contactmaininfo where "
                    "schedule_contact.contact_id=assist_contactmaininfo.contact_id and "
                    "first_name='Maria'"),
              "1");

    // The same files again: all of it is found, and nothing comes in unless asked for.
    wxTEST_DIALOG(ImportFiles(&Frame(), Connection(), {Path("in.vcf"), Path("in.ics")}), RunWork(),
                  ExpectDialog<CImportSummaryDlg>([&](CImportSummaryDlg* dialog) {
                      EXPECT_FALSE(dialog->FindWindow(wxID_OK)->IsEnabled());
                      EXPECT_NE(dialog->DuplicatesBox(), nullptr);
                      return wxID_CANCEL;
                  }));
    EXPECT_EQ(Value("select count(*) from assist_contactmaininfo"), "5");
}

TEST_F(ExchangeCommandsTest, CancelledImportStoresNothing) {
    bool stored = true;
    wxTEST_DIALOG(stored = ImportFiles(&Frame(), Connection(), {Path("in.vcf"), Path("in.ics")}),
                  RunWork(),
                  ExpectDialog<CImportSummaryDlg>([](CImportSummaryDlg*) { return wxID_OK; }),
                  ExpectDialog<CExchangeProgressDlg>([](CExchangeProgressDlg* dialog) {
                      dialog->Cancel();
                      return wxID_CANCEL;
                  }),
                  ExpectMessage("The import was cancelled: nothing was stored.", wxOK));
    EXPECT_FALSE(stored);
    EXPECT_EQ(Value("select count(*) from assist_contactmaininfo"), "3");
    EXPECT_EQ(Value("select count(*) from assist_group"), "5");
}

TEST_F(ExchangeCommandsTest, FileThatCannotBeReadIsNamedAndNothingIsStored) {
    WriteFileText(Path("cut.vcf"), "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Cut;Off\r\n");
    wxString details;
    wxTEST_DIALOG(ImportFiles(&Frame(), Connection(), {Path("in.vcf"), Path("cut.vcf")}), RunWork(),
                  ExpectMessage("Nothing was imported: the files cannot be read as they are.", wxOK,
                                &details));
    EXPECT_EQ(details.utf8_string(),
              Path("cut.vcf") +
                  ", line 1: the card that begins here has no END:VCARD: the file "
                  "ends inside it (is it cut short?)\n");
    EXPECT_EQ(Value("select count(*) from assist_contactmaininfo"), "3");
}

TEST_F(ExchangeCommandsTest, ExportOfTheSelectedGroupWritesItsContacts) {
    const std::string target = Path("family.vcf");
    wxTEST_DIALOG(
        RunExportCommand(&Frame(), Connection(), 1000000002, "Family"),
        ExpectDialog<CExportDlg>([&](CExportDlg* dialog) {
            dialog->GroupButton()->SetValue(true);
            wxCommandEvent choose(wxEVT_RADIOBUTTON, dialog->GroupButton()->GetId());
            choose.SetEventObject(dialog->GroupButton());
            dialog->GroupButton()->ProcessWindowEvent(choose);
            // A contact group has no schedules to write.
            EXPECT_FALSE(dialog->SchedulesBox()->IsEnabled());
            dialog->ContactsPath()->ChangeValue(wxString::FromUTF8(target));
            PressButton(*dialog, wxID_OK);
            return dialog->GetReturnCode();
        }),
        RunWork(),
        ExpectMessage(wxString::FromUTF8("Exported 2 contacts to " + target + "."), wxOK));
    std::vector<std::string> names;
    for (const std::string& line : ReadBack(target)) {
        if (line.rfind("FN\t", 0) == 0) {
            names.push_back(line);
        }
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{Line("FN", {"Anna Berg"}), Line("FN", {"Ben Berg"})}));
}

}  // namespace
}  // namespace calvendra::testing
