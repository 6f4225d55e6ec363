#pragma once

// Include this instead of <wx/testing.h>: modal dialogs in tests are answered by expectations,
// and a dialog that no expectation covers fails the test and is cancelled instead of waiting
// for a user who is not there.

#include <gtest/gtest.h>

#include <wx/modalhook.h>
#include <wx/string.h>

namespace calvendra::testing {

// Counts the wxTEST_DIALOG blocks running, so that the process-wide guard leaves their dialogs to
// them.
int& ActiveDialogExpectations();

}  // namespace calvendra::testing

// The hook of every wxTEST_DIALOG block: failures become test failures, and an unexpected dialog
// is cancelled.
#define wxTEST_DIALOG_HOOK_CLASS ::calvendra::testing::TestDialogHook
#include <wx/testing.h>

namespace calvendra::testing {

class TestDialogHook : public wxTestingModalHook {
public:
    TestDialogHook(const char* file, int line, const char* function)
        : wxTestingModalHook(file, line, function), file_(file), line_(line) {
        ++ActiveDialogExpectations();
    }
    ~TestDialogHook() override { --ActiveDialogExpectations(); }

protected:
    int Enter(wxDialog* dialog) override {
        const int answer = wxTestingModalHook::Enter(dialog);
        return answer == wxID_NONE ? wxID_CANCEL : answer;
    }

    void ReportFailure(const wxString& message) override {
        ADD_FAILURE_AT(file_, line_) << message.utf8_string();
    }

private:
    const char* file_;
    int line_;
};

// Expects a message box with exactly this text and answers it (wxYES, wxNO, wxOK, ...). When
// `details` is given, the box's secondary text is stored there.
class ExpectMessage : public wxExpectModalBase<wxMessageDialog, ExpectMessage> {
public:
    ExpectMessage(const wxString& text, int answer, wxString* details = nullptr)
        : text_(text), answer_(answer), details_(details) {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override {
        EXPECT_EQ(dialog->GetMessage().utf8_string(), text_.utf8_string());
        if (details_ != nullptr) {
            *details_ = dialog->GetExtendedMessage();
        }
        switch (answer_) {
            case wxYES:
                return wxID_YES;
            case wxNO:
                return wxID_NO;
            case wxCANCEL:
                return wxID_CANCEL;
            case wxOK:
                return wxID_OK;
            default:
                return answer_;
        }
    }

private:
    wxString text_;
    int answer_;
    wxString* details_;
};

// Expects a modal dialog of type T and runs `action` on it instead of showing it; the action's
// result is what ShowModal() returns.
template <class T, class Action>
class ExpectDialogRun : public wxExpectModalBase<T, ExpectDialogRun<T, Action>> {
public:
    explicit ExpectDialogRun(Action action) : action_(action) {}

protected:
    int OnInvoked(T* dialog) const override { return action_(dialog); }

private:
    Action action_;
};

template <class T, class Action>
ExpectDialogRun<T, Action> ExpectDialog(Action action) {
    return ExpectDialogRun<T, Action>(action);
}

}  // namespace calvendra::testing
