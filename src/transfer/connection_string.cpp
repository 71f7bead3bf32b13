#include "transfer/connection_string.h"

#include <cctype>
#include <charconv>

#include "transfer/db_access.h"

namespace velmora {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool isPasswordKey(std::string_view key) {
  return equalsIgnoreCase(key, "password") || equalsIgnoreCase(key, "pwd");
}

// Calls visit(key, value) for each pair of `text`, values unquoted.
template <typename Visit>
void forEachPair(std::string_view text, Visit visit) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(';', start);
    if (end == std::string_view::npos) end = text.size();
    const std::size_t eq = text.find('=', start);
    if (eq == std::string_view::npos || eq > end) {
      start = end + 1;
      continue;
    }
    const std::string_view key = trim(text.substr(start, eq - start));
    std::size_t at = eq + 1;
    std::string value;
    if (at < text.size() && (text[at] == '"' || text[at] == '\'')) {
      const char quote = text[at++];
      while (at < text.size()) {
        if (text[at] == quote) {
          if (at + 1 < text.size() && text[at + 1] == quote) {
            value += quote;
            at += 2;
            continue;
          }
          ++at;
          break;
        }
        value += text[at++];
      }
      end = text.find(';', at);
      if (end == std::string_view::npos) end = text.size();
    } else {
      value = std::string(text.substr(at, end - at));
    }
    visit(key, value);
    start = end + 1;
  }
}

}  // namespace

ConnectionParams parseConnectionString(std::string_view text) {
  ConnectionParams params;
  forEachPair(text, [&](std::string_view key, const std::string& value) {
    if (equalsIgnoreCase(key, "Data Source") || equalsIgnoreCase(key, "Server")) {
      std::string_view source = value;
      std::size_t comma = source.rfind(',');
      if (comma != std::string_view::npos) {
        std::string_view portText = trim(source.substr(comma + 1));
        int port = 0;
        auto res = std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (res.ec == std::errc() && res.ptr == portText.data() + portText.size()) {
          params.port = port;
        }
        source = source.substr(0, comma);
      }
      params.server = std::string(source);
    } else if (equalsIgnoreCase(key, "Initial Catalog") || equalsIgnoreCase(key, "Database")) {
      params.database = std::string(value);
    } else if (equalsIgnoreCase(key, "User ID") || equalsIgnoreCase(key, "UID")) {
      params.user = std::string(value);
    } else if (isPasswordKey(key)) {
      params.password = std::string(value);
    }
  });
  return params;
}

std::string redactConnectionString(std::string_view text) {
  std::string out;
  forEachPair(text, [&](std::string_view key, const std::string& value) {
    if (!out.empty()) out += ';';
    out += std::string(key) + "=" + (isPasswordKey(key) ? std::string("***") : connectionStringValue(value));
  });
  return out;
}

std::string connectionStringValue(std::string_view value) {
  const bool plain = value.find(';') == std::string_view::npos &&
                     (value.empty() || (value.front() != '"' && value.front() != '\''));
  if (plain) return std::string(value);
  std::string out = "\"";
  for (char c : value) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

}  // namespace velmora
