#include "mail/quoted_printable.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The text is encoded in two steps, a chunk at a time: every byte is first escaped or kept, which
// depends only on the byte and the one after it; the escaped characters are then cut into lines,
// which depends only on them. Neither step takes a branch per escape or per line end, as on mail
// text these come every dozen bytes or so and no branch predictor can guess them: the first copies
// a block whole and writes its few escapes over it at their places, the second takes all the lines
// that end within a line's length at once, from bit masks of their characters.

namespace calvendra {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Bytes escaped before their lines are cut: small enough to stay in the first-level cache.
constexpr std::size_t kChunk = 4096;
// Bytes classified together.
constexpr std::size_t kBlock = 16;
// Characters looked at to decide where a line ends: a line of 76 and the character after it,
// rounded up to whole blocks.
constexpr std::size_t kWindow = 80;

constexpr bool IsLineEndByte(std::size_t byte) {
    return byte == '\r' || byte == '\n';
}

constexpr bool IsBlankByte(std::size_t byte) {
    return byte == ' ' || byte == '\t';
}

// Kept as it is, unless it is a blank that a line end follows.
constexpr bool IsKept(std::size_t byte) {
    return (byte >= 33 && byte <= 60) || (byte >= 62 && byte <= 126) || IsBlankByte(byte) ||
           IsLineEndByte(byte);
}

// What an escaped byte becomes, with room to copy four characters at once.
struct EscapeText {
    char text[4];
};
using EscapeTable = std::array<EscapeText, 256>;

constexpr EscapeTable MakeEscapes() {
    EscapeTable table{};
    for (std::size_t byte = 0; byte < 256; ++byte) {
        table[byte] = {{'=', kHexDigits[byte >> 4], kHexDigits[byte & 15], 0}};
    }
    return table;
}

constexpr EscapeTable kEscapes = MakeEscapes();

constexpr std::array<unsigned char, 256> MakeSetBits() {
    std::array<unsigned char, 256> table{};
    for (std::size_t byte = 1; byte < 256; ++byte) {
        table[byte] = static_cast<unsigned char>(table[byte / 2] + byte % 2);
    }
    return table;
}

// How many bits of a byte are set.
constexpr std::array<unsigned char, 256> kSetBits = MakeSetBits();

// Whether the byte at `at` is escaped; the end of the text counts as a line end after it.
bool IsEscaped(const unsigned char* at, const unsigned char* end) {
    return !IsKept(*at) || (IsBlankByte(*at) && (at + 1 == end || IsLineEndByte(at[1])));
}

// Bit i set when byte i of the block from `in` on is escaped. Reads one byte past the block.
unsigned EscapedBytes(const unsigned char* in) {
#if defined(__SSE2__)
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 1));
    // 33 to 126 are the bytes that, moved to start at -128, stay below -34.
    const __m128i printable = _mm_cmplt_epi8(
        _mm_add_epi8(bytes, _mm_set1_epi8(static_cast<char>(128 - 33))), _mm_set1_epi8(-128 + 94));
    const __m128i tab = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t'));
    const __m128i space = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '));
    const __m128i equals = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('='));
    const __m128i lineEnd = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')),
                                         _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')));
    const __m128i blank = _mm_or_si128(space, tab);
    const __m128i kept =
        _mm_or_si128(_mm_or_si128(_mm_andnot_si128(equals, printable), blank), lineEnd);
    const __m128i lineEndNext = _mm_or_si128(_mm_cmpeq_epi8(next, _mm_set1_epi8('\r')),
                                             _mm_cmpeq_epi8(next, _mm_set1_epi8('\n')));
    const __m128i keptHere = _mm_andnot_si128(_mm_and_si128(blank, lineEndNext), kept);
    return ~static_cast<unsigned>(_mm_movemask_epi8(keptHere)) & 0xFFFFu;
#else
    unsigned escaped = 0;
    for (std::size_t index = 0; index < kBlock; ++index) {
        const bool blankAtLineEnd = IsBlankByte(in[index]) && IsLineEndByte(in[index + 1]);
        escaped |= static_cast<unsigned>(!IsKept(in[index]) || blankAtLineEnd) << index;
    }
    return escaped;
#endif
}

