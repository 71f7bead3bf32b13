// The business application keeps writing while the agent runs a step. Rows it
// enters in the gaps between a step's statements that run outside the
// transactions (numbering, staging) must neither be lost nor reach the other
// side in a form that a later delivery of the same row cannot replace.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "sample_company.h"
#include "sample_sql.h"
#include "support/agent_harness.h"
#include "support/agent_run.h"
#include "support/faulty_connector.h"

namespace velmora::testing {
namespace {

using sample::countRows;
using sample::execSql;

class ConcurrentWritersTest : public ::testing::Test {
 protected:
  ConcurrentWritersTest() : layout_(defaultLayout(folder_.path(), 7, false)) {
    sample::layOutCompany(layout_);
  }

  // Starts the agent; `before` runs just before each database operation the
  // agent sends, named as "execute <statement>", "open <statement>", ...
  void startAgent(std::function<void(const std::string&)> before) {
    agent_ = std::make_unique<AgentRun>(layout_.home, "0012", [&](std::shared_ptr<Connector> inner) {
      auto observed = std::make_shared<FaultyConnector>(std::move(inner));
      observed->setObserver(before);
      return observed;
    });
  }

  std::filesystem::path branchYear() const {
    return sample::databaseFile(layout_, layout_.branchServer, "VEL1920");
  }
  std::filesystem::path headOfficeYear() const {
    return sample::databaseFile(layout_, "HO1", "HOA1920");
  }

  TempFolder folder_;
  sample::CompanyLayout layout_;
  std::unique_ptr<AgentRun> agent_;
};

// A branch row entered after the upload's numbering and before its
// transactions: uploaded once, and replaced (not duplicated) when it changes.
TEST_F(ConcurrentWritersTest, BranchRowEnteredDuringAnUploadIsReplacedWhenItChanges) {
  sample::addPendingRows(layout_, "INDENT", 1);
  bool entered = false;
  startAgent([&](const std::string& operation) {
    if (entered || operation != "execute Select * into CentralizedData0012 from INDENT with (nolock) "
                                 "Where isnull(Transfered,'')<>'Y' ") {
      return;
    }
    entered = true;
    execSql(branchYear(),
            "INSERT INTO INDENT (IndentNo, YearControl, Branch, RefNo, RecIssNo, IndentBranch, Remarks) "
            "VALUES ('RACE1','1920',7,1,99,7,'first')");
  });
  agent_->tick();
  ASSERT_TRUE(entered);
  EXPECT_EQ(countRows(headOfficeYear(), "INDENT", "IndentNo='RACE1' and TmpRno<>0"), 1);

  execSql(branchYear(), "UPDATE INDENT SET Remarks='edited', Transfered=NULL");
  agent_->tick();
  EXPECT_EQ(countRows(headOfficeYear(), "INDENT", "IndentNo='RACE1'"), 1);
  EXPECT_EQ(countRows(headOfficeYear(), "INDENT", "IndentNo='RACE1' and Remarks='edited'"), 1);
  EXPECT_EQ(countRows(headOfficeYear(), "INDENT", "IndentNo<>'RACE1'"), 1);
}

// A head-office row entered after the download's numbering and before its
// staging build: delivered once, and replaced (not duplicated) at the branch
// when it is delivered again.
TEST_F(ConcurrentWritersTest, HeadOfficeRowEnteredDuringADownloadIsReplacedWhenDeliveredAgain) {
  sample::addUndeliveredRows(layout_, "HO1", "OUTSTANDING", 1, true);
  bool entered = false;
  startAgent([&](const std::string& operation) {
    if (entered || operation != "execute Select * into CentralizedData0012 from OUTSTANDING with (NoLock) "
                                 "Where isnull(BR7,'')<>'Y' ") {
      return;
    }
    entered = true;
    execSql(headOfficeYear(),
            "INSERT INTO OUTSTANDING (YearControl, BILLNo, Branch, RefNo, RecIssNo, Remarks) "
            "VALUES ('1920','RACE-B',1,1,77,'first')");
  });
  agent_->tick();
  ASSERT_TRUE(entered);
  EXPECT_EQ(countRows(branchYear(), "OUTSTANDING", "BILLNo='RACE-B' and TmpRno<>0"), 1);

  execSql(headOfficeYear(), "UPDATE OUTSTANDING SET Remarks='second', BR7=NULL WHERE BILLNo='RACE-B'");
  agent_->tick();
  EXPECT_EQ(countRows(branchYear(), "OUTSTANDING", "BILLNo='RACE-B'"), 1);
  EXPECT_EQ(countRows(branchYear(), "OUTSTANDING", "BILLNo='RACE-B' and Remarks='second'"), 1);
}

// A head-office row edited after the download staged it and before the step
// flags it (on the embedded backend the latest moment is just before the
// head office's transaction begins: from then on its file is locked). The
// step delivers the staged copy but leaves the row undelivered; the next
// tick brings the edit. One case edits a column declared TEXT, which SQL
// Server compares only through a conversion.
struct EditCase {
  const char* table;
  const char* column;
  const char* addColumn;  // DDL run at both sites first, or nullptr
};

void PrintTo(const EditCase& c, std::ostream* out) { *out << c.table << "." << c.column; }

class HeadOfficeEditDuringADownload : public ConcurrentWritersTest,
                                      public ::testing::WithParamInterface<EditCase> {};

TEST_P(HeadOfficeEditDuringADownload, ArrivesAtTheNextTick) {
  const EditCase& c = GetParam();
  const std::string table = c.table;
  if (c.addColumn != nullptr) {
    execSql(headOfficeYear(), c.addColumn);
    execSql(branchYear(), c.addColumn);
  }
  sample::addUndeliveredRows(layout_, "HO1", table, 1, true);
  execSql(headOfficeYear(), "UPDATE " + table + " SET " + c.column + "='as staged'");
  bool built = false, edited = false;
  int begins = 0;
  startAgent([&](const std::string& operation) {
    if (operation.starts_with("execute Select * into CentralizedData0012 from " + table + " with (NoLock)")) {
      built = true;
    }
    if (!built || edited || operation != "begin" || ++begins < 2) return;
    edited = true;  // the branch's transaction has begun, the head office's not yet
    execSql(headOfficeYear(), "UPDATE " + table + " SET " + c.column + "='edited at the head office'");
  });
  agent_->tick();
  ASSERT_TRUE(edited);
  EXPECT_EQ(countRows(headOfficeYear(), table, "ifnull(BR7,'')<>'Y'"), 1);
  EXPECT_EQ(countRows(branchYear(), table, std::string(c.column) + "='as staged'"), 1);

  agent_->tick();
  EXPECT_EQ(countRows(branchYear(), table), 1);
  EXPECT_EQ(countRows(branchYear(), table, std::string(c.column) + "='edited at the head office'"), 1);
  EXPECT_EQ(countRows(headOfficeYear(), table, "BR7='Y'"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, HeadOfficeEditDuringADownload,
    ::testing::Values(EditCase{"INDENT", "Remarks", nullptr},
                      EditCase{"OUTSTANDING", "Remarks", nullptr},
                      EditCase{"INDENT", "Memo", "ALTER TABLE INDENT ADD COLUMN Memo TEXT"}),
    [](const ::testing::TestParamInfo<EditCase>& info) {
      return std::string(info.param.table) + info.param.column;
    });

}  // namespace
}  // namespace velmora::testing
