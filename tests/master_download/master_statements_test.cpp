#include <gtest/gtest.h>

#include "master_download/master_download.h"

namespace velmora {
namespace {

const MasterMember& member(std::string_view table) {
  const MasterMember* m = findMasterMember(table);
  EXPECT_NE(m, nullptr) << table;
  return *m;
}

TEST(MasterMembers, TwentyThreeInCycleOrder) {
  auto members = masterMembers();
  ASSERT_EQ(members.size(), 23u);
  EXPECT_EQ(members.front().table, "BANKMASTER");
  EXPECT_EQ(members.back().table, "VEHICLEMASTER");
  int atHeadOffice = 0;
  for (const MasterMember& m : members) atHeadOffice += m.errorRowAtHeadOffice ? 1 : 0;
  EXPECT_EQ(atHeadOffice, 1);
  EXPECT_TRUE(member("BANKMASTER").errorRowAtHeadOffice);
}

struct StatementCase {
  const char* table;
  std::string mark;
  std::string insert;
  std::string remove;
  std::string stamp;  // empty: no branch stamp
};

class MasterStatementTest : public ::testing::TestWithParam<StatementCase> {};

TEST_P(MasterStatementTest, ByteForByte) {
  const StatementCase& c = GetParam();
  const MasterMember& m = member(c.table);
  const std::string L = "[HO1].HOAMAIN.Dbo." + std::string(c.table);
  EXPECT_EQ(masterProbe(m, "7"), "Select Top 1 Rno From " + std::string(c.table) +
                                     "  with (nolock) Where isnull(BR7,'')<>'Y' ");
  EXPECT_EQ(masterMark(m, "7", L), c.mark);
  EXPECT_EQ(masterInsert(m, "7", L, "code,Name,de"), c.insert);
  EXPECT_EQ(masterDelete(m), c.remove);
  if (c.stamp.empty()) {
    EXPECT_TRUE(m.stampKey.empty());
  } else {
    EXPECT_EQ(masterBranchStamp(m, "7", L), c.stamp);
  }
  EXPECT_EQ(masterFlag(m, "7", "05/Mar/2020", "14:07:09"),
            "Update " + std::string(c.table) +
                " set BR7='Y',Transfered='Y',TransferedDate='05/Mar/2020',TransferedTime='14:07:09' "
                "Where isnull(BR7,'')<>'Y'  ");
}

INSTANTIATE_TEST_SUITE_P(
    Members, MasterStatementTest,
    ::testing::Values(
        StatementCase{"BANKMASTER",
                      "Update BANKMASTER set de='X' where code in(Select code From "
                      "[HO1].HOAMAIN.Dbo.BANKMASTER Where isnull(BR7,'')<>'Y')",
                      "Insert into BANKMASTER (code,Name,de) Select code,Name,de From "
                      "[HO1].HOAMAIN.Dbo.BANKMASTER Where isnull(BR7,'')<>'Y' ",
                      "Delete from BANKMASTER where de='X' ", ""},
        StatementCase{"CATEGORY",
                      "Update CATEGORY set ACTIVE='X' where CATEGORYcode in(Select CATEGORYcode "
                      "From [HO1].HOAMAIN.Dbo.CATEGORY Where isnull(BR7,'')<>'Y')",
                      "Insert into CATEGORY (code,Name,de) Select code,Name,de From "
                      "[HO1].HOAMAIN.Dbo.CATEGORY Where isnull(BR7,'')<>'Y' ",
                      "Delete from CATEGORY where ACTIVE='X' ", ""},
        StatementCase{"CUSTOMER",
                      "Update CUSTOMER set de='X' where cuscode in(Select cuscode From "
                      "[HO1].HOAMAIN.Dbo.CUSTOMER Where isnull(BR7,'')<>'Y')",
                      "Insert into CUSTOMER (code,Name,de) Select code,Name,de From "
                      "[HO1].HOAMAIN.Dbo.CUSTOMER Where isnull(BR7,'')<>'Y' ",
                      "Delete from CUSTOMER where de='X' ",
                      "Update CUSTOMER set Transfered='Y' where cuscode in(Select cuscode From "
                      "[HO1].HOAMAIN.Dbo.CUSTOMER Where isnull(BR7,'')<>'Y')"},
        StatementCase{"OPERATOR",
                      "Update OPERATOR set de='X' where OPER_code in(Select OPER_code From "
                      "[HO1].HOAMAIN.Dbo.OPERATOR Where isnull(BR7,'')<>'Y')",
                      "Insert into OPERATOR (code,Name,de) Select code,Name,de From "
                      "[HO1].HOAMAIN.Dbo.OPERATOR Where isnull(BR7,'')<>'Y' ",
                      "Delete from OPERATOR where de='X' ",
                      "Update OPERATOR set Transfered='Y' where OPER_code in(Select OPER_code "
                      "From [HO1].HOAMAIN.Dbo.OPERATOR Where isnull(BR7,'')<>'Y')"},
        StatementCase{"METERIAL",
                      "Update METERIAL set de='X' where METERIALcode in(Select METERIALcode From "
                      "[HO1].HOAMAIN.Dbo.METERIAL Where isnull(BR7,'')<>'Y')",
                      "Insert into METERIAL (code,Name,de) Select code,Name,de From "
                      "[HO1].HOAMAIN.Dbo.METERIAL Where isnull(BR7,'')<>'Y' ",
                      "Delete from METERIAL where de='X' ",
                      "Update METERIAL set Transfered='Y' where METERIALcode in(Select "
                      "METERIALcode From [HO1].HOAMAIN.Dbo.METERIAL Where isnull(BR7,'')<>'Y')"},
        StatementCase{"SECURITYMAST",
                      "Update SECURITYMAST Set de='X' from SECURITYMAST "
                      "A,[HO1].HOAMAIN.Dbo.SECURITYMAST B Where isnull(b.BR7,'')<>'Y' and "
                      "isnull(a.oper_code,0)=isnull(b.oper_code,0) and "
                      "isnull(a.controlcode,'')=isnull(b.controlcode,'') ",
                      "Insert into SECURITYMAST (code,Name,de) Select code,Name,de From "
                      "[HO1].HOAMAIN.Dbo.SECURITYMAST Where isnull(BR7,'')<>'Y' ",
                      "Delete from SECURITYMAST where de='X' ", ""},
        StatementCase{"PitBataMaster",
                      "Update PitBataMaster set Active='X' where RATEcode in(Select RATEcode From "
                      "[HO1].HOAMAIN.Dbo.PitBataMaster Where isnull(BR7,'')<>'Y')",
                      "Insert into PitBataMaster (code,Name,de) Select code,Name,de From "
                      "[HO1].HOAMAIN.Dbo.PitBataMaster Where isnull(BR7,'')<>'Y' ",
                      "Delete from PitBataMaster where Active='X' ", ""},
        StatementCase{"VEHSALARYMASTER",
                      "Update VEHSALARYMASTER set de='X' where cuscode in(Select cuscode From "
                      "[HO1].HOAMAIN.Dbo.VEHSALARYMASTER Where isnull(BR7,'')<>'Y')",
                      "Insert into VEHSALARYMASTER (code,Name,de) Select code,Name,de From "
                      "[HO1].HOAMAIN.Dbo.VEHSALARYMASTER Where isnull(BR7,'')<>'Y' ",
                      "Delete from VEHSALARYMASTER where de='X' ",
                      "Update VEHSALARYMASTER set Transfered='Y' where cuscode in(Select cuscode "
                      "From [HO1].HOAMAIN.Dbo.VEHSALARYMASTER Where isnull(BR7,'')<>'Y')"}));

TEST(MasterStatements, BranchTwelveNamesBr12) {
  const MasterMember& m = member("Product");
  EXPECT_EQ(masterProbe(m, "12"), "Select Top 1 Rno From Product  with (nolock) Where isnull(BR12,'')<>'Y' ");
}

}  // namespace
}  // namespace velmora
