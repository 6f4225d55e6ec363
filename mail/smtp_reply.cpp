#include "mail/smtp_reply.h"

namespace calvendra {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether the start of a line, as far as it has come in, can begin a reply line: three digits
// and a space or hyphen.
bool StartsLikeAReplyLine(std::string_view line) {
    for (std::size_t index = 0; index < line.size() && index < 4; ++index) {
        const char c = line[index];
        if (index < 3 ? !IsDigit(c) : (c != ' ' && c != '-')) {
            return false;
        }
    }
    return true;
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
        if (line.size() < 4) {
            return State::Malformed;  // a code alone, or less
        }
        const int code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
        if (code_ >= 0 && code != code_) {
            return State::Malformed;
        }
        code_ = code;
        next_ += lineEnd + 2;
        if (line[3] == ' ') {
            end_ = next_;
            return State::Complete;
        }
    }
}

}  // namespace calvendra
