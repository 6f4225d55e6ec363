#pragma once

#include <array>

#include "platform/translatable.h"
#include "store/reminder_encoding.h"

// The weekdays' names, numbered as a stored reminder numbers them (0 is Sunday), in English: a
// window shows them in the user's language (wxGetTranslation). No window.
namespace calvendra {

inline constexpr std::array<const char*, kWeekdayCount> kWeekdayNames = {
    TRANSLATABLE("Sunday"),    TRANSLATABLE("Monday"),   TRANSLATABLE("Tuesday"),
    TRANSLATABLE("Wednesday"), TRANSLATABLE("Thursday"), TRANSLATABLE("Friday"),
    TRANSLATABLE("Saturday")};

}  // namespace calvendra
