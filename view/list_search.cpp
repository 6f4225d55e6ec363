// The form's search: what the field above the list holds is read on the list's reading thread and
// shown in the list in place of the group's items, the latest search winning.

#include <string>
#include <utility>

#include <wx/listctrl.h>
#include <wx/translation.h>

#include "find/search_reading.h"
#include "find/text_folding.h"
#include "platform/translatable.h"
#include "resources/store_text.h"
#include "view/calvendra_view.h"
#include "view/item_list_ctrl.h"
#include "view/row_order.h"
#include "view/search_field.h"

namespace calvendra {

namespace {

// The images of the shared list (calvendra_view.cpp).
constexpr int kContactImage = 2;
constexpr int kScheduleImage = 3;

}  // namespace

void CCalvendraView::Search() {
    std::vector<std::string> words =
        find::SearchWords(resources::ToStoreText(searchField_->GetValue()));
    if (words.empty()) {
        // Nothing but blanks: nothing to look for, so the group's items again.
        const bool wasSearching = searching_;
        EndSearch();
        if (wasSearching) {
            FillList(currentGroupItem_);
        }
        return;
    }
    // Whatever was read before is not shown; a search still under way gives up, even in the
    // middle of its statement where the driver allows.
    const unsigned long generation = ++listGeneration_;
    CancelSearch();
    runningSearch_ = std::make_shared<StatementCancellation>();
    // A look for changes to the group's list that is still away is not shown over these rows.
    ++listVersion_;
    waitingSelection_.reset();
    if (!searching_) {
        searching_ = true;
        list_->Clear();
        SetHeadings("found",
                    {TRANSLATABLE("Name / Subject"), TRANSLATABLE("Home Phone / Remind Time"),
                     TRANSLATABLE("Email"), TRANSLATABLE("Group")},
                    {27, 30, 26, 17});
    }
    // The rows found so far stay until the new ones replace them, so that the list does not
    // flicker as the user types.
    listFilling_ = true;
    // The first screenful goes to the window as soon as it is found, the rest when all are read.
    // Posted to this window like the reader's own hand-overs, so it comes before them; the
    // reader ends before the window goes, so nothing is posted to a window that went.
    const auto showFirstRows = [this, alive = std::weak_ptr<int>(alive_),
                                generation](ListedRows rows) {
        CallAfter([this, alive, generation, rows = std::move(rows)]() mutable {
            if (!alive.expired()) {
                ShowFirstFoundRows(generation, std::move(rows));
            }
        });
    };
    listReader_->Read<find::FoundRows>(
        [words = std::move(words), wording = reminderWording_, cancellation = runningSearch_,
         order = rowOrder_, showFirstRows](CDBConnection& connection) {
            find::FoundRows found = find::ReadFoundRows(
                connection, words, wording, *cancellation,
                [&](const ListedRows& first) { showFirstRows(SortedRows(first, order)); });
            found.rows = SortedRows(found.rows, order);
            return found;
        },
        [this, alive = std::weak_ptr<int>(alive_), generation,
         order = rowOrder_](find::FoundRows found) {
            if (!alive.expired() && generation == listGeneration_ && searching_) {
                ShowFoundRows(std::move(found));
                if (order != rowOrder_) {
                    SortShownRows();
                }
            }
        });
}

void CCalvendraView::ShowFirstFoundRows(unsigned long generation, ListedRows rows) {
    if (generation != listGeneration_ || !searching_ || !listFilling_) {
        return;
    }
    shownSearch_ = generation;
    list_->ShowRows(std::move(rows), kContactImage, kScheduleImage);
    itemDeleteEnabled_ = false;
}

void CCalvendraView::ShowFoundRows(find::FoundRows found) {
    listFilling_ = false;
    std::size_t contacts = 0;
    for (std::size_t row = 0; row < found.rows.Size(); ++row) {
        contacts += IsContactRange(found.rows.Id(row)) ? 1 : 0;
    }
    const std::size_t schedules = found.rows.Size() - contacts;
    if (shownSearch_ == listGeneration_) {
        // After the first screenful: what the user selected or scrolled to among it stays.
        list_->ShowRowsInPlace(std::move(found.rows), kContactImage, kScheduleImage);
        itemDeleteEnabled_ = FirstSelectedRow() >= 0;
    } else {
        shownSearch_ = listGeneration_;
        list_->ShowRows(std::move(found.rows), kContactImage, kScheduleImage);
        itemDeleteEnabled_ = false;
    }
    SelectWaitingRow();
    listFailed_ = !found.failure.Empty();
    if (listFailed_) {
        ReportReadFailure(TRANSLATABLE("the contacts and schedules found"), found.failure);
        return;
    }
    ClearReadFailure();
    // TRANSLATORS: joined by "Found %s and %s".
    const wxString foundContacts =
        wxString::Format(wxPLURAL("%zu contact", "%zu contacts", contacts), contacts);
    const wxString foundSchedules =
        wxString::Format(wxPLURAL("%zu schedule", "%zu schedules", schedules), schedules);
    ShowStatus(wxString::Format(_("Found %s and %s"), foundContacts, foundSchedules));
}

void CCalvendraView::EndSearch() {
    if (!searching_) {
        return;
    }
    searching_ = false;
    // A search still being read gives up, and what it found is not shown.
    ++listGeneration_;
    CancelSearch();
    listFilling_ = false;
    searchField_->ClearQuietly();
    list_->Clear();
    ShowStatus(wxEmptyString);
}

void CCalvendraView::CancelSearch() {
    if (runningSearch_) {
        CancelWithoutWaiting(runningSearch_);
        runningSearch_.reset();
    }
}

void CCalvendraView::OnFind(wxCommandEvent&) {
    searchField_->SetFocus();
    searchField_->SelectAll();
}

void CCalvendraView::OnSearchText(wxCommandEvent&) {
    Search();
}

void CCalvendraView::OnSearchCancel(wxCommandEvent&) {
    if (searching_) {
        EndSearch();
        FillList(currentGroupItem_);
    }
}

}  // namespace calvendra
