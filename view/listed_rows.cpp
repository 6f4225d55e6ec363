#include "view/listed_rows.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>

namespace calvendra {

void ListedRows::Add(Identifier id, std::string_view first, std::string_view second,
                     std::string_view third) {
    Add(id, {first, second, third});
}

void ListedRows::Add(Identifier id, std::initializer_list<std::string_view> texts) {
    if (static_cast<int>(texts.size()) != columns_) {
        throw std::invalid_argument("a row of " + std::to_string(texts.size()) +
                                    " texts for a list of " + std::to_string(columns_) +
                                    " columns");
    }
    std::size_t length = texts_.size();
    for (const std::string_view text : texts) {
        length += text.size();
    }
    if (length > UINT32_MAX) {
        throw std::length_error("the list's texts pass 4 GB");
    }
    ids_.push_back(id);
    for (const std::string_view text : texts) {
        texts_.append(text);
        ends_.push_back(static_cast<std::uint32_t>(texts_.size()));
    }
}

std::size_t ListedRows::EndIndex(std::size_t row, int column) const {
    return row * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(column);
}

std::size_t ListedRows::Start(std::size_t row, int column) const {
    const std::size_t index = EndIndex(row, column);
    return index == 0 ? 0 : ends_[index - 1];
}

std::string_view ListedRows::Text(std::size_t row, int column) const {
    const std::size_t start = Start(row, column);
    const std::size_t end = ends_[EndIndex(row, column)];
    return std::string_view(texts_).substr(start, end - start);
}

long ListedRows::Find(Identifier id) const {
    const auto found = std::find(ids_.begin(), ids_.end(), id);
    return found == ids_.end() ? -1 : static_cast<long>(found - ids_.begin());
}

void ListedRows::Remove(std::size_t row) {
    const std::size_t start = Start(row, 0);
    const std::size_t end = ends_[EndIndex(row, columns_ - 1)];
    const auto length = static_cast<std::uint32_t>(end - start);
    texts_.erase(start, end - start);
    const auto first = ends_.begin() + static_cast<std::ptrdiff_t>(EndIndex(row, 0));
    ends_.erase(first, first + columns_);
    for (auto later = ends_.begin() + static_cast<std::ptrdiff_t>(EndIndex(row, 0));
         later != ends_.end(); ++later) {
        *later -= length;
    }
    ids_.erase(ids_.begin() + static_cast<std::ptrdiff_t>(row));
}

ListedRows ListedRows::Reordered(const std::vector<std::size_t>& order) const {
    if (order.size() != ids_.size()) {
        throw std::invalid_argument("an order of " + std::to_string(order.size()) +
                                    " rows for a list of " + std::to_string(ids_.size()));
    }
    ListedRows reordered(columns_);
    reordered.ids_.reserve(ids_.size());
    reordered.ends_.reserve(ends_.size());
    reordered.texts_.reserve(texts_.size());
    for (const std::size_t row : order) {
        reordered.ids_.push_back(ids_.at(row));
        const std::size_t start = Start(row, 0);
        const std::size_t shift = reordered.texts_.size();
        reordered.texts_.append(texts_, start, ends_[EndIndex(row, columns_ - 1)] - start);
        for (int column = 0; column < columns_; ++column) {
            reordered.ends_.push_back(
                static_cast<std::uint32_t>(ends_[EndIndex(row, column)] - start + shift));
        }
    }
    return reordered;
}

void ListedRows::ShrinkToFit() {
    ids_.shrink_to_fit();
    ends_.shrink_to_fit();
    texts_.shrink_to_fit();
}

std::size_t ListedRows::MemoryBytes() const {
    return ids_.capacity() * sizeof(Identifier) + ends_.capacity() * sizeof(std::uint32_t) +
           texts_.capacity();
}

namespace {

template <class T>
std::size_t HashOfBlock(const std::vector<T>& values) {
    return std::hash<std::string_view>()(
        std::string_view(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T)));
}

}  // namespace

std::uint64_t ListedRows::Fingerprint() const {
    // The ends place every text in its row and column; the three hashes are mixed as Boost's
    // hash_combine mixes them.
    std::uint64_t mixed = std::hash<std::string_view>()(texts_);
    for (const std::uint64_t part : {static_cast<std::uint64_t>(HashOfBlock(ids_)),
                                     static_cast<std::uint64_t>(HashOfBlock(ends_))}) {
        mixed ^= part + 0x9e3779b97f4a7c15ULL + (mixed << 6) + (mixed >> 2);
    }
    return mixed;
}

}  // namespace calvendra
