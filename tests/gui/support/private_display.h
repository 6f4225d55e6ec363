#pragma once

#include <sys/types.h>
#include <string>

namespace calvendra::testing {

// An X server of the test process's own. Window tests move the real pointer, take the focus, start
// a window manager and look for the organizer's marked window; on a screen of its own each test
// neither disturbs another running at the same time nor inherits what a failed one left behind.
// The server ends with the process, even when the process is killed.
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
