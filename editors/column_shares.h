#pragma once

#include <vector>

namespace calvendra {

// A list's width shared out among its columns by their shares (weights): every column gets its
// part, at least `smallest` pixels, and together they fill the width exactly where it is wide
// enough (the last column takes what rounding left). Empty for no columns; zero shares count
// alike.
std::vector<int> ShareOutWidth(int width, const std::vector<int>& shares, int smallest);

}  // namespace calvendra
