#include "transfer/transfer_conventions.h"

#include <gtest/gtest.h>

#include <new>

#include "support/scripted_connector.h"
#include "transfer/connection_string.h"

namespace velmora {
namespace {

using testing::ScriptedConnector;

TEST(TransferTexts, BranchNumbers) {
  EXPECT_EQ(branchNumberText(3), "3");
  EXPECT_EQ(branchNumberText(12), "12");
  EXPECT_EQ(branchNumberText(-1), "-1");
}

TEST(TransferTexts, DateAndTime) {
  DateTime d;
  d.year = 2020;
  d.month = 3;
  d.day = 5;
  d.hour = 14;
  d.minute = 7;
  d.second = 9;
  EXPECT_EQ(dateText(d), "05/Mar/2020");
  EXPECT_EQ(timeText(d), "14:07:09");
}

TEST(TransferTexts, StagingTable) {
  Settings s;
  s.siteId = "0012";
  EXPECT_EQ(stagingTableName(s), "CentralizedData0012");
  EXPECT_EQ(stagingDropStatement(s),
            "if exists (select * from sysobjects where type='v' and name='CentralizedData0012') "
            "drop view CentralizedData0012 else if exists (select * from sysobjects where "
            "type='u' and name='CentralizedData0012') drop table CentralizedData0012");
}

TEST(TransferTexts, LockStatements) {
  EXPECT_EQ(kCodeLock, "Update Code set ParamCode=ParamCode ");
  EXPECT_EQ(kBControlLock, "Update BControl set Lok=Lok");
  EXPECT_EQ(kBControlLockBlank, "Update BControl set Lok=Lok ");
  EXPECT_EQ(kBcontrolLockBlank, "Update Bcontrol set Lok=Lok ");
}

TEST(TransferTexts, FourPartNameReadsTheDatabaseAfresh) {
  auto connector = std::make_shared<ScriptedConnector>();
  AgentContext context(connector);
  context.cycle.linkedServer = "[HO1]";
  context.centralYear.open("Initial Catalog=HOA1920;Data Source=HO1");
  EXPECT_EQ(fourPartName(context, context.centralYear, "INDENT"), "[HO1].HOA1920.Dbo.INDENT");
}

class RunTransferStepTest : public ::testing::Test {
 protected:
  RunTransferStepTest() : connector(std::make_shared<ScriptedConnector>()), local(connector), central(connector) {
    local.open("Initial Catalog=LOCAL;Data Source=B");
    central.open("Initial Catalog=CENTRAL;Data Source=H");
  }
  std::shared_ptr<ScriptedConnector> connector;
  Connection local;
  Connection central;
  std::vector<std::string> recorded;
  void run(const std::function<void(StepTransactions&)>& body) {
    runTransferStep({local, central}, body,
                    [&](const Failure& f) { recorded.push_back(f.description()); });
  }
};

TEST_F(RunTransferStepTest, FailureInsideTransactionsRollsBackLocalThenCentralAndRecords) {
  run([&](StepTransactions& tx) {
    tx.begin();
    throw Failure(failure_number::kStatementFailed, "Invalid column name 'x'.");
  });
  ASSERT_EQ(recorded.size(), 1u);
  EXPECT_EQ(recorded[0], "Invalid column name 'x'.");
  const auto& e = connector->log.entries;
  ASSERT_GE(e.size(), 4u);
  EXPECT_EQ(e[e.size() - 2], "LOCAL: ROLLBACK");
  EXPECT_EQ(e[e.size() - 1], "CENTRAL: ROLLBACK");
}

TEST_F(RunTransferStepTest, FailureBeforeTransactionsLeavesWithTheOriginalFailure) {
  try {
    run([&](StepTransactions&) {
      throw Failure(failure_number::kLinkFailure, "Invalid object name 'INDENT'.");
    });
    FAIL() << "the failure must leave the step";
  } catch (const Failure& f) {
    EXPECT_EQ(f.number(), failure_number::kLinkFailure);
    EXPECT_EQ(f.description(), "Invalid object name 'INDENT'.");
  }
  EXPECT_TRUE(recorded.empty());
  EXPECT_FALSE(connector->log.contains("ROLLBACK"));
}

TEST_F(RunTransferStepTest, FailedCentralCommitAfterLocalCommitLeavesAndRollsBackCentral) {
  connector->fail("CENTRAL: COMMIT", Failure(failure_number::kLinkFailure, "link lost"));
  EXPECT_THROW(run([&](StepTransactions& tx) {
                 tx.begin();
                 tx.commitLocal();
                 tx.commitCentral();
               }),
               Failure);
  EXPECT_TRUE(recorded.empty());
  EXPECT_TRUE(connector->log.contains("CENTRAL: ROLLBACK"));
  EXPECT_FALSE(connector->log.contains("LOCAL: ROLLBACK"));
}

TEST_F(RunTransferStepTest, OtherExceptionsLeaveWithBothTransactionsRolledBack) {
  EXPECT_THROW(run([&](StepTransactions& tx) {
                 tx.begin();
                 throw std::bad_alloc();
               }),
               std::bad_alloc);
  EXPECT_TRUE(recorded.empty());
  EXPECT_TRUE(connector->log.contains("LOCAL: ROLLBACK"));
  EXPECT_TRUE(connector->log.contains("CENTRAL: ROLLBACK"));
}

TEST_F(RunTransferStepTest, FailureOfTheRecorderLeavesTheStep) {
  EXPECT_THROW(runTransferStep(
                   {local, central},
                   [&](StepTransactions& tx) {
                     tx.begin();
                     throw Failure(failure_number::kStatementFailed, "boom");
                   },
                   [&](const Failure&) { throw Failure(failure_number::kStatementFailed, "insert failed"); }),
               Failure);
}

TEST_F(RunTransferStepTest, SuccessRecordsNothing) {
  run([&](StepTransactions& tx) {
    tx.begin();
    tx.commitLocal();
    tx.commitCentral();
  });
  EXPECT_TRUE(recorded.empty());
  EXPECT_FALSE(connector->log.contains("ROLLBACK"));
}

TEST(ConnectionString, ParsesBothForms) {
  auto a = parseConnectionString(
      "Provider=SQLOLEDB.1;password=pw;Persist Security Info=true;User ID=sa;Initial "
      "Catalog=VELMAIN;Data Source=BRANCH");
  EXPECT_EQ(a.server, "BRANCH");
  EXPECT_EQ(a.database, "VELMAIN");
  EXPECT_EQ(a.user, "sa");
  EXPECT_FALSE(a.port.has_value());
  auto b = parseConnectionString(
      "Provider=SQLOLEDB.1;UID=sa;pwd=Secret;Persist Security Info=False;Initial "
      "Catalog=HOAMAIN;Data Source=192.168.10.20,0");
  EXPECT_EQ(b.server, "192.168.10.20");
  EXPECT_EQ(b.port, 0);
  EXPECT_EQ(b.database, "HOAMAIN");
  EXPECT_EQ(redactConnectionString("UID=sa;pwd=topsecret;Data Source=x").find("topsecret"),
            std::string::npos);
}

// A value written by connectionStringValue reads back whole, whatever it
// holds, and cannot change another key; plain values are written unchanged.
TEST(ConnectionString, QuotedValuesReadBackWhole) {
  const std::vector<std::string> values = {"plain", "pa;ss", "secret;UID=attacker", "\"quoted\"",
                                           "'single", "Loc4l;pw}x", " blank ", ""};
  for (const std::string& value : values) {
    SCOPED_TRACE(value);
    const auto p = parseConnectionString("Provider=SQLOLEDB.1;UID=sa;pwd=" + connectionStringValue(value) +
                                         ";Initial Catalog=" + connectionStringValue(value + "MAIN") +
                                         ";Data Source=" + connectionStringValue(value + ",0"));
    EXPECT_EQ(p.password, value);
    EXPECT_EQ(p.user, "sa");
    EXPECT_EQ(p.database, value + "MAIN");
    EXPECT_EQ(p.server, value);
    EXPECT_EQ(p.port, 0);
  }
  EXPECT_EQ(connectionStringValue("HOAMAIN"), "HOAMAIN");
  EXPECT_EQ(connectionStringValue("a;b\"c"), "\"a;b\"\"c\"");
}

// Plain database names stay as they are in the statements; any other name
// goes in brackets.
TEST(TransferConventions, DatabaseNamesThatAreNoPlainIdentifiersAreBracketed) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"HOAMAIN", "HOAMAIN"},     {"HOA2627", "HOA2627"},   {"_h@$#1", "_h@$#1"},
      {"HO-AMAIN", "[HO-AMAIN]"}, {"9HOMAIN", "[9HOMAIN]"}, {"HO]A", "[HO]]A]"},
      {"HO AMAIN", "[HO AMAIN]"}, {"ZEM'RA", "[ZEM'RA]"},
  };
  for (const auto& [name, text] : cases) EXPECT_EQ(databaseNameText(name), text) << name;
}

}  // namespace
}  // namespace velmora
