// What the embedded backend's sessions and cursors do beyond running the
// statements: SQL Server's semantics kept over SQLite files.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "backends/embedded/embedded_connector.h"
#include "support/embedded_test_servers.h"

namespace velmora {
namespace {

using embedded_testing::queryRows;
using embedded_testing::queryText;
using embedded_testing::ScratchFolder;

constexpr const char* kTable =
    "(Rno INTEGER PRIMARY KEY AUTOINCREMENT, Code INTEGER, Name VARCHAR(40) COLLATE NOCASE, "
    "Transfered VARCHAR(1) COLLATE NOCASE, de VARCHAR(1) COLLATE NOCASE, BR7 VARCHAR(1) COLLATE NOCASE, "
    "Amount NUMERIC(18,2), Updated DATETIME)";

template <typename Action>
Failure failureOf(Action&& action) {
  try {
    action();
  } catch (const Failure& failure) {
    return failure;
  }
  ADD_FAILURE() << "no failure was thrown";
  return Failure(0, "");
}

std::string connectionString(const std::string& server, const std::string& database) {
  return "Provider=SQLOLEDB.1;password=x;Persist Security Info=true;User ID=sa;Initial Catalog=" + database +
         ";Data Source=" + server;
}

class EmbeddedSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    embedded_testing::createDatabase(branchFile(), std::string("CREATE TABLE ITEMS ") + kTable +
                                                       ";CREATE TABLE ERRTABLE (Rno INTEGER PRIMARY KEY "
                                                       "AUTOINCREMENT, Module VARCHAR(50), MESSAGE VARCHAR(2000), "
                                                       "UPDATED DATETIME, UPTIME DATETIME)");
    embedded_testing::createDatabase(hoFile(), std::string("CREATE TABLE ITEMS ") + kTable +
                                                   ";CREATE TABLE ONLYHERE (Rno INTEGER PRIMARY KEY, de "
                                                   "VARCHAR(1));INSERT INTO ONLYHERE (de) VALUES ('X')");
    connector_ = std::make_shared<EmbeddedConnector>(std::vector<EmbeddedServer>{
        {"BR", folder_.path() / "branch"}, {"HO]1", folder_.path() / "ho"}});
    branch_ = connector_->connect(connectionString("BR", "ABCMAIN"), 1);
    ho_ = connector_->connect(connectionString("ho]1", "HOAMAIN"), 1);
  }

  std::filesystem::path branchFile() const { return folder_.path() / "branch" / "ABCMAIN.db"; }
  std::filesystem::path hoFile() const { return folder_.path() / "ho" / "HOAMAIN.db"; }

  std::vector<std::string> rows(Session& session, const std::string& sql) {
    auto cursor = session.openCursor(sql, CursorType::kForwardOnly, LockType::kReadOnly, CursorLocation::kServer);
    std::vector<std::string> out;
    for (; !cursor->eof(); cursor->moveNext()) {
      std::string row;
      for (std::size_t c = 0; c < cursor->columnCount(); ++c) {
        row += (c ? "|" : "") + (cursor->get(c).isNull() ? std::string("<null>") : cursor->get(c).toText());
      }
      out.push_back(row);
    }
    return out;
  }

  ScratchFolder folder_;
  std::shared_ptr<EmbeddedConnector> connector_;
  std::unique_ptr<Session> branch_;
  std::unique_ptr<Session> ho_;
};

TEST_F(EmbeddedSessionTest, ServesListedServersWithoutRegardToCaseOrPort) {
  EXPECT_TRUE(connector_->serves("br"));
  EXPECT_TRUE(connector_->serves("Br,1433"));
  EXPECT_TRUE(connector_->serves(" HO]1 "));
  EXPECT_FALSE(connector_->serves("192.168.10.20,0"));
  EXPECT_FALSE(connector_->serves(""));
}

