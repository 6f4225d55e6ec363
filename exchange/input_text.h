#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "exchange/exchange_items.h"

// The text of a file to import, before either format's library sees it: read whole within a
// bound, checked to be UTF-8 without over-long lines, cut into its physical lines, and told apart
// as a vCard or an iCalendar file. Nothing here reads the formats' properties.
namespace calvendra::exchange {

// Bounds that keep memory and time in proportion to what a real file needs.
inline constexpr std::size_t kMaxFileBytes = std::size_t{256} << 20;
inline constexpr std::size_t kMaxLineBytes = std::size_t{4} << 20;
// Components or cards inside one another: real files need three (a calendar, an event, an alarm).
inline constexpr int kMaxNesting = 16;

// Reads a whole file into `text`. Empty when it could; otherwise why not (errno's text, or the
// bound), for a message that names the file.
std::string ReadWholeFile(const std::string& path, std::string& text);

// The physical lines of a text, each without its line end (CR LF, LF or CR), numbered from 1.
class PhysicalLines {
public:
    explicit PhysicalLines(std::string_view text) : text_(text) {}

    // The next line; false at the end of the text.
    bool Next(std::string_view& line);
    // The number of the line Next gave last.
    long Number() const { return number_; }

private:
    std::string_view text_;
    std::size_t position_ = 0;
    long number_ = 0;
};

// Why the text cannot be read as the text of either format: a byte order mark other than UTF-8's,
// bytes that are not UTF-8, a zero byte, or a line longer than kMaxLineBytes; with the line.
// Empty when none of that. A UTF-8 byte order mark at the start is dropped from `text`.
std::optional<FileMessage> CheckText(const std::string& file, std::string& text);

enum class FileKind { kVCard, kICalendar };

// The kind of file the first line that is not blank begins; empty, with why, when it is neither.
std::optional<FileKind> KindOfText(const std::string& file, std::string_view text,
                                   FileMessage& why);

// Whether a physical line is a property line of this name, upper or lower case, with the
// value `value` ("BEGIN", "VCARD"); blanks after the value do not count.
bool IsLine(std::string_view line, std::string_view name, std::string_view value);

// Whether the line continues the one before it (it begins with a blank or a tab).
inline bool IsFoldedContinuation(std::string_view line) {
    return !line.empty() && (line.front() == ' ' || line.front() == '\t');
}

}  // namespace calvendra::exchange
