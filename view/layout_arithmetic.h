#pragma once

#include <vector>

#include "platform/rect.h"

// The arithmetic that keeps a form's controls in place when the form is resized. It works on plain
// rectangles, so it needs no window; CControlLayout applies its results to real controls.
namespace calvendra::layout {

// Which edge of a reference an edge rule measures from.
enum Edge : int {
    kEdgeLeft = 1,
    kEdgeTop = 2,
    kEdgeRight = 3,
    kEdgeBottom = 4,
    kEdgeHorizontalCentre = 5,
    kEdgeVerticalCentre = 6,
};

// How an edge follows its reference.
enum RuleType : int {
    // Keeps its distance from the reference edge.
    kSameOffset = 1,
    // Stays at the same fraction of the reference's width or height.
    kProportional = 2,
    // Right edge only: the control keeps its width.
    kKeepWidth = 3,
    // Bottom edge only: the control keeps its height.
    kKeepHeight = 4,
};

// The reference id of the parent's client rectangle.
inline constexpr int kParentReference = 0;

struct EdgeRule {
    int type = kSameOffset;
    int referenceId = kParentReference;
    int referenceEdge = kEdgeLeft;
};

// One managed control: its id and the rules of its left, top, right and bottom edges.
struct Entry {
    int controlId = 0;
    EdgeRule left;
    EdgeRule top;
    EdgeRule right;
    EdgeRule bottom;
};

// What the layout needs to know of a control at each pass.
struct ControlState {
    bool visible = true;
};

// What a pass decides for one control.
struct Placement {
    int controlId = 0;
    Rect rect;
    // Hidden behind an earlier visible control; its rectangle is then empty.
    bool overlapped = false;
};

class LayoutArithmetic {
public:
    // Records the parent's client rectangle and each control's rectangle (in the parent's client
    // coordinates) at binding time; every later pass measures from them. `boundRects` holds one
    // rectangle per entry, in the entries' order.
    void Bind(const Rect& parentClient, const std::vector<Entry>& entries,
              const std::vector<Rect>& boundRects);

    // Computes every control's new rectangle for the parent's new client rectangle, entry by
    // entry in table order, and applies the overlap rule: a visible control whose rectangle meets
    // that of an earlier visible control is marked overlapped and gets an empty rectangle.
    // `states` holds one state per entry; missing states count as visible.
    std::vector<Placement> Relayout(const Rect& parentClient,
                                    const std::vector<ControlState>& states = {});

    std::size_t Size() const { return controls_.size(); }

private:
    struct Bound {
        Entry entry;
        Rect boundRect;
        Rect lastRect;
    };

    // The new and the bound rectangle of a reference: the parent, or a control of the table.
    // False for an id that names neither.
    bool Reference(int referenceId, const Rect& parentClient, Rect& current, Rect& bound) const;
    int ComputeEdge(const Bound& control, const EdgeRule& rule, int ownEdge, const Rect& newSoFar,
                    const Rect& parentClient) const;

    Rect parentBound_;
    std::vector<Bound> controls_;
};

// The value of one edge code of a rectangle; centres are the integer mean of the two opposite
// edges. Unknown codes read as the left edge.
int EdgeValue(const Rect& rect, int edge);

}  // namespace calvendra::layout
