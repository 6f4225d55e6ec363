// Opens one of the editors on the organizer's data source, as the organizer's commands will, and
// prints what it hands back after OK. docs/make-screenshot takes the editors' pictures with it.
//
//   editor_harness group-list <kind digit> <group id>
//   editor_harness item-list <kind>
//   editor_harness remind-setting <schedule id>
//   editor_harness schedule <schedule id>          a stored schedule
//   editor_harness new-schedule <schedule id> <group id>
//   editor_harness contact <contact id>            a stored contact
//   editor_harness new-contact <contact id> <group id>
//   editor_harness business <contact id>           the business page of a stored contact
//   editor_harness group <kind> <group id> <item counter> [<member id>...]
//                                                  a new group, the members listed as if picked
//   editor_harness email-setting                   the settings of the user's profile
//   editor_harness editing contact|schedule <id>   the whole editing of a stored item, stored as
//                                                  the organizer stores it
//
// It runs none of the statements it prints. The group editor writes what its buttons write at
// once, as it does in the organizer, and "editing" stores what the user confirms, with the
// organizer's questions about changes made elsewhere meanwhile. "GO" prints the address it would
// open. The editors follow the user's locale and language, as in the organizer.

#include <cstdio>
#include <cstdlib>
#include <string>

#include <wx/app.h>
#include <wx/uilocale.h>

#include "editors/business_info_dlg.h"
#include "editors/contact_list_dlg.h"
#include "editors/contact_record.h"
#include "editors/email_set_dlg.h"
#include "editors/group_list_dlg.h"
#include "editors/new_contact_dlg.h"
#include "editors/new_group_dlg.h"
#include "editors/new_schedule_dlg.h"
#include "editors/picker_rows.h"
#include "editors/remind_set_dlg.h"
#include "editors/schedule_record.h"
#include "editors/stored_item_editing.h"
#include "platform/data_source.h"
#include "resources/translations.h"
#include "settings/email_settings_profile.h"
#include "settings/profile.h"
#include "store/db_connection.h"

namespace calvendra {
namespace {

void PrintStatements(const std::vector<std::string>& statements) {
    for (const std::string& statement : statements) {
        std::printf("%s\n", statement.c_str());
    }
}

void PrintAddress(const std::string& address) {
    std::printf("open %s\n", address.c_str());
    std::fflush(stdout);
}

class EditorHarness : public wxApp {
public:
    bool OnInit() override {
        for (int i = 1; i < argc; ++i) {
            arguments_.push_back(argv[i].utf8_string());
        }
        if (arguments_.empty()) {
            std::fprintf(stderr,
                         "usage: editor_harness group-list|item-list|remind-setting|schedule|"
                         "new-schedule|contact|new-contact|business|group|email-setting|editing "
                         "<numbers...>\n");
            return false;
        }
        wxUILocale::UseDefault();
        resources::TranslateInto(std::string(), {CALVENDRA_BUILD_LOCALE_DIR});
        if (!connection_.OpenConnection()) {
            std::fprintf(stderr, "cannot open the data source: %s\n",
                         connection_.LastError().Text().c_str());
            return false;
        }
        return true;
    }

