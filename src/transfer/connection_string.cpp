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

template <typename Visit>
void forEachPair(std::string_view text, Visit visit) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(';', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view part = text.substr(start, end - start);
    std::size_t eq = part.find('=');
    if (eq != std::string_view::npos) visit(trim(part.substr(0, eq)), part.substr(eq + 1));
    start = end + 1;
  }
}

}  // namespace

ConnectionParams parseConnectionString(std::string_view text) {
  ConnectionParams params;
  forEachPair(text, [&](std::string_view key, std::string_view value) {
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
  forEachPair(text, [&](std::string_view key, std::string_view value) {
    if (!out.empty()) out += ';';
    out += std::string(key) + "=" + (isPasswordKey(key) ? std::string("***") : std::string(value));
  });
  return out;
}

}  // namespace velmora
