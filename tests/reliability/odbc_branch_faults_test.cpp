// Faults of a branch reached over ODBC, as a branch's SQL Server is: every
// connection of the agent goes through the ODBC backend (the SQLite ODBC
// driver behind it). A decorator of the connector plays what SQL Server
// allows and the embedded backend's file locks would hide: a row changed by
// another client between the upload's read and its stamp, a rollback that
// fails on a broken link, a branch server that goes away and comes back.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "sample_company.h"
#include "sample_sql.h"
#include "support/agent_harness.h"
#include "support/agent_run.h"
#include "support/odbc_both_ends.h"
#include "transfer/connection_string.h"

namespace velmora::testing {
namespace {

using sample::countRows;
using sample::execSql;
using sample::SiteDatabase;

const Failure kLinkDown(failure_number::kLinkFailure, "[08S01] Communication link failure");

// What the decorated sessions do besides passing operations on.
struct Faults {
  // Runs on a session right after it opened a recordset on `sql`.
  std::function<void(Session& inner, const std::string& database, const std::string& sql)> afterOpen;
  // Databases whose next rollback fails as a lost link, without rolling back.
  std::set<std::string> failNextRollback;
  // While set, sessions of `branchDatabases` opened before are dead and new
  // ones cannot connect: the branch server is away.
  bool branchDown = false;
  std::set<std::string> branchDatabases;
};

class FaultSession : public Session {
 public:
  FaultSession(std::unique_ptr<Session> inner, std::string database, std::shared_ptr<Faults> faults)
      : inner_(std::move(inner)), database_(std::move(database)), faults_(std::move(faults)) {}

  void setCommandTimeout(int seconds) override { inner_->setCommandTimeout(seconds); }
  void execute(const std::string& sql) override {
    checkAlive();
    inner_->execute(sql);
  }
  void beginTransaction() override {
    checkAlive();
    inner_->beginTransaction();
  }
  void flushPendingWrites() override {
    checkAlive();
    inner_->flushPendingWrites();
  }
  void commit() override {
    checkAlive();
    inner_->commit();
  }
  void rollback() override {
    checkAlive();
    if (faults_->failNextRollback.erase(database_) > 0) throw kLinkDown;
    inner_->rollback();
  }
  std::string currentDatabase() override {
    checkAlive();
    return inner_->currentDatabase();
  }
  std::unique_ptr<Cursor> openCursor(const std::string& sql, CursorType type, LockType lock,
                                     CursorLocation location) override {
    checkAlive();
    std::unique_ptr<Cursor> cursor = inner_->openCursor(sql, type, lock, location);
    if (faults_->afterOpen) faults_->afterOpen(*inner_, database_, sql);
    return cursor;
  }

  // A session of the branch dies with its server and stays dead.
  void checkAlive() {
    if (faults_->branchDown && faults_->branchDatabases.contains(database_)) dead_ = true;
    if (dead_) throw kLinkDown;
  }

 private:
  std::unique_ptr<Session> inner_;
  std::string database_;
  std::shared_ptr<Faults> faults_;
  bool dead_ = false;
};

class FaultConnector : public Connector {
 public:
  FaultConnector(std::shared_ptr<Connector> inner, std::shared_ptr<Faults> faults)
      : inner_(std::move(inner)), faults_(std::move(faults)) {}
  std::unique_ptr<Session> connect(const std::string& connectionString, int timeoutSeconds) override {
    const std::string database = parseConnectionString(connectionString).database;
    if (faults_->branchDown && faults_->branchDatabases.contains(database)) throw kLinkDown;
    return std::make_unique<FaultSession>(inner_->connect(connectionString, timeoutSeconds), database,
                                          faults_);
  }

 private:
  std::shared_ptr<Connector> inner_;
  std::shared_ptr<Faults> faults_;
};

class OdbcBranchFaults : public ::testing::Test {
 protected:
  OdbcBranchFaults() : layout_(defaultLayout(folder_.path(), 7, false)) {
    layout_.companyPrefix = "ZEMRA";  // lets OPERATORLog run
    sample::layOutCompany(layout_);
    faults_->branchDatabases = {mainDatabase(), yearDatabase()};
  }

  std::string mainDatabase() const { return sample::mainDatabaseName(layout_.companyPrefix); }
  std::string yearDatabase() const { return sample::yearDatabaseName(layout_, layout_.companyPrefix); }

  void startAgent() {
    auto faults = faults_;
    const std::filesystem::path home = layout_.home;
    agent_ = std::make_unique<AgentRun>(layout_.home, "0012", [faults, home](std::shared_ptr<Connector>) {
      return std::make_shared<FaultConnector>(makeOdbcBothEndsConnector(home), faults);
    });
  }

  std::filesystem::path branch(SiteDatabase database) const { return sample::branchDatabase(layout_, database); }
  std::filesystem::path headOffice(SiteDatabase database) const {
    return sample::headOfficeDatabase(layout_, "HO1", database);
  }

  // "Module" of every error row of the branch.
  std::vector<std::string> errorModules() const {
    std::vector<std::string> modules;
    for (const auto& row : sample::querySql(branch(SiteDatabase::kMain), "SELECT Module FROM ERRTABLE"))
      modules.push_back(row[0]);
    return modules;
  }

