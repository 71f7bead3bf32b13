// The staged upload against a branch (VEL, branch 7) and head office HO1
// (HOA, branch 1) laid out as embedded servers: rows, conversions, flags,
// stamps, the merge and the failure paths, for all eighteen members.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "sample_company.h"
#include "sample_sql.h"
#include "staged_upload/staged_upload.h"
#include "staged_upload/upload_members.h"
#include "support/agent_harness.h"

namespace velmora {

// Names a member in test output.
void PrintTo(const UploadMember& member, std::ostream* os) { *os << member.table(); }

namespace {

using sample::countRows;
using sample::execSql;
using sample::querySql;
using testing::AgentHarness;
using testing::TempFolder;

const DateTime kNow{2020, 3, 5, 14, 7, 9, 0};
constexpr const char* kNull = sample::kNullText.data();

class FixedClock : public Clock {
 public:
  DateTime now() const override { return kNow; }
};

class StagedUploadTest : public ::testing::Test {
 protected:
  using LayoutFor = sample::CompanyLayout (*)(const std::filesystem::path& home);

  explicit StagedUploadTest(LayoutFor layoutFor) : harness_(layoutFor(temp_.path())) {
    harness_.context().clock = std::make_shared<FixedClock>();
    harness_.context().settings.companyPrefix = " Zemra ";
    harness_.connectHeadOffice(0);
  }
  StagedUploadTest() : StagedUploadTest(oneHeadOffice) {}

  static sample::CompanyLayout oneHeadOffice(const std::filesystem::path& home) {
    return testing::defaultLayout(home, 7, false);
  }

  AgentContext& context() { return harness_.context(); }
  const sample::CompanyLayout& layout() const { return harness_.layout(); }

  std::filesystem::path branchFile(std::string_view table) const {
    return findUploadMember(table)->branch.pair == Pair::kMain ? harness_.branchMain()
                                                               : harness_.branchYear();
  }
  std::filesystem::path headOfficeFile(std::string_view table, std::size_t index = 0) const {
    return findUploadMember(table)->branch.pair == Pair::kMain ? harness_.headOfficeMain(index)
                                                               : harness_.headOfficeYear(index);
  }
  long long headOfficeRows(std::string_view table, std::string_view where = "") const {
    return countRows(headOfficeFile(table), table, where);
  }
  long long pendingAtBranch(std::string_view table) const {
    return countRows(branchFile(table), table, "ifnull(Transfered,'')<>'Y'");
  }
  bool stagingTableExists(const std::filesystem::path& file) const {
    return countRows(file, "sqlite_master", "name='CentralizedData0012'") > 0;
  }

