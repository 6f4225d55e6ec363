#include "exchange/input_text.h"

#include <glib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace calvendra::exchange {

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && g_ascii_strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string_view WithoutTrailingBlanks(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// The start of a line for a message: at most 40 bytes, cut at a whole character.
std::string Quoted(std::string_view line) {
    std::string start(line.substr(0, 40));
    const char* end = nullptr;
    if (!g_utf8_validate(start.data(), static_cast<gssize>(start.size()), &end)) {
        start.resize(static_cast<std::size_t>(end - start.data()));
    }
    return "\"" + start + (line.size() > 40 ? "...\"" : "\"");
}

}  // namespace

std::string ReadWholeFile(const std::string& path, std::string& text) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        return std::strerror(errno);
    }
    text.clear();
    char buffer[1 << 16];
    std::size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        if (text.size() + read > kMaxFileBytes) {
            text.clear();
            return "the file is larger than " + std::to_string(kMaxFileBytes >> 20) +
                   " MiB, more than any file of contacts or schedules needs";
        }
        text.append(buffer, read);
    }
    if (std::ferror(file.get())) {
        const int error = errno;
        text.clear();
        return std::strerror(error);
    }
    return {};
}

bool PhysicalLines::Next(std::string_view& line) {
    if (position_ >= text_.size()) {
        return false;
    }
    const std::size_t end = text_.find_first_of("\r\n", position_);
    ++number_;
    if (end == std::string_view::npos) {
        line = text_.substr(position_);
        position_ = text_.size();
        return true;
    }
    line = text_.substr(position_, end - position_);
    position_ = end + 1;
    if (text_[end] == '\r' && position_ < text_.size() && text_[position_] == '\n') {
        ++position_;
    }
    return true;
}

std::optional<FileMessage> CheckText(const std::string& file, std::string& text) {
    static constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
    if (text.rfind(kUtf8Mark, 0) == 0) {
        text.erase(0, 3);
    }
    if (text.rfind("\xFF\xFE", 0) == 0 || text.rfind("\xFE\xFF", 0) == 0) {
        return FileMessage{{file, 1}, "the file is written in UTF-16; only UTF-8 can be read"};
    }
    PhysicalLines lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        if (line.size() > kMaxLineBytes) {
            return FileMessage{{file, lines.Number()},
                               "the line is longer than " + std::to_string(kMaxLineBytes >> 20) +
                                   " MiB, more than any contact or schedule needs"};
        }
        if (std::memchr(line.data(), '\0', line.size()) != nullptr) {
            return FileMessage{{file, lines.Number()}, "the line holds a zero byte"};
        }
        if (!g_utf8_validate(line.data(), static_cast<gssize>(line.size()), nullptr)) {
            return FileMessage{{file, lines.Number()}, "the line is not valid UTF-8 text"};
        }
    }
    return std::nullopt;
}

std::optional<FileKind> KindOfText(const std::string& file, std::string_view text,
                                   FileMessage& why) {
    PhysicalLines lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        if (WithoutTrailingBlanks(line).empty()) {
            continue;
        }
        if (IsLine(line, "BEGIN", "VCARD")) {
            return FileKind::kVCard;
        }
        if (IsLine(line, "BEGIN", "VCALENDAR")) {
            return FileKind::kICalendar;
        }
        why = {{file, lines.Number()},
               "neither a vCard nor an iCalendar file: it begins with " + Quoted(line) +
                   " instead of BEGIN:VCARD or BEGIN:VCALENDAR"};
        return std::nullopt;
    }
    why = {{file, 0}, "the file is empty"};
    return std::nullopt;
}

bool IsLine(std::string_view line, std::string_view name, std::string_view value) {
    line = WithoutTrailingBlanks(line);
    return line.size() == name.size() + 1 + value.size() && line[name.size()] == ':' &&
           EqualsIgnoringCase(line.substr(0, name.size()), name) &&
           EqualsIgnoringCase(line.substr(name.size() + 1), value);
}

}  // namespace calvendra::exchange
