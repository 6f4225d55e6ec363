#include "exchange/exchange_items.h"

#include <iterator>

namespace calvendra::exchange {

std::string Describe(const FileMessage& message) {
    std::string text = message.place.file;
    if (message.place.line > 0) {
        text += ", line " + std::to_string(message.place.line);
    }
    return text + ": " + message.text;
}

void FileContents::Append(FileContents other) {
    auto move = [](auto& to, auto& from) {
        to.insert(to.end(), std::make_move_iterator(from.begin()),
                  std::make_move_iterator(from.end()));
    };
    move(contacts, other.contacts);
    move(schedules, other.schedules);
    move(errors, other.errors);
    move(notes, other.notes);
}

std::vector<std::string> SplitGroupPath(const std::string& path) {
    std::vector<std::string> names;
    std::string name;
    for (char c : path + kPathSeparator) {
        if (c != kPathSeparator) {
            name += c;
            continue;
        }
        // Blanks around a name and empty steps ("Work//Clients", "/Work") mean nothing.
        const auto first = name.find_first_not_of(" \t");
        if (first != std::string::npos) {
            names.push_back(name.substr(first, name.find_last_not_of(" \t") - first + 1));
        }
        name.clear();
    }
    return names;
}

}  // namespace calvendra::exchange