TEST_F(EmbeddedSessionTest, ConnectFailuresAreLinkFailuresAndCreateNothing) {
  const Failure server = failureOf([&] { connector_->connect(connectionString("NOSUCH", "ABCMAIN"), 1); });
  EXPECT_EQ(server.number(), failure_number::kLinkFailure);
  EXPECT_EQ(server.description(), "[DBNETLIB][ConnectionOpen (Connect()).]SQL Server does not exist or access denied.");
  const Failure database = failureOf([&] { connector_->connect(connectionString("BR", "ABC1920"), 1); });
  EXPECT_EQ(database.number(), failure_number::kLinkFailure);
  EXPECT_EQ(database.description(), "Cannot open database \"ABC1920\" requested by the login. The login failed.");
  EXPECT_FALSE(std::filesystem::exists(folder_.path() / "branch" / "ABC1920.db"));

  auto lowerCase = connector_->connect(connectionString("br,0", "abcmain"), 1);
  EXPECT_EQ(lowerCase->currentDatabase(), "abcmain");
}

TEST_F(EmbeddedSessionTest, AVanishedDatabaseFileIsALinkFailure) {
  std::filesystem::remove(hoFile());
  EXPECT_EQ(failureOf([&] { ho_->execute("Delete from ITEMS where de='X' "); }).number(),
            failure_number::kLinkFailure);
}

TEST_F(EmbeddedSessionTest, TransactionEndsWithoutBeginFail) {
  EXPECT_EQ(failureOf([&] { branch_->rollback(); }).description(),
            "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION.");
  EXPECT_EQ(failureOf([&] { branch_->commit(); }).number(), failure_number::kStatementFailed);
}

// A step commits one side and then the other; each commit must be on disk
// when it returns (WAL with synchronous FULL), not at the next checkpoint.
TEST_F(EmbeddedSessionTest, CommitsAreDurableWhenTheyReturn) {
  for (Session* session : {branch_.get(), ho_.get()}) {
    EXPECT_EQ(rows(*session, "PRAGMA journal_mode"), std::vector<std::string>{"wal"});
    EXPECT_EQ(rows(*session, "PRAGMA synchronous"), std::vector<std::string>{"2"});
  }
}

TEST_F(EmbeddedSessionTest, AnOpenTransactionExcludesOtherWritersUntilItEnds) {
  auto other = connector_->connect(connectionString("HO]1", "HOAMAIN"), 1);
  ho_->beginTransaction();
  ho_->execute("INSERT INTO ITEMS (Code) VALUES (1)");
  const Failure busy = failureOf([&] { other->execute("INSERT INTO ITEMS (Code) VALUES (2)"); });
  EXPECT_EQ(busy.number(), failure_number::kTimeout);
  // A reader through the linked server is not blocked and sees committed rows only.
  EXPECT_EQ(rows(*branch_, "Select count(*) From [HO]]1].HOAMAIN.Dbo.ITEMS"), std::vector<std::string>{"0"});
  ho_->commit();
  other->execute("INSERT INTO ITEMS (Code) VALUES (2)");
  EXPECT_EQ(rows(*branch_, "Select count(*) From [HO]]1].HOAMAIN.Dbo.ITEMS"), std::vector<std::string>{"2"});
}

TEST_F(EmbeddedSessionTest, PendingMeansNotYWithoutRegardToCase) {
  ho_->execute("INSERT INTO ITEMS (Code, Transfered) VALUES (1,'y'),(2,'N'),(3,NULL),(4,'Y')");
  EXPECT_EQ(rows(*ho_, "Select Code From ITEMS Where isnull(Transfered,'')<>'Y' order by Code"),
            (std::vector<std::string>{"2", "3"}));
}

