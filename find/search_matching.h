#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace calvendra::find {

// The organizer's decision on a row: every word of the search is in one of its searched texts,
// compared folded (text_folding.h). A word may be in any of the texts, each in another.
class SearchMatcher {
public:
    explicit SearchMatcher(std::vector<std::string> foldedWords) : words_(std::move(foldedWords)) {}

    // Starts the texts of the next row.
    void BeginRow() { folded_.clear(); }
    void AddText(std::string_view text);
    bool RowMatches() const;

private:
    std::vector<std::string> words_;
    // The row's texts folded, a blank between two: no word holds a blank, so none is found
    // across two texts.
    std::string folded_;
    std::string scratch_;
};

}  // namespace calvendra::find
