#include "mail/base64.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace calvendra {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kLineLength = 76;
constexpr std::size_t kGroupsPerLine = kLineLength / 4;

// The two characters of every 12-bit half of a group, so that a group of three bytes takes two
// look-ups.
using PairTable = std::array<std::array<char, 2>, 4096>;

constexpr PairTable MakePairTable() {
    PairTable table{};
    for (std::size_t bits = 0; bits < table.size(); ++bits) {
        table[bits][0] = kAlphabet[bits >> 6];
        table[bits][1] = kAlphabet[bits & 63];
    }
    return table;
}

constexpr PairTable kPairs = MakePairTable();

// Writes the four characters of one full group; returns the position after them.
inline char* WriteGroup(char* out, const unsigned char* in) {
    const std::uint32_t bits = (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
    std::memcpy(out, kPairs[bits >> 12].data(), 2);
    std::memcpy(out + 2, kPairs[bits & 0xFFF].data(), 2);
    return out + 4;
}

void WritePaddedGroup(char* out, const unsigned char* in, std::size_t count) {
    const std::uint32_t bits =
        (std::uint32_t{in[0]} << 16) | (count > 1 ? std::uint32_t{in[1]} << 8 : 0);
    out[0] = kAlphabet[(bits >> 18) & 63];
    out[1] = kAlphabet[(bits >> 12) & 63];
    out[2] = count > 1 ? kAlphabet[(bits >> 6) & 63] : '=';
    out[3] = '=';
}

std::string Encode(std::string_view bytes, bool lines) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t groups = bytes.size() / 3;
    const std::size_t rest = bytes.size() % 3;
    // Every full line ends in CR LF, also the last one when the groups fill it exactly.
    const std::size_t lineEnds = lines ? groups / kGroupsPerLine : 0;
    std::string out(groups * 4 + (rest != 0 ? 4 : 0) + lineEnds * 2, '\0');
    char* write = out.data();
    std::size_t group = 0;
    for (std::size_t line = 0; line < lineEnds; ++line) {
        for (const std::size_t end = group + kGroupsPerLine; group < end; ++group) {
            write = WriteGroup(write, in + group * 3);
        }
        *write++ = '\r';
        *write++ = '\n';
    }
    for (; group < groups; ++group) {
        write = WriteGroup(write, in + group * 3);
    }
    if (rest != 0) {
        WritePaddedGroup(write, in + groups * 3, rest);
    }
    return out;
}

constexpr std::array<signed char, 256> MakeDecodeTable() {
    std::array<signed char, 256> table{};
    for (auto& entry : table) {
        entry = -1;
    }
    for (int index = 0; index < 64; ++index) {
        table[static_cast<unsigned char>(kAlphabet[index])] = static_cast<signed char>(index);
    }
    return table;
}

constexpr std::array<signed char, 256> kDecodeTable = MakeDecodeTable();

}  // namespace

std::string Base64Lines(std::string_view bytes) {
    return Encode(bytes, true);
}

std::string Base64Flat(std::string_view bytes) {
    return Encode(bytes, false);
}

std::string Base64Decode(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 4 * 3 + 3);
    std::uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        const int value = kDecodeTable[static_cast<unsigned char>(c)];
        if (value < 0) {
            continue;
        }
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        if (++count == 4) {
            out += static_cast<char>((bits >> 16) & 0xFF);
            out += static_cast<char>((bits >> 8) & 0xFF);
            out += static_cast<char>(bits & 0xFF);
            bits = 0;
            count = 0;
        }
    }
    if (count == 2) {
        out += static_cast<char>((bits >> 4) & 0xFF);
    } else if (count == 3) {
        out += static_cast<char>((bits >> 10) & 0xFF);
        out += static_cast<char>((bits >> 2) & 0xFF);
    }
    return out;
}

}  // namespace calvendra
