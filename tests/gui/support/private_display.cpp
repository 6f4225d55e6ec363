#include "tests/gui/support/private_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace calvendra::testing {

namespace {

constexpr int kStartTimeoutMs = 10000;

}  // namespace

PrivateDisplay::~PrivateDisplay() {
    if (server_ > 0) {
        kill(server_, SIGTERM);
        waitpid(server_, nullptr, 0);
    }
}

bool PrivateDisplay::Start(std::string& error) {
    int ready[2];
    if (pipe(ready) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    server_ = fork();
    if (server_ < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        close(ready[0]);
        close(ready[1]);
        return false;
    }
    if (server_ == 0) {
        // A test killed by its time-out or a crash must not leave its server behind.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(ready[0]);
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) {
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
        }
        const std::string fd = std::to_string(ready[1]);
        // The server picks a free display number and writes it to the pipe once it accepts
        // connections.
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
               "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ready[1]);

    std::string number;
    pollfd wait{ready[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && poll(&wait, 1, kStartTimeoutMs) > 0) {
        char chunk[16];
        const ssize_t got = read(ready[0], chunk, sizeof chunk);
        if (got <= 0) {
            break;
        }
        number.append(chunk, static_cast<size_t>(got));
    }
    close(ready[0]);
    const size_t end = number.find('\n');
    if (end == std::string::npos || end == 0) {
        error = "Xvfb did not start (is it installed?)";
        return false;
    }
    const std::string display = ":" + number.substr(0, end);
    setenv("DISPLAY", display.c_str(), 1);
    return true;
}

}  // namespace calvendra::testing
