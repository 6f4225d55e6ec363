#pragma once

#include "mail/ntlm_client.h"
#include "mail/ntlm_security_context.h"

namespace calvendra {

// NTLM authentication: the package's first token goes to the server, and each challenge the server
// sends is answered with the package's next token, until the package's context stands. Returns
// kNtlmOk, or the failure status of the step that failed (the client's steps may also throw). The
// context belongs to the caller, who releases it with its scope in every outcome.
NtlmStatus RunNtlmExchange(NtlmClient& client, NtlmSecurityContext& context);

}  // namespace calvendra
