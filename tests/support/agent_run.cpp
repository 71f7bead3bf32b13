#include "support/agent_run.h"

#include <stdexcept>

#include "shell/backend_router.h"
#include "shell/central_connection.h"
#include "shell/startup.h"
#include "support/odbc_both_ends.h"

namespace velmora::testing {

AgentRun::AgentRun(const std::filesystem::path& home, std::string qvid, ConnectorWrapper wrap) {
  std::shared_ptr<Connector> connector =
      odbcAtBothEnds() ? makeOdbcBothEndsConnector(home) : shell::makeAgentConnector(home);
  if (wrap) connector = wrap(connector);
  context_ = std::make_unique<AgentContext>(connector);
  shell::StartupOptions options;
  options.programFolder = home;
  options.environment = [qvid](std::string_view name) -> std::optional<std::string> {
    if (name == "QVID") return qvid;
    return std::nullopt;
  };
  shell::StartupResult result = shell::runStartup(*context_, options);
  if (!result.ok) throw std::runtime_error("start-up failed: " + result.message);
  cycle_ = std::make_unique<SyncCycle>(*context_, view, shell::connectCentral);
}

}  // namespace velmora::testing
