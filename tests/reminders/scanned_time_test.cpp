#include "reminders/scanned_time.h"

#include <gtest/gtest.h>

namespace calvendra {
namespace {

TEST(ScannedTime, JoinsTouchingAndOverlappingStretches) {
    ScannedTime scanned;
    scanned.Add(120, 180);
    scanned.Add(0, 60);
    EXPECT_EQ(scanned.StretchCount(), 2u);
    EXPECT_EQ(scanned.ScannedUntil(0), 60);
    EXPECT_EQ(scanned.ScannedUntil(59), 60);
    EXPECT_FALSE(scanned.ScannedUntil(60));
    EXPECT_FALSE(scanned.ScannedUntil(-1));
    scanned.Add(60, 120);
    EXPECT_EQ(scanned.StretchCount(), 1u);
    EXPECT_EQ(scanned.ScannedUntil(10), 180);
    scanned.Add(170, 300);
    scanned.Add(30, 40);
    EXPECT_EQ(scanned.StretchCount(), 1u);
    EXPECT_EQ(scanned.ScannedUntil(0), 300);
    EXPECT_FALSE(scanned.ScannedUntil(300));
}

TEST(ScannedTime, ForgetsOnlyWhatLiesWhollyOutside) {
    ScannedTime scanned;
    scanned.Add(0, 60);
    scanned.Add(120, 240);
    scanned.Add(600, 660);
    scanned.KeepWithin(60, 600);
    EXPECT_EQ(scanned.StretchCount(), 1u);
    EXPECT_EQ(scanned.ScannedUntil(120), 240);
    scanned.KeepWithin(200, 201);
    EXPECT_EQ(scanned.ScannedUntil(120), 240);
    scanned.KeepWithin(240, 900);
    EXPECT_EQ(scanned.StretchCount(), 0u);
}

}  // namespace
}  // namespace calvendra
