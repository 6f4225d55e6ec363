#include "mail/cram_md5.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <cerrno>

#include "mail/smtp_exception.h"

namespace calvendra {

std::string CramMd5Response(const std::string& user, const std::string& password,
                            std::string_view challenge) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    ERR_clear_error();
    if (HMAC(EVP_md5(), password.data(), static_cast<int>(password.size()),
             reinterpret_cast<const unsigned char*>(challenge.data()), challenge.size(), digest,
             &length) == nullptr ||
        length != 16) {
        char reason[256] = "HMAC-MD5 failed";
        if (const unsigned long error = ERR_get_error()) {
            ERR_error_string_n(error, reason, sizeof reason);
        }
        throw CKivSMTPException(SystemError(EOPNOTSUPP), std::string(), reason);
    }
    static const char kDigits[] = "0123456789abcdef";
    std::string response = user + ' ';
    for (unsigned int index = 0; index < length; ++index) {
        response += kDigits[digest[index] >> 4];
        response += kDigits[digest[index] & 0x0F];
    }
    return response;
}

}  // namespace calvendra
