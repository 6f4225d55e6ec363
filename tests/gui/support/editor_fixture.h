#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "store/db_connection.h"
#include "tests/support/test_database.h"

class wxCheckBox;
class wxChoice;
class wxListCtrl;
class wxRadioButton;
class wxWindow;

namespace calvendra::testing {

// A test of the editors' dialogs on a fresh SQLite database that holds the editors' shared rows
// (tests/editors/editor_test_data.h), with the organizer's connection open on it.
class EditorDialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TestDatabase& Database() { return *database_; }
    CDBConnection& Connection() { return connection_; }

    // The contact ids of a schedule's stored links, ascending.
    std::vector<std::string> Links(long scheduleId);

private:
    std::unique_ptr<TestDatabase> database_;
    CDBConnection connection_{"Calvendra", "opal", "kelp"};
};

// What a user's click does to a control: the value changes and the control's event goes out.
void Click(wxCheckBox* box);
void Click(wxRadioButton* button);
// A click on the button with this id inside `window`.
void PressButton(wxWindow& window, int id);

// The entries of a choice.
std::vector<std::string> Entries(wxChoice& choice);

// The texts of a list's rows, all columns, and the rows whose check box is set.
std::vector<std::vector<std::string>> RowTexts(wxListCtrl& list);
std::vector<long> CheckedRows(wxListCtrl& list);

// Whether `window` holds a label with this text.
bool HasLabel(wxWindow& window, const std::string& text);

// Whether the controls come in this order when Tab walks through `dialog`: the dialog's children
// in their order, a frame's children where the frame stands.
bool InTabOrder(wxWindow& dialog, const std::vector<wxWindow*>& controls);

// Records the addresses that "GO" opens instead of starting a browser.
class OpenedAddresses {
public:
    std::function<void(const std::string&)> Launcher() {
        return [this](const std::string& address) { addresses_.push_back(address); };
    }
    // The addresses opened since the last call.
    std::vector<std::string> Take() { return std::exchange(addresses_, {}); }

private:
    std::vector<std::string> addresses_;
};

}  // namespace calvendra::testing
