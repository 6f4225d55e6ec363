#pragma once

#include <cstddef>
#include <string_view>

namespace calvendra {

// Finds one SMTP reply in the bytes received so far (RFC 5321, 4.2): lines that each start with
// the same three-digit code followed by "-" (more lines follow), a space or nothing at all (the
// last line), each ended by CR LF. A line that starts otherwise, or with another code than the
// first, makes the reply malformed as soon as its first bytes show it.
class SmtpReplyScanner {
public:
    enum class State { Incomplete, Complete, Malformed };

    // Looks at what was received since the last call (the same text, grown).
    State Scan(std::string_view received);

    // Once complete: the reply's length through its final CR LF, and its code.
    std::size_t End() const { return end_; }
    int Code() const { return code_; }

private:
    std::size_t next_ = 0;  // where the first line not yet finished starts
    int code_ = -1;
    std::size_t end_ = 0;
};

}  // namespace calvendra
