#include "platform/running_program.h"

#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace calvendra {

namespace {

constexpr char kDeletedMark[] = " (deleted)";

}  // namespace

bool ProgramPathFromLink(const std::string& link, std::string& path, std::string& error) {
    // A link's target is at most PATH_MAX - 1 bytes long.
    std::vector<char> buffer(PATH_MAX);
    const ssize_t length = readlink(link.c_str(), buffer.data(), buffer.size());
    if (length < 0) {
        error = "cannot read " + link + ": " + std::strerror(errno);
        return false;
    }
    path.assign(buffer.data(), std::min(static_cast<size_t>(length), buffer.size()));
    const size_t markLength = sizeof kDeletedMark - 1;
    if (path.size() > markLength &&
        path.compare(path.size() - markLength, markLength, kDeletedMark) == 0) {
        path.resize(path.size() - markLength);
    }
    if (path.empty() || path[0] != '/') {
        error = link + " names no absolute path: " + path;
        return false;
    }
    return true;
}

bool RunningProgramPath(std::string& path, std::string& error) {
    return ProgramPathFromLink("/proc/self/exe", path, error);
}

}  // namespace calvendra
