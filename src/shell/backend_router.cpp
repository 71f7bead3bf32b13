#include "shell/backend_router.h"

#include "backends/embedded/embedded_connector.h"
#include "backends/sqlserver/odbc_connector.h"
#include "transfer/connection_string.h"

namespace velmora::shell {

BackendRouter::BackendRouter(std::shared_ptr<Connector> embedded,
                             std::function<bool(const std::string&)> isEmbedded,
                             std::shared_ptr<Connector> odbc)
    : embedded_(std::move(embedded)), isEmbedded_(std::move(isEmbedded)), odbc_(std::move(odbc)) {}

std::unique_ptr<Session> BackendRouter::connect(const std::string& connectionString,
                                                int timeoutSeconds) {
  const std::string dataSource = parseConnectionString(connectionString).server;
  if (embedded_ && isEmbedded_ && isEmbedded_(dataSource)) {
    return embedded_->connect(connectionString, timeoutSeconds);
  }
  return odbc_->connect(connectionString, timeoutSeconds);
}

std::shared_ptr<Connector> makeAgentConnector(const std::filesystem::path& programFolder) {
  return makeAgentConnector(readServersFile(programFolder));
}

std::shared_ptr<Connector> makeAgentConnector(const ServersFile& servers) {
  std::vector<EmbeddedServer> embeddedServers;
  for (const ServerEntry& entry : servers.servers) {
    embeddedServers.push_back({entry.name, entry.directory});
  }
  auto embedded = std::make_shared<EmbeddedConnector>(std::move(embeddedServers));

  OdbcOptions options;
  if (servers.odbcDriver) options.driver = *servers.odbcDriver;
  if (servers.odbcEncrypt) options.encrypt = *servers.odbcEncrypt;
  auto odbc = std::make_shared<OdbcConnector>(std::move(options));

  auto serves = [embedded](const std::string& dataSource) { return embedded->serves(dataSource); };
  return std::make_shared<BackendRouter>(embedded, serves, odbc);
}

}  // namespace velmora::shell
