// Whole ticks of the agent with the head office reached over the SQL Server
// backend's ODBC code: the branch stays an embedded server (its statements
// read the head office through linked-server names, which the embedded
// backend serves by attaching the head office's files), while every central
// session runs through the SQLite ODBC driver. Rows move in all three
// families; uploads are staged through the ODBC cursor's batched inserts and
// downloads are flagged by statements sent over ODBC.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "backends/embedded/embedded_connector.h"
#include "sample_company.h"
#include "shell/backend_router.h"
#include "sqlserver/odbc_tick_support.h"
#include "support/agent_run.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using sample::countRows;
using sample::kSampleTables;
using sample::SampleTable;
using sample::SiteDatabase;
using testing::AgentRun;
using testing::CentralLog;
using testing::CopyLoop;
using testing::TempFolder;

constexpr const char* kBranchServer = "BRANCH";
constexpr const char* kHeadOffice = "HO1";
constexpr std::int16_t kBranchNo = 7;
// Small, so that one copy loop spans several executions.
constexpr std::size_t kBatchRows = 4;
// Extra pending rows for two tables, so that their copy loops exceed a batch.
constexpr int kExtraPending = 7;

// Undelivered to branch kBranchNo: BR<n> not 'Y', and, where a column addresses
// rows to a branch, addressed to it.
std::string undeliveredCondition(const SampleTable& table) {
  const std::string n = std::to_string(kBranchNo);
  std::string condition = "ifnull(BR" + n + ",'')<>'Y'";
  if (!table.branchColumn.empty()) {
    condition += " AND ifnull(" + std::string(table.branchColumn) + ",0)=" + n;
  }
  return condition;
}

constexpr const char* kPendingCondition = "ifnull(Transfered,'')<>'Y'";

// The test company in `home`: branch 7 and head office HO1 with sample rows
// in every table, and more pending rows in two of them.
sample::CompanyLayout layOutTestCompany(const fs::path& home) {
  sample::CompanyLayout layout = testing::defaultLayout(home, kBranchNo, true);
  layout.companyPrefix = "ZEMRA";  // every upload runs for this company
  sample::layOutCompany(layout);
  sample::addPendingRows(layout, "CUSTOMER", kExtraPending);
  sample::addPendingRows(layout, "INDENT", kExtraPending);
  return layout;
}

// Every business table of the four databases of `layout`, each value quoted
// as SQLite quotes it (so that 4, '4' and NULL differ), in row order. The
// transfer stamps' date and time are left out: they are the clock's.
std::map<std::string, std::vector<sample::TextRow>> businessRows(const sample::CompanyLayout& layout) {
  std::map<std::string, std::vector<sample::TextRow>> all;
  const std::pair<const char*, fs::path> sites[] = {
      {"branch", sample::branchDatabase(layout, SiteDatabase::kMain)},
      {"branch", sample::branchDatabase(layout, SiteDatabase::kYear)},
      {kHeadOffice, sample::headOfficeDatabase(layout, kHeadOffice, SiteDatabase::kMain)},
      {kHeadOffice, sample::headOfficeDatabase(layout, kHeadOffice, SiteDatabase::kYear)},
  };
  for (const auto& [site, file] : sites) {
    sample::SqliteFile db(file, sample::SqliteFile::Mode::kExisting);
    for (const SampleTable& table : kSampleTables) {
      std::string select;
      for (const sample::ColumnInfo& column : db.columns(table.name)) {
        if (equalsIgnoreCase(column.name, "TransferedDate") || equalsIgnoreCase(column.name, "TransferedTime")) {
          continue;
        }
        select += (select.empty() ? "quote(\"" : ", quote(\"") + column.name + "\")";
      }
      if (select.empty()) continue;  // not in this database
      all[std::string(site) + " " + std::string(table.name)] =
          db.query("SELECT " + select + " FROM \"" + std::string(table.name) + "\" ORDER BY Rno");
    }
  }
  return all;
}

