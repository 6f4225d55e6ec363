#include "view/layout_arithmetic.h"

#include <algorithm>

namespace calvendra::layout {

namespace {

bool IsHorizontalEdge(int edge) {
    return edge == kEdgeLeft || edge == kEdgeRight || edge == kEdgeHorizontalCentre;
}

}  // namespace

int EdgeValue(const Rect& rect, int edge) {
    switch (edge) {
        case kEdgeTop:
            return rect.top;
        case kEdgeRight:
            return rect.right;
        case kEdgeBottom:
            return rect.bottom;
        case kEdgeHorizontalCentre:
            return (rect.left + rect.right) / 2;
        case kEdgeVerticalCentre:
            return (rect.top + rect.bottom) / 2;
        default:
            return rect.left;
    }
}

void LayoutArithmetic::Bind(const Rect& parentClient, const std::vector<Entry>& entries,
                            const std::vector<Rect>& boundRects) {
    parentBound_ = parentClient;
    controls_.clear();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Rect rect = i < boundRects.size() ? boundRects[i] : Rect{};
        controls_.push_back({entries[i], rect, rect});
    }
}

bool LayoutArithmetic::Reference(int referenceId, const Rect& parentClient, Rect& current,
                                 Rect& bound) const {
    if (referenceId == kParentReference) {
        current = parentClient;
        bound = parentBound_;
        return true;
    }
    for (const Bound& control : controls_) {
        if (control.entry.controlId == referenceId) {
            // A control placed earlier in this pass gives its new rectangle; one placed later
            // still holds the rectangle of the pass before.
            current = control.lastRect;
            bound = control.boundRect;
            return true;
        }
    }
    return false;
}

int LayoutArithmetic::ComputeEdge(const Bound& control, const EdgeRule& rule, int ownEdge,
                                  const Rect& newSoFar, const Rect& parentClient) const {
    const Rect& own = control.boundRect;
    const int boundEdge = EdgeValue(own, ownEdge);
    switch (rule.type) {
        case kKeepWidth:
            return ownEdge == kEdgeRight ? own.right + newSoFar.left - own.left : boundEdge;
        case kKeepHeight:
            return ownEdge == kEdgeBottom ? own.bottom + newSoFar.top - own.top : boundEdge;
        case kSameOffset:
        case kProportional:
            break;
        default:
            return boundEdge;
    }
    Rect current;
    Rect bound;
    if (!Reference(rule.referenceId, parentClient, current, bound)) {
        return boundEdge;
    }
    const int referenceNow = EdgeValue(current, rule.referenceEdge);
    const int referenceBound = EdgeValue(bound, rule.referenceEdge);
    const int offset = boundEdge - referenceBound;
    if (rule.type == kSameOffset) {
        return referenceNow + offset;
    }
    const bool horizontal = IsHorizontalEdge(ownEdge);
    const long long sizeNow = horizontal ? current.Width() : current.Height();
    long long sizeBound = horizontal ? bound.Width() : bound.Height();
    if (sizeBound <= 0) {
        sizeBound = 1;
    }
    return referenceNow + static_cast<int>(sizeNow * offset / sizeBound);
}

std::vector<Placement> LayoutArithmetic::Relayout(const Rect& parentClient,
                                                  const std::vector<ControlState>& states) {
    std::vector<Placement> placements;
    placements.reserve(controls_.size());
    for (Bound& control : controls_) {
        Rect next;
        next.left = ComputeEdge(control, control.entry.left, kEdgeLeft, next, parentClient);
        next.top = ComputeEdge(control, control.entry.top, kEdgeTop, next, parentClient);
        next.right = ComputeEdge(control, control.entry.right, kEdgeRight, next, parentClient);
        next.bottom = ComputeEdge(control, control.entry.bottom, kEdgeBottom, next, parentClient);
        control.lastRect = next;
        placements.push_back({control.entry.controlId, next, false});
    }
    for (std::size_t i = 0; i < placements.size(); ++i) {
        if (i < states.size() && !states[i].visible) {
            continue;
        }
        for (std::size_t earlier = 0; earlier < i; ++earlier) {
            const bool earlierVisible = earlier >= states.size() || states[earlier].visible;
            if (earlierVisible && Intersects(placements[i].rect, placements[earlier].rect)) {
                placements[i].overlapped = true;
                placements[i].rect = Rect{};
                break;
            }
        }
    }
    return placements;
}

}  // namespace calvendra::layout
