// The access layer's behaviour suite on the SQL Server backend's ODBC code,
// run for real through the SQLite ODBC driver.
#include <memory>

#include "sqlserver/sqlite_odbc_support.h"
#include "support/behaviour_suite.h"

namespace velmora::behaviour {
namespace {

BehaviourTarget odbcTarget() {
  auto folder = std::make_shared<testing::TemporaryFolder>();
  testing::createSqliteDatabase(folder->path(), "Behaviour", kBehaviourTableSql);
  BehaviourTarget target;
  target.connector = std::make_shared<OdbcConnector>(testing::sqliteOdbcOptions(folder->path()));
  target.connectionString = std::string(
      "Provider=SQLOLEDB.1;password=secret;Persist Security Info=true;User ID=sa;"
      "Initial Catalog=Behaviour;Data Source=") + testing::kSqliteServer;
  target.databaseName = "Behaviour";
  target.missingDatabaseConnectionString =
      std::string("Provider=SQLOLEDB.1;UID=sa;pwd=x;Persist Security Info=False;Initial Catalog=NOSUCHDB;"
                  "Data Source=") + testing::kSqliteServer;
  target.unknownServerConnectionString =
      "Provider=SQLOLEDB.1;UID=sa;pwd=x;Persist Security Info=False;Initial Catalog=Behaviour;"
      "Data Source=192.0.2.1,0";
  target.keepAlive = folder;
  return target;
}

INSTANTIATE_TEST_SUITE_P(OdbcSqlite, AccessLayerBehaviourTest,
                         ::testing::Values(BehaviourBackend{"OdbcSqlite", odbcTarget}),
                         behaviourBackendName);

}  // namespace
}  // namespace velmora::behaviour
