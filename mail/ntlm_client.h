#pragma once

#include <cstddef>
#include <cstdint>

namespace calvendra {

// A status of the security package's kind: negative is a failure, 0 success.
using NtlmStatus = std::int32_t;

constexpr NtlmStatus kNtlmOk = 0;
// The package's insufficient-memory status, for a challenge that does not fit its buffer.
constexpr NtlmStatus kNtlmInsufficientMemory = static_cast<NtlmStatus>(0x80090300u);

// The three steps through which NTLM authentication talks to the server. The session implements
// them over its connection; the exchange that produces the tokens drives them.
class NtlmClient {
public:
    virtual ~NtlmClient() = default;

    // Sends the first token; reads no reply.
    virtual NtlmStatus SendFirstToken(const unsigned char* token, std::size_t length) = 0;
    // Reads the server's challenge into the buffer; its length comes back in length.
    virtual NtlmStatus ReceiveChallenge(unsigned char* buffer, std::size_t capacity,
                                        std::size_t& length) = 0;
    // Sends a response token and awaits the server's verdict.
    virtual NtlmStatus SendResponse(const unsigned char* token, std::size_t length) = 0;
};

}  // namespace calvendra
