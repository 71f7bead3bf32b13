#include "cycle/sync_cycle.h"

#include <gtest/gtest.h>

#include "cycle/step_table.h"
#include "support/agent_harness.h"
#include "support/scripted_connector.h"

namespace velmora {
namespace {

using testing::RecordingView;
using testing::ScriptedConnector;

HeadOfficeRow headOffice(std::string branch, std::string name, std::string server,
                         std::string compId, std::string address) {
  HeadOfficeRow row;
  row[0] = "H";
  row[1] = std::move(branch);
  row[2] = std::move(name);
  row[3] = std::move(server);
  row[4] = "sa";
  row[5] = "pw";
  row[6] = std::move(compId);
  row[7] = std::move(address);
  row[8] = "";
  row[9] = "Y";
  return row;
}

class SyncCycleTest : public ::testing::Test {
 protected:
  SyncCycleTest() : connector(std::make_shared<ScriptedConnector>()), context(connector) {
    context.settings.siteId = "0012";
    context.settings.branchNo = 7;
    context.localMain.open("Initial Catalog=VELMAIN;Data Source=BRANCH");
    context.localYear.open("Initial Catalog=VEL1920;Data Source=BRANCH");
  }

  SyncCycle cycle(bool connects = true) {
    return SyncCycle(context, view, [this, connects](AgentContext& c, const CentralArguments& a) {
      calls.push_back(a);
      if (!connects) return;
      if (c.centralYear.isOpen()) c.centralYear.close();
      c.centralMain->open("Initial Catalog=" + a.mainDatabase + ";Data Source=" + a.server);
      c.centralYear.open("Initial Catalog=" + c.cycle.centralYearDatabase + ";Data Source=" + a.server);
      c.cycle.centralConnected = true;
    });
  }

