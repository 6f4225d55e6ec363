#pragma once

#include <gssapi/gssapi.h>

#include <cstddef>
#include <string>

#include "mail/ntlm_client.h"

namespace calvendra {

// NTLM's security package: GSSAPI with the gss-ntlmssp mechanism (1.3.6.1.4.1.311.2.2.10). One
// object is one client context with the logged-on user's default credentials, which gss-ntlmssp
// reads from the file that NTLM_USER_FILE names (lines DOMAIN:user:password). The destructor
// releases the context, the credentials and the target name, whatever became of the exchange.
class NtlmSecurityContext {
public:
    // GSSAPI wants a target where Windows' package does without one: the mail server, named as the
    // host-based service smtp@host.
    explicit NtlmSecurityContext(std::string serverHost);
    ~NtlmSecurityContext();
    NtlmSecurityContext(const NtlmSecurityContext&) = delete;
    NtlmSecurityContext& operator=(const NtlmSecurityContext&) = delete;

    // Acquires the default outbound credentials for NTLM.
    NtlmStatus AcquireCredentials();

    // One step of the context: the server's token in (none for the first step), the next token out
    // into a buffer of the given capacity. kNtlmContinueNeeded while the server has to answer the
    // token, kNtlmOk once the context stands, a failure status otherwise.
    NtlmStatus Step(const unsigned char* input, std::size_t inputLength, unsigned char* output,
                    std::size_t capacity, std::size_t& outputLength);

    // What GSSAPI said about the last failure; empty while nothing failed.
    const std::string& FailureText() const { return failureText_; }

private:
    NtlmStatus Fail(const char* call, OM_uint32 major, OM_uint32 minor, NtlmStatus otherwise);

    std::string serverHost_;
    gss_cred_id_t credentials_ = GSS_C_NO_CREDENTIAL;
    gss_name_t target_ = GSS_C_NO_NAME;
    gss_ctx_id_t context_ = GSS_C_NO_CONTEXT;
    std::string failureText_;
};

}  // namespace calvendra