  TempFolder folder_;
  sample::CompanyLayout layout_;
  std::shared_ptr<Faults> faults_ = std::make_shared<Faults>();
  std::unique_ptr<AgentRun> agent_;
};

constexpr const char* kPending = "ifnull(Transfered,'')<>'Y'";

// A stamp the branch refuses (a trigger, as a lock timeout or a deadlock
// would) fails the upload before anything commits.
TEST_F(OdbcBranchFaults, ARefusedStampSendsNothingAndTheRowsGoUpOnceLater) {
  sample::addPendingRows(layout_, "OPERATORLog", 3);
  execSql(branch(SiteDatabase::kMain),
          "CREATE TRIGGER refuse_stamp BEFORE UPDATE OF Transfered ON OPERATORLog "
          "BEGIN SELECT RAISE(ABORT, 'stamp refused'); END");
  startAgent();
  agent_->tick();

  EXPECT_EQ(countRows(headOffice(SiteDatabase::kMain), "OPERATORLog"), 0);
  EXPECT_EQ(countRows(branch(SiteDatabase::kMain), "OPERATORLog", kPending), 3);
  EXPECT_EQ(errorModules(), std::vector<std::string>{"OPERATORLOGDOWNLOAD"});

  execSql(branch(SiteDatabase::kMain), "DROP TRIGGER refuse_stamp");
  agent_->ticks(2);
  EXPECT_EQ(countRows(headOffice(SiteDatabase::kMain), "OPERATORLog"), 3);
  EXPECT_EQ(countRows(branch(SiteDatabase::kMain), "OPERATORLog", kPending), 0);
  EXPECT_EQ(errorModules().size(), 1u);
}

// The business application edits a pending row after the upload read it and
// before the stamp: the row stays pending and its edit goes up next tick.
TEST_F(OdbcBranchFaults, ARowEditedBetweenReadAndStampGoesUpAgain) {
  sample::addPendingRows(layout_, "INDENT", 2);
  const std::string source = "Select * From INDENT Where isnull(Transfered,'')<>'Y' ";
  bool edited = false;
  faults_->afterOpen = [&](Session& inner, const std::string&, const std::string& sql) {
    if (edited || sql != source) return;
    edited = true;
    inner.execute("UPDATE INDENT SET Remarks='edited' WHERE Rno=(SELECT MIN(Rno) FROM INDENT)");
  };
  startAgent();
  agent_->tick();
  ASSERT_TRUE(edited);
  EXPECT_EQ(countRows(branch(SiteDatabase::kYear), "INDENT", kPending), 1);
  EXPECT_EQ(countRows(headOffice(SiteDatabase::kYear), "INDENT"), 2);

  agent_->tick();
  EXPECT_EQ(countRows(branch(SiteDatabase::kYear), "INDENT", kPending), 0);
  EXPECT_EQ(countRows(headOffice(SiteDatabase::kYear), "INDENT"), 2);
  EXPECT_EQ(countRows(headOffice(SiteDatabase::kYear), "INDENT", "Remarks='edited'"), 1);
  EXPECT_TRUE(errorModules().empty());
}

// Tries to take the year pair's lock at a database, waiting briefly.
int tryLock(const std::filesystem::path& file) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.string().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  sqlite3_busy_timeout(db, 200);
  const int rc = sqlite3_exec(db, "UPDATE BControl SET Lok=Lok", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return rc;
}

// The upload fails at the head office and the branch's rollback then fails
// on a broken link: the head office's transaction is rolled back all the
// same, and the tick after it reopens the branch and sends the row.
TEST_F(OdbcBranchFaults, AFailingBranchRollbackStillReleasesTheHeadOfficeLock) {
  sample::addPendingRows(layout_, "INDENT", 1);
  execSql(headOffice(SiteDatabase::kYear),
          "CREATE TRIGGER refuse_insert BEFORE INSERT ON INDENT BEGIN SELECT RAISE(ABORT, 'refused'); END");
  faults_->failNextRollback = {yearDatabase()};
  startAgent();
  agent_->tick();
  EXPECT_TRUE(faults_->failNextRollback.empty());
  EXPECT_EQ(tryLock(headOffice(SiteDatabase::kYear)), SQLITE_OK);

  execSql(headOffice(SiteDatabase::kYear), "DROP TRIGGER refuse_insert");
  agent_->tick();
  EXPECT_EQ(countRows(headOffice(SiteDatabase::kYear), "INDENT"), 1);
  EXPECT_EQ(countRows(branch(SiteDatabase::kYear), "INDENT", kPending), 0);
}

// The branch server restarts: while it is away each tick reports one
// failure; the first tick after it is back moves rows again.
TEST_F(OdbcBranchFaults, TheTickAfterTheBranchServerReturnsMovesRows) {
  startAgent();
  agent_->tick();
  sample::addPendingRows(layout_, "INDENT", 2);
  faults_->branchDown = true;

  agent_->tick();  // the links break under this tick
  for (int tick = 0; tick < 3; ++tick) {
    const std::size_t before = agent_->view.unlogged.size();
    agent_->tick();
    EXPECT_EQ(agent_->view.unlogged.size(), before + 1) << "tick " << tick;
  }
  EXPECT_EQ(countRows(headOffice(SiteDatabase::kYear), "INDENT"), 0);

  faults_->branchDown = false;
  agent_->tick();
  EXPECT_EQ(countRows(headOffice(SiteDatabase::kYear), "INDENT"), 2);
  EXPECT_EQ(countRows(branch(SiteDatabase::kYear), "INDENT", kPending), 0);
}

}  // namespace
}  // namespace velmora::testing
