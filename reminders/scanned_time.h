#pragma once

#include <ctime>
#include <map>
#include <optional>

namespace calvendra {

// The stretches of real time whose minutes the reminder scan has already looked at.
class ScannedTime {
public:
    // Marks [from, to) as scanned.
    void Add(std::time_t from, std::time_t to);

    // The end of the scanned stretch that holds `instant`; empty when it has not been scanned.
    std::optional<std::time_t> ScannedUntil(std::time_t instant) const;

    // Forgets every stretch that lies wholly outside [from, to).
    void KeepWithin(std::time_t from, std::time_t to);

    std::size_t StretchCount() const { return stretches_.size(); }

private:
    // Start to end; disjoint, and never touching, since touching stretches are joined.
    std::map<std::time_t, std::time_t> stretches_;
};

}  // namespace calvendra
