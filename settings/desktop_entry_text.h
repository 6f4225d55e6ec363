#pragma once

#include <string>

// How values are written in a freedesktop desktop entry.
namespace calvendra {

// One argument of an Exec value, written so that the desktop hands it to the program unchanged: a
// literal percent sign is doubled (single ones start field codes), and an argument holding a
// space, a tab, a newline or one of " ' \ > < ~ | & ; $ * ? # ( ) ` is put in double quotes, with
// " ` $ and \ inside escaped by a backslash. The key file's own escaping comes on top
// (StringValue).
std::string ExecArgument(const std::string& argument);

// A value of type string as it stands after "Key=": backslashes, tabs and line breaks as \\, \t,
// \n and \r, and a leading space as \s, so that it reads back as it was.
std::string StringValue(const std::string& text);

}  // namespace calvendra
