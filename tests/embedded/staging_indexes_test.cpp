// The indexes that staging tables built by "Select * into" get: on the
// expressions the join forms compare, used by SQLite for those joins, and
// without changing which rows the joins match.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backends/embedded/embedded_connector.h"
#include "backends/embedded/staging_indexes.h"
#include "backends/embedded/tsql_dialect.h"
#include "staged_download/download_members.h"
#include "staged_download/download_statements.h"
#include "staged_upload/upload_members.h"
#include "support/embedded_test_servers.h"

namespace velmora {
namespace {

using embedded_testing::queryRows;
using embedded_testing::queryText;

struct IndexCase {
  const char* name;
  std::vector<std::string> columns;
  std::optional<std::string> expected;
};

class StagingIndexStatementTest : public ::testing::TestWithParam<IndexCase> {};

TEST_P(StagingIndexStatementTest, IndexesTheFirstKeyTheTableHas) {
  const IndexCase& c = GetParam();
  EXPECT_EQ(stagingIndexStatement("main", "CentralizedData0012", c.columns), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, StagingIndexStatementTest,
    ::testing::Values(
        IndexCase{"TransactionKeyInAnyLetterCase",
                  {"Rno", "RECISSNO", "Branch", "YearControl", "RefNo", "TmpRno", "METERIALCODE"},
                  "CREATE INDEX \"main\".\"vel_CentralizedData0012_transaction\" ON \"CentralizedData0012\" "
                  "(ifnull(\"recissno\",0) COLLATE NOCASE, ifnull(\"branch\",0) COLLATE NOCASE, "
                  "ifnull(\"yearcontrol\",'') COLLATE NOCASE, ifnull(\"refno\",0) COLLATE NOCASE, "
                  "ifnull(\"TmpRno\",0) COLLATE NOCASE)"},
        IndexCase{"LeadingRunOnly",
                  {"recissno", "branch", "refno", "TmpRno"},
                  "CREATE INDEX \"main\".\"vel_CentralizedData0012_transaction\" ON \"CentralizedData0012\" "
                  "(ifnull(\"recissno\",0) COLLATE NOCASE, ifnull(\"branch\",0) COLLATE NOCASE)"},
        IndexCase{"AttendanceKey",
                  {"Oper_Code", "ADate", "TmpRno"},
                  "CREATE INDEX \"main\".\"vel_CentralizedData0012_operator\" ON \"CentralizedData0012\" "
                  "(ifnull(\"Oper_Code\",0) COLLATE NOCASE, ifnull(\"TmpRno\",0) COLLATE NOCASE)"},
        IndexCase{"OperatorWithoutTmpRno",
                  {"Oper_Code", "Branch"},
                  "CREATE INDEX \"main\".\"vel_CentralizedData0012_operator\" ON \"CentralizedData0012\" "
                  "(ifnull(\"Oper_Code\",0) COLLATE NOCASE)"},
        IndexCase{"MaterialKey",
                  {"METERIALCODE", "Name"},
                  "CREATE INDEX \"main\".\"vel_CentralizedData0012_material\" ON \"CentralizedData0012\" "
                  "(ifnull(\"METERIALCODE\",0) COLLATE NOCASE)"},
        IndexCase{"BranchWithoutRecissno", {"Branch", "TmpRno", "cuscode"}, std::nullopt},
        IndexCase{"NoKey", {"CashCountercode", "Active"}, std::nullopt}),
    [](const ::testing::TestParamInfo<IndexCase>& info) { return info.param.name; });

constexpr const char* kColumns =
    "(Rno INTEGER PRIMARY KEY AUTOINCREMENT, recissno INTEGER, branch INTEGER, "
    "yearcontrol VARCHAR(10) COLLATE NOCASE, billno VARCHAR(20) COLLATE NOCASE, refno INTEGER, TmpRno INTEGER, "
    "Transfered VARCHAR(1) COLLATE NOCASE, de VARCHAR(1) COLLATE NOCASE)";

// The purchase key's mark statement, as the upload runs it at the head office.
constexpr const char* kMark =
    "Update DPURCHASE set de='X' from DPURCHASE A,CentralizedData0012 B Where isnull(B.Transfered,'')<>'Y' and "
    "isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and "
    "isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.Billno,'')=isnull(b.Billno,'') and "
    "isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ";

class StagingIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    embedded_testing::createDatabase(
        file(), std::string("CREATE TABLE DPURCHASE ") + kColumns + "; CREATE TABLE PENDING " + kColumns + ";" +
                    // Head-office rows: null numbers and texts stand for 0 and ''; letter case is ignored.
                    "INSERT INTO DPURCHASE (recissno, branch, yearcontrol, billno, refno, TmpRno) VALUES "
                    "(0, 7, 'ab', 'B1', 1, 11), (NULL, 7, 'AB', NULL, 2, 12), (1, 7, 'ab', 'B3', 3, 13);"
                    // Staged rows: the first two match, the third differs in refno.
                    "INSERT INTO PENDING (recissno, branch, yearcontrol, billno, refno, TmpRno) VALUES "
                    "(NULL, 7, 'AB', 'b1', 1, 11), (0, 7, 'ab', '', 2, 12), (1, 7, 'ab', 'B3', 4, 13)");
    connector_ = std::make_shared<EmbeddedConnector>(std::vector<EmbeddedServer>{{"HO1", folder_.path()}});
    session_ = connector_->connect(
        "Provider=SQLOLEDB.1;password=x;User ID=sa;Initial Catalog=HOA1920;Data Source=HO1", 5);
  }

