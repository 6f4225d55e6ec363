#pragma once

#include <regex>
#include <string>

namespace calvendra::test {

// Decodes the Q-encoded words of a header text (RFC 2047) into their bytes, dropping the white
// space between two encoded words and keeping everything else as it stands. Enough to check the
// library's own output; delivered mail is checked with a real mail parser.
inline std::string DecodeEncodedWords(const std::string& text) {
    static const std::regex word("=\\?[^?]+\\?[qQ]\\?([^? ]*)\\?=");
    auto hex = [](char c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
    std::string out;
    std::size_t last = 0;
    bool previousWasWord = false;
    for (auto match = std::sregex_iterator(text.begin(), text.end(), word);
         match != std::sregex_iterator(); ++match) {
        const std::string between = text.substr(last, match->position() - last);
        if (!(previousWasWord && between.find_first_not_of(" \t\r\n") == std::string::npos)) {
            out += between;
        }
        const std::string encoded = (*match)[1];
        for (std::size_t index = 0; index < encoded.size(); ++index) {
            if (encoded[index] == '_') {
                out += ' ';
            } else if (encoded[index] == '=' && index + 2 < encoded.size() + 0) {
                out += static_cast<char>(hex(encoded[index + 1]) * 16 + hex(encoded[index + 2]));
                index += 2;
            } else {
                out += encoded[index];
            }
        }
        last = match->position() + match->length();
        previousWasWord = true;
    }
    out += text.substr(last);
    return out;
}

}  // namespace calvendra::test
