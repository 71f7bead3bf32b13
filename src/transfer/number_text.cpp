#include "transfer/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace velmora {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Whether `text` has the decimal form parseNumberText accepts.
bool hasDecimalForm(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  bool digits = false;
  bool point = false;
  for (; i < text.size(); ++i) {
    if (isDigit(text[i])) {
      digits = true;
    } else if (text[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return false;
  if (i == text.size()) return true;
  if (text[i] != 'e' && text[i] != 'E') return false;
  ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i) {
    if (!isDigit(text[i])) return false;
  }
  return true;
}

// For a number out of a double's range: whether it is too small rather than
// too large, judged by the position of its first significant digit.
bool underflows(std::string_view text) {
  const std::size_t e = text.find_first_of("eE");
  const std::string_view mantissa = text.substr(0, e);
  long long magnitude = 0;  // decimal exponent of the first significant digit, roughly
  const std::size_t point = mantissa.find('.');
  const std::size_t first = mantissa.find_first_of("123456789");
  if (first == std::string_view::npos) return true;  // all zeros
  if (point == std::string_view::npos || first < point) {
    magnitude = static_cast<long long>((point == std::string_view::npos ? mantissa.size() : point) - first);
  } else {
    magnitude = -static_cast<long long>(first - point);
  }
  if (e != std::string_view::npos) {
    std::string_view exponent = text.substr(e + 1);
    const bool negative = !exponent.empty() && exponent[0] == '-';
    if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) exponent.remove_prefix(1);
    long long value = 0;
    for (char c : exponent) {
      value = std::min<long long>(value * 10 + (c - '0'), 1'000'000'000);
    }
    magnitude += negative ? -value : value;
  }
  return magnitude < 0;
}

}  // namespace

std::optional<double> parseNumberText(std::string_view text) {
  if (!hasDecimalForm(text)) return std::nullopt;
  const bool negative = text[0] == '-';
  std::string_view digits = text;
  if (text[0] == '+' || text[0] == '-') digits.remove_prefix(1);
  double value = 0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                      std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    value = underflows(digits) ? 0.0 : std::numeric_limits<double>::infinity();
  } else if (result.ec != std::errc() || result.ptr != digits.data() + digits.size()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

std::string fixedNumberText(double value, int decimals) {
  char buffer[512];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  std::string text(buffer, result.ec == std::errc() ? result.ptr : buffer);
  if (!text.empty() && text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

std::string generalNumberText(double value, int significant) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, significant);
  return std::string(buffer, result.ec == std::errc() ? result.ptr : buffer);
}

}  // namespace velmora
