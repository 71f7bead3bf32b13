// The embedded backend: servers that are folders of SQLite files. Database D
// of a server is the file DIRECTORY/D.db (the name matched without regard to
// case); every listed server is also reachable from every other as a linked
// server of the same name.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "backends/embedded/server_directory.h"
#include "transfer/db_access.h"

namespace velmora {

class EmbeddedConnector : public Connector {
 public:
  explicit EmbeddedConnector(std::vector<EmbeddedServer> servers);

  // True when `dataSource` (a server name, or an address with an optional
  // ",port" suffix that is ignored) names a listed server, without regard to
  // case.
  bool serves(std::string_view dataSource) const;

  // Opens the database that the connection string's Initial Catalog names on
  // the server its Data Source names. Passwords are not checked. Throws
  // Failure (kLinkFailure) for an unknown server or a missing database file;
  // the file is never created.
  std::unique_ptr<Session> connect(const std::string& connectionString, int timeoutSeconds) override;

 private:
  std::shared_ptr<const ServerDirectory> servers_;
};

}  // namespace velmora
