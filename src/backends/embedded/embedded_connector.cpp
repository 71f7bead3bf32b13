#include "backends/embedded/embedded_connector.h"

#include "backends/embedded/embedded_session.h"
#include "transfer/connection_string.h"

namespace velmora {

EmbeddedConnector::EmbeddedConnector(std::vector<EmbeddedServer> servers)
    : servers_(std::make_shared<const ServerDirectory>(std::move(servers))) {}

bool EmbeddedConnector::serves(std::string_view dataSource) const { return servers_->find(dataSource) != nullptr; }

std::unique_ptr<Session> EmbeddedConnector::connect(const std::string& connectionString, int timeoutSeconds) {
  const ConnectionParams params = parseConnectionString(connectionString);
  const EmbeddedServer* server = servers_->find(params.server);
  if (server == nullptr) {
    throw Failure(failure_number::kLinkFailure,
                  "[DBNETLIB][ConnectionOpen (Connect()).]SQL Server does not exist or access denied.");
  }
  const auto file = ServerDirectory::databaseFile(*server, params.database);
  if (!file) {
    throw Failure(failure_number::kLinkFailure,
                  "Cannot open database \"" + params.database + "\" requested by the login. The login failed.");
  }
  return std::make_unique<EmbeddedSession>(servers_, *file, params.database, timeoutSeconds);
}

}  // namespace velmora