TEST_F(EmbeddedSessionTest, LinkedStatementsReadTheHeadOfficeAndWriteTheBranch) {
  ho_->execute("INSERT INTO ITEMS (Code, Name, BR7) VALUES (1,'one',NULL),(2,'two','Y'),(3,'three','n')");
  branch_->execute("INSERT INTO ITEMS (Code, Name) VALUES (1,'old one'),(5,'five')");
  branch_->beginTransaction();
  ho_->beginTransaction();
  branch_->execute("Update ITEMS set de='X' where Code in(Select Code From [HO]]1].HOAMAIN.Dbo.ITEMS Where "
                   "isnull(BR7,'')<>'Y')");
  branch_->execute("Insert into ITEMS (Code,Name) Select Code,Name From [HO]]1].HOAMAIN.Dbo.ITEMS Where "
                   "isnull(BR7,'')<>'Y' ");
  branch_->execute("Delete from ITEMS where de='X' ");
  ho_->execute("Update ITEMS set BR7='Y' Where isnull(BR7,'')<>'Y'  ");
  branch_->commit();
  ho_->commit();
  EXPECT_EQ(queryRows(branchFile(), "SELECT Code, Name FROM ITEMS ORDER BY Code"),
            (std::vector<std::string>{"1|one", "3|three", "5|five"}));
  EXPECT_EQ(queryText(hoFile(), "SELECT count(*) FROM ITEMS WHERE BR7='Y'"), "3");
}

TEST_F(EmbeddedSessionTest, AMissingBranchTableIsNeverTakenFromTheHeadOffice) {
  branch_->beginTransaction();
  branch_->execute("Update ITEMS set de='X' where Code in(Select Code From [HO]]1].HOAMAIN.Dbo.ITEMS)");
  // The head office's file is attached for the rest of the transaction.
  EXPECT_EQ(failureOf([&] { branch_->execute("Delete from ONLYHERE where de='X' "); }).number(),
            failure_number::kStatementFailed);
  branch_->rollback();
  EXPECT_EQ(queryText(hoFile(), "SELECT count(*) FROM ONLYHERE"), "1");
}

TEST_F(EmbeddedSessionTest, UnknownLinkedServersAndDatabasesFailTheStatement) {
  const Failure server = failureOf([&] { branch_->execute("Select * From [NOPE].HOAMAIN.Dbo.ITEMS"); });
  EXPECT_EQ(server.number(), failure_number::kStatementFailed);
  EXPECT_NE(server.description().find("Could not find server 'NOPE'"), std::string::npos);
  const Failure database = failureOf([&] { branch_->execute("Select * From [HO]]1].NOPE.Dbo.ITEMS"); });
  EXPECT_EQ(database.number(), failure_number::kStatementFailed);
  EXPECT_FALSE(std::filesystem::exists(folder_.path() / "ho" / "NOPE.db"));
}

TEST_F(EmbeddedSessionTest, ManyLinkedDatabasesOneAfterAnother) {
  for (int i = 0; i < 12; ++i) {
    embedded_testing::createDatabase(folder_.path() / "ho" / ("Y" + std::to_string(i) + ".db"),
                                     "CREATE TABLE T (a INTEGER); INSERT INTO T VALUES (" + std::to_string(i) + ")");
    EXPECT_EQ(rows(*branch_, "Select a From [HO]]1].Y" + std::to_string(i) + ".Dbo.T"),
              std::vector<std::string>{std::to_string(i)});
  }
}

