#pragma once

namespace calvendra {

// Whether an editor creates a new item or changes a stored one.
enum class EditMode { kNew, kExisting };

}  // namespace calvendra
