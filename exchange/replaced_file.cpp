#include "exchange/replaced_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace calvendra::exchange {

namespace {

std::string Failed(const char* what, const std::string& path) {
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

}  // namespace

std::string ReplaceFile(const std::string& path, const std::string& contents) {
    static std::atomic<unsigned> counter{0};
    const std::string temporary =
        path + ".part-" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1));
    // The mode a new file gets from the user's umask.
    const int file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file < 0) {
        return Failed("cannot create", temporary);
    }
    std::string failure;
    std::size_t written = 0;
    while (written < contents.size() && failure.empty()) {
        const ssize_t step = write(file, contents.data() + written, contents.size() - written);
        if (step < 0 && errno != EINTR) {
            failure = Failed("cannot write", temporary);
        } else if (step > 0) {
            written += static_cast<std::size_t>(step);
        }
    }
    if (failure.empty() && fsync(file) != 0) {
        failure = Failed("cannot write", temporary);
    }
    if (close(file) != 0 && failure.empty()) {
        failure = Failed("cannot write", temporary);
    }
    if (failure.empty() && std::rename(temporary.c_str(), path.c_str()) != 0) {
        failure = Failed("cannot rename the new file to", path);
    }
    if (!failure.empty()) {
        unlink(temporary.c_str());
    }
    return failure;
}

}  // namespace calvendra::exchange
