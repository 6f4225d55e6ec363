#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The syntax of a mailbox as the SMTP envelope carries it (RFC 5321, 4.1.2): a local part of
// dot-separated atoms or one quoted string, "@", and a domain of letter-digit-hyphen labels or an
// IPv4 or IPv6 address literal in brackets; within the limits of 4.5.3.1 (64 octets of local part,
// 255 of domain, 254 in all, so that the path with its angle brackets stays within 256). Only
// printable ASCII: the session does not offer SMTPUTF8.
namespace calvendra {

inline constexpr std::size_t kLongestLocalPart = 64;
inline constexpr std::size_t kLongestDomain = 255;
inline constexpr std::size_t kLongestMailbox = 254;
inline constexpr std::size_t kLongestLabel = 63;

// Why the text is no such mailbox, in a few words ("it holds a space (octet 4)"); empty when it
// is one.
std::string MailboxFault(std::string_view mailbox);

// Whether the text is a domain name in the mailbox's sense: labels of 1 to 63 letters, digits and
// hyphens, none starting or ending with a hyphen, separated by single dots, at most 255 octets.
bool IsDomainName(std::string_view domain);

// The text as a log line or a message may show it: printable ASCII as it stands, every other byte
// as \xNN, cut after `longest` octets with "..." (so a hostile address cannot break a line or
// flood it).
std::string PrintableText(std::string_view text, std::size_t longest = 100);

}  // namespace calvendra
