#include <gtest/gtest.h>

#include <clocale>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "mail/base64.h"
#include "mail/dot_stuff.h"
#include "mail/header_folding.h"
#include "mail/header_text.h"
#include "mail/mime_parameter.h"
#include "mail/quoted_printable.h"
#include "mail/utf8_conversion.h"
#include "tests/mail/encoded_word_decoder.h"
#include "tests/mail/encoder_reference.h"
#include "tests/mail/qp_decoder.h"
#include "tests/mail/text_pieces.h"

namespace calvendra {
namespace {

using namespace std::string_literals;
using test::Repeat;
using test::Split;

std::string RandomBytes(std::mt19937& random, std::size_t length) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(length, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(byte(random));
    }
    return bytes;
}

// True when the bytes are UTF-8 characters, none of them cut off.
bool IsWholeUtf8(const std::string& bytes) {
    std::size_t owed = 0;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (owed > 0) {
            if ((byte & 0xC0) != 0x80) {
                return false;
            }
            --owed;
        } else if (byte >= 0xF0) {
            owed = 3;
        } else if (byte >= 0xE0) {
            owed = 2;
        } else if (byte >= 0xC0) {
            owed = 1;
        } else if (byte >= 0x80) {
            return false;
        }
    }
    return owed == 0;
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
    const auto lines = Split(encoded, "\r\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 76u);
    EXPECT_EQ(lines[1], "Yg==");
    EXPECT_EQ(Base64Lines(full).substr(76), "\r\n");
    // A short last line gets no CR LF, the pad follows directly.
    const std::string shortLast = Base64Lines(std::string(60, 'a') + "xy");
    EXPECT_EQ(Split(shortLast, "\r\n").back(), Base64Flat("aaa") + Base64Flat("xy"));
    EXPECT_EQ(Base64Lines(""), "");
}

TEST(Base64, RandomBytesOfManyLengthsDecodeBackExactly) {
    std::mt19937 random(20261208);
    for (std::size_t length = 0; length < 400; ++length) {
        const std::string bytes = RandomBytes(random, length);
        const std::string lines = Base64Lines(bytes);
        ASSERT_EQ(Base64Decode(lines), bytes) << "length " << length;
        ASSERT_EQ(Base64Decode(Base64Flat(bytes)), bytes) << "length " << length;
        for (const std::string& line : Split(lines, "\r\n")) {
            ASSERT_LE(line.size(), 76u);
        }
        ASSERT_EQ(Base64Flat(bytes).find('\r'), std::string::npos);
    }
    const std::string large = RandomBytes(random, 100000);
    EXPECT_EQ(Base64Decode(Base64Lines(large)), large);
}

// Texts built from the pieces that decide the encoding: blanks before every kind of line end and
// at the end, escapes and runs of plain text landing on every position around the fold.
std::string MixedText(std::mt19937& random, std::size_t length) {
    static const std::string pieces[] = {"word",
                                         " ",
                                         "\t",
                                         "\r\n",
                                         "\n",
                                         "\r",
                                         "=",
                                         "\xe9",
                                         "\x00"s,
                                         "\x7f",
                                         " \r\n",
                                         "\t\n",
                                         std::string(70, 'x'),
                                         std::string(16, 'a'),
                                         std::string(15, 'b') + " ",
                                         "..",
                                         "?_"};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    std::string text;
    while (text.size() < length) {
        text += pieces[pick(random)];
    }
    text.resize(length);
    return text;
}

TEST(Encoders, MatchTheCharacterAtATimeReferenceByteForByte) {
    std::mt19937 random(15);
    for (std::size_t length = 0; length < 400; ++length) {
        for (int round = 0; round < 8; ++round) {
            const std::string text = MixedText(random, length);
            ASSERT_EQ(EncodeQuotedPrintable(text), test::ReferenceQuotedPrintable(text))
                << "length " << length << " round " << round;
            const std::string bytes = RandomBytes(random, length);
            ASSERT_EQ(EncodeQuotedPrintable(bytes), test::ReferenceQuotedPrintable(bytes));
            ASSERT_EQ(Base64Lines(bytes), test::ReferenceBase64(bytes, true)) << length;
            ASSERT_EQ(Base64Flat(bytes), test::ReferenceBase64(bytes, false)) << length;
        }
    }
    // Long texts, where the output grows past what was set aside for it.
    const std::string escapes(100000, '\xff');
    EXPECT_EQ(EncodeQuotedPrintable(escapes), test::ReferenceQuotedPrintable(escapes));
    const std::string long_text = MixedText(random, 300000);
    EXPECT_EQ(EncodeQuotedPrintable(long_text), test::ReferenceQuotedPrintable(long_text));
}

// Texts whose lines end, or must be cut, right at the limits: plain runs of every length up to
// past a line's, so that blanks, escapes and line ends land on every column around the cut after
// the 75th character; CR and LF alone and together, blanks before them, words far longer than a
// line, and runs of escapes.
std::string TextAtTheLimits(std::mt19937& random, std::size_t length) {
    static const std::string pieces[] = {
        " ",    "\t",    "=",    "\xe9", "\x00"s, "\r", "\n",
        "\r\n", " \r\n", "\t\n", " \r",  "x",     "..", "\xff\xfe\x80\x01",
        "  ",   "=\r\n"};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) + 2);
    std::uniform_int_distribution<std::size_t> runLength(0, 80);
    std::string text;
    while (text.size() < length) {
        const std::size_t piece = pick(random);
        if (piece < std::size(pieces)) {
            text += pieces[piece];
        } else if (piece == std::size(pieces)) {
            text += std::string(runLength(random) * 40, 'w');
        } else {
            text += std::string(runLength(random), 'a');
        }
    }
    text.resize(length);
    return text;
}

