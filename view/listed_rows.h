#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "store/identifiers.h"

namespace calvendra {

// The rows that the item list shows, held compactly: per row the item's id and the ends of its
// column texts (three for a group's rows, four for a search's, whose last is the group), and the
// texts of all rows one after the other in one block, as the store gave them (UTF-8). A row of
// three columns costs its texts and 20 bytes.
class ListedRows {
public:
    static constexpr int kColumns = 3;

    explicit ListedRows(int columns = kColumns) : columns_(columns) {}

    int Columns() const { return columns_; }
    std::size_t Size() const { return ids_.size(); }
    bool Empty() const { return ids_.empty(); }

    // A row of three columns.
    void Add(Identifier id, std::string_view first, std::string_view second,
             std::string_view third);
    // A row of Columns() texts.
    void Add(Identifier id, std::initializer_list<std::string_view> texts);

    Identifier Id(std::size_t row) const { return ids_[row]; }
    std::string_view Text(std::size_t row, int column) const;

    // The first row that shows this item; -1 when none does.
    long Find(Identifier id) const;

    // Takes one row out; the rows after it move up.
    void Remove(std::size_t row);

    // The same rows in another order: row i of the result is row order[i] of these. `order`
    // names each row once.
    ListedRows Reordered(const std::vector<std::size_t>& order) const;

    // Gives back the room reserved beyond what the rows take.
    void ShrinkToFit();

    // What the rows take in memory, all they have reserved included.
    std::size_t MemoryBytes() const;

    // Of the ids and the texts: rows that show the same have the same fingerprint, and rows that
    // show something else, to all practical purposes, another one.
    std::uint64_t Fingerprint() const;

private:
    // Where in ends_ the end of a row's column is.
    std::size_t EndIndex(std::size_t row, int column) const;
    std::size_t Start(std::size_t row, int column) const;

    std::vector<Identifier> ids_;
    int columns_;
    // Where each column's text ends in texts_, columns_ a row.
    std::vector<std::uint32_t> ends_;
    std::string texts_;
};

}  // namespace calvendra
