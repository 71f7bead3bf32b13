// The access layer's behaviour suite on the embedded backend.
#include <memory>

#include "backends/embedded/embedded_connector.h"
#include "support/behaviour_suite.h"
#include "support/embedded_test_servers.h"

namespace velmora::behaviour {
namespace {

BehaviourTarget embeddedTarget() {
  auto folder = std::make_shared<embedded_testing::ScratchFolder>();
  embedded_testing::createDatabase(folder->path() / "srv" / "BEHAVIOUR.db", kBehaviourTableSql);
  BehaviourTarget target;
  target.connector = std::make_shared<EmbeddedConnector>(std::vector<EmbeddedServer>{{"LOCALSRV", folder->path() / "srv"}});
  target.connectionString =
      "Provider=SQLOLEDB.1;password=secret;Persist Security Info=true;User ID=sa;Initial Catalog=Behaviour;"
      "Data Source=localsrv";
  target.databaseName = "Behaviour";
  target.missingDatabaseConnectionString =
      "Provider=SQLOLEDB.1;UID=sa;pwd=x;Persist Security Info=False;Initial Catalog=NOSUCHDB;Data Source=LOCALSRV";
  target.unknownServerConnectionString =
      "Provider=SQLOLEDB.1;UID=sa;pwd=x;Persist Security Info=False;Initial Catalog=Behaviour;Data "
      "Source=192.0.2.1,0";
  target.keepAlive = folder;
  return target;
}

INSTANTIATE_TEST_SUITE_P(Embedded, AccessLayerBehaviourTest,
                         ::testing::Values(BehaviourBackend{"Embedded", embeddedTarget}), behaviourBackendName);

}  // namespace
}  // namespace velmora::behaviour
