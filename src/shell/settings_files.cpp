#include "shell/settings_files.h"

#include <fstream>
#include <system_error>

#include "transfer/text_rules.h"
#include "transfer/failure.h"

namespace velmora::shell {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads 1 to `maxDigits` digits at `pos`; nullopt when there is none.
std::optional<int> readNumber(std::string_view text, std::size_t& pos, std::size_t maxDigits) {
  std::size_t start = pos;
  int value = 0;
  while (pos < text.size() && isDigit(text[pos]) && pos - start < maxDigits) {
    value = value * 10 + (text[pos] - '0');
    ++pos;
  }
  if (pos == start) return std::nullopt;
  return value;
}

std::optional<int> monthOfAbbreviation(std::string_view text) {
  if (text.size() != 3) return std::nullopt;
  std::string upper = upperCase(text);
  for (int month = 1; month <= 12; ++month) {
    if (upperCase(monthAbbreviation(month)) == upper) return month;
  }
  return std::nullopt;
}

std::optional<DateTime> realDate(int year, int month, int day) {
  DateTime date;
  date.year = year;
  date.month = month;
  date.day = day;
  if (year < 1 || month < 1 || month > 12 || day < 1 || !date.isValid()) return std::nullopt;
  return date;
}

}  // namespace

std::optional<std::filesystem::path> findFileIgnoringCase(const std::filesystem::path& folder,
                                                          std::string_view name) {
  std::error_code ec;
  std::filesystem::path exact = folder / std::string(name);
  if (std::filesystem::is_regular_file(exact, ec)) return exact;
  std::filesystem::directory_iterator it(folder, ec);
  if (ec) return std::nullopt;
  std::string wanted = upperCase(name);
  for (const auto& entry : it) {
    if (upperCase(entry.path().filename().string()) != wanted) continue;
    std::error_code typeError;
    if (entry.is_regular_file(typeError)) return entry.path();
  }
  return std::nullopt;
}

std::size_t utf8Offset(std::string_view text, std::size_t characters) {
  std::size_t at = 0;
  for (std::size_t counted = 0; counted < characters && at < text.size(); ++counted) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3
                               : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || at + length > text.size()) return characters;  // not UTF-8
    for (std::size_t i = 1; i < length; ++i) {
      if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return characters;
    }
    at += length;
  }
  return at;
}

std::vector<std::string> readSettingsLines(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    throw Failure(failure_number::kInvalidSettings,
                  "Cannot read the settings file " + file.string());
  }
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    // Editors on Windows may start a UTF-8 file with a byte-order mark.
    if (lines.empty() && line.starts_with(kUtf8ByteOrderMark)) line.erase(0, kUtf8ByteOrderMark.size());
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    lines.push_back(trimBlanks(line));
  }
  if (in.bad()) {
    throw Failure(failure_number::kInvalidSettings,
                  "Cannot read the settings file " + file.string());
  }
  return lines;
}

std::string settingValue(std::string_view trimmedLine) {
  // Characters, not bytes, when the line is UTF-8: a caption with accented
  // letters is still twelve characters wide. Other text counts bytes.
  const std::size_t start = utf8Offset(trimmedLine, kSettingCaptionLength);
  if (start >= trimmedLine.size()) return {};
  return std::string(trimmedLine.substr(start));
}

std::string settingValueOfLine(const std::vector<std::string>& lines, std::size_t lineNumber) {
  if (lineNumber == 0 || lineNumber > lines.size()) return {};
  return settingValue(lines[lineNumber - 1]);
}

std::optional<DateTime> parseYearDate(std::string_view text) {
  std::string trimmed = trimBlanks(text);
  std::string_view t = trimmed;
  std::size_t pos = 0;

  // ISO yyyy-mm-dd.
  if (t.size() == 10 && t[4] == '-' && t[7] == '-') {
    auto year = readNumber(t, pos, 4);
    if (!year || pos != 4) return std::nullopt;
    ++pos;
    auto month = readNumber(t, pos, 2);
    if (!month || pos != 7) return std::nullopt;
    ++pos;
    auto day = readNumber(t, pos, 2);
    if (!day || pos != t.size()) return std::nullopt;
    return realDate(*year, *month, *day);
  }

  // Day first: d[d]/m[m]/yyyy or d[d]/MMM/yyyy.
  auto day = readNumber(t, pos, 2);
  if (!day || pos >= t.size() || t[pos] != '/') return std::nullopt;
  std::size_t monthStart = ++pos;
  std::size_t slash = t.find('/', monthStart);
  if (slash == std::string_view::npos) return std::nullopt;
  std::string_view monthText = t.substr(monthStart, slash - monthStart);
  std::optional<int> month;
  if (!monthText.empty() && isDigit(monthText.front())) {
    std::size_t monthPos = 0;
    month = readNumber(monthText, monthPos, 2);
    if (monthPos != monthText.size()) return std::nullopt;
  } else {
    month = monthOfAbbreviation(monthText);
  }
  if (!month) return std::nullopt;
  pos = slash + 1;
  std::size_t yearStart = pos;
  auto year = readNumber(t, pos, 4);
  if (!year || pos - yearStart != 4 || pos != t.size()) return std::nullopt;
  return realDate(*year, *month, *day);
}

}  // namespace velmora::shell
