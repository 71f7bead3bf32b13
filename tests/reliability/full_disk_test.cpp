// A disk that fills up for a while: whatever statement sequence of the
// embedded backend the full disk interrupts, no connection stays inside a
// transaction, and once there is space again the next tick moves the rows.
#include <gtest/gtest.h>

#include "backends/embedded/embedded_connector.h"
#include "support/agent_run.h"
#include "support/embedded_test_servers.h"
#include "support/failing_storage.h"

namespace velmora {
namespace {

using sample::countRows;
using sample::execSql;
using testing::AgentRun;
using testing::FailingStorage;

struct Interruption {
  const char* name;
  // Runs the sequence that the full disk interrupts; it must fail.
  void (*run)(Session& session);
  // What the caller does after such a failure (a step's handler rolls back).
  bool callerRollsBack;
};

TEST(FullDisk, NoSequenceLeavesTheSessionInATransaction) {
  const std::vector<Interruption> cases = {
      {"staging build outside a transaction",
       [](Session& s) { s.execute("Select * into CentralizedData0012 from ITEMS with (nolock) Where 1=1"); },
       false},
      {"staging build inside a transaction",
       [](Session& s) {
         s.beginTransaction();
         s.execute("Select * into CentralizedData0012 from ITEMS with (nolock) Where 1=1");
         s.commit();
       },
       true},
      {"commit",
       [](Session& s) {
         s.beginTransaction();
         s.execute("Insert into ITEMS (Name) values ('new')");
         s.commit();
       },
       true},
      {"plain statement",
       [](Session& s) { s.execute("Insert into ITEMS (Name) values ('new')"); }, false},
  };
  for (const Interruption& c : cases) {
    SCOPED_TRACE(c.name);
    FailingStorage storage;
    embedded_testing::ScratchFolder folder;
    const auto file = folder.path() / "br" / "ABC2627.db";
    embedded_testing::createDatabase(
        file, "CREATE TABLE ITEMS (Rno INTEGER PRIMARY KEY AUTOINCREMENT, Name VARCHAR(20));"
              "INSERT INTO ITEMS (Name) VALUES ('a'), ('b')");
    auto connector = std::make_shared<EmbeddedConnector>(
        std::vector<EmbeddedServer>{{"BR", folder.path() / "br"}});
    auto session = connector->connect(
        "Provider=SQLOLEDB.1;password=x;User ID=sa;Initial Catalog=ABC2627;Data Source=BR", 5);

    storage.failWritesTo("ABC2627.db");
    EXPECT_THROW(c.run(*session), Failure);
    EXPECT_GT(storage.failedWrites(), 0);
    storage.heal();
    if (c.callerRollsBack) {
      EXPECT_NO_THROW(session->rollback());
    }

    // The session takes a transaction again, and nothing of the failed
    // sequence was kept.
    ASSERT_NO_THROW(session->beginTransaction());
    session->execute("Insert into ITEMS (Name) values ('after')");
    session->commit();
    EXPECT_EQ(embedded_testing::queryText(file, "SELECT group_concat(Name) FROM ITEMS"), "a,b,after");
    EXPECT_EQ(embedded_testing::queryText(
                  file, "SELECT count(*) FROM sqlite_master WHERE name='CentralizedData0012'"),
              "0");
  }
}

// A database file the agent may read but not write is refused when it is
// opened, naming the file, instead of failing every write later.
TEST(ReadOnlyFile, IsRefusedWithItsNameWhenOpened) {
  FailingStorage storage;
  embedded_testing::ScratchFolder folder;
  const auto file = folder.path() / "br" / "ABC2627.db";
  embedded_testing::createDatabase(file, "CREATE TABLE ITEMS (Rno INTEGER PRIMARY KEY)");
  EmbeddedConnector connector(std::vector<EmbeddedServer>{{"BR", folder.path() / "br"}});
  storage.denyWritingTo("ABC2627.db");
  try {
    connector.connect("User ID=sa;Initial Catalog=ABC2627;Data Source=BR", 5);
    FAIL() << "a read-only file was opened";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), failure_number::kLinkFailure);
    EXPECT_NE(failure.description().find(file.filename().string()), std::string::npos)
        << failure.description();
    EXPECT_NE(failure.description().find("read-only"), std::string::npos) << failure.description();
  }
}

// The branch's year file is full while the INDENT upload builds its branch
// snapshot; the tick after the space returns uploads the rows.
TEST(FullDisk, TheTickAfterTheSpaceReturnsMovesTheRows) {
  FailingStorage storage;
  testing::TempFolder temp;
  sample::CompanyLayout layout = testing::defaultLayout(temp.path() / "home", 7, false);
  sample::layOutCompany(layout);
  sample::addPendingRows(layout, "INDENT", 3);
  const auto branchYear = sample::branchDatabase(layout, sample::SiteDatabase::kYear);
  const auto hoYear =
      sample::headOfficeDatabase(layout, layout.headOffices[0].serverName, sample::SiteDatabase::kYear);
  // Numbered already, so that the snapshot is the first write of the step.
  execSql(branchYear, "UPDATE INDENT SET TmpRno=Rno");

  AgentRun agent(layout.home, "0012");
  storage.failWritesTo(branchYear.filename().string());
  agent.tick();
  EXPECT_GT(storage.failedWrites(), 0);
  EXPECT_EQ(countRows(hoYear, "INDENT"), 0);
  storage.heal();

  agent.tick();
  EXPECT_EQ(countRows(hoYear, "INDENT"), 3);
  EXPECT_EQ(countRows(branchYear, "INDENT", "ifnull(Transfered,'')<>'Y'"), 0);
  const auto branchMain = sample::branchDatabase(layout, sample::SiteDatabase::kMain);
  EXPECT_EQ(countRows(branchMain, "ERRTABLE", "MESSAGE LIKE '%within a transaction%'"), 0);
}

}  // namespace
}  // namespace velmora
