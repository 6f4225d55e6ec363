#include "mail/ntlm_security_context.h"

#include <cstring>
#include <utility>

namespace calvendra {

namespace {

// 1.3.6.1.4.1.311.2.2.10, the NTLMSSP mechanism, DER-encoded.
gss_OID_desc kNtlmMechanism = {10, const_cast<char*>("\x2b\x06\x01\x04\x01\x82\x37\x02\x02\x0a")};

// Every message GSSAPI has for the status, joined with "; ".
std::string DisplayStatus(OM_uint32 status, int type) {
    std::string text;
    OM_uint32 more = 0;
    do {
        OM_uint32 minor = 0;
        gss_buffer_desc message = GSS_C_EMPTY_BUFFER;
        if (GSS_ERROR(gss_display_status(&minor, status, type, &kNtlmMechanism, &more, &message))) {
            break;
        }
        text += (text.empty() ? "" : "; ") +
                std::string(static_cast<const char*>(message.value), message.length);
        gss_release_buffer(&minor, &message);
    } while (more != 0);
    return text;
}

// A token GSSAPI allocated, released with the object.
class GssBuffer {
public:
    GssBuffer() = default;
    ~GssBuffer() {
        OM_uint32 minor = 0;
        gss_release_buffer(&minor, &buffer_);
    }
    GssBuffer(const GssBuffer&) = delete;
    GssBuffer& operator=(const GssBuffer&) = delete;

    gss_buffer_t Get() { return &buffer_; }
    std::size_t Length() const { return buffer_.length; }
    const void* Data() const { return buffer_.value; }

private:
    gss_buffer_desc buffer_ = GSS_C_EMPTY_BUFFER;
};

}  // namespace

NtlmSecurityContext::NtlmSecurityContext(std::string serverHost)
    : serverHost_(std::move(serverHost)) {}

NtlmSecurityContext::~NtlmSecurityContext() {
    OM_uint32 minor = 0;
    if (context_ != GSS_C_NO_CONTEXT) {
        gss_delete_sec_context(&minor, &context_, GSS_C_NO_BUFFER);
    }
    if (credentials_ != GSS_C_NO_CREDENTIAL) {
        gss_release_cred(&minor, &credentials_);
    }
    if (target_ != GSS_C_NO_NAME) {
        gss_release_name(&minor, &target_);
    }
}

NtlmStatus NtlmSecurityContext::Fail(const char* call, OM_uint32 major, OM_uint32 minor,
                                     NtlmStatus otherwise) {
    failureText_ = std::string(call) + ": " + DisplayStatus(major, GSS_C_GSS_CODE);
    if (minor != 0) {
        failureText_ += " (" + DisplayStatus(minor, GSS_C_MECH_CODE) + ")";
    }
    switch (GSS_ROUTINE_ERROR(major)) {
        case GSS_S_BAD_MECH:
        case GSS_S_UNAVAILABLE:
            return kNtlmPackageNotFound;
        case GSS_S_NO_CRED:
        case GSS_S_CREDENTIALS_EXPIRED:
        case GSS_S_DEFECTIVE_CREDENTIAL:
            return kNtlmNoCredentials;
        case GSS_S_DEFECTIVE_TOKEN:
        case GSS_S_BAD_SIG:
            return kNtlmInvalidToken;
        default:
            return otherwise;
    }
}

NtlmStatus NtlmSecurityContext::AcquireCredentials() {
    OM_uint32 minor = 0;
    gss_OID_set_desc mechanisms = {1, &kNtlmMechanism};
    OM_uint32 major = gss_acquire_cred(&minor, GSS_C_NO_NAME, GSS_C_INDEFINITE, &mechanisms,
                                       GSS_C_INITIATE, &credentials_, nullptr, nullptr);
    if (GSS_ERROR(major)) {
        // gss-ntlmssp reports a missing or unreadable user file as a general failure.
        return Fail("gss_acquire_cred", major, minor, kNtlmNoCredentials);
    }
    std::string service = "smtp@" + serverHost_;
    // The terminating zero goes along: gss-ntlmssp reads the name GSSAPI copies as a C string.
    gss_buffer_desc name = {service.size() + 1, service.data()};
    major = gss_import_name(&minor, &name, GSS_C_NT_HOSTBASED_SERVICE, &target_);
    if (GSS_ERROR(major)) {
        return Fail("gss_import_name", major, minor, kNtlmInternalError);
    }
    return kNtlmOk;
}

NtlmStatus NtlmSecurityContext::Step(const unsigned char* input, std::size_t inputLength,
                                     unsigned char* output, std::size_t capacity,
                                     std::size_t& outputLength) {
    outputLength = 0;
    gss_buffer_desc token = {inputLength, const_cast<unsigned char*>(input)};
    GssBuffer next;
    OM_uint32 minor = 0;
    // No requirement flags, as the mail server asks for nothing but the login itself.
    const OM_uint32 major = gss_init_sec_context(
        &minor, credentials_, &context_, target_, &kNtlmMechanism, 0, GSS_C_INDEFINITE,
        GSS_C_NO_CHANNEL_BINDINGS, input != nullptr ? &token : GSS_C_NO_BUFFER, nullptr, next.Get(),
        nullptr, nullptr);
    if (GSS_ERROR(major)) {
        return Fail("gss_init_sec_context", major, minor, kNtlmInternalError);
    }
    if (next.Length() > capacity) {
        failureText_ = "the package's token of " + std::to_string(next.Length()) +
                       " bytes is larger than its buffer";
        return kNtlmBufferTooSmall;
    }
    if (next.Length() > 0) {
        std::memcpy(output, next.Data(), next.Length());
    }
    outputLength = next.Length();
    return (major & GSS_S_CONTINUE_NEEDED) != 0 ? kNtlmContinueNeeded : kNtlmOk;
}

}  // namespace calvendra
