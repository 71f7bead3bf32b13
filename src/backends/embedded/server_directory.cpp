#include "backends/embedded/server_directory.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace velmora {

namespace {

bool sameNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string_view serverNameOf(std::string_view dataSource) {
  const std::size_t comma = dataSource.find(',');
  if (comma != std::string_view::npos) dataSource = dataSource.substr(0, comma);
  return trim(dataSource);
}

const EmbeddedServer* ServerDirectory::find(std::string_view name) const {
  const std::string_view wanted = serverNameOf(name);
  if (wanted.empty()) return nullptr;
  for (const EmbeddedServer& server : servers_) {
    if (sameNoCase(trim(server.name), wanted)) return &server;
  }
  return nullptr;
}

std::optional<std::filesystem::path> ServerDirectory::databaseFile(const EmbeddedServer& server,
                                                                   std::string_view database) {
  database = trim(database);
  if (database.empty() || database == "." || database == ".." ||
      database.find_first_of("/\\") != std::string_view::npos || database.find('\0') != std::string_view::npos) {
    return std::nullopt;
  }
  const std::string wanted = std::string(database) + ".db";
  std::error_code error;
  const std::filesystem::path exact = server.directory / wanted;
  if (std::filesystem::is_regular_file(exact, error)) return exact;
  std::optional<std::filesystem::path> found;
  for (const auto& entry : std::filesystem::directory_iterator(server.directory, error)) {
    const std::string name = entry.path().filename().string();
    if (sameNoCase(name, wanted) && entry.is_regular_file(error)) {
      found = entry.path();
      break;
    }
  }
  return found;
}

}  // namespace velmora
