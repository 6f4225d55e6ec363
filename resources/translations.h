#pragma once

#include <string>
#include <vector>

namespace calvendra::resources {

// The gettext domain of the organizer's own texts:
// share/locale/<language>/LC_MESSAGES/calvendra.mo.
inline constexpr char kCatalogueDomain[] = "calvendra";

// Shows the windows' texts in a language: `language` ("de", "fr_FR") or, when empty, the user's,
// from the environment (LANGUAGE, LC_ALL, LC_MESSAGES, LANG). The organizer's catalogue is looked
// for in each folder of `folders` (laid out as share/locale), then where wxWidgets looks; English,
// the language the texts are written in, needs none. A language without a catalogue keeps the
// English texts, with a line in the log. Replaces the texts' language chosen before; windows
// made afterwards show it.
void TranslateInto(const std::string& language, const std::vector<std::string>& folders);

// The folders where the organizer's catalogues are: the installation's share/locale and, for the
// program run from the build tree, the build tree's locale folder next to the program's own.
std::vector<std::string> CatalogueFolders();

}  // namespace calvendra::resources
