#include "tests/support/captured_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "tests/support/odbc_sandbox.h"

namespace calvendra::testing {

CapturedLog::CapturedLog() {
    std::string pattern = std::filesystem::temp_directory_path() / "calvendra-log.XXXXXX";
    const int file = mkstemp(pattern.data());
    if (file < 0) {
        throw std::runtime_error("cannot create a file for the log");
    }
    path_ = pattern;
    std::fflush(stderr);
    savedStderr_ = dup(STDERR_FILENO);
    dup2(file, STDERR_FILENO);
    close(file);
}

CapturedLog::~CapturedLog() {
    std::fflush(stderr);
    dup2(savedStderr_, STDERR_FILENO);
    close(savedStderr_);
    std::remove(path_.c_str());
}

std::string CapturedLog::Text() const {
    std::fflush(stderr);
    return ReadFileText(path_);
}

}  // namespace calvendra::testing