TEST_F(EmbeddedSessionTest, SelectIntoKeepsIdentityValuesTypesAndCollations) {
  ho_->execute("INSERT INTO ITEMS (Code, Name) VALUES (1,'a'),(2,'b'),(3,'c')");
  ho_->execute("Delete from ITEMS where Code=1");
  ho_->execute("Select * into CentralizedData0012 from ITEMS with (nolock) Where Code>=2 ");
  EXPECT_EQ(queryRows(hoFile(), "SELECT Rno, Code FROM CentralizedData0012 ORDER BY Rno"),
            (std::vector<std::string>{"2|2", "3|3"}));
  const std::string sql = queryText(hoFile(), "SELECT sql FROM sqlite_master WHERE name='CentralizedData0012'");
  EXPECT_NE(sql.find("\"Rno\" INTEGER PRIMARY KEY AUTOINCREMENT"), std::string::npos) << sql;
  EXPECT_NE(sql.find("\"Name\" VARCHAR(40) COLLATE NOCASE"), std::string::npos) << sql;
  EXPECT_NE(sql.find("\"Amount\" NUMERIC(18,2)"), std::string::npos) << sql;
  // New rows continue the identity.
  ho_->execute("INSERT INTO CentralizedData0012 (Code) VALUES (9)");
  EXPECT_EQ(queryText(hoFile(), "SELECT Rno FROM CentralizedData0012 WHERE Code=9"), "4");
  // An existing table is not replaced.
  EXPECT_EQ(failureOf([&] { ho_->execute("Select * into CentralizedData0012 from ITEMS Where 1=2 "); }).number(),
            failure_number::kStatementFailed);
  // From a linked server, at the branch.
  branch_->execute("Select * into CentralizedData0012 from [HO]]1].HOAMAIN.Dbo.ITEMS B with (NoLock) Where B.Code=3");
  EXPECT_EQ(queryRows(branchFile(), "SELECT Rno, Code, Name FROM CentralizedData0012"),
            std::vector<std::string>{"3|3|c"});
}

TEST_F(EmbeddedSessionTest, StagingDropRemovesAViewOrATableOrNothing) {
  const std::string drop =
      "if exists (select * from sysobjects where type='v' and name='CentralizedData0012') drop view "
      "CentralizedData0012 else if exists (select * from sysobjects where type='u' and name='CentralizedData0012') "
      "drop table CentralizedData0012";
  ho_->execute(drop);  // neither exists
  ho_->execute("CREATE VIEW centralizeddata0012 AS SELECT * FROM ITEMS");
  ho_->execute(drop);
  EXPECT_EQ(queryText(hoFile(), "SELECT count(*) FROM sqlite_master WHERE name LIKE 'centralizeddata0012'"), "0");
  ho_->execute("Select * into CentralizedData0012 from ITEMS Where 1=2 ");
  // An open recordset on the table does not block the drop.
  auto cursor = ho_->openCursor("Select * from CentralizedData0012 ", CursorType::kStatic, LockType::kOptimistic,
                                CursorLocation::kClient);
  ho_->execute(drop);
  EXPECT_EQ(queryText(hoFile(), "SELECT count(*) FROM sqlite_master WHERE name='CentralizedData0012'"), "0");
}

TEST_F(EmbeddedSessionTest, ColumnQueryListsNonIdentityColumnsInOrder) {
  const std::string query =
      "select COLUMN_NAME, TABLE_NAME from INFORMATION_SCHEMA.COLUMNS where TABLE_SCHEMA = 'dbo' and "
      "table_name='items' and COLUMNPROPERTY(object_id(TABLE_NAME), COLUMN_NAME, 'IsIdentity') <> 1 ";
  EXPECT_EQ(rows(*branch_, query),
            (std::vector<std::string>{"Code|items", "Name|items", "Transfered|items", "de|items", "BR7|items",
                                      "Amount|items", "Updated|items"}));
  std::string missing = query;
  missing.replace(missing.find("items"), 5, "NOSUCH");
  EXPECT_TRUE(rows(*branch_, missing).empty());
  // A table whose key is not an integer identity lists every column.
  branch_->execute("CREATE TABLE K (Code VARCHAR(5) PRIMARY KEY, Name VARCHAR(5))");
  missing.replace(missing.find("NOSUCH"), 6, "K");
  EXPECT_EQ(rows(*branch_, missing).size(), 2u);
}

