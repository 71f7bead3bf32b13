// A row that becomes undelivered at the head office while a master download
// runs must not be flagged delivered without having been copied.
#include <sqlite3.h>

#include <functional>

#include <gtest/gtest.h>

#include "master_download/master_download.h"
#include "support/agent_harness.h"

namespace velmora {
namespace {

using sample::countRows;
using sample::execSql;

// Runs a callback before each statement executed on its sessions.
class BeforeExecuteConnector : public Connector {
 public:
  BeforeExecuteConnector(std::shared_ptr<Connector> inner,
                         std::function<void(const std::string&)> before)
      : inner_(std::move(inner)), before_(std::move(before)) {}

  std::unique_ptr<Session> connect(const std::string& text, int timeout) override {
    class Hooked : public Session {
     public:
      Hooked(std::unique_ptr<Session> s, std::function<void(const std::string&)>& b)
          : s_(std::move(s)), b_(b) {}
      void setCommandTimeout(int t) override { s_->setCommandTimeout(t); }
      void execute(const std::string& sql) override {
        b_(sql);
        s_->execute(sql);
      }
      void beginTransaction() override { s_->beginTransaction(); }
      void flushPendingWrites() override { s_->flushPendingWrites(); }
      void commit() override { s_->commit(); }
      void rollback() override { s_->rollback(); }
      std::string currentDatabase() override { return s_->currentDatabase(); }
      std::unique_ptr<Cursor> openCursor(const std::string& sql, CursorType t, LockType l,
                                         CursorLocation c) override {
        return s_->openCursor(sql, t, l, c);
      }

     private:
      std::unique_ptr<Session> s_;
      std::function<void(const std::string&)>& b_;
    };
    return std::make_unique<Hooked>(inner_->connect(text, timeout), before_);
  }

 private:
  std::shared_ptr<Connector> inner_;
  std::function<void(const std::string&)> before_;
};

// Tries to insert a row through a connection of its own, waiting at most
// briefly for locks. Returns the SQLite result code.
int tryInsert(const std::filesystem::path& file, const char* sql) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.string().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  sqlite3_busy_timeout(db, 200);
  int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return rc;
}

TEST(MasterDownloadHold, RowInsertedAtTheHeadOfficeDuringTheStepStaysUndelivered) {
  testing::TempFolder temp;
  testing::AgentHarness harness(testing::defaultLayout(temp.path()));
  int attempt = -1;
  AgentContext& context = harness.context();
  context.connector = std::make_shared<BeforeExecuteConnector>(
      context.connector, [&](const std::string& sql) {
        if (sql.rfind("Update BANKMASTER set BR7='Y'", 0) == 0) {
          attempt = tryInsert(harness.headOfficeMain(),
                              "INSERT INTO BANKMASTER (code, de) VALUES (99, '')");
        }
      });
  harness.connectHeadOffice();
  execSql(harness.headOfficeMain(), "INSERT INTO BANKMASTER (code, de) VALUES (1, '')");

  DownloadMaster(context, *findMasterMember("BANKMASTER"));

  // The other writer was held off until the step committed.
  EXPECT_EQ(attempt, SQLITE_BUSY);
  EXPECT_EQ(countRows(harness.branchMain(), "BANKMASTER", "code=1"), 1);
  // Once the step is over the writer gets through, and its row waits for the next run.
  ASSERT_EQ(tryInsert(harness.headOfficeMain(), "INSERT INTO BANKMASTER (code, de) VALUES (99, '')"),
            SQLITE_OK);
  EXPECT_EQ(countRows(harness.headOfficeMain(), "BANKMASTER", "code=99 AND ifnull(BR7,'')<>'Y'"), 1);
  DownloadMaster(context, *findMasterMember("BANKMASTER"));
  EXPECT_EQ(countRows(harness.branchMain(), "BANKMASTER", "code=99"), 1);
}

}  // namespace
}  // namespace velmora
