#pragma once

#include <string>
#include <string_view>
#include <vector>

// The organizer's one rule for "the same letters whatever their case": Unicode simple case
// folding (ICU's default mappings, one code point for one code point), so that "MÜLLER" and
// "müller", "ΣΟΦΙΑ" and "σοφια", "STRASSE" and "strasse" are the same; "straße" stays apart from
// "strasse", since simple folding never turns one letter into two. Accents are letters of their
// own: "e" does not find "é". Bytes that are not UTF-8 stay as they are and match only themselves.
namespace calvendra::find {

// The text with every code point replaced by its simple case folding.
std::string FoldCase(std::string_view text);

// The same into `folded` (emptied first), for a caller that folds many texts in a row.
void FoldCaseInto(std::string_view text, std::string& folded);

// The words of a typed search, folded: the runs between white space (any Unicode white space).
// Empty for a text of white space only.
std::vector<std::string> SearchWords(std::string_view typed);

// How the databases can be trusted with a folded code point when they narrow a search.
enum class CharacterTrust {
    // No other code point folds to it: the databases' own comparisons, whatever their case rules,
    // find exactly its occurrences (a digit, a CJK character, a sign, a space).
    kCaseless,
    // An ASCII letter to which only its ASCII capital folds: every database's case-insensitive
    // comparison (SQLite's LIKE, PostgreSQL's ILIKE) finds both.
    kAsciiLetter,
    // Anything else (letters with other capitals, such as "ü", "σ", "k" with the Kelvin sign):
    // a database may fold it otherwise, so only the organizer decides on it.
    kOrganizerOnly,
};

// For a code point that folding gives (the result of FoldCase).
CharacterTrust TrustOf(char32_t folded);

}  // namespace calvendra::find
