#include "master_download/master_download.h"

#include <gtest/gtest.h>

#include "support/agent_harness.h"
#include "transfer/failure.h"

namespace velmora {
namespace {

using sample::countRows;
using sample::execSql;
using sample::querySql;
using testing::AgentHarness;
using testing::TempFolder;

class MasterDownloadTest : public ::testing::Test {
 protected:
  MasterDownloadTest() : harness(testing::defaultLayout(temp.path())) { harness.connectHeadOffice(); }

  long long download(std::string_view table) {
    return DownloadMaster(harness.context(), *findMasterMember(table));
  }
  std::string one(const std::filesystem::path& db, const std::string& sql) {
    auto rows = querySql(db, sql);
    return rows.empty() || rows[0].empty() ? "<none>" : rows[0][0];
  }

  TempFolder temp;
  AgentHarness harness;
};

TEST_F(MasterDownloadTest, NewAndChangedRowsReplaceTheirCopiesByKey) {
  execSql(harness.branchMain(),
          "INSERT INTO BANKMASTER (code, BankName, de) VALUES (1, 'old one', ''), (2, 'kept', '')");
  execSql(harness.headOfficeMain(),
          "INSERT INTO BANKMASTER (code, BankName, de, BR7) VALUES (1, 'new one', '', NULL), "
          "(3, 'third', '', ''), (4, 'delivered', '', 'Y')");
  EXPECT_EQ(download("BANKMASTER"), 2);
  EXPECT_EQ(countRows(harness.branchMain(), "BANKMASTER"), 3);
  EXPECT_EQ(one(harness.branchMain(), "SELECT BankName FROM BANKMASTER WHERE code=1"), "new one");
  EXPECT_EQ(one(harness.branchMain(), "SELECT BankName FROM BANKMASTER WHERE code=2"), "kept");
  EXPECT_EQ(countRows(harness.branchMain(), "BANKMASTER", "code=4"), 0);
  EXPECT_EQ(countRows(harness.headOfficeMain(), "BANKMASTER",
                      "BR7='Y' AND Transfered='Y' AND TransferedDate IS NOT NULL AND "
                      "TransferedTime LIKE '__:__:__'"),
            2);
  EXPECT_EQ(countRows(harness.headOfficeMain(), "BANKMASTER", "BR7='Y'"), 3);
  // Nothing pending any more: a second run moves nothing.
  EXPECT_EQ(download("BANKMASTER"), 0);
  EXPECT_TRUE(harness.branchErrorRows().empty());
}

TEST_F(MasterDownloadTest, StampedMembersStampTheBranchRows) {
  execSql(harness.headOfficeMain(), "INSERT INTO CUSTOMER (cuscode, CusName, de) VALUES (10, 'A', '')");
  execSql(harness.headOfficeMain(), "INSERT INTO BANKMASTER (code, BankName, de) VALUES (10, 'A', '')");
  execSql(harness.headOfficeMain(), "INSERT INTO OPERATOR (Oper_Code, OperName, de) VALUES (10, 'A', '')");
  download("CUSTOMER");
  download("BANKMASTER");
  download("OPERATOR");
  EXPECT_EQ(one(harness.branchMain(), "SELECT Transfered FROM CUSTOMER WHERE cuscode=10"), "Y");
  EXPECT_EQ(one(harness.branchMain(), "SELECT Transfered FROM OPERATOR WHERE Oper_Code=10"), "Y");
  EXPECT_EQ(one(harness.branchMain(), "SELECT ifnull(Transfered,'<null>') FROM BANKMASTER WHERE code=10"), "<null>");
}

TEST_F(MasterDownloadTest, SecurityJoinTreatsNullsAsZeroAndEmpty) {
  execSql(harness.branchMain(),
          "INSERT INTO SECURITYMAST (oper_code, controlcode, AEntry, de) VALUES "
          "(NULL, 'MENU1', 'N', ''), (5, NULL, 'N', ''), (6, 'MENU2', 'N', '')");
  execSql(harness.headOfficeMain(),
          "INSERT INTO SECURITYMAST (oper_code, controlcode, AEntry, de) VALUES "
          "(0, 'MENU1', 'Y', ''), (5, '', 'Y', '')");
  download("SECURITYMAST");
  EXPECT_EQ(countRows(harness.branchMain(), "SECURITYMAST"), 3);
  EXPECT_EQ(countRows(harness.branchMain(), "SECURITYMAST", "AEntry='Y'"), 2);
  EXPECT_EQ(countRows(harness.branchMain(), "SECURITYMAST", "oper_code=6"), 1);
}

TEST_F(MasterDownloadTest, MarkedRowsAreDeletedEvenWithoutAMatch) {
  execSql(harness.branchMain(), "INSERT INTO BANKMASTER (code, de) VALUES (50, 'X')");
  execSql(harness.headOfficeMain(),
          "INSERT INTO BANKMASTER (code, de) VALUES (1, ''), (2, 'X')");
  download("BANKMASTER");
  EXPECT_EQ(countRows(harness.branchMain(), "BANKMASTER"), 1);
  EXPECT_EQ(countRows(harness.headOfficeMain(), "BANKMASTER", "BR7='Y'"), 2);
}

TEST_F(MasterDownloadTest, FailureAfterTransactionsBeganChangesNothingAndWritesOneRow) {
  execSql(harness.branchMain(), "INSERT INTO CATEGORY (CATEGORYcode, ACTIVE) VALUES (1, '')");
  execSql(harness.headOfficeMain(), "INSERT INTO CATEGORY (CATEGORYcode, ACTIVE) VALUES (1, '')");
  // The branch has a column that the head office lacks: the insert fails.
  execSql(harness.branchMain(), "ALTER TABLE CATEGORY ADD COLUMN OnlyAtBranch VARCHAR(5)");
  EXPECT_EQ(download("CATEGORY"), 0);
  EXPECT_EQ(countRows(harness.branchMain(), "CATEGORY", "ACTIVE=''"), 1);
  EXPECT_EQ(countRows(harness.headOfficeMain(), "CATEGORY", "ifnull(BR7,'')<>'Y'"), 1);
  auto rows = harness.branchErrorRows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "CATEGORYUPLOAD");
  EXPECT_EQ(rows[0][1].rfind("1-", 0), 0u) << rows[0][1];
}

TEST_F(MasterDownloadTest, BankMasterWritesItsErrorRowAtTheHeadOffice) {
  execSql(harness.headOfficeMain(), "INSERT INTO BANKMASTER (code, de) VALUES (1, '')");
  execSql(harness.branchMain(), "ALTER TABLE BANKMASTER ADD COLUMN OnlyAtBranch VARCHAR(5)");
  download("BANKMASTER");
  EXPECT_TRUE(harness.branchErrorRows().empty());
  EXPECT_EQ(countRows(harness.headOfficeMain(), "ERRTABLE", "Module='BANKMASTERUPLOAD'"), 1);
}

TEST_F(MasterDownloadTest, MissingTableBeforeTransactionsLeavesWithItsCause) {
  execSql(harness.headOfficeMain(), "DROP TABLE PCOUNTER");
  try {
    download("PCOUNTER");
    FAIL() << "the probe's failure must leave the step";
  } catch (const Failure& f) {
    EXPECT_EQ(f.number(), failure_number::kStatementFailed);
    EXPECT_NE(f.description().find("PCOUNTER"), std::string::npos) << f.description();
  }
  EXPECT_TRUE(harness.branchErrorRows().empty());
}

TEST_F(MasterDownloadTest, NothingUndeliveredTouchesNothing) {
  execSql(harness.headOfficeMain(), "INSERT INTO PITMASTER (PITcode, Active, BR7) VALUES (1, '', 'Y')");
  EXPECT_EQ(download("PITMASTER"), 0);
  EXPECT_EQ(countRows(harness.branchMain(), "PITMASTER"), 0);
  EXPECT_TRUE(harness.branchErrorRows().empty());
}

}  // namespace
}  // namespace velmora
