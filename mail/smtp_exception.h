#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "mail/transport_error.h"

namespace calvendra {

// Every failure of the SMTP session and of message rendering. Thrown by value: catch it by const
// reference; nothing has to be deleted.
class CKivSMTPException : public std::runtime_error {
public:
    // The most of the server's reply an error keeps; a longer reply is cut and marked as cut.
    static constexpr std::size_t kMaxReplyInError = 300;

    // The detail, when given, says more of why (a library's own text) and ends the message.
    CKivSMTPException(std::uint32_t transportError, std::string lastReply,
                      const std::string& detail = std::string());

    // A step whose reply never came to an end: the step's own error value, and a text that says
    // that the reply did not end and why (`why`: "no complete reply came within 60 seconds"),
    // rather than that the server refused the step, with what had come of the reply.
    static CKivSMTPException UnfinishedReply(std::uint32_t transportError, std::string lastReply,
                                             const std::string& why);

    // Bit 31 set, facility in bits 16 to 28, code in bits 0 to 15 (see transport_error.h). A
    // failure of NTLM's security package carries the package's status unchanged.
    std::uint32_t TransportError() const { return transportError_; }
    std::uint32_t Facility() const { return ErrorFacility(transportError_); }
    std::uint32_t Code() const { return ErrorCode(transportError_); }

    // The server's last reply when the error was raised, cut after kMaxReplyInError bytes; empty
    // when the error came from elsewhere.
    const std::string& LastReply() const { return lastReply_; }

    // Copies the message text, cut to capacity - 1 bytes and terminated, into the buffer. Own
    // errors always have a text; a system error without one leaves an empty string and gives false.
    bool GetErrorMessage(char* buffer, std::size_t capacity, unsigned* helpContext = nullptr) const;

    // The same text as a string (empty when there is none).
    std::string ErrorMessage() const;

private:
    struct MessageGiven {};
    CKivSMTPException(MessageGiven, std::uint32_t transportError, std::string lastReply,
                      const std::string& message);

    std::uint32_t transportError_;
    std::string lastReply_;
};

}  // namespace calvendra