TEST_F(EmbeddedSessionTest, DisplayQueryShowsHoursAndMinutes) {
  branch_->execute("INSERT INTO ERRTABLE (Module,MESSAGE,UPDATED,UPTIME) VALUES('A','1-x','07/Nov/2019','1:07:00 PM')");
  branch_->execute("INSERT INTO ERRTABLE (Module,MESSAGE,UPDATED,UPTIME) VALUES('B','2-it''s','07/Nov/2019','09:05:00')");
  branch_->execute("INSERT INTO ERRTABLE (Module,MESSAGE,UPDATED,UPTIME) VALUES('C','3-y','08/Nov/2019','10:00:00')");
  auto cursor = branch_->openCursor(
      "Select LTrim(Right(CONVERT(VARCHAR(20), UpTime, 100),7)) UpTime,Module,Message,Updated,Rno from ErrTable "
      "with (nolock) where Updated='07/Nov/2019' order by Rno desc",
      CursorType::kStatic, LockType::kReadOnly, CursorLocation::kClient);
  ASSERT_EQ(cursor->columnName(0), "UpTime");
  ASSERT_FALSE(cursor->eof());
  EXPECT_EQ(cursor->get(0).toText(), "9:05AM");
  EXPECT_EQ(cursor->get(2).toText(), "2-it's");
  cursor->moveNext();
  EXPECT_EQ(cursor->get(0).toText(), "1:07PM");
  EXPECT_EQ(cursor->get(3).toDateTime(), (DateTime{2019, 11, 7}));
  cursor->moveNext();
  EXPECT_TRUE(cursor->eof());
}

TEST_F(EmbeddedSessionTest, TopLimitsTheSourceRows) {
  std::string values;
  for (int i = 0; i < 1005; ++i) values += (i ? ",(" : "(") + std::to_string(i) + ")";
  branch_->execute("INSERT INTO ITEMS (Code) VALUES " + values);
  auto cursor = branch_->openCursor("Select top 1000 * From ITEMS Where isnull(Transfered,'')<>'Y' ",
                                    CursorType::kStatic, LockType::kOptimistic, CursorLocation::kServer);
  int count = 0;
  for (; !cursor->eof(); cursor->moveNext()) ++count;
  EXPECT_EQ(count, 1000);
}

TEST_F(EmbeddedSessionTest, SourceRowsAreStampedAndStagedInChunksWithReusedStatements) {
  constexpr int kRows = 1200;
  std::string values;
  for (int i = 0; i < kRows; ++i) values += (i ? ",(" : "(") + std::to_string(i) + ",'n" + std::to_string(i) + "')";
  branch_->execute("INSERT INTO ITEMS (Code, Name) VALUES " + values);
  ho_->execute("Select * into CentralizedData0012 from ITEMS with (nolock) Where 1=2 ");

  branch_->beginTransaction();
  ho_->beginTransaction();
  auto source = branch_->openCursor("Select * From ITEMS Where isnull(Transfered,'')<>'Y' ", CursorType::kStatic,
                                    LockType::kOptimistic, CursorLocation::kServer);
  auto staging = ho_->openCursor("Select * from CentralizedData0012 ", CursorType::kStatic, LockType::kOptimistic,
                                 CursorLocation::kClient);
  const std::size_t branchTripsBefore = branch_->roundTrips();
  const std::size_t hoTripsBefore = ho_->roundTrips();
  int copied = 0;
  while (!source->eof()) {
    staging->addNew();
    staging->set(1, source->get(1));  // Code
    staging->set(2, source->get(2));  // Name
    staging->set(7, Value::dateTime(DateTime{2020, 3, 5, 14, 7, 9}));
    staging->update();
    source->set(3, Value::text("Y"));
    source->moveNext();
    ++copied;
  }
  EXPECT_EQ(copied, kRows);
  // One statement per staged row and per stamp, plus a fetch per chunk.
  EXPECT_EQ(ho_->roundTrips() - hoTripsBefore, static_cast<std::size_t>(kRows));
  EXPECT_LE(branch_->roundTrips() - branchTripsBefore, static_cast<std::size_t>(kRows + 3));
  ho_->commit();
  branch_->commit();
  EXPECT_EQ(queryText(branchFile(), "SELECT count(*) FROM ITEMS WHERE Transfered='Y'"), std::to_string(kRows));
  EXPECT_EQ(queryText(hoFile(), "SELECT count(*) FROM CentralizedData0012"), std::to_string(kRows));
  EXPECT_EQ(queryText(hoFile(), "SELECT Updated FROM CentralizedData0012 LIMIT 1"), "2020-03-05 14:07:09");
  EXPECT_EQ(queryText(hoFile(), "SELECT Name FROM CentralizedData0012 WHERE Code=1199"), "n1199");
}

