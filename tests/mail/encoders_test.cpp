#include <gtest/gtest.h>

#include <clocale>
#include <random>
#include <string>

#include "mail/base64.h"
#include "mail/dot_stuff.h"
#include "mail/header_text.h"
#include "mail/quoted_printable.h"
#include "mail/utf8_conversion.h"
#include "tests/mail/qp_decoder.h"

namespace calvendra {
namespace {

using namespace std::string_literals;

std::string RandomBytes(std::mt19937& random, std::size_t length) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(length, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(byte(random));
    }
    return bytes;
}

// Splits at CR LF; the last piece is what follows the last CR LF.
std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, at - start));
        start = at + 2;
    }
    lines.push_back(text.substr(start));
    return lines;
}

TEST(Base64, KnownValuesAndPadding) {
    EXPECT_EQ(Base64Flat(""), "");
    EXPECT_EQ(Base64Flat("f"), "Zg==");
    EXPECT_EQ(Base64Flat("fo"), "Zm8=");
    EXPECT_EQ(Base64Flat("foo"), "Zm9v");
    EXPECT_EQ(Base64Flat("\xff\xfe\x00"s), "//4A");
    EXPECT_EQ(Base64Decode("Zm9v\r\nYmFy=="), "foobar");
    EXPECT_EQ(Base64Decode("Zm 9v!Y*m=E="), "fooba");
    EXPECT_EQ(Base64Decode(""), "");
}

TEST(Base64, LinesAreSeventySixCharactersAndThePaddedGroupFollowsTheLastLine) {
    // 57 bytes fill exactly one line; the line still gets its CR LF and the pad starts a new line.
    const std::string full(57, 'a');
    const std::string encoded = Base64Lines(full + "b");
    const auto lines = SplitCrLf(encoded);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 76u);
    EXPECT_EQ(lines[1], "Yg==");
    EXPECT_EQ(Base64Lines(full).substr(76), "\r\n");
    // A short last line gets no CR LF, the pad follows directly.
    const std::string shortLast = Base64Lines(std::string(60, 'a') + "xy");
    EXPECT_EQ(SplitCrLf(shortLast).back(), Base64Flat("aaa") + Base64Flat("xy"));
    EXPECT_EQ(Base64Lines(""), "");
}

TEST(Base64, RandomBytesOfManyLengthsDecodeBackExactly) {
    std::mt19937 random(20261208);
    for (std::size_t length = 0; length < 400; ++length) {
        const std::string bytes = RandomBytes(random, length);
        const std::string lines = Base64Lines(bytes);
        ASSERT_EQ(Base64Decode(lines), bytes) << "length " << length;
        ASSERT_EQ(Base64Decode(Base64Flat(bytes)), bytes) << "length " << length;
        for (const std::string& line : SplitCrLf(lines)) {
            ASSERT_LE(line.size(), 76u);
        }
        ASSERT_EQ(Base64Flat(bytes).find('\r'), std::string::npos);
    }
    const std::string large = RandomBytes(random, 100000);
    EXPECT_EQ(Base64Decode(Base64Lines(large)), large);
}

TEST(QuotedPrintable, LongWordIsCutInto75And75And50WithSoftBreaks) {
    const std::string encoded = EncodeQuotedPrintable(std::string(200, 'a'));
    EXPECT_EQ(encoded, std::string(75, 'a') + "=\r\n" + std::string(75, 'a') + "=\r\n" +
                           std::string(50, 'a'));
    // A line of 76 characters is whole as it is; one more makes it fold.
    EXPECT_EQ(EncodeQuotedPrintable(std::string(76, 'b') + "\r\nx"), std::string(76, 'b') + "\r\nx");
    EXPECT_EQ(EncodeQuotedPrintable(std::string(76, 'b')), std::string(76, 'b'));
    EXPECT_EQ(EncodeQuotedPrintable(std::string(77, 'b')),
              std::string(75, 'b') + "=\r\n" + std::string(2, 'b'));
}

