// The order in which the staged upload runs its statements, on which side,
// and what its failure paths do, against scripted sessions (branch VELMAIN
// and VEL1920, head office HOAMAIN and HOA1920).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "staged_upload/field_maps.h"
#include "staged_upload/staged_upload.h"
#include "staged_upload/upload_members.h"
#include "support/scripted_connector.h"

namespace velmora {
namespace {

using testing::ScriptedConnector;
using testing::ScriptedRows;

const DateTime kNow{2020, 3, 5, 14, 7, 9, 0};

class FixedClock : public Clock {
 public:
  DateTime now() const override { return kNow; }
};

std::string connectionString(const std::string& database) {
  return "Provider=SQLOLEDB.1;password=x;Persist Security Info=true;User ID=sa;"
         "Initial Catalog=" + database + ";Data Source=SRV";
}

// The columns a member's rows have at both sides: every column its map
// names, plus the stamp columns.
std::vector<std::string> memberColumns(std::string_view table) {
  std::vector<std::string> columns{"Rno", "Transfered", "TransferedDate", "TransferedTime"};
  const FieldMap& map = *findFieldMap(table);
  auto add = [&](std::string_view name) {
    for (const std::string& c : columns) {
      if (equalsIgnoreCase(c, name)) return;
    }
    columns.emplace_back(name);
  };
  for (const Assignment& a : map.own) add(a.target), add(a.source);
  for (const Assignment& a : map.trail) add(a.target), add(a.source);
  return columns;
}

class StagedUploadFlowTest : public ::testing::Test {
 protected:
  StagedUploadFlowTest()
      : connector_(std::make_shared<ScriptedConnector>()),
        context_(connector_, std::make_shared<FixedClock>()) {
    context_.settings.siteId = "0012";
    context_.settings.branchNo = 7;
    context_.settings.companyPrefix = " Zemra ";
    context_.settings.localServer = "SRV";
    context_.settings.localPassword = "x";
    context_.localMain.open(connectionString("VELMAIN"));
    context_.localYear.open(connectionString("VEL1920"));
    context_.centralMain->open(connectionString("HOAMAIN"));
    context_.centralYear.open(connectionString("HOA1920"));
    context_.cycle.linkedServer = "[HO1]";
    context_.cycle.centralBranchNo = 1;
    context_.cycle.centralConnected = true;
    connector_->log.entries.clear();
  }

  void pendingRow() {
    connector_->answer("Select Top 1 Rno From", ScriptedRows{{"Rno"}, {{Value::integer(5)}}});
  }
  void branchColumns() {
    connector_->answer("INFORMATION_SCHEMA.COLUMNS",
                       ScriptedRows{{"COLUMN_NAME", "TABLE_NAME"},
                                    {{Value::text("Code"), Value::text("T")},
                                     {Value::text("Name"), Value::text("T")}}});
  }
  // `count` source rows of `table`, every column null but `overrides`.
  void sourceRows(std::string_view table, int count,
                  const std::vector<std::pair<std::string, Value>>& overrides = {}) {
    ScriptedRows rows;
    rows.columns = memberColumns(table);
    for (int i = 0; i < count; ++i) {
      std::vector<Value> row(rows.columns.size());
      row[0] = Value::integer(i + 1);
      for (const auto& [name, value] : overrides) {
        for (std::size_t c = 0; c < rows.columns.size(); ++c) {
          if (equalsIgnoreCase(rows.columns[c], name)) row[c] = value;
        }
      }
      rows.rows.push_back(std::move(row));
    }
    connector_->answer(sourceStatement(*findUploadMember(table)), rows);
    ScriptedRows staging;
    staging.columns = memberColumns(table);
    connector_->answer("Select * from CentralizedData0012 ", staging);
  }

  // The log as short tags: which side ran what.
  std::vector<std::string> tags() const {
    struct Tag {
      const char* fragment;
      const char* tag;
    };
    static const Tag kTags[] = {
        {"INSERT INTO ERRTABLE", "error row"},
        {": Delete from ", "C delete"},
        {"? Select Top 1 Rno From ", "L probe"},
        {"? select COLUMN_NAME", "L columns"},
        {" set TmpRno=Rno ", "L numbering"},
        {"MAIN: if exists (select * from sysobjects", "drop"},
        {"1920: if exists (select * from sysobjects", "drop"},
        {"Where 1=2 ", "C build"},
        {": Select * into CentralizedData0012", "L snapshot"},
        {": BEGIN", "BEGIN"},
        {": COMMIT", "COMMIT"},
        {": ROLLBACK", "ROLLBACK"},
        {": Update Code set ParamCode=ParamCode ", "lock"},
        {": Update BControl set Lok=Lok", "lock"},
        {": Update Bcontrol set Lok=Lok", "lock"},
        {"? Select * From ", "L source"},
        {"? Select top 1000 * From ", "L source"},
        {"? Select * from CentralizedData0012 ", "C staging"},
        {"='X' ", "C mark"},
        {": Insert into ", "C insert"},
        {"='Y' ", "C BR"},
    };
    std::vector<std::string> out;
    for (const std::string& entry : connector_->log.entries) {
      std::string tag = "? " + entry;
      for (const Tag& t : kTags) {
        if (entry.find(t.fragment) != std::string::npos) {
          tag = t.tag;
          break;
        }
      }
      const std::string side = entry.substr(0, entry.find_first_of(":?"));
      out.push_back(side + " " + tag);
    }
    return out;
  }

