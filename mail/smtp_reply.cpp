#include "mail/smtp_reply.h"

namespace calvendra {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether the start of a line, as far as it has come in, can begin a reply line: three digits,
// then a space or hyphen, or the line's end right after the code (a code alone, which RFC 5321,
// 4.2, asks a client to take).
bool StartsLikeAReplyLine(std::string_view line) {
    for (std::size_t index = 0; index < line.size() && index < 4; ++index) {
        const char c = line[index];
        if (index < 3 ? !IsDigit(c) : (c != ' ' && c != '-' && c != '\r')) {
            return false;
        }
    }
    // A CR after the code must be the line's end.
    return line.size() < 5 || line[3] != '\r' || line[4] == '\n';
}

}  // namespace

SmtpReplyScanner::State SmtpReplyScanner::Scan(std::string_view received) {
    for (;;) {
        const std::string_view rest = received.substr(next_);
        const std::size_t lineEnd = rest.find("\r\n");
        const std::string_view line = rest.substr(0, lineEnd);
        if (!StartsLikeAReplyLine(line)) {
            return State::Malformed;
        }
        if (lineEnd == std::string_view::npos) {
            return State::Incomplete;
        }
        if (line.size() < 3) {
            return State::Malformed;  // less than a code
        }
        const int code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
        if (code_ >= 0 && code != code_) {
            return State::Malformed;
        }
        code_ = code;
        next_ += lineEnd + 2;
        // A code alone ends the reply as a code and a space do.
        if (line.size() == 3 || line[3] == ' ') {
            end_ = next_;
            return State::Complete;
        }
    }
}

}  // namespace calvendra
