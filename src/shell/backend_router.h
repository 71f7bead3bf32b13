// The connector the agent opens every connection with: a connection string
// whose data source is one of the embedded servers of servers.txt goes to
// the embedded backend, every other one to the ODBC backend.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "shell/servers_file.h"
#include "transfer/db_access.h"

namespace velmora::shell {

class BackendRouter : public Connector {
 public:
  // `isEmbedded` tells from a data source (a server name or an address,
  // without its ",port" suffix) whether `embedded` serves it.
  BackendRouter(std::shared_ptr<Connector> embedded, std::function<bool(const std::string&)> isEmbedded,
                std::shared_ptr<Connector> odbc);

  std::unique_ptr<Session> connect(const std::string& connectionString, int timeoutSeconds) override;

 private:
  std::shared_ptr<Connector> embedded_;
  std::function<bool(const std::string&)> isEmbedded_;
  std::shared_ptr<Connector> odbc_;
};

// The agent's connector for a program folder: the embedded servers and ODBC
// options of its servers.txt. Throws Failure (kInvalidSettings) when
// servers.txt cannot be read or holds an invalid line.
std::shared_ptr<Connector> makeAgentConnector(const std::filesystem::path& programFolder);

// The same for servers already read.
std::shared_ptr<Connector> makeAgentConnector(const ServersFile& servers);

}  // namespace velmora::shell