TEST(Encoders, QuotedPrintableMatchesTheReferenceAtLineAndChunkLimits) {
    std::mt19937 random(76);
    // Lengths around the 4096-byte steps that the encoder takes through the text, so that lines,
    // escapes and a CR LF pair are split between two steps, and a blank ends the text there.
    std::vector<std::size_t> lengths;
    for (std::size_t steps = 1; steps <= 3; ++steps) {
        for (std::size_t length = steps * 4096 - 100; length <= steps * 4096 + 100; ++length) {
            lengths.push_back(length);
        }
    }
    std::uniform_int_distribution<std::size_t> anyLength(0, 20000);
    for (int round = 0; round < 400; ++round) {
        lengths.push_back(anyLength(random));
    }
    for (const std::size_t length : lengths) {
        const std::string text = TextAtTheLimits(random, length);
        ASSERT_EQ(EncodeQuotedPrintable(text), test::ReferenceQuotedPrintable(text))
            << "length " << length;
        const std::string withBlankAtEnd = text + (length % 2 == 0 ? " " : "\t");
        ASSERT_EQ(EncodeQuotedPrintable(withBlankAtEnd),
                  test::ReferenceQuotedPrintable(withBlankAtEnd))
            << "length " << length;
    }
    EXPECT_EQ(EncodeQuotedPrintable(""), "");
    // Lines of exactly 76 characters stay whole before any kind of line end, also where a step
    // through the text ends with the whole line and the next one begins with its line end.
    for (const std::string& line : {std::string(76, 'a'), std::string(73, 'a') + "\xe9"}) {
        for (const char* lineEnd : {"\r\n", "\r", "\n"}) {
            for (std::size_t shift = 0; shift < 80; ++shift) {
                const std::string text = std::string(shift / 2, 's') + "\n" +
                                         std::string(shift - shift / 2, 't') + "\n" +
                                         Repeat(line + lineEnd, 60);
                const std::string encoded = EncodeQuotedPrintable(text);
                ASSERT_EQ(encoded, test::ReferenceQuotedPrintable(text)) << shift;
                ASSERT_EQ(encoded.find("=\r\n"), std::string::npos) << shift;
            }
        }
    }
}