class OdbcFullTick : public ::testing::Test {
 protected:
  void SetUp() override {
    layout_ = layOutTestCompany(temp_.path());

    // The branch's statements read the head office by linked-server names,
    // so the embedded connector lists it too; only BRANCH is routed to it.
    std::vector<EmbeddedServer> embeddedServers;
    std::map<std::string, fs::path> headOfficeFolders;
    for (const auto& [name, directory] : testing::readServersFile(layout_.home)) {
      embeddedServers.push_back({name, directory});
      if (!equalsIgnoreCase(name, kBranchServer)) headOfficeFolders[name] = directory;
    }
    ASSERT_EQ(headOfficeFolders.count(kHeadOffice), 1u);
    auto embedded = std::make_shared<EmbeddedConnector>(std::move(embeddedServers));
    log_ = std::make_shared<CentralLog>();
    auto odbc = std::make_shared<testing::CountingConnector>(
        std::make_shared<OdbcConnector>(testing::headOfficeOdbcOptions(headOfficeFolders, kBatchRows)),
        log_);
    router_ = std::make_shared<shell::BackendRouter>(
        embedded, [](const std::string& dataSource) { return equalsIgnoreCase(dataSource, kBranchServer); },
        odbc);
  }

  fs::path branchFile(SiteDatabase database) const { return sample::branchDatabase(layout_, database); }
  fs::path headOfficeFile(SiteDatabase database) const {
    return sample::headOfficeDatabase(layout_, kHeadOffice, database);
  }

  // Runs start-up with the router as the agent's connector.
  std::unique_ptr<AgentRun> startAgent() {
    auto router = router_;
    return std::make_unique<AgentRun>(layout_.home, "0012",
                                      [router](std::shared_ptr<Connector>) { return router; });
  }

  // "Module: MESSAGE" of every error row at the branch and the head office.
  std::vector<std::string> errorRows() const {
    std::vector<std::string> rows;
    for (const fs::path& file : {branchFile(SiteDatabase::kMain), headOfficeFile(SiteDatabase::kMain)}) {
      for (const auto& row : sample::querySql(file, "SELECT Module, MESSAGE FROM ERRTABLE")) {
        rows.push_back(row[0] + ": " + row[1]);
      }
    }
    return rows;
  }

  TempFolder temp_;
  sample::CompanyLayout layout_;
  std::shared_ptr<CentralLog> log_;
  std::shared_ptr<Connector> router_;
};

// The rows a step reported moving, by "table direction".
std::map<std::string, long long> movedByStep(const std::vector<std::string>& moved) {
  std::map<std::string, long long> result;
  for (const std::string& entry : moved) {
    const auto last = entry.rfind(' ');
    result[entry.substr(0, last)] += std::stoll(entry.substr(last + 1));
  }
  return result;
}

