#pragma once

#include <cerrno>

namespace calvendra {

// The error numbers the socket layer raises itself. Each kind of failure has its own errno value,
// so a caller can tell them apart, and the system's text for it reads sensibly.
//
// Bind: the local address is neither dotted IPv4 nor a known host name.
constexpr int kErrorBadLocalAddress = EINVAL;  // "Invalid argument"
// A proxy reply, a reply of the mail server or a connect did not come within the time-out, or a
// send made no progress for that long.
constexpr int kErrorTimedOut = ETIMEDOUT;  // "Connection timed out"
// The SOCKS 5 proxy chose an authentication method that was not offered.
constexpr int kErrorMethodNotOffered = ECONNREFUSED;  // "Connection refused"
// The SOCKS 4 request was not granted, the SOCKS 5 reply code is not 0, or a proxy's reply breaks
// its protocol (a wrong version byte, an address type in a SOCKS 5 reply other than IPv4, IPv6 or
// a domain name, an HTTP status line that is not "HTTP/1.x NNN ...").
constexpr int kErrorBadProxyResponse = EPROTO;  // "Protocol error"
// SOCKS 5: a name, user or password over 255 bytes.
constexpr int kErrorBadParameter = ENAMETOOLONG;  // "File name too long"
// The proxy refused the login: a SOCKS 5 proxy rejected the user name and password or accepted
// none of the methods offered; an HTTP proxy answered 407.
constexpr int kErrorProxyAuthRejected = EACCES;  // "Permission denied"
// An HTTP proxy answered with another status than 200 (or 407).
constexpr int kErrorHttpProxyRefused = ECONNABORTED;  // "Software caused connection abort"
// A proxy closed the connection before its reply was complete.
constexpr int kErrorProxyClosed = ECONNRESET;  // "Connection reset by peer"
// An HTTP proxy's reply header went beyond 64 KiB.
constexpr int kErrorProxyReplyTooLong = EMSGSIZE;  // "Message too long"
// A host name that does not resolve.
constexpr int kErrorHostNotFound = EHOSTUNREACH;  // "No route to host"
// The socket was aborted from another thread (CWSocket::Abort).
constexpr int kErrorAborted = ECANCELED;  // "Operation canceled"
//
// Every other failure carries the errno of the failing call itself.

}  // namespace calvendra