TEST(QuotedPrintable, EscapesAndKeepsTheRightBytes) {
    EXPECT_EQ(EncodeQuotedPrintable("a=b\tc d\r\n~!"), "a=3Db\tc d\r\n~!");
    EXPECT_EQ(EncodeQuotedPrintable("\x00\x7f\xe9"s), "=00=7F=E9");
    // White space at the end of a line or of the text would be lost on the way.
    EXPECT_EQ(EncodeQuotedPrintable("end \r\nnext\t\nlast "), "end=20\r\nnext=09\nlast=20");
}

TEST(QuotedPrintable, FoldsAfterTheLastBlankOrEscapeAndNeverInsideAnEscape) {
    // A space as the 71st character: the line ends after it.
    const std::string words = std::string(70, 'a') + " " + std::string(20, 'b');
    EXPECT_EQ(EncodeQuotedPrintable(words), std::string(70, 'a') + " =\r\n" + std::string(20, 'b'));
    // An escape ending at the 60th character.
    const std::string escaped = std::string(57, 'a') + "\xe9" + std::string(30, 'b');
    EXPECT_EQ(EncodeQuotedPrintable(escaped),
              std::string(57, 'a') + "=E9=\r\n" + std::string(30, 'b'));
    // A blank as the 75th character is still a break point: 75 characters and the soft break.
    const std::string late = std::string(74, 'a') + " bbbbb";
    EXPECT_EQ(EncodeQuotedPrintable(late), std::string(74, 'a') + " =\r\nbbbbb");
    // Without a blank or escape within 75 characters, the line is cut after the 75th.
    const std::string blankTooLate = std::string(77, 'a') + " bbb";
    EXPECT_EQ(EncodeQuotedPrintable(blankTooLate), std::string(75, 'a') + "=\r\naa bbb");
    // An escape that would straddle the cut moves to the next line whole.
    for (const std::size_t before : {73u, 74u}) {
        const std::string straddling = std::string(before, 'a') + "=" + std::string(10, 'b');
        EXPECT_EQ(EncodeQuotedPrintable(straddling),
                  std::string(before, 'a') + "=\r\n=3D" + std::string(10, 'b'))
            << before;
    }
}

TEST(QuotedPrintable, RandomBytesOfManyLengthsDecodeBackByTheRfcRules) {
    std::mt19937 random(4711);
    // Bytes drawn mostly from text so that long lines, blanks and line ends all occur.
    const std::string alphabet = "abc =\t\r\n.\xe9\x00"s;
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (std::size_t length = 0; length < 600; ++length) {
        const std::string bytes = RandomBytes(random, length);
        std::string text(length, '\0');
        for (char& c : text) {
            c = alphabet[pick(random)];
        }
        for (const std::string& input : {bytes, text}) {
            const std::string encoded = EncodeQuotedPrintable(input);
            const auto decoded = test::DecodeQuotedPrintable(encoded);
            ASSERT_TRUE(decoded.has_value()) << encoded;
            ASSERT_EQ(*decoded, input) << encoded;
            for (const char c : encoded) {
                const auto byte = static_cast<unsigned char>(c);
                ASSERT_TRUE((byte >= 32 && byte < 127) || c == '\r' || c == '\n' || c == '\t');
            }
            // At most 76 characters on any line, the "=" of a soft break included.
            std::size_t column = 0;
            for (const char c : encoded) {
                column = (c == '\r' || c == '\n') ? 0 : column + 1;
                ASSERT_LE(column, kLongestQuotedPrintableLine) << encoded;
            }
        }
    }
}

TEST(HeaderText, PlainAsciiIsUnchangedAtAnyLength) {
    const std::string subject =
        "A rather long subject line that goes on and on well past seventy characters, and "
        "further still = ? _ all plain";
    EXPECT_EQ(EncodeHeaderText(subject, "iso-8859-1"), subject);
    EXPECT_EQ(EncodeHeaderText(std::string(1000, 'x'), "UTF-8"), std::string(1000, 'x'));
    EXPECT_EQ(EncodeHeaderText("", "iso-8859-1"), "");
}

