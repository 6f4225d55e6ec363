#include "tests/support/open_descriptors.h"

#include <filesystem>

namespace calvendra::testing {

namespace {

int DescriptorsLinkedTo(const std::string& target) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string link = std::filesystem::read_symlink(entry.path(), error).string();
        if (!error && link == target) {
            ++count;
        }
    }
    return count;
}

}  // namespace

int OpenDescriptorsOn(const std::string& path) {
    return DescriptorsLinkedTo(std::filesystem::weakly_canonical(path).string());
}

int OpenDescriptorsOnRemovedFile(const std::string& path) {
    return DescriptorsLinkedTo(std::filesystem::weakly_canonical(path).string() + " (deleted)");
}

}  // namespace calvendra::testing
