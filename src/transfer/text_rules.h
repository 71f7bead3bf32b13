// Text rules shared by the settings, the head-office list and the steps: blanks trimmed
// the way the settings files and the database fields are read, and
// upper-casing of identifiers.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

// `text` without leading and trailing blanks (spaces).
std::string trimBlanks(std::string_view text);

// `text` with its ASCII letters upper-cased.
std::string upperCase(std::string_view text);

// Upper-cased and trimmed, the form of most head-office cells.
std::string upperTrimmed(std::string_view text);

}  // namespace velmora
