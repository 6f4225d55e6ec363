#pragma once

#include <cstddef>
#include <cstdint>

namespace calvendra {

// A status of the security package's kind: negative is a failure, 0 success, and a positive value
// says that the exchange goes on. The failures keep the values that Windows' security package
// gives them, so that an error value means the same wherever it was raised.
using NtlmStatus = std::int32_t;

constexpr NtlmStatus kNtlmOk = 0;
// The package needs the server's next token.
constexpr NtlmStatus kNtlmContinueNeeded = 0x00090312;
// The package's insufficient-memory status, for a challenge that does not fit its buffer.
constexpr NtlmStatus kNtlmInsufficientMemory = static_cast<NtlmStatus>(0x80090300u);
// The package failed inside (an unexpected GSSAPI failure).
constexpr NtlmStatus kNtlmInternalError = static_cast<NtlmStatus>(0x80090304u);
// The NTLM mechanism is not installed.
constexpr NtlmStatus kNtlmPackageNotFound = static_cast<NtlmStatus>(0x80090305u);
// The server's token is not a valid NTLM challenge.
constexpr NtlmStatus kNtlmInvalidToken = static_cast<NtlmStatus>(0x80090308u);
// No credentials of the logged-on user (see NTLM_USER_FILE).
constexpr NtlmStatus kNtlmNoCredentials = static_cast<NtlmStatus>(0x8009030Eu);
// A token the package produced does not fit the outgoing buffer.
constexpr NtlmStatus kNtlmBufferTooSmall = static_cast<NtlmStatus>(0x80090321u);

// The largest token either way: the outgoing buffer and the buffer for the server's challenge.
constexpr std::size_t kNtlmTokenBufferSize = 12000;

// The three steps through which NTLM authentication talks to the server. The session implements
// them over its connection; the exchange that produces the tokens drives them.
class NtlmClient {
public:
    virtual ~NtlmClient() = default;

    // Sends the first token; reads no reply.
    virtual NtlmStatus SendFirstToken(const unsigned char* token, std::size_t length) = 0;
    // Reads the server's challenge into the buffer; its length comes back in length. A challenge
    // of capacity bytes or more gives kNtlmInsufficientMemory.
    virtual NtlmStatus ReceiveChallenge(unsigned char* buffer, std::size_t capacity,
                                        std::size_t& length) = 0;
    // Sends a response token and awaits the server's verdict.
    virtual NtlmStatus SendResponse(const unsigned char* token, std::size_t length) = 0;
};

}  // namespace calvendra
