// Which lines of a settings file the settings store can take as they stand. Each line below is
// one that wxFileConfig either reads quietly or complains about (a message box at start-up, or an
// assertion for an entry without a key).

#include "settings/profile_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace calvendra {
namespace {

using Numbers = std::vector<std::size_t>;
using namespace std::string_literals;

TEST(KeepReadableLines, AnUndamagedFileStaysAsItIs) {
    const std::string file =
        "; written by the organizer\n"
        "\n"
        "[Calvendra1.0]\n"
        "SenderEmail=me@example.org\n"
        "SMTPServer = mail.example.org \n"
        "SMTPPassword=\"with \\\"quotes\\\" and \\\\\"\n"
        "  SMTPAccount=ä user\twith tab\n"
        "[Calvendra] # start-up option\n"
        "AutoRun=1\n"
        "[a/b]\n"
        "key=\n";
    const ReadableProfile readable = KeepReadableLines(file);
    EXPECT_FALSE(readable.Damaged());
    EXPECT_EQ(readable.text, file);
}

TEST(KeepReadableLines, EachKindOfDamageIsDroppedAndNamedByItsLine) {
    struct Case {
        std::string line;
        bool readable;
    };
    const Case cases[] = {
        {"=x", false},                   // an entry without a key: an assertion
        {"  = x", false},                //
        {"no equals sign", false},       //
        {"[Calvendra1.0", false},        // a header that never closes
        {"[Calvendra1.0] junk", false},  // something after a header
        {"[Calvendra1.0] ; a comment", true},
        {"[]", false},                              // no name
        {"[a//b]", false},                          // an empty group on the way
        {"[..]", false},                            // a group that climbs up
        {"[a]]", false},                            //
        {"!SMTPPort=25", false},                    // an entry the program could never change
        {"k\\=1", false},                           // escaped signs in a key
        {"a/b=1", false},                           // a key that names a group
        {"k=\"open quote", false},                  //
        {"k=\"a\"b", false},                        // text after the closing quote
        {"k=trailing\\", false},                    // a lone backslash at the end
        {"k=ab\\\\", true},                         // an escaped one
        {"k=a\"b", true},                           // quotes inside an unquoted value
        {"k=\xff\xfe", false},                      // no UTF-8
        {"k=\xc0\xaf", false},                      // an overlong form
        {"k=\xe0\x80\xaf", false},                  // "/" in three bytes
        {"k=\xe0\x9f\xbf", false},                  // U+07FF in three bytes
        {"k=\xf0\x80\x80\xaf", false},              // "/" in four bytes
        {"k=\xf0\x8f\xbf\xbf", false},              // U+FFFF in four bytes
        {"k=\xe0\xa0\x80 \xf0\x90\x80\x80", true},  // the smallest of each length
        {"k=\xed\xa0\x80", false},                  // a surrogate
        {"k=\xf4\x90\x80\x80", false},              // beyond Unicode
        {"k=caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\x85", true},
        {"k=a\x01z", false},         // a control character
        {"k=a\0z"s, false},          // a zero byte
        {"k=a\x7f", false},          //
        {"# anything \xff", false},  // comments must be text too
        // A byte-order mark that the store would drop should the line come first in the file.
        {"\xef\xbb\xbf=E", false},
        {"\xef\xbb\xbfk=1", false},
        {"  \xef\xbb\xbf[Calvendra1.0]", false},
        {"\xef\xbb\xbf# a comment", false},
        {"k=\xef\xbb\xbf", true},  // inside a value it is text
    };
    for (const Case& c : cases) {
        const std::string file = "[First]\n" + c.line + "\n[Second]\nSMTPPort=587\n";
        const ReadableProfile readable = KeepReadableLines(file);
        if (c.readable) {
            EXPECT_FALSE(readable.Damaged()) << c.line;
            EXPECT_EQ(readable.text, file) << c.line;
        } else {
            EXPECT_EQ(readable.damagedLines, Numbers{2}) << c.line;
            EXPECT_EQ(readable.text, "[First]\n[Second]\nSMTPPort=587\n") << c.line;
        }
    }
}

TEST(KeepReadableLines, AKeyThatComesAgainInItsGroupIsReadAsTheLaterOne) {
    const ReadableProfile readable = KeepReadableLines("[A]\nk=1\nj=2\n[B]\nk=3\nk=5\n");
    EXPECT_EQ(readable.damagedLines, Numbers{5});
    EXPECT_EQ(readable.repeatedHeaders, Numbers{});
    EXPECT_EQ(readable.text, "[A]\nk=1\nj=2\n[B]\nk=5\n");
}

// The store takes names without regard to letter case, as one: of two keys the later stays.
TEST(KeepReadableLines, KeysThatDifferOnlyInLetterCaseAreOneKey) {
    const ReadableProfile readable = KeepReadableLines(
        "[Calvendra1.0]\nSMTPServer=a\nsmtpserver=b\nk\xc3\xa4=1\nK\xc3\x84=2\nSMTPPort=25\n");
    EXPECT_EQ(readable.damagedLines, (Numbers{2, 4}));
    EXPECT_EQ(readable.text, "[Calvendra1.0]\nsmtpserver=b\nK\xc3\x84=2\nSMTPPort=25\n");
}

// A hand-edited or concatenated file names a group twice (the store asserts on a group's second
// header): the second header goes, and its lines join the first, in any letter case, with
// comments and blanks around it.
TEST(KeepReadableLines, AGroupNamedAgainJoinsItsFirstHeader) {
    struct Case {
        std::string file;
        std::string text;
        Numbers repeated;
        Numbers damaged;
    };
    const Case cases[] = {
        {"[Calvendra1.0]\nSMTPServer=localhost\n[Calvendra1.0]\n",
         "[Calvendra1.0]\nSMTPServer=localhost\n",
         {3},
         {}},
        {"[Calvendra1.0]\nSMTPServer=localhost\n# again\n  [Calvendra1.0]  \n\nSMTPPort=587\n",
         "[Calvendra1.0]\nSMTPServer=localhost\n# again\n\nSMTPPort=587\n",
         {4},
         {}},
        {"[Calvendra1.0]\nSMTPServer=a\n[Calvendra]\nAutoRun=1\n[calvendra1.0] ; mine\n"
         "smtpserver=b\n",
         "[Calvendra1.0]\nsmtpserver=b\n[Calvendra]\nAutoRun=1\n",
         {5},
         {2}},
        {"[A]\nk=1\nj=2\n[B]\nk=3\n[A]\nk=4\n[a/b]\nx=1\n[A/B]\ny=2\n",
         "[A]\nj=2\nk=4\n[B]\nk=3\n[a/b]\nx=1\ny=2\n",
         {6, 10},
         {2}},
    };
    for (const Case& c : cases) {
        const ReadableProfile readable = KeepReadableLines(c.file);
        EXPECT_TRUE(readable.Damaged()) << c.file;
        EXPECT_EQ(readable.text, c.text) << c.file;
        EXPECT_EQ(readable.repeatedHeaders, c.repeated) << c.file;
        EXPECT_EQ(readable.damagedLines, c.damaged) << c.file;
        EXPECT_FALSE(KeepReadableLines(readable.text).Damaged()) << c.file;
    }
}

TEST(KeepReadableLines, EntriesUnderADamagedHeaderAreDroppedWithIt) {
    const ReadableProfile readable = KeepReadableLines(
        "[Calvendra1.0]\nSMTPServer=a\n[Other junk\nSMTPServer=b\n\n[Calvendra]\nAutoRun=1\n");
    EXPECT_EQ(readable.damagedLines, (Numbers{3, 4}));
    EXPECT_EQ(readable.text, "[Calvendra1.0]\nSMTPServer=a\n\n[Calvendra]\nAutoRun=1\n");
}

TEST(KeepReadableLines, LineEndsAndAByteOrderMarkAreNoDamage) {
    EXPECT_EQ(KeepReadableLines("\xef\xbb\xbf[A]\r\nk=1\r\nj=2").text, "[A]\nk=1\nj=2\n");
    // Only the file's first: one more behind it, or on a later line, would become the first of
    // the file written again.
    const ReadableProfile marked = KeepReadableLines("=\n\xef\xbb\xbf=E\n");
    EXPECT_EQ(marked.damagedLines, (Numbers{1, 2}));
    EXPECT_EQ(marked.text, "");
    EXPECT_EQ(KeepReadableLines("\xef\xbb\xbf\xef\xbb\xbfk=1\n").damagedLines, Numbers{1});
    EXPECT_FALSE(KeepReadableLines("").Damaged());
    EXPECT_EQ(KeepReadableLines("").text, "");
}

// Random bytes keep at most the odd line that happens to read, and never one the store refuses.
TEST(KeepReadableLines, RandomBytesLeaveOnlyLinesThatReadAgainAsTheyAre) {
    std::string noise;
    unsigned state = 12345;
    for (int i = 0; i < 20000; ++i) {
        state = state * 1103515245u + 12345u;
        const char byte = static_cast<char>(state >> 16);
        // Plenty of line feeds, signs and brackets, so that many short lines come up.
        const char* shaped[] = {"\n",           "=",      "[", "]", "k", "K", "\"", "\\", " ",
                                "\xef\xbb\xbf", "\n[A]\n"};
        noise +=
            (state & 0x300) == 0 ? std::string(shaped[(state >> 24) % 11]) : std::string(1, byte);
    }
    const ReadableProfile readable = KeepReadableLines(noise);
    EXPECT_TRUE(readable.Damaged());
    const ReadableProfile again = KeepReadableLines(readable.text);
    EXPECT_FALSE(again.Damaged());
    EXPECT_EQ(again.text, readable.text);
}

}  // namespace
}  // namespace calvendra