  TempFolder temp_;
  AgentHarness harness_;
};

// ---------------------------------------------------------------------------
// Every member: pending rows reach the head office, flagged, stamped, and
// replace their earlier copies when sent again.

class UploadMemberTest : public StagedUploadTest,
                         public ::testing::WithParamInterface<UploadMember> {};

TEST_P(UploadMemberTest, PendingRowsArriveFlaggedAndAreStampedAtTheBranch) {
  const UploadMember& member = GetParam();
  const std::string table(member.table());
  sample::addPendingRows(layout(), table, 3);

  EXPECT_EQ(UploadStaged(context(), table), 3);
  EXPECT_TRUE(harness_.branchErrorRows().empty());

  EXPECT_EQ(headOfficeRows(table), 3);
  EXPECT_EQ(pendingAtBranch(table), 0);
  EXPECT_EQ(countRows(branchFile(table), table,
                      "Transfered='Y' and TransferedDate='05/Mar/2020' and "
                      "TransferedTime='14:07:09'"),
            3);
  // The staged rows carry the branch's own values from before the stamp.
  EXPECT_EQ(headOfficeRows(table, "ifnull(Transfered,'')='Y'"), 0);

  if (member.headOffice.brNumber == BranchNumber::kNoNumber) {
    EXPECT_EQ(headOfficeRows(table, "BR1 is null and BR7 is null"), 3);
  } else {
    const std::string n = member.headOffice.brNumber == BranchNumber::kBranchNo ? "7" : "1";
    EXPECT_EQ(headOfficeRows(table, "BR" + n + "='Y'"), 3);
    // Delivery flags that the map does not blank stay null.
    EXPECT_EQ(headOfficeRows(table, "BR5 is null"), 3);
    if (n == "1") {
      EXPECT_EQ(headOfficeRows(table, "BR7 is null"), 3);
    }
    EXPECT_EQ(headOfficeRows(table, "BR2='' and BR3='' and BR4='' and BR12=''"), 3);
    if (n == "7") {
      EXPECT_EQ(headOfficeRows(table, "BR1=''"), 3);
    }
  }

  // Nothing pending any more: the next run stages nothing.
  EXPECT_EQ(UploadStaged(context(), table), 0);
  EXPECT_EQ(headOfficeRows(table), 3);

  // Sent again, the rows replace their earlier copies (the insert-only
  // member adds them a second time).
  execSql(branchFile(table), "UPDATE " + table + " SET Transfered=NULL");
  EXPECT_EQ(UploadStaged(context(), table), 3);
  EXPECT_EQ(headOfficeRows(table), member.headOffice.keyForm == KeyForm::kInsertOnly ? 6 : 3);
  EXPECT_TRUE(harness_.branchErrorRows().empty());
}

INSTANTIATE_TEST_SUITE_P(AllMembers, UploadMemberTest, ::testing::ValuesIn(kUploadMembers),
                         [](const ::testing::TestParamInfo<UploadMember>& info) {
                           return std::string(info.param.table());
                         });

// ---------------------------------------------------------------------------
// Conversions, one pending row per case, read back at the head office.

struct ConversionCase {
  const char* name;
  const char* table;
  const char* columns;  // of the branch row inserted
  const char* values;
  const char* column;   // read back at the head office
  const char* expected; // kNullText for null
};

const ConversionCase kConversionCases[] = {
    {"TextOfNullIsEmpty",          "CUSTOMER",        "CusCode,CusName",              "1,NULL",                     "CusName",   ""},
    {"TextKeepsBlanks",            "INDENT",          "IndentBranch,RDate,IndentNo",  "7,'2020-03-07',' IN1  '",    "IndentNo",  " IN1  "},
    {"TrimmedText",                "Operator",        "Oper_Code,OperName",           "1,'  Raj '",                 "OperName",  "Raj"},
    {"TrimmedTextOfNullIsEmpty",   "Operator",        "Oper_Code,LicenseNo",          "1,NULL",                     "LicenseNo", ""},
    {"TrimmedTextInPurchase",      "DPURCHASE",       "RDate,BILLNo",                 "'2020-03-07',' B7 '",        "BILLNo",    "B7"},
    {"NumberReadsLeadingDigits",   "CUSTOMER",        "CusCode",                      "'12A'",                      "CusCode",   "12"},
    {"NumberOfNullIsZero",         "INDENT",          "IndentBranch,RDate,Stock",     "7,'2020-03-07',NULL",        "Stock",     "0"},
    {"NumberOfLettersIsZero",      "JOBWORK",         "JobCardBranch,RDate,IntLineSet", "7,'2020-03-07','abc'",     "IntLineSet", "0"},
    {"PlainNumberOfNullIsZero",    "DPURCHASE",       "RDate,IndentBranch",           "'2020-03-07',NULL",          "IndentBranch", "0"},
    {"AuditStaffAsNumber",         "DPURCHASE",       "RDate,AuditStaff",             "'2020-03-07','42AB'",        "AuditStaff", "42"},
    {"AuditStaffAsText",           "INDENT",          "IndentBranch,RDate,AuditStaff", "7,'2020-03-07','42AB'",     "AuditStaff", "42AB"},
    {"AsIsKeepsNull",              "CUSTOMER",        "CusCode,ContactPerson",        "1,NULL",                     "ContactPerson", kNull},
    {"AsIsKeepsValue",             "CUSTOMER",        "CusCode,Branch",               "1,5",                        "Branch",    "5"},
    {"DateFormatsWithoutTime",     "INDENT",          "IndentBranch,RDate",           "7,'2020-03-07 14:30:00'",    "RDate",     "07/Mar/2020"},
    {"DateOfNullStaysNull",        "TYRETRANS",       "RDate",                        "NULL",                       "RDate",     kNull},
    {"DateIfPresentOfNull",        "INDENT",          "IndentBranch,RDate,DueDate",   "7,'2020-03-07',NULL",        "DueDate",   kNull},
    {"DateIfPresentOfBlanks",      "TYRETRANS",       "RDate,TranDate",               "'2020-03-07','   '",         "TranDate",  kNull},
    {"DateIfPresent",              "INDENT",          "IndentBranch,RDate,DueDate",   "7,'2020-03-07','2020-03-07 14:30'", "DueDate", "07/Mar/2020"},
    {"TextIfPresentOfBlanks",      "STAFFATTND",      "Oper_Code,ADate,ATime",        "1,'2020-03-07','   '",       "ATime",     kNull},
    {"TextIfPresent",              "STAFFATTND",      "Oper_Code,ADate,ATime",        "1,'2020-03-07','09:15'",     "ATime",     "09:15"},
    {"ValueIfPresentOfEmpty",      "VEHICLEEXPENSES", "RDate,ADJTTime",               "'2020-03-07',''",            "ADJTTime",  kNull},
    {"ValueIfPresent",             "INDENT",          "IndentBranch,RDate,AuditTime", "7,'2020-03-07','10:20:30'",  "AuditTime", "10:20:30"},
    {"TrimmedFlag",                "VEHICLEEXPENSES", "RDate,Flag",                   "'2020-03-07','F  '",         "Flag",      "F"},
    {"UntrimmedFlag",              "JOBWORK",         "JobCardBranch,RDate,Flag",     "7,'2020-03-07','F  '",       "Flag",      "F  "},
    {"IntLineSetAsText",           "PRODUCTIONTRAN",  "RDate,IntLineSet",             "'2020-03-07',3",             "IntLineSet", "3"},
    {"BlankBR1",                   "INDENT",          "IndentBranch,RDate,BR1",       "7,'2020-03-07','Y'",         "BR1",       ""},
    {"BlankBR4",                   "CASHCOUNTER",     "CashCountercode,BR4",          "'C1','Y'",                   "BR4",       ""},
    {"BlankBR12",                  "CUSTOMER",        "CusCode,BR12",                 "1,'Y'",                      "BR12",      ""},
    {"OtherBRNotWritten",          "CASHCOUNTER",     "CashCountercode,BR5",          "'C1','Y'",                   "BR5",       kNull},
    {"LogUpdatedFromServerDate",   "OPERATORLog",     "Oper_Code,SERVERDATE,Updated", "1,'2020-03-07','  '",        "Updated",   "07/Mar/2020"},
    {"LogUpdatedOwnWins",          "OPERATORLog",     "Oper_Code,SERVERDATE,Updated", "1,'2020-03-07','2020-03-09'", "Updated",  "09/Mar/2020"},
    {"LogUpdatedNeither",          "OPERATORLog",     "Oper_Code,SERVERDATE,Updated", "1,NULL,NULL",                "Updated",   kNull},
    {"LogTmpRnoFromRno",           "OPERATORLog",     "Rno,Oper_Code",                "57,1",                       "TmpRno",    "57"},
    {"StaffTmpRnoFromRno",         "STAFFATTND",      "Rno,Oper_Code,ADate",          "41,1,'2020-03-07'",          "TmpRno",    "41"},
};

class UploadConversionTest : public StagedUploadTest,
                             public ::testing::WithParamInterface<ConversionCase> {};

TEST_P(UploadConversionTest, ArrivesAsTheMapConvertsIt) {
  const ConversionCase& c = GetParam();
  execSql(branchFile(c.table), std::string("INSERT INTO ") + c.table + " (" + c.columns +
                                   ") VALUES (" + c.values + ")");
  EXPECT_EQ(UploadStaged(context(), c.table), 1);
  EXPECT_TRUE(harness_.branchErrorRows().empty());
  const auto rows = querySql(headOfficeFile(c.table),
                             std::string("SELECT ") + c.column + " FROM " + c.table);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, UploadConversionTest, ::testing::ValuesIn(kConversionCases),
                         [](const ::testing::TestParamInfo<ConversionCase>& info) {
                           return std::string(info.param.name);
                         });

// ---------------------------------------------------------------------------
// Edge cases.

TEST_F(StagedUploadTest, NoPendingRowTouchesNothing) {
  for (const UploadMember& member : kUploadMembers) {
    EXPECT_EQ(UploadStaged(context(), member.table()), 0) << member.table();
  }
  EXPECT_FALSE(stagingTableExists(harness_.branchMain()));
  EXPECT_FALSE(stagingTableExists(harness_.branchYear()));
  EXPECT_FALSE(stagingTableExists(harness_.headOfficeMain()));
  EXPECT_FALSE(stagingTableExists(harness_.headOfficeYear()));
  EXPECT_TRUE(harness_.branchErrorRows().empty());
  EXPECT_TRUE(context().cycle.columnList.empty());
}

TEST_F(StagedUploadTest, InventoryMovesAThousandRowsPerRun) {
  sample::addPendingRows(layout(), "INVENTORYTRANS", 1500);
  EXPECT_EQ(UploadStaged(context(), "INVENTORYTRANS"), 1000);
  EXPECT_EQ(headOfficeRows("INVENTORYTRANS"), 1000);
  EXPECT_EQ(pendingAtBranch("INVENTORYTRANS"), 500);
  // The branch snapshot holds every pending row.
  EXPECT_EQ(countRows(harness_.branchYear(), "CentralizedData0012"), 1500);

  EXPECT_EQ(UploadStaged(context(), "INVENTORYTRANS"), 500);
  EXPECT_EQ(headOfficeRows("INVENTORYTRANS"), 1500);
  EXPECT_EQ(pendingAtBranch("INVENTORYTRANS"), 0);
  EXPECT_TRUE(harness_.branchErrorRows().empty());
}

TEST_F(StagedUploadTest, TmpRnoIsNumberedOnceAndKept) {
  execSql(harness_.branchYear(),
          "INSERT INTO PRODUCTION (Rno,RDate,TmpRno) VALUES (20,'2020-03-07',NULL);"
          "INSERT INTO PRODUCTION (Rno,RDate,TmpRno) VALUES (21,'2020-03-07',0);"
          "INSERT INTO PRODUCTION (Rno,RDate,TmpRno) VALUES (22,'2020-03-07',99);");
  EXPECT_EQ(UploadStaged(context(), "PRODUCTION"), 3);
  EXPECT_EQ(querySql(harness_.branchYear(), "SELECT TmpRno FROM PRODUCTION ORDER BY Rno"),
            (std::vector<sample::TextRow>{{"20"}, {"21"}, {"99"}}));
  EXPECT_EQ(querySql(harness_.headOfficeYear(), "SELECT TmpRno FROM PRODUCTION ORDER BY TmpRno"),
            (std::vector<sample::TextRow>{{"20"}, {"21"}, {"99"}}));
}

struct NullBranchCase {
  const char* table;
  const char* column;
  const char* label;
  const char* prefix;
  const char* otherTable;  // goes on in the same tick
};

class UploadNullBranchTest : public StagedUploadTest,
                             public ::testing::WithParamInterface<NullBranchCase> {};

TEST_P(UploadNullBranchTest, FailsThatMembersStepWithOneErrorRow) {
  const NullBranchCase& c = GetParam();
  sample::addPendingRows(layout(), c.table, 5);
  execSql(harness_.branchYear(), std::string("UPDATE ") + c.table + " SET " + c.column +
                                     "=NULL WHERE Rno=(SELECT max(Rno) FROM " + c.table + ")");
  sample::addPendingRows(layout(), c.otherTable, 2);

  EXPECT_EQ(UploadStaged(context(), c.table), 0);
  EXPECT_EQ(UploadStaged(context(), c.otherTable), 2);

  const auto errors = harness_.branchErrorRows();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0][0], c.label);
  EXPECT_EQ(errors[0][1].rfind(std::string(c.prefix) + "-", 0), 0u) << errors[0][1];
  EXPECT_NE(errors[0][1].find(c.column), std::string::npos) << errors[0][1];

