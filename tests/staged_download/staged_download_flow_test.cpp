// The order in which the staged download runs its statements, on which
// connection, and what its failure paths leave behind, against scripted
// sessions (branch year database VEL1920, head office's HOA1920).
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "transfer/error_log.h"
#include "staged_download/download_members.h"
#include "staged_download/download_statements.h"
#include "staged_download/staged_download.h"
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

class StagedDownloadFlowTest : public ::testing::Test {
 protected:
  StagedDownloadFlowTest()
      : connector_(std::make_shared<ScriptedConnector>()),
        context_(connector_, std::make_shared<FixedClock>()) {
    context_.settings.siteId = "0012";
    context_.settings.branchNo = 7;
    context_.settings.localServer = "SRV";
    context_.settings.localPassword = "x";
    context_.localMain.open(connectionString("VELMAIN"));
    context_.localYear.open(connectionString("VEL1920"));
    context_.centralYear.open(connectionString("HOA1920"));
    context_.cycle.linkedServer = "[HO1]";
    context_.cycle.centralBranchNo = 1;
    context_.cycle.centralConnected = true;
    connector_->log.entries.clear();
  }

  void pendingRow() { connector_->answer("Select Top 1 Rno From", ScriptedRows{{"Rno"}, {{Value::integer(5)}}}); }
  void branchColumns() {
    connector_->answer("INFORMATION_SCHEMA.COLUMNS",
                       ScriptedRows{{"COLUMN_NAME", "TABLE_NAME"},
                                    {{Value::text("IndentNo"), Value::text("T")},
                                     {Value::text("Amount"), Value::text("T")}}});
  }

  // The log as short tags: which side ran what.
  std::vector<std::string> tags() const {
    struct Tag {
      const char* fragment;
      const char* tag;
    };
    static const Tag kTags[] = {
        {"HOA1920? Select Top 1 Rno From ", "C probe"},
        {"VEL1920? select COLUMN_NAME, TABLE_NAME", "L columns"},
        {"HOA1920? select COLUMN_NAME, DATA_TYPE", "C types"},
        {"HOA1920: Update BControl set Lok=Lok ", "C lock+blank"},
        {"HOA1920: Update BControl set Lok=Lok", "C lock"},
        {"VEL1920: Update BControl set Lok=Lok", "L lock"},
        {" set TmpRno=Rno ", "C numbering"},
        {"HOA1920: if exists (select * from sysobjects", "C drop"},
        {"HOA1920: Select * into CentralizedData0012", "C build"},
        {"HOA1920? Select count(*) From CentralizedData0012", "C count"},
        {"VEL1920: BEGIN", "L BEGIN"},
        {"HOA1920: BEGIN", "C BEGIN"},
        {"VEL1920: COMMIT", "L COMMIT"},
        {"HOA1920: COMMIT", "C COMMIT"},
        {"VEL1920: ROLLBACK", "L ROLLBACK"},
        {"HOA1920: ROLLBACK", "C ROLLBACK"},
        {"set de='X'", "L mark"},
        {"VEL1920: Insert into ", "L insert"},
        {"VEL1920: Delete from ", "L delete"},
        {" set Transfered='Y'", "L stamp"},
        {"HOA1920: Update ", "C flag"},
        {"VELMAIN: ", "error row"},
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
      out.push_back(tag);
    }
    return out;
  }

  std::shared_ptr<ScriptedConnector> connector_;
  AgentContext context_;
};

struct FlowCase {
  const char* table;
  std::vector<std::string> tags;
};

void PrintTo(const FlowCase& flow, std::ostream* out) { *out << flow.table; }

const std::vector<std::string> kTransactionTail = {
    "L mark", "L insert", "L delete", "L stamp", "C flag", "L COMMIT", "C COMMIT"};

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class StagedDownloadOrderTest : public StagedDownloadFlowTest,
                                public ::testing::WithParamInterface<FlowCase> {};

TEST_P(StagedDownloadOrderTest, RunsTheStagesInOrderOnTheirSides) {
  pendingRow();
  branchColumns();
  connector_->answer("Select count(*) From", ScriptedRows{{""}, {{Value::integer(3)}}});
  EXPECT_EQ(DownloadStaged(context_, GetParam().table), 3);
  EXPECT_EQ(tags(), concat(GetParam().tags, kTransactionTail));
  EXPECT_EQ(context_.cycle.columnList, "IndentNo,Amount");
}

