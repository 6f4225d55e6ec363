#pragma once

#include <string>
#include <string_view>

namespace calvendra {

// The CRAM-MD5 response (RFC 2195): the user name, one space, and the HMAC-MD5 (RFC 2104) of the
// challenge keyed with the password, as 32 lower-case hexadecimal digits (servers that compare the
// text case-sensitively expect lower case). A password over 64 bytes is hashed to 16 first, as
// HMAC does. Raises CKivSMTPException (facility 7, no reply text) when OpenSSL cannot compute it,
// for instance where MD5 is disabled.
std::string CramMd5Response(const std::string& user, const std::string& password,
                            std::string_view challenge);

}  // namespace calvendra