  EXPECT_EQ(headOfficeRows(c.table), 0);
  EXPECT_EQ(countRows(harness_.headOfficeYear(), "CentralizedData0012"), 2);  // the other table's
  EXPECT_EQ(pendingAtBranch(c.table), 5);
  EXPECT_EQ(headOfficeRows(c.otherTable), 2);
  EXPECT_EQ(pendingAtBranch(c.otherTable), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Members, UploadNullBranchTest,
    ::testing::Values(
        NullBranchCase{"INDENT", "IndentBranch", "INDENTDOWNLOAD", "1", "JOBWORK"},
        NullBranchCase{"BRANCHINDENT", "IndentBranch", "BRANCHINDENTDOWNLOAD", "7", "INDENT"},
        NullBranchCase{"JOBWORK", "JobCardBranch", "JOBWORKDOWNLOAD", "1", "JOBWORKDETAILS"},
        NullBranchCase{"JOBWORKDETAILS", "JobCardBranch", "JOBWORKDETAILSDOWNLOAD", "1", "JOBWORK"}),
    [](const ::testing::TestParamInfo<NullBranchCase>& info) { return std::string(info.param.table); });

TEST_F(StagedUploadTest, FailureInsideTheCopyLoopRollsBackBothSidesAndStampsNothing) {
  sample::addPendingRows(layout(), "OUTSTANDING", 4);
  execSql(harness_.branchYear(),
          "UPDATE OUTSTANDING SET RDate='no date' WHERE Rno=(SELECT max(Rno) FROM OUTSTANDING)");
  EXPECT_EQ(UploadStaged(context(), "OUTSTANDING"), 0);

  const auto errors = harness_.branchErrorRows();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0][0], "OUTSTANDINGDOWNLOAD");
  EXPECT_EQ(errors[0][1].rfind("1-", 0), 0u) << errors[0][1];
  EXPECT_NE(errors[0][1].find("OUTSTANDING.RDate"), std::string::npos) << errors[0][1];
  EXPECT_EQ(pendingAtBranch("OUTSTANDING"), 4);
  EXPECT_EQ(countRows(harness_.branchYear(), "OUTSTANDING", "TransferedDate is not null"), 0);
  EXPECT_EQ(headOfficeRows("OUTSTANDING"), 0);
  EXPECT_EQ(countRows(harness_.headOfficeYear(), "CentralizedData0012"), 0);
  // TmpRno numbering and the branch snapshot ran before the transactions.
  EXPECT_EQ(countRows(harness_.branchYear(), "OUTSTANDING", "TmpRno=Rno"), 4);
  EXPECT_EQ(countRows(harness_.branchYear(), "CentralizedData0012"), 4);
}

