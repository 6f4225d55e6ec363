#include "platform/log.h"

#include <errno.h>
#include <syslog.h>

#include <cstdio>

namespace calvendra {

namespace {

int Priority(LogLevel level) {
    switch (level) {
        case LogLevel::kError:
            return LOG_ERR;
        case LogLevel::kWarning:
            return LOG_WARNING;
        default:
            return LOG_INFO;
    }
}

std::string OneLine(const std::string& message) {
    std::string line = message;
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = ' ';
        }
    }
    return line;
}

}  // namespace

void WriteLog(LogLevel level, const std::string& message) {
    const std::string line = OneLine(message);
    // One call each, so that lines from several threads do not interleave. syslog names the
    // program itself, as the short name it was started by.
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, line.c_str());
    syslog(LOG_USER | Priority(level), "%s", line.c_str());
}

}  // namespace calvendra
