// The status report with the head office reached over the SQL Server
// backend's ODBC code (the SQLite ODBC driver in front of its files): the
// counts equal those of an embedded head office, and every statement the
// report sends there is a count.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "backends/embedded/embedded_connector.h"
#include "sample_company.h"
#include "shell/backend_router.h"
#include "shell/status_report.h"
#include "sqlserver/odbc_tick_support.h"
#include "support/agent_run.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using testing::AgentRun;
using testing::CentralLog;
using testing::TempFolder;

constexpr const char* kBranchServer = "BRANCH";

TEST(OdbcStatus, CountsTheSameOverOdbcAndWritesNothingThere) {
  TempFolder temp;
  sample::CompanyLayout layout = testing::defaultLayout(temp.path(), 7, true);
  sample::layOutCompany(layout);
  // Rows for another branch, which a member with a filter column leaves out.
  sample::addUndeliveredRows(layout, "HO1", "JOBWORK", 3, false);
  sample::addUndeliveredRows(layout, "HO1", "JOBWORK", 2, true);
  sample::addPendingRows(layout, "INVENTORYTRANS", 5);

  std::vector<EmbeddedServer> embeddedServers;
  std::map<std::string, fs::path> headOfficeFolders;
  for (const auto& [name, directory] : testing::readServersFile(layout.home)) {
    embeddedServers.push_back({name, directory});
    if (!equalsIgnoreCase(name, kBranchServer)) headOfficeFolders[name] = directory;
  }
  auto log = std::make_shared<CentralLog>();
  auto odbc = std::make_shared<testing::CountingConnector>(
      std::make_shared<OdbcConnector>(testing::headOfficeOdbcOptions(headOfficeFolders, 4)), log);
  std::shared_ptr<Connector> router = std::make_shared<shell::BackendRouter>(
      std::make_shared<EmbeddedConnector>(std::move(embeddedServers)),
      [](const std::string& dataSource) { return equalsIgnoreCase(dataSource, kBranchServer); },
      odbc);

  AgentRun overOdbc(layout.home, "0012", [router](std::shared_ptr<Connector>) { return router; });
  const shell::StatusReport odbcReport = shell::collectStatusReport(overOdbc.context());
  AgentRun embedded(layout.home, "0012");
  const shell::StatusReport embeddedReport = shell::collectStatusReport(embedded.context());

  ASSERT_EQ(odbcReport.headOffices.size(), 1u);
  const auto& office = odbcReport.headOffices[0];
  ASSERT_TRUE(office.undelivered.has_value()) << office.failure.value_or("");
  ASSERT_TRUE(embeddedReport.headOffices[0].undelivered.has_value());
  const auto& expected = *embeddedReport.headOffices[0].undelivered;
  ASSERT_EQ(office.undelivered->size(), expected.size());
  long long master = 0, staged = 0;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ((*office.undelivered)[i].table, expected[i].table);
    EXPECT_EQ((*office.undelivered)[i].rows, expected[i].rows) << expected[i].table;
    (i < masterMembers().size() ? master : staged) += expected[i].rows;
  }
  EXPECT_GT(master, 0);
  EXPECT_GT(staged, 0);
  // Sample rows addressed elsewhere plus the three added: the filter column counts.
  const long long jobwork = sample::countRows(
      sample::headOfficeDatabase(layout, "HO1", sample::SiteDatabase::kYear), "JOBWORK",
      "ifnull(BR7,'')<>'Y' AND ifnull(JobCardBranch,0)=7");
  EXPECT_EQ(jobwork, (*office.undelivered)[masterMembers().size() + 1].rows);

  // Both central databases were opened over ODBC and asked only for counts.
  EXPECT_EQ(log->connections, (std::vector<std::string>{"HOAMAIN", "HOA1920"}));
  ASSERT_EQ(log->statements.size(), expected.size());
  for (const std::string& statement : log->statements) {
    EXPECT_TRUE(statement.starts_with("Select count(*) From ")) << statement;
  }
}

}  // namespace
}  // namespace velmora