  std::shared_ptr<ScriptedConnector> connector_;
  AgentContext context_;
};

TEST_F(StagedUploadFlowTest, RunsTheStagesInOrderOnTheirSides) {
  pendingRow();
  branchColumns();
  sourceRows("METERIAL", 2);
  EXPECT_EQ(UploadStaged(context_, "METERIAL"), 2);
  const std::vector<std::string> expected = {
      "VELMAIN L probe",   "VELMAIN L columns", "VELMAIN drop",      "VELMAIN L snapshot",
      "HOAMAIN drop",      "HOAMAIN C build",   "VELMAIN BEGIN",     "HOAMAIN BEGIN",
      "VELMAIN lock",      "HOAMAIN lock",      "VELMAIN L source",  "HOAMAIN C staging",
      "HOAMAIN C mark",    "HOAMAIN C insert",  "HOAMAIN C delete",  "HOAMAIN C BR",
      "HOAMAIN COMMIT",    "VELMAIN COMMIT"};
  EXPECT_EQ(tags(), expected);
  EXPECT_EQ(context_.cycle.columnList, "Code,Name");
}

TEST_F(StagedUploadFlowTest, YearMembersNumberTheirRowsBeforeTheSnapshot) {
  pendingRow();
  branchColumns();
  sourceRows("INDENT", 1, {{"IndentBranch", Value::integer(7)}});
  EXPECT_EQ(UploadStaged(context_, "INDENT"), 1);
  const std::vector<std::string> expected = {
      "VEL1920 L probe",  "VEL1920 L columns", "VEL1920 L numbering", "VEL1920 drop",
      "VEL1920 L snapshot", "HOA1920 drop",    "HOA1920 C build",     "VEL1920 BEGIN",
      "HOA1920 BEGIN",    "VEL1920 lock",      "HOA1920 lock",        "VEL1920 L source",
      "HOA1920 C staging", "HOA1920 C mark",   "HOA1920 C insert",    "HOA1920 C delete",
      "HOA1920 C BR",     "HOA1920 COMMIT",    "VEL1920 COMMIT"};
  EXPECT_EQ(tags(), expected);
}

TEST_F(StagedUploadFlowTest, InsertOnlyMemberRunsNoMarkDeleteOrBr) {
  pendingRow();
  branchColumns();
  sourceRows("OPERATORLog", 3);
  EXPECT_EQ(UploadStaged(context_, "OPERATORLog"), 3);
  const std::vector<std::string> got = tags();
  const std::vector<std::string> tail(got.end() - 3, got.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"HOAMAIN C insert", "HOAMAIN COMMIT", "VELMAIN COMMIT"}));
  EXPECT_EQ(connector_->log.count("='X'"), 0u);
  EXPECT_EQ(connector_->log.count("Delete from"), 0u);
}

TEST_F(StagedUploadFlowTest, CashCounterSetsTheHeadOfficeNumber) {
  pendingRow();
  branchColumns();
  sourceRows("CASHCOUNTER", 1);
  EXPECT_EQ(UploadStaged(context_, "CASHCOUNTER"), 1);
  EXPECT_TRUE(connector_->log.contains("HOAMAIN: Update CASHCOUNTER set BR1='Y' "));
}

TEST_F(StagedUploadFlowTest, OtherMembersSetTheBranchNumber) {
  pendingRow();
  branchColumns();
  sourceRows("CUSTOMER", 1);
  EXPECT_EQ(UploadStaged(context_, "CUSTOMER"), 1);
  EXPECT_TRUE(connector_->log.contains("HOAMAIN: Update CUSTOMER set BR7='Y' "));
}

TEST_F(StagedUploadFlowTest, NoPendingRowEndsTheStepAfterTheProbe) {
  branchColumns();
  EXPECT_EQ(UploadStaged(context_, "CUSTOMER"), 0);
  EXPECT_EQ(tags(), std::vector<std::string>{"VELMAIN L probe"});
  EXPECT_TRUE(context_.cycle.columnList.empty());
}

