#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <wx/docview.h>
#include <wx/treebase.h>

#include "app/window_set.h"
#include "tests/support/test_database.h"
#include "view/item_list_ctrl.h"

class wxListCtrl;
class wxTreeCtrl;

namespace calvendra::testing {

// A test of the organizer's windows on a fresh database: Start() builds the window set as
// start-up does (profile, document, frame, view with its first update); everything goes at the
// end of the test.
class OrganizerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TestDatabase& Database() { return *database_; }
    // The backend of the fresh database that SetUp makes.
    virtual Backend DatabaseBackend() const { return Backend::kSqlite; }

    // Builds the window set; the frame stays hidden unless `show` is set.
    void Start(bool show = false);

    const WindowSet& Windows() const { return windows_; }

    // The main window's message pane.
    std::string StatusText() const;

    // The form and its two controls, once started.
    CCalvendraView& View() const { return *windows_.view; }
    wxTreeCtrl& Tree() const;
    CItemListCtrl& List() const;

    // Waits until the list shows the rows of its last fill, which are read on a thread of their
    // own.
    void WaitForList();

private:
    std::unique_ptr<TestDatabase> database_;
    std::unique_ptr<wxDocManager> documents_;
    WindowSet windows_;
};

// The texts of the list's rows, one a column.
std::vector<std::vector<std::string>> ListRows(wxListCtrl& list);

// The three column headings.
std::vector<std::string> Headings(wxListCtrl& list);

// The texts of a tree item's children (of the top level for the hidden root).
std::vector<std::string> ChildTexts(wxTreeCtrl& tree, const wxTreeItemId& parent);

}  // namespace calvendra::testing
