#include "view/layout_arithmetic.h"

#include <gtest/gtest.h>

namespace calvendra::layout {

// Failure messages show rectangles by their edges.
void PrintTo(const Rect& r, std::ostream* out) {
    *out << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")";
}

namespace {

constexpr int kList = 1000;
constexpr int kTree = 1001;

// The organizer's own table: the tree keeps its left, top and width and its bottom follows the
// form's height; the list keeps its left and top and grows with the form.
std::vector<Entry> OrganizerTable() {
    return {
        {kTree,
         {kSameOffset, 0, kEdgeLeft},
         {kSameOffset, 0, kEdgeTop},
         {kKeepWidth, 0, kEdgeRight},
         {kProportional, 0, kEdgeBottom}},
        {kList,
         {kSameOffset, 0, kEdgeLeft},
         {kSameOffset, 0, kEdgeTop},
         {kProportional, 0, kEdgeRight},
         {kProportional, 0, kEdgeBottom}},
    };
}

TEST(LayoutArithmetic, TheTreeKeepsItsWidthAndTheListGrowsWithTheForm) {
    LayoutArithmetic layout;
    layout.Bind({0, 0, 800, 400}, OrganizerTable(), {{10, 10, 200, 390}, {210, 10, 790, 390}});

    const auto grown = layout.Relayout({0, 0, 1600, 800});
    ASSERT_EQ(grown.size(), 2u);
    EXPECT_EQ(grown[0].rect, (Rect{10, 10, 200, 780}));
    EXPECT_EQ(grown[1].rect, (Rect{210, 10, 1580, 780}));

    const auto shrunk = layout.Relayout({0, 0, 400, 200});
    EXPECT_EQ(shrunk[0].rect, (Rect{10, 10, 200, 195}));
    // The list's left stays at 210 while its right edge goes to 395: still no overlap.
    EXPECT_EQ(shrunk[1].rect, (Rect{210, 10, 395, 195}));
    EXPECT_FALSE(shrunk[1].overlapped);
}

TEST(LayoutArithmetic, EveryPassMeasuresFromTheBoundRectanglesNotFromThePreviousPass) {
    LayoutArithmetic layout;
    layout.Bind({0, 0, 300, 300}, OrganizerTable(), {{7, 7, 100, 293}, {110, 7, 293, 293}});
    layout.Relayout({0, 0, 1000, 37});
    const auto back = layout.Relayout({0, 0, 300, 300});
    EXPECT_EQ(back[0].rect, (Rect{7, 7, 100, 293}));
    EXPECT_EQ(back[1].rect, (Rect{110, 7, 293, 293}));
}

TEST(LayoutArithmetic, ProportionalEdgesTruncateAndTreatAnEmptyBoundSizeAsOne) {
    // Every edge measured from the parent's left or top edge.
    const Entry entry{5,
                      {kProportional, 0, kEdgeLeft},
                      {kProportional, 0, kEdgeTop},
                      {kProportional, 0, kEdgeLeft},
                      {kProportional, 0, kEdgeTop}};
    LayoutArithmetic layout;
    layout.Bind({0, 0, 3, 3}, {entry}, {{1, 1, 2, 2}});
    // 10 * 1 / 3 = 3.33 and 10 * 2 / 3 = 6.67 truncate to 3 and 6.
    EXPECT_EQ(layout.Relayout({0, 0, 10, 10})[0].rect, (Rect{3, 3, 6, 6}));
    // Measured from the right edge instead: 10 + 10 * (2 - 3) / 3 = 10 - 3.33, truncated to 7.
    const Entry fromRight{5,
                          {kProportional, 0, kEdgeRight},
                          {kProportional, 0, kEdgeBottom},
                          {kProportional, 0, kEdgeRight},
                          {kProportional, 0, kEdgeBottom}};
    LayoutArithmetic right;
    right.Bind({0, 0, 3, 3}, {fromRight}, {{1, 1, 2, 2}});
    EXPECT_EQ(right.Relayout({0, 0, 10, 10})[0].rect, (Rect{4, 4, 7, 7}));

    LayoutArithmetic empty;
    empty.Bind({0, 0, 0, 0}, {entry}, {{1, 1, 2, 2}});
    EXPECT_EQ(empty.Relayout({0, 0, 10, 20})[0].rect, (Rect{10, 20, 20, 40}));
}

TEST(LayoutArithmetic, SameOffsetFollowsAnyEdgeOfTheParentIncludingItsCentres) {
    // Anchored to the right and bottom: the control moves with the lower right corner.
    const Entry corner{1,
                       {kSameOffset, 0, kEdgeRight},
                       {kSameOffset, 0, kEdgeBottom},
                       {kSameOffset, 0, kEdgeRight},
                       {kSameOffset, 0, kEdgeBottom}};
    // Centred: keeps its offsets from the parent's centres.
    const Entry centred{2,
                        {kSameOffset, 0, kEdgeHorizontalCentre},
                        {kSameOffset, 0, kEdgeVerticalCentre},
                        {kSameOffset, 0, kEdgeHorizontalCentre},
                        {kSameOffset, 0, kEdgeVerticalCentre}};
    LayoutArithmetic layout;
    layout.Bind({0, 0, 100, 100}, {corner, centred}, {{80, 90, 95, 98}, {40, 45, 60, 55}});
    const auto placed = layout.Relayout({0, 0, 201, 301});
    EXPECT_EQ(placed[0].rect, (Rect{181, 291, 196, 299}));
    // New centres 100 and 150, bound centres 50 and 50.
    EXPECT_EQ(placed[1].rect, (Rect{90, 145, 110, 155}));
}

TEST(LayoutArithmetic, KeepHeightAndReferencesToEarlierControls) {
    // A button that keeps its size and stays 5 pixels below the list, whose bottom follows the
    // parent's height.
    const Entry list{10,
                     {kSameOffset, 0, kEdgeLeft},
                     {kSameOffset, 0, kEdgeTop},
                     {kSameOffset, 0, kEdgeRight},
                     {kProportional, 0, kEdgeBottom}};
    const Entry button{11,
                       {kSameOffset, 10, kEdgeLeft},
                       {kSameOffset, 10, kEdgeBottom},
                       {kKeepWidth, 0, kEdgeRight},
                       {kKeepHeight, 0, kEdgeBottom}};
    LayoutArithmetic layout;
    layout.Bind({0, 0, 100, 100}, {list, button}, {{0, 0, 100, 50}, {20, 55, 60, 75}});
    const auto placed = layout.Relayout({0, 0, 100, 200});
    EXPECT_EQ(placed[0].rect, (Rect{0, 0, 100, 100}));
    EXPECT_EQ(placed[1].rect, (Rect{20, 105, 60, 125}));
}

TEST(LayoutArithmetic, AVisibleControlThatMeetsAnEarlierOneIsOverlappedAndEmptied) {
    // The second control keeps an offset from the right edge, so a narrow form pushes it onto the
    // first one, which keeps its width.
    const Entry first{1,
                      {kSameOffset, 0, kEdgeLeft},
                      {kSameOffset, 0, kEdgeTop},
                      {kKeepWidth, 0, kEdgeRight},
                      {kKeepHeight, 0, kEdgeBottom}};
    const Entry second{2,
                       {kSameOffset, 0, kEdgeRight},
                       {kSameOffset, 0, kEdgeTop},
                       {kSameOffset, 0, kEdgeRight},
                       {kKeepHeight, 0, kEdgeBottom}};
    LayoutArithmetic layout;
    layout.Bind({0, 0, 200, 100}, {first, second}, {{0, 0, 80, 50}, {120, 0, 190, 50}});

    auto placed = layout.Relayout({0, 0, 120, 100});
    EXPECT_FALSE(placed[0].overlapped);
    EXPECT_TRUE(placed[1].overlapped);
    EXPECT_TRUE(placed[1].rect.IsEmpty());

    // A hidden earlier control hides nothing, and a hidden control is never marked.
    placed = layout.Relayout({0, 0, 120, 100}, {{false}, {true}});
    EXPECT_FALSE(placed[1].overlapped);
    EXPECT_EQ(placed[1].rect, (Rect{40, 0, 110, 50}));
    placed = layout.Relayout({0, 0, 120, 100}, {{true}, {false}});
    EXPECT_FALSE(placed[1].overlapped);

    // Wide enough again: nothing overlaps.
    placed = layout.Relayout({0, 0, 200, 100});
    EXPECT_FALSE(placed[1].overlapped);
    EXPECT_EQ(placed[1].rect, (Rect{120, 0, 190, 50}));
}

TEST(LayoutArithmetic, UnknownRulesAndReferencesKeepTheBoundEdge) {
    const Entry odd{1,
                    {9, 0, kEdgeLeft},
                    {kSameOffset, 77, kEdgeTop},
                    {kKeepHeight, 0, kEdgeRight},
                    {kKeepWidth, 0, kEdgeBottom}};
    LayoutArithmetic layout;
    layout.Bind({0, 0, 100, 100}, {odd}, {{5, 6, 50, 60}});
    EXPECT_EQ(layout.Relayout({0, 0, 300, 300})[0].rect, (Rect{5, 6, 50, 60}));
}

TEST(LayoutRect, IntersectionNeedsACommonPointAndNoEmptyRectangle) {
    EXPECT_TRUE(Intersects({0, 0, 10, 10}, {9, 9, 20, 20}));
    EXPECT_FALSE(Intersects({0, 0, 10, 10}, {10, 0, 20, 10}));  // touching edges only
    EXPECT_FALSE(Intersects({0, 0, 10, 10}, {5, 5, 5, 8}));     // empty
    EXPECT_EQ(EdgeValue({1, 2, 4, 9}, kEdgeHorizontalCentre), 2);
    EXPECT_EQ(EdgeValue({1, 2, 4, 9}, kEdgeVerticalCentre), 5);
}

}  // namespace
}  // namespace calvendra::layout
