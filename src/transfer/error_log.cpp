#include "transfer/error_log.h"

#include <cstdio>

namespace velmora {

namespace {

// The text with every single quote doubled, so that it can stand between
// single quotes in a statement and reads back unchanged.
std::string quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string errorTimeText(const DateTime& when) {
  int hour = when.hour % 12;
  if (hour == 0) hour = 12;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", hour, when.minute, when.second,
                when.hour < 12 ? "AM" : "PM");
  return buf;
}

std::string visibleText(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

std::string errorMessage(std::string_view prefix, std::string_view description) {
  std::string message = visibleText(prefix) + "-" + visibleText(description);
  if (message.size() <= kErrorMessageLimit) return message;
  std::size_t keep = kErrorMessageLimit - kCutMarker.size();
  while (keep > 0 && isContinuationByte(message[keep])) --keep;
  message.resize(keep);
  message += kCutMarker;
  return message;
}

std::string errorRowInsert(std::string_view module, std::string_view prefix,
                           std::string_view description, const DateTime& when) {
  return "INSERT INTO ERRTABLE (Module,MESSAGE,UPDATED,UPTIME) VALUES('" + quoted(module) + "','" +
         quoted(errorMessage(prefix, description)) + "','" + formatDayMonthYear(when) + "','" +
         errorTimeText(when) + "')";
}

void writeErrorRow(Connection& connection, std::string_view module, std::string_view prefix,
                   std::string_view description, const Clock& clock) {
  try {
    connection.execute(errorRowInsert(module, prefix, description, clock.now()));
  } catch (const ErrorRowFailure&) {
    throw;
  } catch (const Failure& failure) {
    if (failure.number() == failure_number::kLinkFailure) throw;
    throw ErrorRowFailure(failure, std::string(module), errorMessage(prefix, description));
  }
}

}  // namespace velmora
