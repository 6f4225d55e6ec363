#include "mail/quoted_printable.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace calvendra {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// What one byte becomes: up to three characters, their count, and whether the byte ends a line.
// The same byte may become something else when a line end or the end of the text follows it, so
// there is a table for each case.
struct Piece {
    char text[4];  // the characters, then room to copy four at once
    unsigned char length;
    bool endsLine;
};

constexpr bool IsLineEndByte(std::size_t byte) {
    return byte == '\r' || byte == '\n';
}

constexpr bool IsBlankByte(std::size_t byte) {
    return byte == ' ' || byte == '\t';
}

// Copied as it is, unless it is a blank that a line end follows.
constexpr bool IsPlain(std::size_t byte) {
    return (byte >= 33 && byte <= 60) || (byte >= 62 && byte <= 126) || IsBlankByte(byte);
}

// [0]: the piece of a byte that no line end follows; [1]: one that a line end or the end of the
// text follows.
using PieceTable = std::array<std::array<Piece, 256>, 2>;

constexpr PieceTable MakePieces() {
    PieceTable table{};
    for (std::size_t lineEndFollows = 0; lineEndFollows < 2; ++lineEndFollows) {
        for (std::size_t byte = 0; byte < 256; ++byte) {
            const bool kept = IsLineEndByte(byte) ||
                              (IsPlain(byte) && !(IsBlankByte(byte) && lineEndFollows == 1));
            Piece& piece = table[lineEndFollows][byte];
            if (kept) {
                piece = {{static_cast<char>(byte), 0, 0, 0}, 1, IsLineEndByte(byte)};
            } else {
                piece = {{'=', kHexDigits[byte >> 4], kHexDigits[byte & 15], 0}, 3, false};
            }
        }
    }
    return table;
}

constexpr PieceTable kPieces = MakePieces();

constexpr std::array<unsigned char, 256> MakeLineEnds() {
    std::array<unsigned char, 256> table{};
    table['\r'] = 1;
    table['\n'] = 1;
    return table;
}

constexpr std::array<unsigned char, 256> kLineEnds = MakeLineEnds();

// A line reaches this length without a line end only to be folded.
constexpr std::size_t kFoldAt = kLongestQuotedPrintableLine + 1;
// Bytes looked at together on the way through plain text.
constexpr std::size_t kRun = 16;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// How many of the kRun bytes from `in` on are copied as they are before the first that is not:
// plain, and no blank with a line end after it. Reads one byte past the run.
std::size_t PlainRunLength(const unsigned char* in) {
#if defined(__SSE2__)
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 1));
    // Bytes of 128 and more compare as negative.
    const __m128i printable = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8(31)),
                                            _mm_cmplt_epi8(bytes, _mm_set1_epi8(127)));
    const __m128i tab = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t'));
    const __m128i equals = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('='));
    const __m128i plain = _mm_or_si128(_mm_andnot_si128(equals, printable), tab);
    const __m128i blank = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')), tab);
    const __m128i lineEndNext = _mm_or_si128(_mm_cmpeq_epi8(next, _mm_set1_epi8('\r')),
                                             _mm_cmpeq_epi8(next, _mm_set1_epi8('\n')));
    const __m128i copied = _mm_andnot_si128(_mm_and_si128(blank, lineEndNext), plain);
    const unsigned stops = ~static_cast<unsigned>(_mm_movemask_epi8(copied)) & 0xFFFFu;
    return stops == 0 ? kRun : static_cast<std::size_t>(__builtin_ctz(stops));
#else
    std::size_t length = 0;
    while (length < kRun && IsPlain(in[length]) &&
           !(IsBlankByte(in[length]) && kLineEnds[in[length + 1]] != 0)) {
        ++length;
    }
    return length;
#endif
}

// Where a line too long to stay whole is cut: the index of its last character. The line keeps
// at most 75 characters, so that the soft break's "=" makes it 76.
std::size_t BreakPoint(const char* line) {
    const std::size_t last = kLongestQuotedPrintableLine - 2;
    for (std::size_t index = last; index > 0; --index) {
        if (IsBlank(line[index]) || (index >= 2 && line[index - 2] == '=')) {
            return index;
        }
    }
    // No blank and no escape to end at: cut after the 75th character, moving back before an
    // escape that would straddle the cut.
    if (line[last] == '=') {
        return last - 1;
    }
    if (line[last - 1] == '=') {
        return last - 2;
    }
    return last;
}

// Where the output is written, and where its current line began. Passed by value, so that the
// writes of characters cannot make the compiler read the pointers back from memory.
struct Cursor {
    char* write;
    char* line;
};

// A line that reached kFoldAt characters without a line end is cut at its break point, and what
// follows the cut moves up behind the soft break. Where a line is cut depends only on its first
// characters, so a line may pass kFoldAt by a run before it is folded.
Cursor Fold(Cursor at) {
    while (static_cast<std::size_t>(at.write - at.line) >= kFoldAt) {
        const std::size_t cut = BreakPoint(at.line) + 1;
        std::memmove(at.line + cut + 3, at.line + cut,
                     static_cast<std::size_t>(at.write - at.line) - cut);
        std::memcpy(at.line + cut, "=\r\n", 3);
        at.write += 3;
        at.line += cut + 3;
    }
    return at;
}

// What one step may write beyond the room the output was checked for: a run, a piece, a fold's
// soft breaks.
constexpr std::size_t kSlack = 256;

// Makes the output half as large again, keeping what was written.
Cursor Grow(std::string& text, Cursor at) {
    const std::size_t written = static_cast<std::size_t>(at.write - text.data());
    const std::size_t lineStart = static_cast<std::size_t>(at.line - text.data());
    text.resize(text.size() * 3 / 2 + kSlack);
    return {text.data() + written, text.data() + lineStart};
}

}  // namespace

std::string EncodeQuotedPrintable(std::string_view bytes) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    // Written through a pointer into a string sized ahead, so that no character is appended on
    // its own; lines are folded in place.
    std::string text(size + size / 8 + kSlack, '\0');
    Cursor at{text.data(), text.data()};
    const char* limit = text.data() + text.size() - kSlack;
    std::size_t index = 0;
    while (index < size) {
        if (at.write >= limit) {
            at = Grow(text, at);
            limit = text.data() + text.size() - kSlack;
        }
        // Plain text a run at a time, where the byte after the run can be looked at.
        if (index + kRun < size) {
            const std::size_t run = PlainRunLength(in + index);
            std::memcpy(at.write, in + index, kRun);
            at.write += run;
            index += run;
            if (static_cast<std::size_t>(at.write - at.line) >= kFoldAt) {
                at = Fold(at);
            }
            if (run == kRun) {
                continue;
            }
        }
        // The byte that ended the run. The end of the text counts as a line end for white space
        // before it.
        const std::size_t lineEndFollows = index + 1 < size ? kLineEnds[in[index + 1]] : 1;
        const Piece& piece = kPieces[lineEndFollows][in[index]];
        std::memcpy(at.write, piece.text, sizeof piece.text);
        at.write += piece.length;
        ++index;
        if (piece.endsLine) {
            at.line = at.write;
        } else if (static_cast<std::size_t>(at.write - at.line) >= kFoldAt) {
            at = Fold(at);
        }
    }
    text.resize(static_cast<std::size_t>(at.write - text.data()));
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
