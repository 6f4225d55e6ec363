#pragma once

#include <string>

namespace calvendra::testing {

// File descriptors of this process that are open on the file at `path`.
int OpenDescriptorsOn(const std::string& path);

// Those still open on a file that was at `path` and has been removed or replaced since (the
// kernel names such a file "<path> (deleted)").
int OpenDescriptorsOnRemovedFile(const std::string& path);

}  // namespace calvendra::testing
