// The settings files of the program folder (jewellers.txt, year.txt): found
// without regard to the letter case of their names, read as trimmed lines
// whose value starts at the thirteenth character.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/value.h"

namespace velmora::shell {

inline constexpr std::string_view kJewellersFile = "jewellers.txt";
inline constexpr std::string_view kYearFile = "year.txt";
inline constexpr std::string_view kServersFile = "servers.txt";

// The characters of a settings line that are a caption for the reader.
inline constexpr std::size_t kSettingCaptionLength = 12;

// The regular file in `folder` whose name equals `name` without regard to
// letter case (an exact match is preferred); nullopt when there is none or the
// folder cannot be read.
std::optional<std::filesystem::path> findFileIgnoringCase(const std::filesystem::path& folder,
                                                          std::string_view name);

// The lines of a settings file, each without its line end, its trailing CR
// and its leading and trailing blanks, the first one also without a UTF-8
// byte-order mark. Throws Failure (kInvalidSettings) when
// the file cannot be read.
std::vector<std::string> readSettingsLines(const std::filesystem::path& file);

// The value of a trimmed settings line: everything from its thirteenth
// character on, empty when the line is shorter. In a UTF-8 line a character
// is a UTF-8 sequence; otherwise (a single-byte code page) it is a byte.
std::string settingValue(std::string_view trimmedLine);

// The byte offset of character `characters` of `text` counted in UTF-8
// sequences; `characters` itself (bytes) when the text up to there is not UTF-8.
std::size_t utf8Offset(std::string_view text, std::size_t characters);

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// The value of line `lineNumber` (counted from 1) of `lines`; empty when the
// file has fewer lines.
std::string settingValueOfLine(const std::vector<std::string>& lines, std::size_t lineNumber);

// Reads a date of year.txt, day first: dd/mm/yyyy (also d/m/yyyy),
// dd/MMM/yyyy with English month abbreviations, or ISO yyyy-mm-dd. nullopt
// when the text is none of these or names no real date.
std::optional<DateTime> parseYearDate(std::string_view text);

}  // namespace velmora::shell
