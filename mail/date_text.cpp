#include "mail/date_text.h"

#include <locale.h>
#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace calvendra {

namespace {

// The C locale's time names, made once and shared by every thread: strftime_l uses it without
// touching the process's or the thread's locale.
locale_t EnglishTimeLocale() {
    static const locale_t english = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    return english;
}

}  // namespace

std::string ZoneText(long secondsEastOfUtc) {
    // The bias is the minutes to add to local time to reach UTC.
    const long bias = -secondsEastOfUtc / 60;
    const long magnitude = std::labs(bias);
    char text[16];
    std::snprintf(text, sizeof text, "%c%02ld%02ld", bias <= 0 ? '+' : '-', (magnitude / 60) % 100,
                  magnitude % 60);
    return text;
}

std::string DateText(std::time_t moment) {
    std::tm local{};
    char buffer[128] = "";
    if (localtime_r(&moment, &local) == nullptr) {
        return ZoneText(0);
    }
    const locale_t english = EnglishTimeLocale();
    std::size_t length = 0;
    if (english != static_cast<locale_t>(0)) {
        length = strftime_l(buffer, sizeof buffer, "%a, %d %b %Y %H:%M:%S ", &local, english);
    }
    return std::string(buffer, length) + ZoneText(local.tm_gmtoff);
}

}  // namespace calvendra
