#include "tests/gui/support/organizer_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <wx/listctrl.h>
#include <wx/statusbr.h>
#include <wx/treectrl.h>

#include "app/calvendra_doc.h"
#include "app/main_frame.h"
#include "settings/profile.h"
#include "tests/gui/support/gui_test.h"
#include "view/calvendra_view.h"
#include "view/item_list_ctrl.h"

namespace calvendra::testing {

void OrganizerTest::SetUp() {
    database_ = std::make_unique<TestDatabase>(DatabaseBackend());
    // Each test starts as a first run: no snoozed reminder, no scan remembered.
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/') {
        std::error_code ignored;
        std::filesystem::remove_all(state, ignored);
    }
}

void OrganizerTest::Start(bool show) {
    SelectProfile();
    documents_ = std::make_unique<wxDocManager>();
    RegisterDocumentTemplate(*documents_);
    windows_ = CreateWindowSet(*documents_);
    ASSERT_NE(windows_.frame, nullptr);
    if (show) {
        windows_.frame->Maximize(true);
        windows_.frame->Show(true);
    }
    PumpEvents();
    WaitForList();
}

void OrganizerTest::WaitForList() {
    ASSERT_TRUE(WaitUntil([this] { return !View().IsFillingList(); }))
        << "the list's rows did not come";
    PumpEvents();
}

void OrganizerTest::TearDown() {
    // A frame that "Exit" destroyed has left the list of top-level windows.
    if (windows_.frame != nullptr && wxTopLevelWindows.Find(windows_.frame) != nullptr) {
        windows_.frame->Destroy();
        PumpEvents();
    }
    documents_.reset();
    database_.reset();
}

wxTreeCtrl& OrganizerTest::Tree() const {
    return *View().Tree();
}

CItemListCtrl& OrganizerTest::List() const {
    return *View().List();
}

std::string OrganizerTest::StatusText() const {
    return windows_.frame->GetStatusBar()->GetStatusText(0).utf8_string();
}

std::vector<std::vector<std::string>> ListRows(wxListCtrl& list) {
    std::vector<std::vector<std::string>> rows;
    for (long row = 0; row < list.GetItemCount(); ++row) {
        std::vector<std::string> texts;
        for (int column = 0; column < list.GetColumnCount(); ++column) {
            texts.push_back(list.GetItemText(row, column).utf8_string());
        }
        rows.push_back(texts);
    }
    return rows;
}

std::vector<std::string> Headings(wxListCtrl& list) {
    std::vector<std::string> headings;
    for (int column = 0; column < list.GetColumnCount(); ++column) {
        wxListItem heading;
        heading.SetMask(wxLIST_MASK_TEXT);
        list.GetColumn(column, heading);
        headings.push_back(heading.GetText().utf8_string());
    }
    return headings;
}

std::vector<std::string> ChildTexts(wxTreeCtrl& tree, const wxTreeItemId& parent) {
    std::vector<std::string> texts;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = tree.GetFirstChild(parent, cookie); child.IsOk();
         child = tree.GetNextChild(parent, cookie)) {
        texts.push_back(tree.GetItemText(child).utf8_string());
    }
    return texts;
}

}  // namespace calvendra::testing
