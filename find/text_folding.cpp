#include "find/text_folding.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <bitset>
#include <memory>

namespace calvendra::find {

namespace {

constexpr UChar32 kLastCodePoint = 0x10FFFF;

// What folding gives, from ICU's own data, computed once so that it always agrees with FoldCase:
// the code points to which some other code point folds, and the ASCII letters to which a code
// point beyond ASCII folds (the Kelvin sign to "k", the long s to "s").
struct FoldTargets {
    std::bitset<kLastCodePoint + 1> ofOthers;
    std::bitset<128> asciiFromBeyond;
};

const FoldTargets& Targets() {
    static const std::unique_ptr<FoldTargets> targets = [] {
        auto computed = std::make_unique<FoldTargets>();
        for (UChar32 c = 0; c <= kLastCodePoint; ++c) {
            const UChar32 folded = u_foldCase(c, U_FOLD_CASE_DEFAULT);
            if (folded == c) {
                continue;
            }
            computed->ofOthers.set(static_cast<std::size_t>(folded));
            if (c >= 0x80 && folded < 0x80) {
                computed->asciiFromBeyond.set(static_cast<std::size_t>(folded));
            }
        }
        return computed;
    }();
    return *targets;
}

}  // namespace

void FoldCaseInto(std::string_view text, std::string& folded) {
    folded.clear();
    folded.reserve(text.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    int32_t at = 0;
    while (at < length) {
        // Plain ASCII, most of what is stored, without ICU.
        if (bytes[at] < 0x80) {
            const char c = static_cast<char>(bytes[at++]);
            folded += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
            continue;
        }
        const int32_t start = at;
        UChar32 c = 0;
        U8_NEXT(bytes, at, length, c);
        if (c < 0) {
            folded.append(
                text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(at - start)));
            continue;
        }
        uint8_t encoded[U8_MAX_LENGTH];
        int32_t size = 0;
        U8_APPEND_UNSAFE(encoded, size, u_foldCase(c, U_FOLD_CASE_DEFAULT));
        folded.append(reinterpret_cast<const char*>(encoded), static_cast<std::size_t>(size));
    }
}

std::string FoldCase(std::string_view text) {
    std::string folded;
    FoldCaseInto(text, folded);
    return folded;
}

std::vector<std::string> SearchWords(std::string_view typed) {
    std::vector<std::string> words;
    const auto* bytes = reinterpret_cast<const uint8_t*>(typed.data());
    const auto length = static_cast<int32_t>(typed.size());
    int32_t at = 0;
    int32_t wordStart = -1;
    const auto endWord = [&](int32_t end) {
        if (wordStart >= 0) {
            words.push_back(FoldCase(typed.substr(static_cast<std::size_t>(wordStart),
                                                  static_cast<std::size_t>(end - wordStart))));
            wordStart = -1;
        }
    };
    while (at < length) {
        const int32_t start = at;
        UChar32 c = 0;
        U8_NEXT(bytes, at, length, c);
        if (c >= 0 && u_isUWhiteSpace(c)) {
            endWord(start);
        } else if (wordStart < 0) {
            wordStart = start;
        }
    }
    endWord(length);
    return words;
}

CharacterTrust TrustOf(char32_t folded) {
    const auto c = static_cast<UChar32>(folded);
    if (c < 0 || c > kLastCodePoint) {
        return CharacterTrust::kOrganizerOnly;
    }
    const FoldTargets& targets = Targets();
    if (!targets.ofOthers.test(static_cast<std::size_t>(c))) {
        return CharacterTrust::kCaseless;
    }
    if (c >= 'a' && c <= 'z' && !targets.asciiFromBeyond.test(static_cast<std::size_t>(c))) {
        return CharacterTrust::kAsciiLetter;
    }
    return CharacterTrust::kOrganizerOnly;
}

}  // namespace calvendra::find
