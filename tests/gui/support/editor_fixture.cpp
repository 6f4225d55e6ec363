#include "tests/gui/support/editor_fixture.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/listctrl.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>

#include "tests/editors/editor_test_data.h"
#include "tests/gui/support/gui_test.h"

namespace calvendra::testing {

void EditorDialogTest::SetUp() {
    database_ = std::make_unique<TestDatabase>();
    database_->Execute(kEditorRows);
    ASSERT_TRUE(connection_.OpenConnection()) << connection_.LastError().Text();
}

void EditorDialogTest::TearDown() {
    DestroyAllTopLevelWindows();
    database_.reset();
}

std::vector<std::string> EditorDialogTest::Links(long scheduleId) {
    std::vector<std::string> ids;
    for (const auto& row :
         database_->Query("select contact_id from schedule_contact where schedule_id='" +
                          std::to_string(scheduleId) + "' order by contact_id")) {
        ids.push_back(row.at(0));
    }
    return ids;
}

void Click(wxCheckBox* box) {
    box->SetValue(!box->GetValue());
    wxCommandEvent click(wxEVT_CHECKBOX, box->GetId());
    click.SetEventObject(box);
    click.SetInt(box->GetValue() ? 1 : 0);
    box->GetEventHandler()->ProcessEvent(click);
}

void Click(wxRadioButton* button) {
    button->SetValue(true);
    wxCommandEvent click(wxEVT_RADIOBUTTON, button->GetId());
    click.SetEventObject(button);
    click.SetInt(1);
    button->GetEventHandler()->ProcessEvent(click);
}

void PressButton(wxWindow& window, int id) {
    wxWindow* button = window.FindWindow(id);
    ASSERT_NE(button, nullptr) << "no button " << id;
    wxCommandEvent click(wxEVT_BUTTON, id);
    click.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(click);
}

std::vector<std::string> Entries(wxChoice& choice) {
    std::vector<std::string> entries;
    for (unsigned int i = 0; i < choice.GetCount(); ++i) {
        entries.push_back(choice.GetString(i).utf8_string());
    }
    return entries;
}

std::vector<std::vector<std::string>> RowTexts(wxListCtrl& list) {
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

std::vector<long> CheckedRows(wxListCtrl& list) {
    std::vector<long> checked;
    for (long row = 0; row < list.GetItemCount(); ++row) {
        if (list.IsItemChecked(row)) {
            checked.push_back(row);
        }
    }
    return checked;
}

bool HasLabel(wxWindow& window, const std::string& text) {
    for (wxWindow* child : window.GetChildren()) {
        if (auto* label = wxDynamicCast(child, wxStaticText)) {
            if (label->GetLabel().utf8_string() == text) {
                return true;
            }
        }
        if (HasLabel(*child, text)) {
            return true;
        }
    }
    return false;
}

namespace {

// Every window below `root` in the order Tab visits them, `root` excluded.
void WalkTabOrder(wxWindow& root, std::vector<wxWindow*>& order) {
    for (wxWindow* child : root.GetChildren()) {
        order.push_back(child);
        if (!child->IsTopLevel()) {
            WalkTabOrder(*child, order);
        }
    }
}

}  // namespace

bool InTabOrder(wxWindow& dialog, const std::vector<wxWindow*>& controls) {
    std::vector<wxWindow*> order;
    WalkTabOrder(dialog, order);
    auto at = order.begin();
    for (wxWindow* control : controls) {
        at = std::find(at, order.end(), control);
        if (at == order.end()) {
            return false;
        }
    }
    return true;
}

}  // namespace calvendra::testing