// Numbered before the build, then the staged copy and the table again after it.
const std::vector<std::string> kBuildNumbered = {
    "C probe", "L columns", "C types", "C drop", "C numbering", "C build", "C count", "C numbering", "C numbering",
    "L BEGIN", "C BEGIN", "L lock", "C lock"};
const std::vector<std::string> kUnnumbered = {
    "C probe", "L columns", "C types", "C drop", "C build", "C count",
    "L BEGIN", "C BEGIN", "L lock", "C lock"};

INSTANTIATE_TEST_SUITE_P(
    AllMembers, StagedDownloadOrderTest,
    ::testing::Values(
        FlowCase{"INDENT", kBuildNumbered},
        FlowCase{"JOBWORK", kBuildNumbered},
        FlowCase{"JOBWORKDETAILS", kBuildNumbered},
        FlowCase{"BRANCHINDENT", kUnnumbered},
        FlowCase{"INVENTORYTRANS", kUnnumbered},
        // Numbered before its staging build, outside the transactions.
        FlowCase{"OUTSTANDING", kBuildNumbered},
        // Locks the head office only, with the blank-ended statement.
        FlowCase{"ACHEADMASTER", {"C probe", "L columns", "C types", "C drop", "C build", "C count",
                                  "L BEGIN", "C BEGIN", "C lock+blank"}},
        FlowCase{"VEHICLEEXPENSES", {"C probe", "L columns", "C types", "C numbering", "C drop", "C build",
                                     "C count", "C numbering", "C numbering", "L BEGIN", "C BEGIN",
                                     "L lock", "C lock"}}),
    [](const ::testing::TestParamInfo<FlowCase>& info) { return std::string(info.param.table); });

TEST_F(StagedDownloadFlowTest, ProbeFindingNothingEndsTheStepAtOnce) {
  branchColumns();
  EXPECT_EQ(DownloadStaged(context_, "VEHICLEEXPENSES"), 0);
  EXPECT_EQ(tags(), std::vector<std::string>{"C probe"});
  EXPECT_TRUE(context_.cycle.columnList.empty());
}

TEST_F(StagedDownloadFlowTest, StatementsCarryTheSettingsAndTheHeadOfficeDatabase) {
  pendingRow();
  connector_->answer("DATA_TYPE", ScriptedRows{{"COLUMN_NAME", "DATA_TYPE"},
                                               {{Value::text("AMOUNT"), Value::text("ntext")}}});
  branchColumns();
  DownloadStaged(context_, "INDENT");
  const DownloadMember& indent = *findDownloadMember("INDENT");
  const std::string staging = "[HO1].HOA1920.Dbo.CentralizedData0012";
  const auto& log = connector_->log;
  EXPECT_TRUE(log.contains("HOA1920? " + probeStatement(indent, "7")));
  EXPECT_TRUE(log.contains("HOA1920: " + stagingBuildStatement(indent, "7", "0012")));
  EXPECT_TRUE(log.contains("VEL1920: " + markStatement(indent, "7", staging)));
  EXPECT_TRUE(log.contains("VEL1920: " + insertStatement(indent, "7", "IndentNo,Amount", staging)));
  EXPECT_TRUE(log.contains("VEL1920: " + branchStampStatement(indent, "7", staging)));
  // The flag compares the head office's ntext column through nvarchar(max).
  EXPECT_TRUE(log.contains("HOA1920? " + uncomparableColumnQuery("INDENT")));
  EXPECT_TRUE(log.contains("HOA1920: " + flagStatement(indent, "7", "0012", "05/Mar/2020", "14:07:09",
                                                       {{"IndentNo", ""}, {"Amount", "nvarchar(max)"}})));
}

TEST_F(StagedDownloadFlowTest, UnknownTableFailsWithoutTouchingAnyDatabase) {
  EXPECT_THROW(DownloadStaged(context_, "CUSTOMER"), Failure);
  EXPECT_TRUE(connector_->log.entries.empty());
}