// The branch refuses the stamp of the last pending row. The stamps travel
// in batches after the rows were staged; the last batch is sent before the
// first commit, so the head office rolls back too.
TEST_F(StagedUploadTest, AStampRefusedAtTheBranchRollsBackBothSides) {
  sample::addPendingRows(layout(), "OUTSTANDING", 1200);
  execSql(harness_.branchYear(),
          "CREATE TRIGGER refuse BEFORE UPDATE OF Transfered ON OUTSTANDING "
          "WHEN new.Rno=(SELECT max(Rno) FROM OUTSTANDING) BEGIN SELECT RAISE(ABORT, 'stamp refused'); END");
  EXPECT_EQ(UploadStaged(context(), "OUTSTANDING"), 0);

  const auto errors = harness_.branchErrorRows();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0][0], "OUTSTANDINGDOWNLOAD");
  EXPECT_NE(errors[0][1].find("stamp refused"), std::string::npos) << errors[0][1];
  EXPECT_EQ(pendingAtBranch("OUTSTANDING"), 1200);
  EXPECT_EQ(headOfficeRows("OUTSTANDING"), 0);
  EXPECT_EQ(countRows(harness_.headOfficeYear(), "CentralizedData0012"), 0);
}

struct MarkerCase {
  const char* table;
  const char* columns;
  const char* values;
};

