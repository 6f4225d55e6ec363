#pragma once

#include <cerrno>

namespace calvendra {

// The error numbers the socket layer raises itself. Each kind of failure has its own errno value,
// so a caller can tell them apart, and the system's text for it reads sensibly:
//
//   failure                                                        errno          text
//   Bind: local address neither dotted IPv4 nor a known host name EINVAL         Invalid argument
//   a proxy reply (or a connect) did not come within the time-out  ETIMEDOUT      Connection timed
//   out SOCKS 5 proxy chose an authentication method not offered       ECONNREFUSED   Connection
//   refused SOCKS 4 request not granted; SOCKS 5 reply code not 0          EPROTO         Protocol
//   error SOCKS 5 name, user or password over 255 bytes; address type    ENAMETOOLONG   File name
//   too long
//     in the reply other than IPv4 or domain name
//   SOCKS 5 proxy rejected the user name and password              EACCES         Permission denied
//   HTTP proxy answered with a status other than 200               ECONNABORTED   Software caused
//                                                                                 connection abort
//   a proxy closed the connection before its reply was complete    ECONNRESET     Connection reset
//   by
//                                                                                 peer
//   an HTTP proxy's reply header beyond 64 KiB                     EMSGSIZE       Message too long
//   a host name that does not resolve                              EHOSTUNREACH   No route to host
//
// Every other failure carries the errno of the failing call itself.
constexpr int kErrorBadLocalAddress = EINVAL;
constexpr int kErrorTimedOut = ETIMEDOUT;
constexpr int kErrorMethodNotOffered = ECONNREFUSED;
constexpr int kErrorProxyRefused = EPROTO;
constexpr int kErrorBadParameter = ENAMETOOLONG;
constexpr int kErrorProxyAuthRejected = EACCES;
constexpr int kErrorHttpProxyRefused = ECONNABORTED;
constexpr int kErrorProxyClosed = ECONNRESET;
constexpr int kErrorProxyReplyTooLong = EMSGSIZE;
constexpr int kErrorHostNotFound = EHOSTUNREACH;

}  // namespace calvendra
