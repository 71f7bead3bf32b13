#include "backends/embedded/sqlite_values.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>

#include "transfer/number_text.h"

namespace velmora {

namespace {

std::string upper(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out;
}

// The scale of "DECIMAL(18,2)" (2), "NUMERIC(10)" (0), "MONEY" (4).
int scaleOf(const std::string& type) {
  const bool decimal = type.rfind("DECIMAL", 0) == 0 || type.rfind("NUMERIC", 0) == 0;
  if (type.rfind("MONEY", 0) == 0 || type.rfind("SMALLMONEY", 0) == 0) return 4;
  if (!decimal) return -1;
  const std::size_t comma = type.find(',');
  if (comma == std::string::npos) return 0;
  int scale = 0;
  for (std::size_t i = comma + 1; i < type.size() && type[i] != ')'; ++i) {
    if (std::isdigit(static_cast<unsigned char>(type[i]))) scale = scale * 10 + (type[i] - '0');
  }
  return std::min(scale, 38);
}

// `value` written to `scale` decimals when that text reads back as the same
// number; nothing otherwise, so that a read never changes what is stored.
std::optional<std::string> formatScaled(double value, int scale) {
  std::string text = fixedNumberText(value, scale);
  double back = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), back);
  if (result.ec != std::errc() || back != value) return std::nullopt;
  return text;
}

}  // namespace

ColumnTraits columnTraitsFor(const char* declaredType) {
  ColumnTraits traits;
  if (declaredType == nullptr) return traits;
  const std::string type = upper(declaredType);
  traits.dateTime = type.find("DATE") != std::string::npos || type.find("TIME") != std::string::npos;
  traits.decimalScale = scaleOf(type);
  return traits;
}

Value readColumn(sqlite3_stmt* statement, int column, const ColumnTraits& traits) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
      return Value::null();
    case SQLITE_INTEGER: {
      const std::int64_t v = sqlite3_column_int64(statement, column);
      if (traits.decimalScale > 0) {
        return Value::decimal(std::to_string(v) + "." + std::string(static_cast<std::size_t>(traits.decimalScale), '0'));
      }
      return Value::integer(v);
    }
    case SQLITE_FLOAT: {
      const double v = sqlite3_column_double(statement, column);
      if (traits.decimalScale >= 0 && std::isfinite(v) && std::fabs(v) < 1e15) {
        if (auto text = formatScaled(v, traits.decimalScale)) return Value::decimal(std::move(*text));
      }
      return Value::real(v);
    }
    default: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
      std::string value(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
      if (traits.dateTime) {
        if (auto parsed = DateTime::parse(value)) return Value::dateTime(*parsed);
      }
      return Value::text(std::move(value));
    }
  }
}

}  // namespace velmora
