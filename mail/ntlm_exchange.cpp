#include "mail/ntlm_exchange.h"

#include <vector>

namespace calvendra {

NtlmStatus RunNtlmExchange(NtlmClient& client, NtlmSecurityContext& context) {
    NtlmStatus status = context.AcquireCredentials();
    if (status < 0) {
        return status;
    }
    std::vector<unsigned char> outgoing(kNtlmTokenBufferSize);
    std::vector<unsigned char> challenge(kNtlmTokenBufferSize);
    std::size_t outgoingLength = 0;
    status = context.Step(nullptr, 0, outgoing.data(), outgoing.size(), outgoingLength);
    if (status < 0) {
        return status;
    }
    bool done = status != kNtlmContinueNeeded;
    status = client.SendFirstToken(outgoing.data(), outgoingLength);
    while (status >= 0 && !done) {
        std::size_t challengeLength = 0;
        status = client.ReceiveChallenge(challenge.data(), challenge.size(), challengeLength);
        if (status < 0) {
            break;
        }
        status = context.Step(challenge.data(), challengeLength, outgoing.data(), outgoing.size(),
                              outgoingLength);
        if (status < 0) {
            break;
        }
        done = status != kNtlmContinueNeeded;
        status = client.SendResponse(outgoing.data(), outgoingLength);
    }
    return status < 0 ? status : kNtlmOk;
}

}  // namespace calvendra