// Escaped bytes that a block may hold to be written without a branch per escape. Mail text has
// one every dozen bytes or so, hardly ever more than three in a block; blocks with more are
// written a byte at a time.
constexpr std::size_t kEscapesAtOnce = 3;

// Writes one byte as it is or escaped, and returns the end of what it wrote. Writes up to three
// characters past it.
char* WriteByte(unsigned char byte, bool escaped, char* out) {
    std::memcpy(out, kEscapes[byte].text, sizeof(EscapeText));
    out[0] = escaped ? out[0] : static_cast<char>(byte);
    return out + (escaped ? 3 : 1);
}

// Writes the block from `in` on, whose escaped bytes are the bits of `escaped`, and returns the
// end of what it wrote. The block is copied whole, then each escape is written at its place
// and the rest of the block copied whole again behind it; steps without an escape left write
// past the end only. Reads up to 17 bytes past the block and writes up to 23 characters past
// the end.
char* WriteBlock(const unsigned char* in, unsigned escaped, char* out) {
    const std::size_t count = kSetBits[escaped & 0xFF] + kSetBits[escaped >> 8];
    if (count > kEscapesAtOnce) {
        for (std::size_t index = 0; index < kBlock; ++index) {
            out = WriteByte(in[index], (escaped >> index) & 1, out);
        }
        return out;
    }
    std::memcpy(out, in, kBlock);
    unsigned left = escaped;
    for (std::size_t step = 0; step < kEscapesAtOnce; ++step) {
        // The next escaped byte, or the byte after the block when there is none; each escape
        // before it moved it two characters on.
        const auto at = static_cast<std::size_t>(__builtin_ctz(left | (1u << kBlock)));
        std::memcpy(out + at + 2 * step, kEscapes[in[at]].text, sizeof(EscapeText));
        std::memcpy(out + at + 2 * step + 3, in + at + 1, kBlock);
        left &= left - 1;
    }
    return out + kBlock + 2 * count;
}

// Escapes the bytes from `in` to `last`, `end` being the end of the text, into `out`; returns
// where the escaped characters end. Writes up to 23 characters past them.
char* Escape(const unsigned char* in, const unsigned char* last, const unsigned char* end,
             char* out) {
    // Whole blocks where what a block reads past its end can be read.
    while (in + kBlock <= last && static_cast<std::size_t>(end - in) > 2 * kBlock + 1) {
        out = WriteBlock(in, EscapedBytes(in), out);
        in += kBlock;
    }
    for (; in < last; ++in) {
        out = WriteByte(*in, IsEscaped(in, end), out);
    }
    return out;
}

// Bit i set for each of the kBlock characters from `at` on that is `a` or `b`.
std::uint64_t BlockPositions(const char* at, char a, char b) {
#if defined(__SSE2__)
    const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(
        _mm_cmpeq_epi8(chars, _mm_set1_epi8(a)), _mm_cmpeq_epi8(chars, _mm_set1_epi8(b)))));
#else
    std::uint64_t found = 0;
    for (std::size_t index = 0; index < kBlock; ++index) {
        found |= static_cast<std::uint64_t>(at[index] == a || at[index] == b) << index;
    }
    return found;
#endif
}

// Bit i set for each of the kWindow characters from `line` on that is `a` or `b`. Always inlined:
// it runs once to three times a line, and a call cost a tenth of the encoding.
__attribute__((always_inline)) inline unsigned __int128 Positions(const char* line, char a,
                                                                  char b) {
    static_assert(kWindow == 5 * kBlock);
    const std::uint64_t first = BlockPositions(line, a, b) |
                                BlockPositions(line + kBlock, a, b) << kBlock |
                                BlockPositions(line + 2 * kBlock, a, b) << 2 * kBlock |
                                BlockPositions(line + 3 * kBlock, a, b) << 3 * kBlock;
    return static_cast<unsigned __int128>(BlockPositions(line + 4 * kBlock, a, b)) << 64 | first;
}

constexpr unsigned __int128 LowBits(std::size_t count) {
    return (static_cast<unsigned __int128>(1) << count) - 1;
}

std::size_t HighestBit(unsigned __int128 bits) {
    const auto high = static_cast<std::uint64_t>(bits >> 64);
    return high != 0
               ? 127 - static_cast<std::size_t>(__builtin_clzll(high))
               : 63 - static_cast<std::size_t>(__builtin_clzll(static_cast<std::uint64_t>(bits)));
}

