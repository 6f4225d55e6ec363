#pragma once

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "tests/mail/temp_folder.h"

namespace calvendra::test {

// The logged-on user's NTLM credentials for the object's lifetime: NTLM_USER_FILE points at a file
// of the test's own with the one line DOMAIN:user:password; the previous setting comes back after.
class NtlmUserFile {
public:
    NtlmUserFile(const std::string& domain, const std::string& user, const std::string& password) {
        if (const char* previous = std::getenv("NTLM_USER_FILE")) {
            previous_ = previous;
        }
        const std::string path = (folder_.Path() / "ntlm-users").string();
        std::ofstream(path) << domain << ':' << user << ':' << password << '\n';
        ::setenv("NTLM_USER_FILE", path.c_str(), 1);
    }
    ~NtlmUserFile() {
        if (previous_) {
            ::setenv("NTLM_USER_FILE", previous_->c_str(), 1);
        } else {
            ::unsetenv("NTLM_USER_FILE");
        }
    }
    NtlmUserFile(const NtlmUserFile&) = delete;
    NtlmUserFile& operator=(const NtlmUserFile&) = delete;

private:
    TempFolder folder_;
    std::optional<std::string> previous_;
};

}  // namespace calvendra::test
