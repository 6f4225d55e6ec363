#include "editors/column_shares.h"

#include <algorithm>
#include <numeric>

namespace calvendra {

std::vector<int> ShareOutWidth(int width, const std::vector<int>& shares, int smallest) {
    std::vector<int> widths;
    if (shares.empty()) {
        return widths;
    }
    std::vector<long long> weights(shares.begin(), shares.end());
    for (long long& weight : weights) {
        weight = std::max(weight, 0LL);
    }
    long long total = std::accumulate(weights.begin(), weights.end(), 0LL);
    if (total == 0) {
        std::fill(weights.begin(), weights.end(), 1LL);
        total = static_cast<long long>(weights.size());
    }
    const long long room = std::max(width, 0);
    long long given = 0;
    for (std::size_t column = 0; column + 1 < weights.size(); ++column) {
        const auto part = static_cast<int>(room * weights[column] / total);
        widths.push_back(std::max(part, smallest));
        given += widths.back();
    }
    widths.push_back(std::max(static_cast<int>(room - given), smallest));
    return widths;
}

}  // namespace calvendra