TEST_F(StagedUploadFlowTest, ClosedSiteGateRunsNothing) {
  pendingRow();
  context_.settings.companyPrefix = "VEL";
  EXPECT_EQ(UploadStaged(context_, "METERIAL"), 0);
  EXPECT_EQ(UploadStaged(context_, "OPERATORLog"), 0);
  EXPECT_TRUE(connector_->log.entries.empty());
}

TEST_F(StagedUploadFlowTest, UnknownTableFailsWithoutTouchingAnyDatabase) {
  EXPECT_THROW(UploadStaged(context_, "BANKMASTER"), Failure);
  EXPECT_TRUE(connector_->log.entries.empty());
}

struct InsideFailureCase {
  const char* table;
  const char* failingFragment;  // empty: fail in the copy loop through a bad date
  const char* label;
  const char* prefix;
  const char* mainOrYear;
};

class StagedUploadInsideFailureTest : public StagedUploadFlowTest,
                                      public ::testing::WithParamInterface<InsideFailureCase> {};

// A failure once the transactions are open rolls back the branch, then the
// head office, and writes one error row through the branch's main database.
TEST_P(StagedUploadInsideFailureTest, RollsBackBothSidesAndWritesOneErrorRow) {
  const InsideFailureCase& c = GetParam();
  pendingRow();
  branchColumns();
  if (std::string(c.failingFragment).empty()) {
    sourceRows(c.table, 3, {{"RDate", Value::text("not a date")}, {"Updated", Value::text("never")},
                            {"IndentBranch", Value::integer(7)}});
  } else {
    sourceRows(c.table, 3, {{"IndentBranch", Value::integer(7)}});
    connector_->fail(c.failingFragment,
                     Failure(failure_number::kStatementFailed, "Invalid column name 'Extra'."));
  }
  EXPECT_EQ(UploadStaged(context_, c.table), 0);

  const std::string local = std::string("VEL") + c.mainOrYear;
  const std::string central = std::string("HOA") + c.mainOrYear;
  const std::vector<std::string> got = tags();
  ASSERT_GE(got.size(), 3u);
  EXPECT_EQ(got[got.size() - 3], local + " ROLLBACK");
  EXPECT_EQ(got[got.size() - 2], central + " ROLLBACK");
  EXPECT_EQ(got.back(), "VELMAIN error row");
  EXPECT_EQ(connector_->log.count("COMMIT"), 0u);
  const std::string& errorRow = connector_->log.entries.back();
  EXPECT_NE(errorRow.find(std::string("VALUES('") + c.label + "','" + c.prefix + "-"),
            std::string::npos)
      << errorRow;
}

INSTANTIATE_TEST_SUITE_P(
    Members, StagedUploadInsideFailureTest,
    ::testing::Values(
        InsideFailureCase{"CUSTOMER", "HOAMAIN: Update CUSTOMER set BR7", "CUSTOMERMASTERDOWNLOAD", "1", "MAIN"},
        InsideFailureCase{"BRANCHINDENT", "HOA1920: Insert into BRANCHINDENT", "BRANCHINDENTDOWNLOAD", "7", "1920"},
        InsideFailureCase{"INDENT", "VEL1920: Update BControl", "INDENTDOWNLOAD", "1", "1920"},
        InsideFailureCase{"PRODUCTION", "", "PRODUCTIONDOWNLOAD", "1", "1920"},
        InsideFailureCase{"METERIAL", "", "METERIALDOWNLOAD", "1", "MAIN"}),
    [](const ::testing::TestParamInfo<InsideFailureCase>& info) {
      return std::string(info.param.table) + (info.param.failingFragment[0] ? "Statement" : "CopyLoop");
    });

TEST_F(StagedUploadFlowTest, ConversionFailureNamesTheTableAndColumn) {
  pendingRow();
  branchColumns();
  sourceRows("JOBWORK", 1);  // JobCardBranch null
  EXPECT_EQ(UploadStaged(context_, "JOBWORK"), 0);
  const std::string& errorRow = connector_->log.entries.back();
  EXPECT_NE(errorRow.find("'1-Invalid use of Null (JOBWORK.JobCardBranch)'"), std::string::npos)
      << errorRow;
}

TEST_F(StagedUploadFlowTest, FailureBeforeTheTransactionsLeavesTheStepWithoutAnErrorRow) {
  pendingRow();
  branchColumns();
  connector_->fail("HOAMAIN: Select * into", Failure(failure_number::kStatementFailed, "no table"));
  EXPECT_THROW(UploadStaged(context_, "CUSTOMER"), Failure);
  EXPECT_EQ(connector_->log.count("ERRTABLE"), 0u);
  EXPECT_EQ(connector_->log.count("BEGIN"), 0u);
}

}  // namespace
}  // namespace velmora