TEST(QuotedPrintable, LongWordIsCutInto75And75And50WithSoftBreaks) {
    const std::string encoded = EncodeQuotedPrintable(std::string(200, 'a'));
    EXPECT_EQ(encoded, std::string(75, 'a') + "=\r\n" + std::string(75, 'a') + "=\r\n" +
                           std::string(50, 'a'));
    // A line of 76 characters is whole as it is; one more makes it fold.
    EXPECT_EQ(EncodeQuotedPrintable(std::string(76, 'b') + "\r\nx"),
              std::string(76, 'b') + "\r\nx");
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

// Text in UTF-8, as the organizer's mail thread has it.
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

class HeaderText : public Utf8Conversion {};

TEST_F(HeaderText, SubjectsByKind) {
    struct Case {
        std::string text;
        const char* charset;
        std::string expected;
    };
    const std::string longWords =
        "A rather long subject line that goes on and on well past seventy characters, and "
        "further still = ? _ all plain";
    const std::string wordOfLimit(kLongestPlainWord, 'w');
    const Case cases[] = {
        {"Weekly meeting", "iso-8859-1", "Weekly meeting"},
        {"", "iso-8859-1", ""},
        // Plain ASCII stays as it is at any length; the header folds it at its spaces.
        {longWords, "iso-8859-1", longWords},
        {"a\tb", "UTF-8", "a\tb"},
        {wordOfLimit, "UTF-8", wordOfLimit},
        // One encoded word when it fits, as before.
        {"Caf\xc3\xa9 at ten", "UTF-8", "=?UTF-8?q?Caf=C3=A9_at_ten?="},
        {"R\xe9union (5) x=y?_", "iso-8859-1", "=?iso-8859-1?q?R=E9union_(5)_x=3Dy=3F=5F?="},
        // A TAB inside an encoded word is escaped, as white space would end the word.
        {"\xe9\tb", "iso-8859-1", "=?iso-8859-1?q?=E9=09b?="},
        // Line breaks become spaces; other control characters are encoded.
        {"Hi\r\nBcc: victim@example.org", "iso-8859-1", "Hi  Bcc: victim@example.org"},
        {"Hi\r\nBcc: victim@example.org\x00!"s, "iso-8859-1",
         "=?iso-8859-1?q?Hi__Bcc:_victim@example.org=00!?="},
        // Text that would read as an encoded word is itself encoded, so that it reads as typed.
        {"=?UTF-8?q?abc?=", "UTF-8", "=?UTF-8?q?=3D=3FUTF-8=3Fq=3Fabc=3F=3D?="},
        {"see x=?y", "UTF-8", "=?UTF-8?q?see_x=3D=3Fy?="},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EncodeHeaderText(c.text, c.charset), c.expected) << c.text;
    }
    // A word too long for any header line goes out as encoded words, which can be folded.
    const std::string overlong = EncodeHeaderText(wordOfLimit + "w", "UTF-8");
    EXPECT_EQ(overlong.substr(0, 10), "=?UTF-8?q?");
    EXPECT_EQ(test::DecodeEncodedWords(overlong), wordOfLimit + "w");
}