TEST_F(EmbeddedSessionTest, ReadOnlyRecordsetsRefuseChanges) {
  branch_->execute("INSERT INTO ITEMS (Code) VALUES (1)");
  auto cursor = branch_->openCursor("Select * From ITEMS", CursorType::kForwardOnly, LockType::kReadOnly,
                                    CursorLocation::kServer);
  EXPECT_EQ(failureOf([&] { cursor->set(1, Value::integer(2)); }).number(), failure_number::kStatementFailed);
  EXPECT_EQ(failureOf([&] { cursor->addNew(); }).number(), failure_number::kStatementFailed);
  cursor->moveNext();
  EXPECT_TRUE(cursor->eof());
  EXPECT_EQ(failureOf([&] { cursor->get(0); }).number(), failure_number::kStatementFailed);
}

TEST_F(EmbeddedSessionTest, DecimalColumnsReadWithTheirScale) {
  branch_->execute("INSERT INTO ITEMS (Code, Amount) VALUES (1, 12.5), (2, 7), (3, '0.10')");
  EXPECT_EQ(rows(*branch_, "Select Amount From ITEMS order by Code"),
            (std::vector<std::string>{"12.50", "7.00", "0.10"}));
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

TEST_F(EmbeddedSessionTest, ReportsTheRowsTheLastStatementChanged) {
  branch_->execute("INSERT INTO ITEMS (Code, de) VALUES (1, ''), (2, ''), (3, 'X')");
  EXPECT_EQ(branch_->lastRowsAffected(), 3);
  branch_->execute("Update ITEMS set de='X' where Code in(1,2)");
  EXPECT_EQ(branch_->lastRowsAffected(), 2);
  branch_->execute("Select * into CentralizedData0012 from ITEMS with (nolock) Where isnull(de,'')='X' ");
  EXPECT_EQ(branch_->lastRowsAffected(), 3);
  branch_->execute(
      "if exists (select * from sysobjects where type='v' and name='CentralizedData0012') drop view "
      "CentralizedData0012 else if exists (select * from sysobjects where type='u' and "
      "name='CentralizedData0012') drop table CentralizedData0012");
  EXPECT_EQ(branch_->lastRowsAffected(), 0);
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

struct ScaleCase {
  const char* type;
  const char* stored;  // SQL literal
  const char* read;
};

// A number is written to its column's declared scale only when that loses
// nothing; otherwise it reads as it is stored.
TEST_F(EmbeddedSessionTest, ReadingANumberNeverChangesIt) {
  const std::vector<ScaleCase> cases = {
      {"NUMERIC", "2.5", "2.5"},          {"NUMERIC", "3", "3"},
      {"NUMERIC(18,2)", "2.5", "2.50"},   {"NUMERIC(18,2)", "7", "7.00"},
      {"NUMERIC(18,2)", "2.125", "2.125"}, {"DECIMAL(10)", "-0.75", "-0.75"},
      {"MONEY", "1.5", "1.5000"},          {"MONEY", "0.123456", "0.123456"},
  };
  for (const ScaleCase& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + c.stored);
    branch_->execute("DROP TABLE IF EXISTS SCALED");
    branch_->execute(std::string("CREATE TABLE SCALED (Amount ") + c.type + ")");
    branch_->execute(std::string("INSERT INTO SCALED (Amount) VALUES (") + c.stored + ")");
    EXPECT_EQ(rows(*branch_, "select Amount from SCALED"), std::vector<std::string>{c.read});
  }
}

}  // namespace
}  // namespace velmora
