// Throughput of the body encoders against a plain memory copy of the same size.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "mail/base64.h"
#include "mail/quoted_printable.h"

namespace {

constexpr std::size_t kSize = 10 * 1024 * 1024;
constexpr int kRounds = 5;

template <typename Work>
double BestMegabytesPerSecond(Work work) {
    double best = 0;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::max(best, kSize / (1024.0 * 1024.0) / took.count());
    }
    return best;
}

// Mail-like text: words, punctuation, some 8-bit letters and line ends.
std::string MakeText(std::mt19937& random) {
    const std::string pieces[] = {"meeting ",
                                  "the ",
                                  "r\xe9union ",
                                  "at ",
                                  "9:30, ",
                                  "room ",
                                  "=A ",
                                  "\r\n",
                                  "schedule ",
                                  "\xfc"
                                  "ber "};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    std::string text;
    text.reserve(kSize + 16);
    while (text.size() < kSize) {
        text += pieces[pick(random)];
    }
    text.resize(kSize);
    return text;
}

// English prose in plain ASCII: blanks and punctuation, a line end every 60 or so characters.
std::string MakeProse(std::mt19937& random) {
    const std::string words[] = {"the ",       "meeting ", "moves ",   "to ",
                                 "Thursday, ", "room ",    "twelve. ", "Please ",
                                 "bring ",     "figures ", "for ",     "review "};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(words) - 1);
    std::string text;
    text.reserve(kSize + 16);
    std::size_t line = 0;
    while (text.size() < kSize) {
        text += words[pick(random)];
        if (text.size() - line > 60) {
            text += "\r\n";
            line = text.size();
        }
    }
    text.resize(kSize);
    return text;
}

}  // namespace

int main() {
    std::mt19937 random(1);
    const std::string text = MakeText(random);
    const std::string prose = MakeProse(random);
    std::string bytes(kSize, '\0');
    std::uniform_int_distribution<int> byte(0, 255);
    for (char& c : bytes) {
        c = static_cast<char>(byte(random));
    }
    std::vector<char> target(kSize);
    std::size_t sink = 0;

    const double copy = BestMegabytesPerSecond([&] {
        std::memcpy(target.data(), bytes.data(), kSize);
        sink += static_cast<unsigned char>(target[kSize / 2]);
    });
    const double qp =
        BestMegabytesPerSecond([&] { sink += calvendra::EncodeQuotedPrintable(text).size(); });
    const double qpProse =
        BestMegabytesPerSecond([&] { sink += calvendra::EncodeQuotedPrintable(prose).size(); });
    const double base64 =
        BestMegabytesPerSecond([&] { sink += calvendra::Base64Lines(bytes).size(); });

    std::printf("input size                 %8.1f MB (best of %d rounds)\n", kSize / 1048576.0,
                kRounds);
    std::printf("memcpy                     %8.1f MB/s\n", copy);
    std::printf("EncodeQuotedPrintable text %8.1f MB/s  (%.1f%% of memcpy)\n", qp, 100 * qp / copy);
    std::printf("EncodeQuotedPrintable prose%8.1f MB/s  (%.1f%% of memcpy)\n", qpProse,
                100 * qpProse / copy);
    std::printf("Base64Lines bytes          %8.1f MB/s  (%.1f%% of memcpy)\n", base64,
                100 * base64 / copy);
    std::printf("(checksum %zu)\n", sink);
    const struct {
        const char* what;
        double speed;
    } summaries[] = {{"quoted-printable, mail-like Latin-1 text", qp},
                     {"quoted-printable, plain ASCII prose", qpProse},
                     {"base64 in lines, random bytes", base64}};
    for (const auto& summary : summaries) {
        std::printf("summary: %s; %.0f MB/s; %.0f MB/s (memcpy); %.3f\n", summary.what,
                    summary.speed, copy, summary.speed / copy);
    }
    std::printf(
        "text: mail-like Latin-1 text, a byte to escape or a line end every 11 bytes on average; "
        "prose: plain\nASCII, a line end every 60 bytes. Quoted-printable escapes 16 bytes at a "
        "time, up to three escapes\nwithout a branch, then cuts the escaped text into lines a "
        "line's length at a time, from bit\nmasks of its line ends, blanks and escapes.\n");
    return 0;
}
