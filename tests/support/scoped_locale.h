#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <string>

namespace calvendra::testing {

// Runs the process in another locale (LC_ALL) for the life of the object, and puts the previous
// one back afterwards. scripts/install-deps generates the locales that tests ask for.
class ScopedLocale {
public:
    explicit ScopedLocale(const std::string& name)
        : previous_(std::setlocale(LC_ALL, nullptr)),
          active_(std::setlocale(LC_ALL, name.c_str()) != nullptr) {}
    ~ScopedLocale() { std::setlocale(LC_ALL, previous_.c_str()); }

    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

    // False when the system does not know the locale; nothing changed then.
    bool Active() const { return active_; }

private:
    std::string previous_;
    bool active_;
};

// The locales whose formats differ most from the C locale's in dates and times: a 24-hour clock
// with dots in dates, and a 12-hour clock with month first.
inline constexpr const char* kTestLocales[] = {"C.UTF-8", "de_DE.UTF-8", "en_US.UTF-8"};

// "de_DE.UTF-8" becomes "de_DE_UTF_8", a name GoogleTest accepts for a parameter.
inline std::string LocaleParamName(const ::testing::TestParamInfo<const char*>& info) {
    std::string name = info.param;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    return name;
}

}  // namespace calvendra::testing