// Where a line too long to stay whole is cut: the index of its last character. The line keeps
// at most 75 characters, so that the soft break's "=" makes it 76: it ends after its last blank
// or escape, else after its 75th character, moved back before an escape that it would cut.
std::size_t BreakPoint(const char* line) {
    const std::size_t last = kLongestQuotedPrintableLine - 2;
    // An "=" starts an escape, which ends two characters later. A line is never cut after its
    // first character.
    const unsigned __int128 breaks =
        (Positions(line, ' ', '\t') | (Positions(line, '=', '=') << 2)) & LowBits(last + 1) &
        ~LowBits(1);
    if (breaks != 0) {
        return HighestBit(breaks);
    }
    if (line[last] == '=') {
        return last - 1;
    }
    if (line[last - 1] == '=') {
        return last - 2;
    }
    return last;
}

// Copies the line from `line` on to `out`, a whole window at once, and returns the end of the
// `length` characters copied.
char* CopyLine(const char* line, std::size_t length, char* out) {
    std::memcpy(out, line, kWindow);
    return out + length;
}

// Cuts the escaped characters from `escaped` to `end` into lines of at most 76 characters, soft
// breaks included, and writes them to `out`. Unless `complete`, the text goes on after `end`, so
// that a line whose end is not there yet is left as it is. Returns where the characters left
// begin and where the output ends. Reads and writes up to kWindow characters past the ends.
std::pair<const char*, char*> CutIntoLines(const char* escaped, const char* end, bool complete,
                                           char* out) {
    const std::size_t longest = kLongestQuotedPrintableLine;
    while (escaped < end) {
        const auto left = static_cast<std::size_t>(end - escaped);
        // The lines that end among the characters a line may hold are short enough: all of them
        // are copied as they are.
        const unsigned __int128 lineEnds = Positions(escaped, '\r', '\n') &
                                           (left > longest ? LowBits(longest + 1) : LowBits(left));
        if (lineEnds != 0) {
            const std::size_t length = HighestBit(lineEnds) + 1;
            out = CopyLine(escaped, length, out);
            escaped += length;
        } else if (left > longest) {
            const std::size_t length = BreakPoint(escaped) + 1;
            out = CopyLine(escaped, length, out);
            std::memcpy(out, "=\r\n", 3);
            out += 3;
            escaped += length;
        } else if (complete) {
            out = CopyLine(escaped, left, out);
            escaped = end;
        } else {
            break;
        }
    }
    return {escaped, out};
}

}  // namespace

std::string EncodeQuotedPrintable(std::string_view bytes) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const unsigned char* end = in + bytes.size();
    // The escaped characters of a chunk, behind those of the line that the last chunk left open.
    const std::size_t chunk = std::min(bytes.size(), kChunk);
    std::string escaped(kLongestQuotedPrintableLine + 3 * chunk + kWindow, '\0');
    // Written through a pointer into a string grown a chunk's room at a time, within what is
    // reserved for text with a few escapes: the text is not copied when it grows, nor is the
    // room of the whole text filled ahead.
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 4 + kWindow);
    std::size_t written = 0;
    std::size_t open = 0;
    while (in < end) {
        const unsigned char* last = in + std::min(static_cast<std::size_t>(end - in), kChunk);
        const char* escapedEnd = Escape(in, last, end, escaped.data() + open);
        in = last;
        // A line of two characters takes five with its soft break.
        const std::size_t room =
            written + static_cast<std::size_t>(escapedEnd - escaped.data()) * 5 / 2 + kWindow;
        if (text.size() < room) {
            text.resize(room);
        }
        const auto [rest, out] =
            CutIntoLines(escaped.data(), escapedEnd, in == end, text.data() + written);
        written = static_cast<std::size_t>(out - text.data());
        open = static_cast<std::size_t>(escapedEnd - rest);
        std::memmove(escaped.data(), rest, open);
    }
    text.resize(written);
    return text;
}

bool FitsSevenBitTransport(std::string_view text) {
    std::size_t column = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 128 || byte == 0) {
            return false;
        }
        column = (c == '\r' || c == '\n') ? 0 : column + 1;
        if (column > kLongestTextLine) {
            return false;
        }
    }
    return true;
}

}  // namespace calvendra