TEST(HeaderText, OnlyThe70BytePiecesHoldingAn8BitByteBecomeEncodedWords) {
    const std::string first(70, 'a');
    const std::string second = std::string(10, 'b') + "\xe9t\xe9 x=y?_" + std::string(51, 'c');
    ASSERT_EQ(second.size(), 70u);
    const std::string third = "tail";
    const std::string encoded = EncodeHeaderText(first + second + third, "iso-8859-1");
    EXPECT_EQ(encoded, first + "=?iso-8859-1?q?" + std::string(10, 'b') + "=E9t=E9_x=3Dy=3F=5F" +
                           std::string(51, 'c') + "?=" + third);
    EXPECT_EQ(EncodeWord("caf\xc3\xa9", "UTF-8"), "=?UTF-8?q?caf=C3=A9?=");
}

TEST(HeaderText, LineBreaksAndNulsCannotLeaveTheHeaderLine) {
    const std::string hostile = "Hi\r\nBcc: victim@example.org\x00!"s;
    const std::string encoded = EncodeHeaderText(hostile, "iso-8859-1");
    EXPECT_EQ(encoded.find('\r'), std::string::npos);
    EXPECT_EQ(encoded.find('\n'), std::string::npos);
    EXPECT_EQ(encoded.find('\0'), std::string::npos);
    EXPECT_EQ(encoded, "=?iso-8859-1?q?Hi=0D=0ABcc:_victim@example.org=00!?=");
    EXPECT_EQ(SingleLine("a\r\nb\rc\nd"), "a  b c d");
    EXPECT_EQ(EncodeWord("tab\tstays", "x"), "tab\tstays");
}

TEST(DotStuff, DotsAtLineStartsAreDoubledOnce) {
    EXPECT_EQ(DotStuff(".\r\nnext"), "..\r\nnext");
    EXPECT_EQ(DotStuff("a\r\n..b\r\n.\r\nend."), "a\r\n...b\r\n..\r\nend.");
    EXPECT_EQ(DotStuff("a.b\r\nc. d"), "a.b\r\nc. d");
    // Bare line ends count as line ends: a lone LF or CR cannot smuggle an end-of-data mark.
    EXPECT_EQ(DotStuff("a\n.\rb\r.\r\n"), "a\n..\rb\r..\r\n");
    EXPECT_EQ(DotStuff(""), "");
}

class Utf8Conversion : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::setlocale(LC_CTYPE, nullptr);
        if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) {
            GTEST_SKIP() << "no C.UTF-8 locale";
        }
    }
    void TearDown() override { std::setlocale(LC_CTYPE, previous_.c_str()); }

private:
    std::string previous_;
};

TEST_F(Utf8Conversion, ValidUtf8IsUnchanged) {
    const std::string text = "plain, caf\xc3\xa9, \xe2\x82\xac, \xf0\x9f\x98\x80 and NUL";
    EXPECT_EQ(ConvertToUtf8(text), text);
    const std::string withNul = "a\0b"s;
    EXPECT_EQ(ConvertToUtf8(withNul), withNul);
}

TEST_F(Utf8Conversion, InvalidBytesAreKeptAsLatin1Characters) {
    // A lone Latin-1 e-acute, a cut-off sequence at the end, and a surrogate encoded in UTF-8.
    EXPECT_EQ(ConvertToUtf8("caf\xe9!"), "caf\xc3\xa9!");
    EXPECT_EQ(ConvertToUtf8("x\xe2\x82"), "x\xc3\xa2\xc2\x82");
    EXPECT_EQ(ConvertToUtf8("\xed\xa0\x80"), "\xc3\xad\xc2\xa0\xc2\x80");
    EXPECT_EQ(EncodeHeaderText("caf\xe9", "utf-8"), "=?utf-8?q?caf=C3=A9?=");
}

TEST(Utf8Encoding, CodePointsOfEveryLength) {
    std::string out;
    AppendUtf8(out, U'A');
    AppendUtf8(out, 0xE9);
    AppendUtf8(out, 0x20AC);
    AppendUtf8(out, 0x1F600);
    AppendUtf8(out, 0xD800);
    EXPECT_EQ(out, "A\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\xef\xbf\xbd");
}

}  // namespace
}  // namespace calvendra
