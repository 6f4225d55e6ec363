#pragma once

namespace calvendra {

// Identifiers are ten-digit numbers whose leading digit tells their kind. A long holds every one of
// them on Linux, so ids above 2147483647 in the schedule range stay exact.
using Identifier = long;

inline constexpr Identifier kContactBaseGroupId = 1000000001;
inline constexpr Identifier kScheduleBaseGroupId = 2000000001;

// The parent id of a root group.
inline constexpr Identifier kRootParentId = 0;

// Counters of the last contact and schedule id start just below their ranges; a new item takes
// the counter plus one.
inline constexpr Identifier kContactCounterStart = 1000000000;
inline constexpr Identifier kScheduleCounterStart = 2000000000;

inline constexpr Identifier kContactRangeFirst = 1000000001;
inline constexpr Identifier kContactRangeLast = 1999999999;
inline constexpr Identifier kScheduleRangeFirst = 2000000001;
inline constexpr Identifier kScheduleRangeLast = 2999999999;

// Contact groups and contacts.
constexpr bool IsContactRange(Identifier id) {
    return id >= kContactRangeFirst && id <= kContactRangeLast;
}

// Schedule groups and schedules.
constexpr bool IsScheduleRange(Identifier id) {
    return id >= kScheduleRangeFirst && id <= kScheduleRangeLast;
}

}  // namespace calvendra
