#include "transfer/value.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace velmora {
namespace {

constexpr std::array<std::string_view, 12> kMonths = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool isLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeapYear(y) ? 29 : kDays[m - 1];
}

// A small cursor over the text being parsed.
struct Reader {
  std::string_view s;
  std::size_t i = 0;
  bool done() const { return i >= s.size(); }
  bool take(char c) {
    if (!done() && s[i] == c) { ++i; return true; }
    return false;
  }
  // Reads 1..maxDigits digits.
  bool number(int& out, int minDigits, int maxDigits) {
    int n = 0, v = 0;
    while (!done() && n < maxDigits && std::isdigit(static_cast<unsigned char>(s[i]))) {
      v = v * 10 + (s[i] - '0');
      ++i;
      ++n;
    }
    out = v;
    return n >= minDigits;
  }
  void skipBlanks() { while (!done() && s[i] == ' ') ++i; }
};

bool readTime(Reader& r, DateTime& d) {
  r.skipBlanks();
  if (r.done()) return true;
  if (!r.number(d.hour, 1, 2) || !r.take(':') || !r.number(d.minute, 2, 2)) return false;
  if (r.take(':')) {
    if (!r.number(d.second, 2, 2)) return false;
    if (r.take('.')) {
      std::size_t start = r.i;
      int frac = 0;
      if (!r.number(frac, 1, 9)) return false;
      std::size_t digits = r.i - start;
      while (digits > 3) { frac /= 10; --digits; }
      while (digits < 3) { frac *= 10; ++digits; }
      d.millisecond = frac;
    }
  }
  r.skipBlanks();
  if (r.s.substr(r.i).size() >= 2) {
    std::string ampm;
    for (char c : r.s.substr(r.i, 2)) ampm += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ampm == "AM" || ampm == "PM") {
      if (d.hour < 1 || d.hour > 12) return false;
      if (ampm == "AM" && d.hour == 12) d.hour = 0;
      if (ampm == "PM" && d.hour != 12) d.hour += 12;
      r.i += 2;
    }
  }
  r.skipBlanks();
  return r.done();
}

}  // namespace

std::string_view monthAbbreviation(int month) {
  return month >= 1 && month <= 12 ? kMonths[month - 1] : std::string_view("???");
}

std::string formatDayMonthYear(const DateTime& d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d/%s/%04d", d.day, monthAbbreviation(d.month).data(), d.year);
  return buf;
}

bool DateTime::isValid() const {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= daysInMonth(year, month) && hour >= 0 && hour < 24 && minute >= 0 &&
         minute < 60 && second >= 0 && second < 60 && millisecond >= 0 && millisecond < 1000;
}

std::string DateTime::toIso() const {
  char buf[40];
  if (millisecond != 0) {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", year, month, day, hour,
                  minute, second, millisecond);
  } else {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute,
                  second);
  }
  return buf;
}

std::optional<DateTime> DateTime::parse(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  DateTime d;
  Reader r{text};
  if (text.size() >= 10 && text[4] == '-') {
    // ISO yyyy-mm-dd[ hh:mm[:ss[.fff]]]
    if (!r.number(d.year, 4, 4) || !r.take('-') || !r.number(d.month, 1, 2) || !r.take('-') ||
        !r.number(d.day, 1, 2))
      return std::nullopt;
    if (!r.take('T')) r.skipBlanks();
  } else {
    if (!r.number(d.day, 1, 2)) return std::nullopt;
    char sep = r.done() ? 0 : r.s[r.i];
    if (sep != '/' && sep != '-' && sep != '.') return std::nullopt;
    ++r.i;
    if (!r.done() && std::isalpha(static_cast<unsigned char>(r.s[r.i]))) {
      std::string_view name = r.s.substr(r.i, 3);
      d.month = 0;
      for (int m = 1; m <= 12; ++m) {
        std::string_view k = kMonths[m - 1];
        bool same = name.size() == 3;
        for (std::size_t j = 0; same && j < 3; ++j)
          same = std::tolower(static_cast<unsigned char>(name[j])) ==
                 std::tolower(static_cast<unsigned char>(k[j]));
        if (same) d.month = m;
      }
      if (d.month == 0) return std::nullopt;
      r.i += 3;
    } else if (!r.number(d.month, 1, 2)) {
      return std::nullopt;
    }
    if (!r.take(sep) || !r.number(d.year, 4, 4)) return std::nullopt;
  }
  if (!readTime(r, d) || !d.isValid()) return std::nullopt;
  return d;
}

std::string Value::toText() const {
  switch (kind()) {
    case Kind::kNull: return {};
    case Kind::kInteger: return std::to_string(asInteger());
    case Kind::kDecimal: return asDecimal().text;
    case Kind::kReal: {
      char buf[64];
      auto res = std::to_chars(buf, buf + sizeof buf, asReal());
      return std::string(buf, res.ptr);
    }
    case Kind::kText: return asText();
    case Kind::kDateTime: return asDateTime().toIso();
  }
  return {};
}

std::int64_t Value::asIntegerOr(std::int64_t fallback) const {
  switch (kind()) {
    case Kind::kInteger: return asInteger();
    case Kind::kReal: return static_cast<std::int64_t>(asReal());
    case Kind::kDecimal:
    case Kind::kText: {
      std::string t = toText();
      std::int64_t v = 0;
      auto res = std::from_chars(t.data(), t.data() + t.size(), v);
      return res.ec == std::errc() ? v : fallback;
    }
    default: return fallback;
  }
}

std::optional<DateTime> Value::toDateTime() const {
  if (kind() == Kind::kDateTime) return asDateTime();
  if (kind() == Kind::kText) return DateTime::parse(asText());
  return std::nullopt;
}

}  // namespace velmora
