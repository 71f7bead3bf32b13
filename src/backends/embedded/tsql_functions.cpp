#include "backends/embedded/tsql_functions.h"

#include <sqlite3.h>

#include <cctype>
#include <cstdio>

#include "backends/embedded/tsql_dialect.h"

namespace velmora {

namespace {

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

// Reads up to `maxDigits` digits at `pos`; -1 when there is none.
int readNumber(std::string_view text, std::size_t& pos, int maxDigits) {
  int value = 0;
  int digits = 0;
  while (pos < text.size() && digits < maxDigits && std::isdigit(static_cast<unsigned char>(text[pos]))) {
    value = value * 10 + (text[pos] - '0');
    ++pos;
    ++digits;
  }
  return digits == 0 ? -1 : value;
}

std::optional<DateTime> readTimeOfDay(std::string_view text) {
  text = trimBlanks(text);
  std::size_t pos = 0;
  DateTime t;
  const int hour = readNumber(text, pos, 2);
  if (hour < 0 || pos >= text.size() || text[pos] != ':') return std::nullopt;
  ++pos;
  const int minute = readNumber(text, pos, 2);
  if (minute < 0 || minute > 59) return std::nullopt;
  int second = 0;
  int millisecond = 0;
  if (pos < text.size() && text[pos] == ':') {
    ++pos;
    second = readNumber(text, pos, 2);
    if (second < 0 || second > 59) return std::nullopt;
    if (pos < text.size() && text[pos] == '.') {
      ++pos;
      const std::size_t start = pos;
      int fraction = readNumber(text, pos, 3);
      if (fraction < 0) return std::nullopt;
      for (std::size_t n = pos - start; n < 3; ++n) fraction *= 10;
      millisecond = fraction;
      while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) ++pos;
    }
  }
  std::string_view rest = trimBlanks(text.substr(pos));
  int h = hour;
  if (!rest.empty()) {
    if (rest.size() != 2 || std::toupper(static_cast<unsigned char>(rest[1])) != 'M') return std::nullopt;
    const char half = static_cast<char>(std::toupper(static_cast<unsigned char>(rest[0])));
    if ((half != 'A' && half != 'P') || hour < 1 || hour > 12) return std::nullopt;
    h = hour % 12 + (half == 'P' ? 12 : 0);
  } else if (hour > 23) {
    return std::nullopt;
  }
  t.hour = h;
  t.minute = minute;
  t.second = second;
  t.millisecond = millisecond;
  return t;
}

std::string valueText(sqlite3_value* value) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
  return text ? std::string(text, static_cast<std::size_t>(sqlite3_value_bytes(value))) : std::string();
}

void resultText(sqlite3_context* context, const std::string& text) {
  sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void rightFunction(sqlite3_context* context, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  resultText(context, rightCharacters(valueText(argv[0]), sqlite3_value_int64(argv[1])));
}

void leftFunction(sqlite3_context* context, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  resultText(context, leftCharacters(valueText(argv[0]), sqlite3_value_int64(argv[1])));
}

// vel_convert(x, style, length): x as text, date-times in the given style.
void convertFunction(sqlite3_context* context, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  std::string text = valueText(argv[0]);
  const long long style = sqlite3_value_int64(argv[1]);
  const long long length = sqlite3_value_int64(argv[2]);
  if (sqlite3_value_type(argv[0]) == SQLITE_TEXT && (style == 0 || style == 100)) {
    if (auto value = readDateTimeOrTime(text)) text = formatStyle100(*value);
  }
  if (length > 0) text = leftCharacters(text, length);
  resultText(context, text);
}

}  // namespace

std::string rightCharacters(std::string_view text, long long count) {
  if (count <= 0) return {};
  std::size_t pos = text.size();
  while (pos > 0 && count > 0) {
    --pos;
    while (pos > 0 && isContinuationByte(text[pos])) --pos;
    --count;
  }
  return std::string(text.substr(pos));
}

std::string leftCharacters(std::string_view text, long long count) {
  if (count <= 0) return {};
  std::size_t pos = 0;
  while (pos < text.size() && count > 0) {
    ++pos;
    while (pos < text.size() && isContinuationByte(text[pos])) ++pos;
    --count;
  }
  return std::string(text.substr(0, pos));
}

std::optional<DateTime> readDateTimeOrTime(std::string_view text) {
  if (auto value = DateTime::parse(trimBlanks(text))) return value;
  return readTimeOfDay(text);
}

std::string formatStyle100(const DateTime& value) {
  const int hour12 = value.hour % 12 == 0 ? 12 : value.hour % 12;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s %2d %04d %2d:%02d%s", std::string(monthAbbreviation(value.month)).c_str(),
                value.day, value.year, hour12, value.minute, value.hour < 12 ? "AM" : "PM");
  return buffer;
}

bool registerTsqlFunctions(sqlite3* db) {
  constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  return sqlite3_create_function(db, kRightFunction, 2, kFlags, nullptr, rightFunction, nullptr, nullptr) ==
             SQLITE_OK &&
         sqlite3_create_function(db, kLeftFunction, 2, kFlags, nullptr, leftFunction, nullptr, nullptr) ==
             SQLITE_OK &&
         sqlite3_create_function(db, kConvertFunction, 3, kFlags, nullptr, convertFunction, nullptr, nullptr) ==
             SQLITE_OK;
}

}  // namespace velmora