TEST_F(HeaderText, DisplayNamesByKind) {
    struct Case {
        std::string name;
        bool encode;
        const char* charset;
        std::string expected;
    };
    const Case cases[] = {
        {"Ann Smith", true, "UTF-8", "Ann Smith"},
        {"O'Brien-Smith", true, "UTF-8", "O'Brien-Smith"},
        // Specials make a quoted string, with quotes and backslashes escaped.
        {"Smith, Ann", true, "UTF-8", "\"Smith, Ann\""},
        {"J. R. Smith", true, "UTF-8", "\"J. R. Smith\""},
        {"Sales (EMEA)", true, "UTF-8", "\"Sales (EMEA)\""},
        {"a@b.example", true, "UTF-8", "\"a@b.example\""},
        {"To: x; y", true, "UTF-8", "\"To: x; y\""},
        {"<evil@example.org>", true, "UTF-8", "\"<evil@example.org>\""},
        {"Ann \"The Boss\" Smith", true, "UTF-8", "\"Ann \\\"The Boss\\\" Smith\""},
        {"back\\slash", true, "UTF-8", "\"back\\\\slash\""},
        {"Ann  Smith", true, "UTF-8", "\"Ann  Smith\""},
        {" Ann", true, "UTF-8", "\" Ann\""},
        {"Ann ", true, "UTF-8", "\"Ann \""},
        {"Ann Smith ", false, "UTF-8", "\"Ann Smith \""},
        {"Eve\r\nBcc: v@x", true, "UTF-8", "\"Eve  Bcc: v@x\""},
        // Non-ASCII names become encoded words with only what a phrase allows in them.
        {"J\xc3\xb6rg", true, "UTF-8", "=?UTF-8?q?J=C3=B6rg?="},
        {"Ren\xe9", true, "iso-8859-1", "=?iso-8859-1?q?Ren=E9?="},
        {"M\xc3\xbcller, J\xc3\xb6rg", true, "UTF-8", "=?UTF-8?q?M=C3=BCller=2C_J=C3=B6rg?="},
        {"Dr. M\xc3\xbcller (\"x\")", true, "UTF-8", "=?UTF-8?q?Dr=2E_M=C3=BCller_=28=22x=22=29?="},
        {"=?UTF-8?q?Boss?=", true, "UTF-8", "=?UTF-8?q?=3D=3FUTF-8=3Fq=3FBoss=3F=3D?="},
        // Left unencoded on request: 8-bit text stays, ASCII specials are still quoted.
        {"Ren\xe9", false, "iso-8859-1", "Ren\xe9"},
        {"Ren\xe9, Ann", false, "iso-8859-1", "\"Ren\xe9, Ann\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EncodeDisplayName(c.name, c.encode, c.charset), c.expected) << c.name;
    }
}

// Long texts with characters of every UTF-8 length: each encoded word keeps to its length, holds
// whole characters only, is separated from the next by a space, and together they decode back.
TEST_F(HeaderText, LongTextsBecomeShortEncodedWordsOfWholeCharacters) {
    const std::string pieces[] = {"a", " ", "\xc3\xa9", "\xe4\xbc\x9a", "\xf0\x9f\x8e\x89",
                                  ",", "_", "="};
    std::mt19937 random(13);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    for (std::size_t length = 1; length < 700; length += 7) {
        std::string text = "\xc3\xa9";
        while (text.size() < length) {
            text += pieces[pick(random)];
        }
        for (const bool phrase : {false, true}) {
            const std::string encoded =
                phrase ? EncodeDisplayName(text, true, "UTF-8") : EncodeHeaderText(text, "UTF-8");
            std::string joined;
            for (const std::string& word : Split(encoded, " ")) {
                ASSERT_LE(word.size(), kLongestEncodedWord) << encoded;
                ASSERT_EQ(word.substr(0, 10), "=?UTF-8?q?") << encoded;
                if (phrase) {
                    ASSERT_TRUE(std::regex_match(
                        word, std::regex("=\\?UTF-8\\?q\\?[A-Za-z0-9!*+/=_-]*\\?=")))
                        << word;
                }
                const std::string bytes = test::DecodeEncodedWords(word);
                ASSERT_TRUE(IsWholeUtf8(bytes)) << word;
                joined += bytes;
            }
            ASSERT_EQ(joined, text);
        }
    }
}

TEST(HeaderFolding, FieldsFoldAtWhiteSpaceIntoShortLines) {
    struct Case {
        std::string field;
        std::vector<std::string> lines;
    };
    const std::string word10 = "abcdefghij";
    const std::string seventy(70, 's');
    const std::string hundred(100, 'h');
    const Case cases[] = {
        {"Subject: short", {"Subject: short"}},
        {"Subject: " + std::string(69, 'x'), {"Subject: " + std::string(69, 'x')}},
        {"Subject: " + seventy + " end", {"Subject: " + seventy, " end"}},
        // A row of blanks folds before its first blank and stays whole on the next line.
        {"Subject: " + seventy + "   end", {"Subject: " + seventy, "   end"}},
        // No blank early enough: the line runs on to the next one.
        {"Subject: " + hundred + " x y", {"Subject: " + hundred, " x y"}},
        // Never right after the field name: readers would keep that white space.
        {"Subject: " + hundred, {"Subject: " + hundred}},
        {"Subject:  " + hundred + " z", {"Subject:  " + hundred, " z"}},
        // Never before trailing blanks only.
        {"Subject: " + seventy + "       ", {"Subject: " + seventy + "       "}},
        {"To: " + word10 + ", " + word10 + ", " + word10 + ", " + word10 + ", " + word10 + ", " +
             word10 + ", " + word10,
         {"To: " + word10 + ", " + word10 + ", " + word10 + ", " + word10 + ", " + word10 + ", " +
              word10 + ",",
          " " + word10}},
    };
    for (const Case& c : cases) {
        std::string expected;
        for (const std::string& line : c.lines) {
            expected += (expected.empty() ? "" : "\r\n") + line;
        }
        EXPECT_EQ(FoldHeaderField(c.field), expected) << c.field;
    }
    // Words of any mix: every line within 78 characters, unfolding gives the field back.
    std::mt19937 random(78);
    std::uniform_int_distribution<std::size_t> wordLength(1, 40);
    std::uniform_int_distribution<int> blanks(1, 3);
    for (int round = 0; round < 200; ++round) {
        std::string field = "Subject:";
        while (field.size() < 600) {
            field += std::string(static_cast<std::size_t>(blanks(random)), round % 2 ? ' ' : '\t');
            field += std::string(wordLength(random), 'w');
        }
        const std::string folded = FoldHeaderField(field);
        for (const std::string& line : Split(folded, "\r\n")) {
            ASSERT_LE(line.size(), kFoldedLineLength) << folded;
            ASSERT_NE(line.find_first_not_of(" \t"), std::string::npos) << folded;
        }
        std::string unfolded = folded;
        for (std::size_t at = unfolded.find("\r\n"); at != std::string::npos;
             at = unfolded.find("\r\n", at)) {
            unfolded.erase(at, 2);
        }
        ASSERT_EQ(unfolded, field);
    }
}

TEST(MimeParameters, PlainQuotedContinuedAndEncoded) {
    struct Case {
        std::string value;
        std::string expected;
    };
    const std::string long70(70, 'n');
    const Case cases[] = {
        {"agenda.txt", "; filename=\"agenda.txt\""},
        {"", "; filename=\"\""},
        {"my \"best\" \\ file.txt", "; filename=\"my \\\"best\\\" \\\\ file.txt\""},
        {"a\r\nb", "; filename=\"a  b\""},
        {long70 + ".txt", "; filename*0=\"" + std::string(60, 'n') + "\"; filename*1=\"" +
                              std::string(10, 'n') + ".txt\""},
        // 8-bit text (Latin-1 in this locale) in UTF-8 and percent-encoded.
        {"r\xe9sum\xe9 (1).pdf", "; filename*=utf-8''r%C3%A9sum%C3%A9%20%281%29.pdf"},
        {std::string(20, '\xe9'), "; filename*0*=utf-8''" + Repeat("%C3%A9", 9) + "; filename*1*=" +
                                      Repeat("%C3%A9", 9) + "; filename*2*=" + Repeat("%C3%A9", 2)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MimeParameter("filename", c.value), c.expected) << c.value;
    }
}

TEST(SevenBitTransport, TextThatNeedsATransferEncoding) {
    struct Case {
        std::string text;
        bool fits;
    };
    const Case cases[] = {
        {"", true},
        {"plain text\r\n.\r\n\tand tabs", true},
        {std::string(998, 'x') + "\r\n" + std::string(998, 'y'), true},
        {std::string(999, 'x'), false},
        {"short\r\n" + std::string(999, 'x') + "\r\n", false},
        {"caf\xc3\xa9", false},
        {"nul\0byte"s, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FitsSevenBitTransport(c.text), c.fits) << c.text.substr(0, 20);
    }
}

TEST(DotStuff, DotsAtLineStartsAreDoubledOnce) {
    EXPECT_EQ(DotStuff(".\r\nnext"), "..\r\nnext");
    EXPECT_EQ(DotStuff("a\r\n..b\r\n.\r\nend."), "a\r\n...b\r\n..\r\nend.");
    EXPECT_EQ(DotStuff("a.b\r\nc. d"), "a.b\r\nc. d");
    // Bare line ends count as line ends: a lone LF or CR cannot smuggle an end-of-data mark.
    EXPECT_EQ(DotStuff("a\n.\rb\r.\r\n"), "a\n..\rb\r..\r\n");
    EXPECT_EQ(DotStuff(""), "");
}

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