class UploadMarkerTest : public StagedUploadTest,
                         public ::testing::WithParamInterface<MarkerCase> {};

TEST_P(UploadMarkerTest, RowArrivingMarkedXIsDeletedBySameStep) {
  const MarkerCase& c = GetParam();
  sample::addPendingRows(layout(), c.table, 2);
  execSql(branchFile(c.table), std::string("INSERT INTO ") + c.table + " (" + c.columns +
                                   ") VALUES (" + c.values + ")");
  EXPECT_EQ(UploadStaged(context(), c.table), 3);
  EXPECT_TRUE(harness_.branchErrorRows().empty());
  EXPECT_EQ(headOfficeRows(c.table), 2);
  EXPECT_EQ(pendingAtBranch(c.table), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Members, UploadMarkerTest,
    ::testing::Values(MarkerCase{"CASHCOUNTER", "CashCountercode,Active", "'X9','X'"},
                      MarkerCase{"CUSTOMER", "CusCode,de", "900,'X'"},
                      MarkerCase{"DPURCHASE", "RDate,de,BILLNo", "'2020-03-07','X','B900'"},
                      MarkerCase{"STAFFATTND", "Oper_Code,ADate,de", "900,'2020-03-07','x'"}),
    [](const ::testing::TestParamInfo<MarkerCase>& info) { return std::string(info.param.table); });

TEST_F(StagedUploadTest, SiteGateStopsMaterialAndOperatorLogForOtherCompanies) {
  sample::addPendingRows(layout(), "METERIAL", 2);
  sample::addPendingRows(layout(), "OPERATORLog", 2);
  for (const char* prefix : {"VEL", "ZEMRAS", ""}) {
    context().settings.companyPrefix = prefix;
    EXPECT_EQ(UploadStaged(context(), "METERIAL"), 0) << prefix;
    EXPECT_EQ(UploadStaged(context(), "OPERATORLog"), 0) << prefix;
  }
  EXPECT_FALSE(stagingTableExists(harness_.branchMain()));
  EXPECT_EQ(pendingAtBranch("METERIAL"), 2);
  EXPECT_EQ(pendingAtBranch("OPERATORLog"), 2);
  EXPECT_TRUE(harness_.branchErrorRows().empty());

  context().settings.companyPrefix = "zEmRa  ";
  EXPECT_EQ(UploadStaged(context(), "METERIAL"), 2);
  EXPECT_EQ(UploadStaged(context(), "OPERATORLog"), 2);
}

TEST_F(StagedUploadTest, MissingBranchTableLeavesTheStepWithoutAnErrorRow) {
  execSql(harness_.branchMain(), "DROP TABLE CASHCOUNTER");
  EXPECT_THROW(UploadStaged(context(), "CASHCOUNTER"), Failure);
  EXPECT_TRUE(harness_.branchErrorRows().empty());
}

class SeveralHeadOfficesTest : public StagedUploadTest {
 protected:
  SeveralHeadOfficesTest() : StagedUploadTest(twoHeadOffices) {}
  static sample::CompanyLayout twoHeadOffices(const std::filesystem::path& home) {
    sample::CompanyLayout layout = testing::defaultLayout(home, 7, false);
    sample::HeadOfficeSpec second;
    second.serverName = "HO2";
    second.companyPrefix = "HOB";
    second.branchNo = 2;
    layout.headOffices.push_back(second);
    return layout;
  }
};

TEST_F(SeveralHeadOfficesTest, ARowGoesToTheFirstHeadOfficeThatTakesIt) {
  sample::addPendingRows(layout(), "CUSTOMER", 2);
  sample::addPendingRows(layout(), "TYRETRANS", 2);
  EXPECT_EQ(UploadStaged(context(), "CUSTOMER"), 2);
  EXPECT_EQ(UploadStaged(context(), "TYRETRANS"), 2);
  harness_.connectHeadOffice(1);
  EXPECT_EQ(UploadStaged(context(), "CUSTOMER"), 0);
  EXPECT_EQ(UploadStaged(context(), "TYRETRANS"), 0);
  EXPECT_EQ(countRows(harness_.headOfficeMain(0), "CUSTOMER"), 2);
  EXPECT_EQ(countRows(harness_.headOfficeMain(1), "CUSTOMER"), 0);
  EXPECT_EQ(countRows(harness_.headOfficeYear(1), "TYRETRANS"), 0);
}

}  // namespace
}  // namespace velmora
