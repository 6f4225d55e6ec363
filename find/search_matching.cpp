#include "find/search_matching.h"

#include "find/text_folding.h"

namespace calvendra::find {

void SearchMatcher::AddText(std::string_view text) {
    FoldCaseInto(text, scratch_);
    folded_ += ' ';
    folded_ += scratch_;
}

bool SearchMatcher::RowMatches() const {
    for (const std::string& word : words_) {
        if (folded_.find(word) == std::string::npos) {
            return false;
        }
    }
    return true;
}

}  // namespace calvendra::find
