// A database value as the agent reads and writes it: null, integer, exact
// decimal, floating, text or date-time. Carries SQL Server's int, smallint,
// bigint, decimal/money, float, char/varchar/nvarchar and datetime without loss.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace velmora {

struct DateTime {
  int year = 1900;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;

  auto operator<=>(const DateTime&) const = default;

  // "yyyy-mm-dd hh:mm:ss" (with ".mmm" when milliseconds are not zero).
  std::string toIso() const;
  // Parses ISO "yyyy-mm-dd[ hh:mm[:ss[.fff]]]" (also with 'T'), "dd/MMM/yyyy
  // [hh:mm[:ss]]" with English month abbreviations, and "dd/mm/yyyy".
  // Returns nullopt when the text is none of these or names no real date.
  static std::optional<DateTime> parse(std::string_view text);
  bool isValid() const;
};

// An exact decimal number kept as its canonical text: optional '-', digits,
// optional '.' and digits (for example "-12.3400").
struct Decimal {
  std::string text;
  bool operator==(const Decimal&) const = default;
};

class Value {
 public:
  enum class Kind { kNull, kInteger, kDecimal, kReal, kText, kDateTime };

  Value() = default;
  static Value null() { return Value(); }
  static Value integer(std::int64_t v) { return Value(Storage(v)); }
  static Value decimal(std::string canonical) { return Value(Storage(Decimal{std::move(canonical)})); }
  static Value real(double v) { return Value(Storage(v)); }
  static Value text(std::string v) { return Value(Storage(std::move(v))); }
  static Value dateTime(DateTime v) { return Value(Storage(v)); }

  Kind kind() const { return static_cast<Kind>(storage_.index()); }
  bool isNull() const { return kind() == Kind::kNull; }

  // Accessors for the stored kind; calling one for another kind is a bug.
  std::int64_t asInteger() const { return std::get<std::int64_t>(storage_); }
  const Decimal& asDecimal() const { return std::get<Decimal>(storage_); }
  double asReal() const { return std::get<double>(storage_); }
  const std::string& asText() const { return std::get<std::string>(storage_); }
  const DateTime& asDateTime() const { return std::get<DateTime>(storage_); }

  // The value as a whole number when it is an integer, or a decimal, real or
  // text that reads as one; `fallback` otherwise.
  std::int64_t asIntegerOr(std::int64_t fallback) const;

  // The value as text: null gives the empty text, numbers their plain decimal
  // form (reals in their shortest exact form), date-times DateTime::toIso.
  std::string toText() const;

  // The value as a date-time: a date-time itself, or a text that
  // DateTime::parse reads. nullopt otherwise (null included).
  std::optional<DateTime> toDateTime() const;

  bool operator==(const Value&) const = default;

 private:
  using Storage = std::variant<std::monostate, std::int64_t, Decimal, double, std::string, DateTime>;
  explicit Value(Storage s) : storage_(std::move(s)) {}
  Storage storage_;
};

// Three-letter English month abbreviation, month 1..12.
std::string_view monthAbbreviation(int month);

// "dd/MMM/yyyy", for example 07/Mar/2020.
std::string formatDayMonthYear(const DateTime& d);

}  // namespace velmora