  std::filesystem::path file() const { return folder_.path() / "HOA1920.db"; }

  embedded_testing::ScratchFolder folder_;
  std::shared_ptr<EmbeddedConnector> connector_;
  std::unique_ptr<Session> session_;
};

TEST_F(StagingIndexTest, SelectIntoIndexesTheComparedExpressionsAndTheJoinUsesThem) {
  session_->execute("Select * into CentralizedData0012 from PENDING with (nolock) Where 1=1 ");
  EXPECT_EQ(queryText(file(), "SELECT name FROM sqlite_master WHERE type='index' AND tbl_name='CentralizedData0012'"),
            "vel_CentralizedData0012_transaction");
  const Translation mark = translateTsql(kMark, [](const std::string&, const std::string&) { return std::string(); });
  std::string plan;
  for (const std::string& row : queryRows(file(), "EXPLAIN QUERY PLAN " + mark.sql)) plan += row + "\n";
  EXPECT_NE(plan.find("USING INDEX vel_CentralizedData0012_transaction"), std::string::npos) << plan;
}

TEST_F(StagingIndexTest, TheIndexedJoinMatchesTheRowsItMatchesWithoutTheIndex) {
  session_->execute("Select * into CentralizedData0012 from PENDING with (nolock) Where 1=1 ");
  session_->execute(kMark);
  const auto indexed = queryRows(file(), "SELECT Rno, ifnull(de,'') FROM DPURCHASE ORDER BY Rno");
  EXPECT_EQ(indexed, (std::vector<std::string>{"1|X", "2|X", "3|"}));

  embedded_testing::runSql(file(), "UPDATE DPURCHASE SET de=NULL; DROP INDEX vel_CentralizedData0012_transaction");
  session_->execute(kMark);
  EXPECT_EQ(queryRows(file(), "SELECT Rno, ifnull(de,'') FROM DPURCHASE ORDER BY Rno"), indexed);
}

TEST_F(StagingIndexTest, TheStagingDropRemovesTheIndexWithItsTable) {
  const std::string drop =
      "if exists (select * from sysobjects where type='v' and name='CentralizedData0012') drop view "
      "CentralizedData0012 else if exists (select * from sysobjects where type='u' and name='CentralizedData0012') "
      "drop table CentralizedData0012";
  session_->execute("Select * into CentralizedData0012 from PENDING with (nolock) Where 1=2 ");
  session_->execute(drop);
  session_->execute("Select * into CentralizedData0012 from PENDING with (nolock) Where 1=2 ");
  EXPECT_EQ(queryText(file(), "SELECT count(*) FROM sqlite_master WHERE tbl_name='CentralizedData0012'"), "2");
}

// Only the branch snapshot, which no statement reads, goes without an index;
// every table a join reads keeps it.
TEST(StagingIndexUseTest, EveryStagingTableButTheBranchSnapshotIsReadByJoins) {
  Settings settings;
  settings.siteId = "0012";
  for (const UploadMember& member : kUploadMembers) {
    EXPECT_FALSE(readByJoins(branchSnapshotStatement(member, settings))) << member.table();
    EXPECT_TRUE(readByJoins(headOfficeStagingStatement(member, settings))) << member.table();
  }
  for (const DownloadMember& member : kDownloadMembers) {
    EXPECT_TRUE(readByJoins(stagingBuildStatement(member, "7", "0012"))) << member.table;
  }
}

TEST_F(StagingIndexTest, TheBranchSnapshotIsBuiltWithoutAnIndex) {
  session_->execute("Select * into CentralizedData0012 from PENDING with (nolock) Where isnull(Transfered,'')<>'Y'");
  EXPECT_EQ(queryText(file(), "SELECT count(*) FROM sqlite_master WHERE tbl_name='CentralizedData0012'"), "1");
}

}  // namespace
}  // namespace velmora
