#pragma once

#include <string>

namespace calvendra::testing {

// Catches what the program writes to standard error, its log's terminal side, while the object
// lives: the descriptor is pointed at a file of the test's own and put back afterwards.
class CapturedLog {
public:
    CapturedLog();
    ~CapturedLog();

    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    // Everything written since the capture began.
    std::string Text() const;

private:
    std::string path_;
    int savedStderr_ = -1;
};

}  // namespace calvendra::testing
