#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "mail/mailbox_syntax.h"

namespace calvendra {
namespace {

using namespace std::string_literals;
using ::testing::HasSubstr;

// What RFC 5321's grammar and limits allow, at their edges.
TEST(MailboxSyntax, TheMailboxesTheStandardAllows) {
    const std::string longestLocal(64, 'l');
    const std::string label63(63, 'd');
    // 64 + "@" + 3 labels of 61 and the dots and "org": 254 octets in all.
    const std::string longestMailbox = longestLocal + "@" + std::string(61, 'a') + "." +
                                       std::string(61, 'b') + "." + std::string(61, 'c') + ".org";
    ASSERT_EQ(longestMailbox.size(), 254u);
    for (const std::string& valid : {
             "ann@example.org"s,
             "Ann.Smith@Mail-1.Example.co.uk"s,
             "localpart@localhost"s,
             "!#$%&'*+-/=?^_`{|}~@example.org"s,
             "1@2.3"s,
             "\"john doe\"@example.org"s,
             "\"with \\\"quote\\\" and @\"@example.org"s,
             "\"\"@example.org"s,
             "me@[127.0.0.1]"s,
             "me@[255.255.255.255]"s,
             "me@[IPv6:2001:db8::1]"s,
             "me@[ipv6:::ffff:192.0.2.1]"s,
             longestLocal + "@example.org",
             "me@" + label63 + ".org",
             longestMailbox,
         }) {
        EXPECT_EQ(MailboxFault(valid), "") << valid;
    }
}

// Each case breaks one rule; the reason names it.
TEST(MailboxSyntax, EachBrokenRuleIsNamed) {
    struct Case {
        std::string mailbox;
        std::string fault;
    };
    const std::string longestLocal(64, 'l');
    const Case cases[] = {
        {"", "it is empty"},
        {"to1@example.org> NOTIFY=SUCCESS,FAILURE ORCPT=rfc822;x@y",
         "its domain holds \">\" (octet 16)"},
        {"ann smith@example.org", "it holds a space outside quotes (octet 4)"},
        {"ann@example.org ", "its domain holds a space (octet 16)"},
        {"a<b@example.org", "it holds \"<\" outside quotes"},
        {"a,b@example.org", "it holds \",\" outside quotes"},
        {"a\\b@example.org", "it holds \"\\\" outside quotes"},
        {"ann@exa\0mple.org"s, "the byte 0x00, which is no printable ASCII character (octet 8)"},
        {"ann@example.org\r\nRSET", "the byte 0x0D"},
        {"\tann@example.org", "the byte 0x09"},
        {"ann@example.org\x7f", "the byte 0x7F"},
        {"j\xc3\xb6rg@example.org", "the byte 0xC3"},
        {"ann", "it has no \"@\""},
        {"@example.org", "its local part (before the \"@\") is empty"},
        {".ann@example.org", "an empty part between dots (octet 1)"},
        {"ann..smith@example.org", "an empty part between dots (octet 5)"},
        {"ann.@example.org", "its local part ends in a dot"},
        {"\"open@example.org", "its quoted local part has no closing quote"},
        {"\"ends in escape\\\"@example.org", "its quoted local part has no closing quote"},
        {"\"quoted\"x@example.org", "its quoted local part is not followed by \"@\" (octet 9)"},
        {longestLocal + "l@example.org", "longer than 64 octets"},
        {"ann@", "it has no domain after the \"@\""},
        {"ann@example.org.", "its domain has an empty label (octet 17)"},
        {"ann@.example.org", "its domain has an empty label (octet 5)"},
        {"ann@example..org", "its domain has an empty label (octet 13)"},
        {"ann@-example.org", "starts or ends with a hyphen (octet 5)"},
        {"ann@example-.org", "starts or ends with a hyphen (octet 5)"},
        {"ann@exa_mple.org", "its domain holds \"_\" (octet 8)"},
        {"ann@b@example.org", "its domain holds \"@\" (octet 6)"},
        {"ann@" + std::string(64, 'd') + ".org", "a label of its domain is longer than 63 octets"},
        {"ann@[127.0.0.1", "its address literal has no closing \"]\""},
        {"ann@[256.0.0.1]", "is no IPv4 or IPv6 address"},
        {"ann@[1.2.3]", "is no IPv4 or IPv6 address"},
        {"ann@[1.2.3.4.5]", "is no IPv4 or IPv6 address"},
        {"ann@[0001.2.3.4]", "is no IPv4 or IPv6 address"},
        {"ann@[IPv6:1.2.3.4]", "is no IPv4 or IPv6 address"},
        {"ann@[IPv6:2001:db8::g]", "is no IPv4 or IPv6 address"},
        {"ann@[x-tag:anything]", "is no IPv4 or IPv6 address"},
        {"ann@[]", "is no IPv4 or IPv6 address"},
        {"a@" + std::string(4600, 'x'), "it is 4602 octets long, more than the 254"},
        {std::string(60, 'l') + "@" + std::string(63, 'a') + "." + std::string(63, 'b') + "." +
             std::string(63, 'c') + ".org",
         "more than the 254"},
    };
    for (const Case& c : cases) {
        EXPECT_THAT(MailboxFault(c.mailbox), HasSubstr(c.fault)) << PrintableText(c.mailbox);
    }
}

TEST(MailboxSyntax, DomainNamesAreLabelsOfLettersDigitsAndInnerHyphens) {
    EXPECT_TRUE(IsDomainName("example.org"));
    EXPECT_TRUE(IsDomainName("xn--bcher-kva.example"));
    EXPECT_TRUE(IsDomainName(std::string(63, 'a') + ".org"));
    for (const std::string& broken :
         {""s, "example.org."s, ".example.org"s, "a..b"s, std::string(64, 'a') + ".org", "-a.org"s,
          "a-.org"s, "[127.0.0.1]"s, "exa mple.org"s, "ex\xc3\xa4mple.org"s}) {
        EXPECT_FALSE(IsDomainName(broken)) << broken;
    }
}

TEST(MailboxSyntax, PrintableTextEscapesWhatCouldBreakALineAndCutsFloods) {
    EXPECT_EQ(PrintableText("ann@example.org"), "ann@example.org");
    EXPECT_EQ(PrintableText("a\r\nb\0\\\xff"s), "a\\x0D\\x0Ab\\x00\\x5C\\xFF");
    EXPECT_EQ(PrintableText(std::string(5000, 'x')), std::string(100, 'x') + "...");
    EXPECT_EQ(PrintableText(std::string(100, 'x')), std::string(100, 'x'));
}

}  // namespace
}  // namespace calvendra
