#include "platform/replace_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace calvendra {

bool ReplaceFileText(const std::string& path, const std::string& text, std::string& why) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    if (error) {
        why = "Cannot make the folder of " + path + ": " + error.message();
        return false;
    }
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            why = "Cannot write " + temporary + ": " + std::strerror(errno);
            return false;
        }
    }
    fs::rename(temporary, path, error);
    if (error) {
        why = "Cannot replace " + path + ": " + error.message();
        return false;
    }
    return true;
}

}  // namespace calvendra