    int OnRun() override {
        const std::string& editor = arguments_[0];
        if (editor == "group-list") {
            CGroupListDlg dialog(nullptr, connection_, Int(1), Id(2));
            if (dialog.ShowModal() == wxID_OK) {
                std::printf("%ld\n", dialog.GroupId());
            }
        } else if (editor == "item-list") {
            CContactListDlg dialog(nullptr, connection_, Int(1));
            if (dialog.ShowModal() == wxID_OK) {
                for (const auto& [id, text] : dialog.Picked()) {
                    std::printf("%ld %s\n", id, text.c_str());
                }
            }
        } else if (editor == "remind-setting") {
            const auto schedule = LoadSchedule(connection_, Id(1));
            CRemindSetDlg dialog(nullptr, connection_, Id(1),
                                 schedule ? schedule->values.reminder : ReminderSettings());
            if (dialog.ShowModal() == wxID_OK) {
                const ReminderSettings& s = dialog.Settings();
                std::printf("remind=%d type=%d week=%d date=%s time=%s email=%d\n", s.remind,
                            s.remindType, s.remindWeek, s.remindDate.c_str(), s.remindTime.c_str(),
                            s.emailRemind);
                PrintStatements(dialog.AttendantStatements());
            }
        } else if (editor == "schedule" || editor == "new-schedule") {
            const bool stored = editor == "schedule";
            const auto schedule = stored ? LoadSchedule(connection_, Id(1)) : std::nullopt;
            if (stored && !schedule) {
                std::fprintf(stderr, "no schedule %ld\n", Id(1));
                return 1;
            }
            CNewScheduleDlg dialog(
                nullptr, connection_, stored ? EditMode::kExisting : EditMode::kNew, Id(1),
                stored ? schedule->groupId : Id(2), stored ? schedule->values : ScheduleValues());
            if (dialog.ShowModal() == wxID_OK) {
                std::printf("%s\n", dialog.Statement().c_str());
                std::printf("reminder settings confirmed: %s\n",
                            dialog.RemindSettingConfirmed() ? "yes" : "no");
                PrintStatements(dialog.AttendantStatements());
            }
        } else if (editor == "contact" || editor == "new-contact" || editor == "business") {
            const bool stored = editor != "new-contact";
            const auto contact = stored ? LoadContact(connection_, Id(1)) : std::nullopt;
            if (stored && !contact) {
                std::fprintf(stderr, "no contact %ld\n", Id(1));
                return 1;
            }
            const ContactValues values = stored ? contact->values : NewContactValues();
            if (editor == "business") {
                CBusinessInfoDlg dialog(nullptr, values, PrintAddress);
                if (dialog.ShowModal() == wxID_OK) {
                    for (const std::size_t field : CBusinessInfoDlg::kFields) {
                        std::printf("%s=%s\n", statements::kContactTextColumns[field],
                                    dialog.Values()[field].c_str());
                    }
                }
                return 0;
            }
            CNewContactDlg dialog(nullptr, connection_,
                                  stored ? EditMode::kExisting : EditMode::kNew, Id(1),
                                  stored ? contact->groupId : Id(2), values, PrintAddress);
            if (dialog.ShowModal() == wxID_OK) {
                std::printf("%s\n", dialog.Statement().c_str());
            }
        } else if (editor == "group") {
            CNewGroupDlg dialog(nullptr, connection_, Int(1), Id(2), Id(3), PrintAddress);
            CContactListDlg::PickedItems members;
            for (const PickerRow& row : LoadPickerRows(connection_, Int(1))) {
                for (std::size_t at = 4; at < arguments_.size(); ++at) {
                    if (row.id == Id(at)) {
                        members.emplace(row.id, row.texts[0]);
                    }
                }
            }
            dialog.AddPicked(members);
            if (dialog.ShowModal() == wxID_OK) {
                std::printf("name %s\n", dialog.GroupName().c_str());
                PrintStatements(dialog.MemberStatements());
            }
            std::printf("item counter %ld\n", dialog.ItemCounter());
        } else if (editor == "email-setting") {
            SelectProfile();
            EmailSettings settings = LoadEmailSettings();
            CEmailSetDlg dialog(nullptr, settings);
            if (dialog.ShowModal() == wxID_OK) {
                std::printf("%s %s:%d\n", settings.senderAddress.c_str(),
                            settings.smtpServer.c_str(), settings.smtpPort);
            }
        } else if (editor == "editing" && arguments_.size() > 1) {
            const bool contact = arguments_[1] == "contact";
            ItemEditingContext context;
            context.launch = PrintAddress;
            const ItemEditingResult result =
                contact ? EditStoredContact(nullptr, connection_, Id(2), context).result
                        : EditStoredSchedule(nullptr, connection_, Id(2), context).result;
            std::printf("%s\n", result == ItemEditingResult::kSaved        ? "saved"
                                : result == ItemEditingResult::kSavedAsNew ? "saved as new"
                                : result == ItemEditingResult::kGone       ? "gone"
                                : result == ItemEditingResult::kFailed     ? "failed"
                                                                           : "cancelled");
        } else {
            std::fprintf(stderr, "no editor %s\n", editor.c_str());
            return 1;
        }
        return 0;
    }

private:
    long Id(std::size_t at) const {
        return at < arguments_.size() ? std::strtol(arguments_[at].c_str(), nullptr, 10) : 0;
    }
    int Int(std::size_t at) const { return static_cast<int>(Id(at)); }

    std::vector<std::string> arguments_;
    CDBConnection connection_{kDataSourceName, kDataSourceUserId, kDataSourcePassword};
};

}  // namespace
}  // namespace calvendra

wxIMPLEMENT_APP(calvendra::EditorHarness);
