// The access layer's behaviour suite, run against every backend: the
// behaviours the transfer steps rely on, checked through the front classes
// Connection and Recordset only.
//
// A backend takes part by instantiating the suite with a factory:
//
//   INSTANTIATE_TEST_SUITE_P(MyBackend, AccessLayerBehaviourTest,
//                            ::testing::Values(BehaviourBackend{"MyBackend", makeTarget}),
//                            behaviourBackendName);
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "transfer/db_access.h"

namespace velmora::behaviour {

// The table every target's fresh database holds, empty.
inline constexpr const char* kBehaviourTableSql =
    "CREATE TABLE T (Rno INTEGER PRIMARY KEY AUTOINCREMENT, Code INTEGER, Name VARCHAR(40) COLLATE NOCASE, "
    "Active VARCHAR(1) COLLATE NOCASE, Amount NUMERIC(18,2), Updated DATETIME)";

struct BehaviourTarget {
  std::shared_ptr<Connector> connector;
  // Opens a fresh database that holds table T (kBehaviourTableSql), empty.
  std::string connectionString;
  // The Initial Catalog of connectionString, as the connection reports it.
  std::string databaseName;
  // A reachable server, but a database that does not exist there.
  std::string missingDatabaseConnectionString;
  // A server that does not exist.
  std::string unknownServerConnectionString;
  // Whatever must live as long as the target (temporary folders, ...).
  std::shared_ptr<void> keepAlive;
};

struct BehaviourBackend {
  std::string name;
  std::function<BehaviourTarget()> make;
};

// Test names: the backend's name.
std::string behaviourBackendName(const ::testing::TestParamInfo<BehaviourBackend>& info);

class AccessLayerBehaviourTest : public ::testing::TestWithParam<BehaviourBackend> {
 protected:
  void SetUp() override;

  // A connection opened on the target's fresh database.
  Connection& connection() { return *connection_; }
  // Inserts a row of T with SQL text.
  void insertRow(int code, const std::string& name, const std::string& active);
  // The number of rows of T, read through a fresh recordset.
  long long countRows(const std::string& where = "");

  BehaviourTarget target_;
  std::unique_ptr<Connection> connection_;
};

}  // namespace velmora::behaviour
