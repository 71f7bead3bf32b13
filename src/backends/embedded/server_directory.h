// The embedded servers: which names exist and where their database files are.
// Names and file names are matched without regard to letter case.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

struct EmbeddedServer {
  std::string name;
  std::filesystem::path directory;
};

class ServerDirectory {
 public:
  explicit ServerDirectory(std::vector<EmbeddedServer> servers) : servers_(std::move(servers)) {}

  // The server named `name` (a data source's ",port" suffix and surrounding
  // blanks ignored), or nullptr.
  const EmbeddedServer* find(std::string_view name) const;

  // The file of database `database` on `server`: DIRECTORY/<database>.db, the
  // file name matched without regard to case (an exact match preferred).
  // nullopt when there is no such file or the name is not a plain name.
  static std::optional<std::filesystem::path> databaseFile(const EmbeddedServer& server,
                                                           std::string_view database);

  const std::vector<EmbeddedServer>& servers() const { return servers_; }

 private:
  std::vector<EmbeddedServer> servers_;
};

// `dataSource` without its ",port" suffix and surrounding blanks.
std::string_view serverNameOf(std::string_view dataSource);

}  // namespace velmora
