#include "transfer/conversions.h"

#include <cctype>
#include <cmath>
#include <limits>

#include "transfer/failure.h"
#include "transfer/number_text.h"
#include "transfer/text_rules.h"

namespace velmora {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool isPresent(const Value& source) { return !trimBlanks(source.toText()).empty(); }

Value numberValue(double v) {
  if (std::floor(v) == v && std::fabs(v) < 9.0e15) return Value::integer(static_cast<std::int64_t>(v));
  return Value::real(v);
}

Value formatDate(const Value& source) {
  if (source.isNull()) return Value::null();
  if (auto d = source.toDateTime()) return Value::text(formatDayMonthYear(*d));
  throw Failure(failure_number::kTypeMismatch,
                "Conversion failed when converting date and/or time from character string: '" +
                    source.toText() + "'");
}

}  // namespace

double readLeadingNumber(std::string_view text) {
  // Blanks are skipped wherever they stand; the rest is read up to the first
  // character that cannot continue the number.
  std::string compact;
  bool seenDigit = false, seenPoint = false, seenExponent = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (isBlank(c)) continue;
    if (std::isdigit(static_cast<unsigned char>(c))) {
      compact += c;
      seenDigit = true;
    } else if ((c == '+' || c == '-') &&
               (compact.empty() || compact.back() == 'e')) {
      compact += c;
    } else if (c == '.' && !seenPoint && !seenExponent) {
      compact += c;
      seenPoint = true;
    } else if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && seenDigit && !seenExponent) {
      compact += 'e';
      seenExponent = true;
    } else {
      break;
    }
  }
  if (!seenDigit) return 0.0;
  // Drop an exponent marker or sign left dangling at the end.
  while (!compact.empty() && (compact.back() == 'e' || compact.back() == '+' || compact.back() == '-'))
    compact.pop_back();
  const double v = parseNumberText(compact).value_or(0.0);
  if (!std::isfinite(v)) {
    throw Failure(failure_number::kOverflow, "Overflow reading the number '" + std::string(text) + "'");
  }
  return v;
}

std::optional<Value> convertColumnValue(Conversion conversion, const Value& source) {
  switch (conversion) {
    case Conversion::kText:
      return Value::text(source.toText());
    case Conversion::kTrimmedText:
      return Value::text(trimBlanks(source.toText()));
    case Conversion::kNumber:
      return numberValue(readLeadingNumber(source.toText()));
    case Conversion::kNumberNullFails:
      if (source.isNull()) throw Failure(failure_number::kInvalidUse, "Invalid use of Null");
      return numberValue(readLeadingNumber(source.toText()));
    case Conversion::kAsIs:
      return source;
    case Conversion::kDate:
      return formatDate(source);
    case Conversion::kDateIfPresent:
      if (!isPresent(source)) return std::nullopt;
      return formatDate(source);
    case Conversion::kTextIfPresent:
      if (!isPresent(source)) return std::nullopt;
      return Value::text(source.toText());
    case Conversion::kValueIfPresent:
      if (!isPresent(source)) return std::nullopt;
      return source;
    case Conversion::kBlank:
      return Value::text("");
  }
  return std::nullopt;
}

}  // namespace velmora