struct InsideFailureCase {
  const char* table;
  const char* failingFragment;
  const char* prefix;
};

void PrintTo(const InsideFailureCase& failure, std::ostream* out) { *out << failure.table; }

class StagedDownloadInsideFailureTest : public StagedDownloadFlowTest,
                                        public ::testing::WithParamInterface<InsideFailureCase> {};

// A failure once the transactions are open rolls back the branch, then the
// head office, and writes one error row with the member's label and prefix.
TEST_P(StagedDownloadInsideFailureTest, RollsBackBothSidesAndWritesOneErrorRow) {
  pendingRow();
  branchColumns();
  const Failure failure(failure_number::kStatementFailed, "Invalid column name 'Extra'.");
  connector_->fail(GetParam().failingFragment, failure);
  EXPECT_EQ(DownloadStaged(context_, GetParam().table), 0);

  const std::vector<std::string> got = tags();
  ASSERT_GE(got.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(got.end() - 3, got.end()),
            (std::vector<std::string>{"L ROLLBACK", "C ROLLBACK", "error row"}));
  EXPECT_EQ(connector_->log.count("COMMIT"), 0u);
  const DownloadMember& member = *findDownloadMember(GetParam().table);
  EXPECT_EQ(connector_->log.entries.back(),
            "VELMAIN: " + errorRowInsert(member.label, GetParam().prefix, failure.description(), kNow));
}

INSTANTIATE_TEST_SUITE_P(
    Members, StagedDownloadInsideFailureTest,
    ::testing::Values(InsideFailureCase{"INDENT", "VEL1920: Insert into", "7"},
                      InsideFailureCase{"JOBWORK", "VEL1920: Update BControl", "7"},
                      InsideFailureCase{"JOBWORKDETAILS", "HOA1920: Update JOBWORKDETAILS set BR7", "7"},
                      InsideFailureCase{"BRANCHINDENT", "set de='X'", "7"},
                      InsideFailureCase{"INVENTORYTRANS", "VEL1920: Insert into", "1"},
                      InsideFailureCase{"OUTSTANDING", "VEL1920: Delete from", "1"},
                      InsideFailureCase{"ACHEADMASTER", "HOA1920: Update BControl", "1"},
                      InsideFailureCase{"VEHICLEEXPENSES", "set Transfered='Y'", "7"}),
    [](const ::testing::TestParamInfo<InsideFailureCase>& info) {
      return std::string(info.param.table);
    });

struct OutsideFailureCase {
  const char* failingFragment;
  std::vector<std::string> tags;
};

void PrintTo(const OutsideFailureCase& failure, std::ostream* out) {
  *out << failure.failingFragment;
}

class StagedDownloadOutsideFailureTest
    : public StagedDownloadFlowTest,
      public ::testing::WithParamInterface<OutsideFailureCase> {};

// A failure before the transactions leaves the step as it was raised: no
// rollback, no error row; what ran before it stays done.
TEST_P(StagedDownloadOutsideFailureTest, LeavesTheStepWithTheOriginalFailure) {
  pendingRow();
  branchColumns();
  connector_->fail(GetParam().failingFragment,
                   Failure(failure_number::kLinkFailure, "Communication link failure"));
  try {
    DownloadStaged(context_, "INDENT");
    FAIL() << "the failure did not leave the step";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), failure_number::kLinkFailure);
    EXPECT_EQ(failure.description(), "Communication link failure");
  }
  EXPECT_EQ(tags(), GetParam().tags);
}

INSTANTIATE_TEST_SUITE_P(
    Stages, StagedDownloadOutsideFailureTest,
    ::testing::Values(
        OutsideFailureCase{"HOA1920? Select Top 1", {"C probe"}},
        OutsideFailureCase{"HOA1920: Select * into",
                           {"C probe", "L columns", "C types", "C drop", "C numbering", "C build"}},
        OutsideFailureCase{"VEL1920: BEGIN",
                           {"C probe", "L columns", "C types", "C drop", "C numbering", "C build", "C count",
                            "C numbering", "C numbering", "L BEGIN"}}));

}  // namespace
}  // namespace velmora