  std::shared_ptr<ScriptedConnector> connector;
  AgentContext context;
  RecordingView view;
  std::vector<CentralArguments> calls;
};

TEST_F(SyncCycleTest, RunsAllStepsWithTheirStatusTextsThenRelaxes) {
  context.headOffices.push_back(headOffice("1", "head office", "ho1", "hoa", ""));
  cycle().tick();
  ASSERT_EQ(view.statuses.size(), 49u);
  for (std::size_t i = 0; i < kStepTable.size(); ++i) EXPECT_EQ(view.statuses[i], kStepTable[i].status);
  EXPECT_EQ(view.statuses.back(), "RELAX.............................");
  EXPECT_EQ(view.captions.back(),
            "HEAD OFFICE(1)\r\nHO1\r\nHOA\r\n\r\n\r\n Connection Verify  Success.");
  EXPECT_EQ(context.cycle.linkedServer, "[ho1]");
  EXPECT_EQ(context.cycle.centralBranchNo, 1);
  EXPECT_EQ(context.cycle.centralYearDatabase, "hoa1920");
  EXPECT_EQ(view.refreshes, 1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_FALSE(calls[0].byAddress);
  EXPECT_EQ(calls[0].mainDatabase, "hoaMAIN");
  EXPECT_EQ(calls[0].port, "0");
}

TEST_F(SyncCycleTest, ChoosesAddressOnlyWhenItHasTenCharacters) {
  context.headOffices.push_back(headOffice("1", "a", "HO1", "HOA", "192.168.10.20"));
  context.headOffices.push_back(headOffice("2", "b", "HO2", "HOB", "10.0.0.1"));
  context.headOffices.push_back(headOffice("3", "c", "", "HOC", "10.0.0.1"));
  cycle(false).tick();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_TRUE(calls[0].byAddress);
  EXPECT_EQ(calls[0].server, "192.168.10.20");
  EXPECT_FALSE(calls[1].byAddress);
  EXPECT_EQ(calls[1].server, "HO2");
  EXPECT_TRUE(view.statuses.empty());
  EXPECT_FALSE(connector->log.contains("INSERT INTO ERRTABLE"));
}

TEST_F(SyncCycleTest, EmptyListStillRefreshesTheDisplay) {
  cycle().tick();
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(view.refreshes, 1);
}

TEST_F(SyncCycleTest, BranchThatIsNoNumberWritesMainErrorAfterSuccess) {
  context.headOffices.push_back(headOffice("X1", "a", "HO1", "HOA", ""));
  context.headOffices.push_back(headOffice("99999", "b", "HO2", "HOB", ""));
  cycle().tick();
  EXPECT_EQ(connector->log.count("INSERT INTO ERRTABLE (Module,MESSAGE,UPDATED,UPTIME) VALUES('MAINERROR','0-"), 2u);
  EXPECT_NE(view.captions.back().find(" Success."), std::string::npos);
  EXPECT_EQ(view.statuses.size(), 2u);  // the first step of each row, then skipped
}

TEST_F(SyncCycleTest, LinkFailureInAStepShowsFailureAndWritesNoRow) {
  context.headOffices.push_back(headOffice("1", "a", "HO1", "HOA", ""));
  context.headOffices.push_back(headOffice("2", "b", "HO2", "HOB", ""));
  connector->fail("HOAMAIN? Select Top 1 Rno From BANKMASTER",
                  Failure(failure_number::kLinkFailure, "General network error."));
  cycle().tick();
  EXPECT_FALSE(connector->log.contains("VALUES('MAINERROR'"));
  // The first head office ends with both verdicts; the second runs fully.
  EXPECT_NE(std::find(view.captions.begin(), view.captions.end(),
                      "A(1)\r\nHO1\r\nHOA\r\n\r\n\r\n Connection Verify  Success. Failure."),
            view.captions.end());
  EXPECT_EQ(view.statuses.back(), "RELAX.............................");
}

TEST_F(SyncCycleTest, OtherFailureBeforeTransactionsWritesMainErrorWithItsCause) {
  context.headOffices.push_back(headOffice("4", "a", "HO1", "HOA", ""));
  connector->fail("HOAMAIN? Select Top 1 Rno From BANKMASTER",
                  Failure(failure_number::kStatementFailed, "Invalid object name 'BANKMASTER'."));
  cycle().tick();
  EXPECT_TRUE(connector->log.contains(
      "VALUES('MAINERROR','4-Invalid object name ''BANKMASTER''.','"));
  EXPECT_EQ(view.statuses.size(), 1u);
}

TEST_F(SyncCycleTest, UnwritableMainErrorIsReportedAndTheTickGoesOn) {
  context.headOffices.push_back(headOffice("4", "a", "HO1", "HOA", ""));
  context.headOffices.push_back(headOffice("5", "b", "HO2", "HOB", ""));
  connector->fail("HOAMAIN? Select Top 1 Rno From BANKMASTER",
                  Failure(failure_number::kStatementFailed, "cause"));
  connector->fail("VELMAIN: INSERT INTO ERRTABLE", Failure(failure_number::kStatementFailed, "log full"));
  cycle().tick();
  EXPECT_EQ(view.unlogged.size(), 2u);
  EXPECT_EQ(view.statuses.back(), "RELAX.............................");
}

TEST_F(SyncCycleTest, LinkedServerDoublesClosingBrackets) {
  context.headOffices.push_back(headOffice("1", "a", "HO]1", "HOA", ""));
  cycle().tick();
  EXPECT_EQ(context.cycle.linkedServer, "[HO]]1]");
}

struct BranchNumberCase {
  const char* text;
  int expected;  // or -99999 for a failure
};

class HeadOfficeBranchNumberTest : public ::testing::TestWithParam<BranchNumberCase> {};

TEST_P(HeadOfficeBranchNumberTest, Converts) {
  const auto& c = GetParam();
  if (c.expected == -99999) {
    try {
      headOfficeBranchNumber(c.text);
      FAIL() << c.text;
    } catch (const Failure& f) {
      EXPECT_NE(f.number(), failure_number::kLinkFailure);
      EXPECT_FALSE(f.description().empty());
    }
  } else {
    EXPECT_EQ(headOfficeBranchNumber(c.text), c.expected) << c.text;
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, HeadOfficeBranchNumberTest,
                         ::testing::Values(BranchNumberCase{"1", 1}, BranchNumberCase{" 12 ", 12},
                                           BranchNumberCase{"2.5", 2}, BranchNumberCase{"3.5", 4},
                                           BranchNumberCase{"-1", -1},
                                           BranchNumberCase{"32767", 32767},
                                           BranchNumberCase{"32768", -99999},
                                           BranchNumberCase{"", -99999},
                                           BranchNumberCase{"1A", -99999},
                                           BranchNumberCase{"0x10", -99999},
                                           BranchNumberCase{"inf", -99999},
                                           BranchNumberCase{"+7", 7}));

}  // namespace
}  // namespace velmora
