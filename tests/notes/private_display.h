#pragma once

#include <sys/types.h>
#include <string>

namespace calvendra::testing {

// An X server of the test program's own. The tests move the real pointer and sometimes start a
// window manager, which would disturb other GUI tests running at the same time on a shared
// display, so each test program gets a screen to itself.
class PrivateDisplay {
public:
    PrivateDisplay() = default;
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // Starts Xvfb with one 1280 by 1024 screen and points DISPLAY at it. False, with the reason
    // in error, when no server could be started.
    bool Start(std::string& error);

private:
    pid_t server_ = -1;
};

}  // namespace calvendra::testing
