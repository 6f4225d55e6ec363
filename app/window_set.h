#pragma once

class wxDocManager;

namespace calvendra {

class CCalvendraDoc;
class CCalvendraView;
class CMainFrame;

// The organizer's windows and its document, as start-up makes them.
struct WindowSet {
    CCalvendraDoc* document = nullptr;
    CMainFrame* frame = nullptr;
    CCalvendraView* view = nullptr;
};

// Creates the new document, the main frame and the form view, and runs the view's first update
// (e-mail settings, database, group tree, item list). The frame is still hidden. All three are
// null when the window set cannot be made.
WindowSet CreateWindowSet(wxDocManager& manager);

}  // namespace calvendra