TEST_F(OdbcFullTick, MovesEveryFamilyThroughTheOdbcBackendWithoutErrorRows) {
  // What is waiting before the tick.
  std::map<std::string, long long> pendingUploads;
  std::map<std::string, long long> headOfficeRows;
  std::map<std::string, long long> undeliveredDownloads;
  for (const SampleTable& table : kSampleTables) {
    const std::string name(table.name);
    if (table.uploaded) {
      pendingUploads[name] = countRows(branchFile(table.database), name, kPendingCondition);
      headOfficeRows[name] = countRows(headOfficeFile(table.database), name);
    }
    if (table.downloaded) {
      undeliveredDownloads[name] = countRows(headOfficeFile(table.database), name, undeliveredCondition(table));
    }
  }

  auto agent = startAgent();
  agent->tick();

  const std::vector<std::string> errors = errorRows();
  EXPECT_TRUE(errors.empty()) << ::testing::PrintToString(errors);
  EXPECT_TRUE(agent->view.unlogged.empty()) << ::testing::PrintToString(agent->view.unlogged);
  EXPECT_EQ(agent->view.statuses.back(), "RELAX.............................");

  // The central sessions were the ODBC ones: main and year of the head office.
  EXPECT_NE(std::find(log_->connections.begin(), log_->connections.end(), "HOAMAIN"), log_->connections.end());
  EXPECT_NE(std::find(log_->connections.begin(), log_->connections.end(), "HOA1920"), log_->connections.end());

  // Every family moved every waiting row, as each step reported it.
  const auto moved = movedByStep(agent->view.moved);
  long long uploaded = 0;
  for (const auto& [table, pending] : pendingUploads) {
    const SampleTable& entry = *sample::findSampleTable(table);
    EXPECT_GT(pending, 0) << table;
    EXPECT_EQ(countRows(branchFile(entry.database), table, kPendingCondition), 0) << table;
    // The step names the Operator upload in its own spelling.
    const std::string step = (table == "OPERATOR" ? std::string("Operator") : table) + " upload";
    ASSERT_EQ(moved.count(step), 1u) << step;
    EXPECT_EQ(moved.at(step), pending) << step;
    uploaded += pending;
  }
  long long masterRows = 0;
  long long stagedRows = 0;
  for (const auto& [table, undelivered] : undeliveredDownloads) {
    const SampleTable& entry = *sample::findSampleTable(table);
    EXPECT_GT(undelivered, 0) << table;
    EXPECT_EQ(countRows(headOfficeFile(entry.database), table, undeliveredCondition(entry)), 0) << table;
    const std::string step = table + " download";
    ASSERT_EQ(moved.count(step), 1u) << step;
    EXPECT_EQ(moved.at(step), undelivered) << step;
    (entry.database == SiteDatabase::kMain ? masterRows : stagedRows) += undelivered;
  }
  EXPECT_GT(uploaded, 0);
  EXPECT_GT(masterRows, 0);
  EXPECT_GT(stagedRows, 0);

  // The uploaded rows arrived at the head office: their keys were new there,
  // so nothing was replaced.
  for (const auto& [table, pending] : pendingUploads) {
    const SampleTable& entry = *sample::findSampleTable(table);
    EXPECT_EQ(countRows(headOfficeFile(entry.database), table), headOfficeRows[table] + pending) << table;
  }

  // A second tick finds nothing waiting and writes no error row.
  agent->view.moved.clear();
  agent->tick();
  for (const auto& [step, rows] : movedByStep(agent->view.moved)) EXPECT_EQ(rows, 0) << step;
  EXPECT_TRUE(errorRows().empty()) << ::testing::PrintToString(errorRows());
}

TEST_F(OdbcFullTick, StagedRowsReachTheHeadOfficeInBatchedExecutions) {
  auto agent = startAgent();
  agent->tick();
  EXPECT_TRUE(errorRows().empty()) << ::testing::PrintToString(errorRows());

  // One copy loop per upload step, each through the staging table.
  std::size_t uploadTables = 0;
  for (const SampleTable& table : kSampleTables) uploadTables += table.uploaded ? 1 : 0;
  ASSERT_EQ(log_->copyLoops.size(), uploadTables);

  std::size_t longest = 0;
  for (const CopyLoop& loop : log_->copyLoops) {
    EXPECT_EQ(loop.statement, "Select * from CentralizedData0012 ");
    EXPECT_GT(loop.rowsAdded, 0u) << loop.statement;
    // ceil(rows / batch): a row-by-row save would take one execution a row.
    EXPECT_EQ(loop.executions, (loop.rowsAdded + kBatchRows - 1) / kBatchRows)
        << loop.rowsAdded << " rows";
    longest = std::max(longest, loop.rowsAdded);
  }
  // The extra rows made at least one loop span several batches.
  EXPECT_GT(longest, 2 * kBatchRows);
}

TEST_F(OdbcFullTick, LeavesTheSameRowsAsAnEmbeddedHeadOffice) {
  // The same company with every server embedded, as the other tick tests run it.
  TempFolder embeddedHome;
  const sample::CompanyLayout embeddedLayout = layOutTestCompany(embeddedHome.path());
  AgentRun embeddedAgent(embeddedLayout.home, "0012");
  embeddedAgent.ticks(2);

  auto agent = startAgent();
  agent->ticks(2);
  EXPECT_TRUE(errorRows().empty()) << ::testing::PrintToString(errorRows());

  const auto expected = businessRows(embeddedLayout);
  const auto actual = businessRows(layout_);
  ASSERT_EQ(actual.size(), expected.size());
  for (const auto& [table, rows] : expected) {
    ASSERT_EQ(actual.count(table), 1u) << table;
    const auto& odbcRows = actual.at(table);
    ASSERT_EQ(odbcRows.size(), rows.size()) << table;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(odbcRows[i], rows[i]) << table << " row " << i;
      if (odbcRows[i] != rows[i]) break;  // one row per table tells enough
    }
  }
}

}  // namespace
}  // namespace velmora
