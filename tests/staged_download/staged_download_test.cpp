// The staged download against a branch and a head office laid out as
// embedded servers: what arrives at the branch, what is flagged at the head
// office, and what each failure leaves behind. Every member runs in full
// here, so every statement of the family goes through the embedded dialect.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "staged_download/download_members.h"
#include "staged_download/staged_download.h"
#include "support/agent_harness.h"
#include "transfer/connection_string.h"

namespace velmora {
namespace {

using sample::TextRow;
using Rows = std::vector<TextRow>;

const DateTime kNow{2020, 3, 5, 14, 7, 9, 0};
constexpr const char* kStaging = "CentralizedData0012";

class FixedClock : public Clock {
 public:
  DateTime now() const override { return kNow; }
};

// ---------------------------------------------------------------------------
// A decorator of the access layer that lets a test act at a chosen point of
// a step: after a statement has run, or instead of beginning a transaction.

struct Hooks {
  // Called after `sql` ran on a session of `database`.
  std::function<void(const std::string& database, const std::string& sql)> afterExecute;
  // Called before a transaction begins on a session of `database`; may throw.
  std::function<void(const std::string& database)> beforeBegin;
};

class HookSession : public Session {
 public:
  HookSession(std::unique_ptr<Session> inner, std::string database, std::shared_ptr<Hooks> hooks)
      : inner_(std::move(inner)), database_(std::move(database)), hooks_(std::move(hooks)) {}
  void setCommandTimeout(int seconds) override { inner_->setCommandTimeout(seconds); }
  void execute(const std::string& sql) override {
    inner_->execute(sql);
    if (hooks_->afterExecute) hooks_->afterExecute(database_, sql);
  }
  void beginTransaction() override {
    if (hooks_->beforeBegin) hooks_->beforeBegin(database_);
    inner_->beginTransaction();
  }
  void flushPendingWrites() override { inner_->flushPendingWrites(); }
  void commit() override { inner_->commit(); }
  void rollback() override { inner_->rollback(); }
  std::string currentDatabase() override { return inner_->currentDatabase(); }
  std::unique_ptr<Cursor> openCursor(const std::string& sql, CursorType type, LockType lock,
                                     CursorLocation location) override {
    return inner_->openCursor(sql, type, lock, location);
  }
  long long lastRowsAffected() const override { return inner_->lastRowsAffected(); }

 private:
  std::unique_ptr<Session> inner_;
  std::string database_;
  std::shared_ptr<Hooks> hooks_;
};

class HookConnector : public Connector {
 public:
  HookConnector(std::shared_ptr<Connector> inner, std::shared_ptr<Hooks> hooks)
      : inner_(std::move(inner)), hooks_(std::move(hooks)) {}
  std::unique_ptr<Session> connect(const std::string& connectionString, int timeoutSeconds) override {
    return std::make_unique<HookSession>(inner_->connect(connectionString, timeoutSeconds),
                                         parseConnectionString(connectionString).database, hooks_);
  }

 private:
  std::shared_ptr<Connector> inner_;
  std::shared_ptr<Hooks> hooks_;
};

// ---------------------------------------------------------------------------

class StagedDownloadTest : public ::testing::Test {
 protected:
  StagedDownloadTest() : harness_(testing::defaultLayout(temp_.path())) {
    harness_.context().clock = std::make_shared<FixedClock>();
    harness_.connectHeadOffice();
  }

  void atHeadOffice(const std::string& sql) { sample::execSql(harness_.headOfficeYear(), sql); }
  void atBranch(const std::string& sql) { sample::execSql(harness_.branchYear(), sql); }
  Rows headOffice(const std::string& sql) { return sample::querySql(harness_.headOfficeYear(), sql); }
  Rows branch(const std::string& sql) { return sample::querySql(harness_.branchYear(), sql); }
  bool stagingTableExists() {
    return sample::countRows(harness_.headOfficeYear(), "sqlite_master",
                             std::string("name='") + kStaging + "'") > 0;
  }

  long long run(std::string_view table) { return DownloadStaged(harness_.context(), table); }

  // A context like the harness's whose sessions go through `hooks`.
  std::unique_ptr<AgentContext> hookedContext(std::shared_ptr<Hooks> hooks) {
    AgentContext& base = harness_.context();
    auto context = std::make_unique<AgentContext>(
        std::make_shared<HookConnector>(base.connector, std::move(hooks)), base.clock);
    context->settings = base.settings;
    context->cycle = base.cycle;
    const Settings& s = context->settings;
    auto local = [&](const std::string& database) {
      return "Provider=SQLOLEDB.1;password=" + s.localPassword +
             ";Persist Security Info=true;User ID=sa;Initial Catalog=" + database +
             ";Data Source=" + s.localServer;
    };
    context->localMain.open(local(s.companyPrefix + "MAIN"));
    context->localYear.open(local(s.yearDatabase));
    const sample::HeadOfficeSpec& ho = harness_.layout().headOffices.at(0);
    context->centralYear.setCursorLocation(CursorLocation::kClient);
    context->centralYear.open("Provider=SQLOLEDB.1;UID=sa;pwd=" + ho.password +
                              ";Persist Security Info=False;Initial Catalog=" +
                              base.cycle.centralYearDatabase + ";Data Source=" + ho.serverName);
    return context;
  }

  testing::TempFolder temp_;
  testing::AgentHarness harness_;
};

// ---------------------------------------------------------------------------
// Every member.

struct MemberCase {
  const char* table;
  const char* filter;  // the column addressing a row to a branch; "" when none
  const char* key;     // a compared text column that tells the rows apart
  const char* note;    // a column that no match clause compares
};

const MemberCase kMembers[] = {
    {"INDENT",          "IndentBranch",  "IndentNo",  "Remarks"},
    {"JOBWORK",         "JobCardBranch", "JobCardNo", "Remarks"},
    {"JOBWORKDETAILS",  "JobCardBranch", "JobCardNo", "Remarks"},
    {"BRANCHINDENT",    "IndentBranch",  "IndentNo",  "Remarks"},
    {"INVENTORYTRANS",  "Branch",        "IndentNo",  "Remarks"},
    {"OUTSTANDING",     "",              "BILLNo",    "Remarks"},
    {"ACHEADMASTER",    "",              "CusCode",   "CusName"},
    {"VEHICLEEXPENSES", "",              "BILLNo",    "Remarks"},
};

void PrintTo(const MemberCase& member, std::ostream* out) { *out << member.table; }

class StagedDownloadMemberTest : public StagedDownloadTest,
                                 public ::testing::WithParamInterface<MemberCase> {
 protected:
  bool hasFilter() const { return *GetParam().filter != '\0'; }

  // A head-office row: key, addressed to `branchNo` (by the filter column
  // when the member has one, else by Branch), with BR7 and Transfered as
  // given (nullptr for null) and TmpRno = tmpRno.
  void headOfficeRow(const std::string& key, int branchNo, const char* br7, const char* transfered,
                     int tmpRno, const std::string& note = "new") {
    const MemberCase& m = GetParam();
    const std::string addressColumn = hasFilter() ? m.filter : "Branch";
    auto text = [](const char* v) { return v ? sample::sqlLiteral(v) : std::string("NULL"); };
    std::string columns = std::string(m.key) + "," + m.note + ",TmpRno,BR7,Transfered";
    std::string values = sample::sqlLiteral(key) + "," + sample::sqlLiteral(note) + "," +
                         std::to_string(tmpRno) + "," + text(br7) + "," + text(transfered);
    if (addressColumn != "Branch") {
      columns += ",Branch";
      values += ",1";
    }
    columns += "," + addressColumn;
    values += "," + std::to_string(branchNo);
    atHeadOffice("INSERT INTO " + std::string(m.table) + " (" + columns + ") VALUES (" + values + ")");
  }

  // The branch's copy of a head-office row as headOfficeRow writes it.
  void branchRow(const std::string& key, int tmpRno, const std::string& note, const char* de = nullptr) {
    const MemberCase& m = GetParam();
    std::string columns = std::string(m.key) + "," + m.note + ",TmpRno,De,Branch";
    std::string values = sample::sqlLiteral(key) + "," + sample::sqlLiteral(note) + "," +
                         std::to_string(tmpRno) + "," +
                         (de ? sample::sqlLiteral(de) : std::string("NULL")) + ",";
    if (hasFilter() && std::string(m.filter) != "Branch") {
      values += "1";
      columns += std::string(",") + m.filter;
      values += ",7";
    } else {
      values += "7";
    }
    atBranch("INSERT INTO " + std::string(m.table) + " (" + columns + ") VALUES (" + values + ")");
  }

  Rows branchRows() {
    const MemberCase& m = GetParam();
    return branch(std::string("SELECT ") + m.key + "," + m.note + ",Transfered FROM " + m.table +
                  " ORDER BY " + m.key + "," + m.note);
  }
  Rows headOfficeFlags() {
    const MemberCase& m = GetParam();
    return headOffice(std::string("SELECT ") + m.key +
                      ",BR7,Transfered,TransferedDate,TransferedTime FROM " + m.table +
                      " ORDER BY " + m.key);
  }
  Rows stagedKeys() {
    return headOffice(std::string("SELECT ") + GetParam().key + " FROM " + kStaging + " ORDER BY 1");
  }
};

TEST_P(StagedDownloadMemberTest, DeliversUndeliveredRowsStampsThemAndFlagsThem) {
  // K1 replaces its earlier copy at the branch; K3 was delivered already; K4
  // is addressed to branch 8 (members with F), or to no branch at all.
  headOfficeRow("K1", 7, nullptr, nullptr, 101);
  headOfficeRow("K2", 7, "", "N", 102);
  headOfficeRow("K3", 7, "Y", nullptr, 103);
  headOfficeRow("K4", 8, nullptr, nullptr, 104);
  branchRow("K1", 101, "old");

  const bool f = hasFilter();
  EXPECT_EQ(run(GetParam().table), f ? 2 : 3);

  const std::string null(sample::kNullText);
  Rows expectedBranch = {{"K1", "new", "Y"}, {"K2", "new", "Y"}};
  if (!f) expectedBranch.push_back({"K4", "new", "Y"});
  EXPECT_EQ(branchRows(), expectedBranch);

  const TextRow flagged4 = {"K4", "Y", "Y", "05/Mar/2020", "14:07:09"};
  const TextRow unflagged4 = {"K4", null, null, null, null};
  EXPECT_EQ(headOfficeFlags(), (Rows{{"K1", "Y", "Y", "05/Mar/2020", "14:07:09"},
                                     {"K2", "Y", "Y", "05/Mar/2020", "14:07:09"},
                                     {"K3", "Y", null, null, null},
                                     f ? unflagged4 : flagged4}));
  Rows expectedStaged = {{"K1"}, {"K2"}};
  if (!f) expectedStaged.push_back({"K4"});
  EXPECT_EQ(stagedKeys(), expectedStaged);
  EXPECT_TRUE(harness_.branchErrorRows().empty());
}

TEST_P(StagedDownloadMemberTest, NothingUndeliveredLeavesEverythingUntouched) {
  headOfficeRow("K3", 7, "Y", nullptr, 0);
  if (hasFilter()) headOfficeRow("K4", 8, nullptr, nullptr, 0);
  branchRow("K9", 9, "mine", "X");

  EXPECT_EQ(run(GetParam().table), 0);

  EXPECT_FALSE(stagingTableExists());
  EXPECT_EQ(headOffice(std::string("SELECT count(*) FROM ") + GetParam().table +
                       " WHERE TmpRno<>0"),
            (Rows{{"0"}}));
  EXPECT_EQ(branchRows(), (Rows{{"K9", "mine", std::string(sample::kNullText)}}));
  EXPECT_TRUE(harness_.branchErrorRows().empty());
}

TEST_P(StagedDownloadMemberTest, FailureInsideTheTransactionsWritesOneErrorRowAndChangesNothing) {
  headOfficeRow("K1", 7, nullptr, nullptr, 101);
  branchRow("K1", 101, "old");
  // A branch column that the head office lacks makes the insert fail.
  atBranch(std::string("ALTER TABLE ") + GetParam().table + " ADD COLUMN ExtraColumn INTEGER");

  EXPECT_EQ(run(GetParam().table), 0);

  const DownloadMember& member = *findDownloadMember(GetParam().table);
  const std::string prefix = member.prefix == ErrorPrefix::kBranchNo ? "7-" : "1-";
  const auto errors = harness_.branchErrorRows();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0][0], member.label);
  EXPECT_EQ(errors[0][1].substr(0, 2), prefix) << errors[0][1];
  EXPECT_GT(errors[0][1].size(), 2u);

  const std::string null(sample::kNullText);
  EXPECT_EQ(branch(std::string("SELECT ") + GetParam().key + ",De,Transfered FROM " +
                   GetParam().table),
            (Rows{{"K1", null, null}}));
  EXPECT_EQ(headOfficeFlags(), (Rows{{"K1", null, null, null, null}}));
  EXPECT_TRUE(stagingTableExists());
}

INSTANTIATE_TEST_SUITE_P(AllMembers, StagedDownloadMemberTest, ::testing::ValuesIn(kMembers),
                         [](const ::testing::TestParamInfo<MemberCase>& info) {
                           return std::string(info.param.table);
                         });

// The members with F flag what their staging build takes: a row addressed to
// this branch whose Transfered is already 'Y' is delivered once and flagged,
// so that the next run leaves the branch's copy (and an edit of it) alone.
class StagedDownloadFilterMemberTest : public StagedDownloadMemberTest {};

TEST_P(StagedDownloadFilterMemberTest, TransferedRowIsDeliveredOnce) {
  const std::string table = GetParam().table;
  headOfficeRow("K1", 7, nullptr, "Y", 101);
  EXPECT_EQ(run(table), 1);
  EXPECT_EQ(headOffice("SELECT BR7,Transfered FROM " + table), (Rows{{"Y", "Y"}}));

  atBranch("UPDATE " + table + " SET " + GetParam().note + "='edited at the branch'");
  const Rows rno = branch("SELECT Rno FROM " + table);
  EXPECT_EQ(run(table), 0);
  EXPECT_EQ(branch("SELECT Rno FROM " + table), rno);
  EXPECT_EQ(branchRows(), (Rows{{"K1", "edited at the branch", "Y"}}));
}

INSTANTIATE_TEST_SUITE_P(MembersWithFilter, StagedDownloadFilterMemberTest,
                         ::testing::ValuesIn(kMembers, kMembers + 5),
                         [](const ::testing::TestParamInfo<MemberCase>& info) {
                           return std::string(info.param.table);
                         });

// ---------------------------------------------------------------------------
// Replacement at the branch (INDENT, clause I).

class IndentDownloadTest : public StagedDownloadTest {
 protected:
  void headOfficeIndent(const std::string& indentNo, int tmpRno, const std::string& remarks,
                        int indentBranch = 7) {
    atHeadOffice("INSERT INTO INDENT (IndentNo,RefNo,RecIssNo,YearControl,Branch,IndentBranch,"
                 "TmpRno,Remarks) VALUES (" + sample::sqlLiteral(indentNo) + ",5,9,'1920',1," +
                 std::to_string(indentBranch) + "," + std::to_string(tmpRno) + "," +
                 sample::sqlLiteral(remarks) + ")");
  }
  void branchIndent(const std::string& indentNo, int tmpRno, const std::string& remarks,
                    const char* de = nullptr) {
    atBranch("INSERT INTO INDENT (IndentNo,RefNo,RecIssNo,YearControl,Branch,IndentBranch,"
             "TmpRno,Remarks,De) VALUES (" + sample::sqlLiteral(indentNo) + ",5,9,'1920',1,7," +
             std::to_string(tmpRno) + "," + sample::sqlLiteral(remarks) + "," +
             (de ? sample::sqlLiteral(de) : std::string("NULL")) + ")");
  }
  Rows branchIndents() {
    return branch("SELECT IndentNo,TmpRno,Remarks FROM INDENT ORDER BY IndentNo,TmpRno,Remarks");
  }
};

TEST_F(IndentDownloadTest, MatchingRowIsReplacedAndRowDifferingInTmpRnoStaysBeside) {
  headOfficeIndent("I1", 500, "new");
  branchIndent("I1", 500, "old");        // matches in every compared column
  branchIndent("I1", 501, "neighbour");  // differs in TmpRno only

  EXPECT_EQ(run("INDENT"), 1);

  EXPECT_EQ(branchIndents(), (Rows{{"I1", "500", "new"}, {"I1", "501", "neighbour"}}));
}

TEST_F(IndentDownloadTest, SeveralStagedRowsMatchingOneBranchRowAllArrive) {
  headOfficeIndent("I1", 500, "first");
  headOfficeIndent("I1", 500, "second");
  branchIndent("I1", 500, "old");

  EXPECT_EQ(run("INDENT"), 2);

  EXPECT_EQ(branchIndents(), (Rows{{"I1", "500", "first"}, {"I1", "500", "second"}}));
}

TEST_F(IndentDownloadTest, BranchRowPreMarkedForReplacementIsDeleted) {
  headOfficeIndent("I1", 500, "new");
  branchIndent("I7", 700, "unrelated", "X");
  branchIndent("I8", 800, "kept", "N");

  EXPECT_EQ(run("INDENT"), 1);

  EXPECT_EQ(branchIndents(), (Rows{{"I1", "500", "new"}, {"I8", "800", "kept"}}));
}

TEST_F(IndentDownloadTest, NumbersUntransferredRowsBeforeStagingSoTheCopyCarriesTmpRno) {
  headOfficeIndent("I1", 0, "new");
  headOfficeIndent("I2", 0, "elsewhere", 8);  // numbered too: numbering ignores the branch

  EXPECT_EQ(run("INDENT"), 1);

  const Rows numbered = headOffice("SELECT IndentNo,TmpRno=Rno FROM INDENT ORDER BY IndentNo");
  EXPECT_EQ(numbered, (Rows{{"I1", "1"}, {"I2", "1"}}));
  EXPECT_EQ(branch("SELECT TmpRno FROM INDENT"),
            headOffice("SELECT Rno FROM INDENT WHERE IndentNo='I1'"));
}

// A row that appears at the head office, or comes to be addressed to this
// branch, after the staging build is not flagged by this run: the next run
// delivers it.
TEST_F(IndentDownloadTest, RowsThatAppearAfterTheStagingBuildStayUndelivered) {
  headOfficeIndent("I1", 501, "staged");
  headOfficeIndent("I2", 502, "moved", 8);
  auto hooks = std::make_shared<Hooks>();
  const std::filesystem::path hoYear = harness_.headOfficeYear();
  hooks->afterExecute = [&](const std::string&, const std::string& sql) {
    if (sql.rfind("Select * into CentralizedData", 0) != 0) return;
    sample::execSql(hoYear,
                    "INSERT INTO INDENT (IndentNo,RefNo,RecIssNo,YearControl,Branch,IndentBranch,"
                    "TmpRno,Remarks) VALUES ('I3',5,9,'1920',1,7,503,'late');"
                    "UPDATE INDENT SET IndentBranch=7 WHERE IndentNo='I2'");
  };
  auto context = hookedContext(hooks);

  EXPECT_EQ(DownloadStaged(*context, "INDENT"), 1);

  const std::string null(sample::kNullText);
  EXPECT_EQ(headOffice("SELECT IndentNo,BR7,Transfered FROM INDENT ORDER BY IndentNo"),
            (Rows{{"I1", "Y", "Y"}, {"I2", null, null}, {"I3", null, null}}));
  EXPECT_EQ(branchIndents(), (Rows{{"I1", "501", "staged"}}));

  hooks->afterExecute = nullptr;
  EXPECT_EQ(run("INDENT"), 2);
  EXPECT_EQ(headOffice("SELECT IndentNo,BR7 FROM INDENT ORDER BY IndentNo"),
            (Rows{{"I1", "Y"}, {"I2", "Y"}, {"I3", "Y"}}));
  EXPECT_EQ(branchIndents(),
            (Rows{{"I1", "501", "staged"}, {"I2", "502", "moved"}, {"I3", "503", "late"}}));
}

// A row edited at the head office after it was staged, up to the moment the
// flag takes it (here: by the step's own head-office session just before the
// flag, as a writer that commits just before SQL Server's flag reaches the
// row), stays undelivered; the branch keeps the staged copy until the next
// run brings the edit.
TEST_F(IndentDownloadTest, RowEditedBeforeTheFlagStaysUndelivered) {
  headOfficeIndent("I1", 501, "staged");
  headOfficeIndent("I2", 502, "unchanged");
  auto hooks = std::make_shared<Hooks>();
  std::unique_ptr<AgentContext> context;
  hooks->afterExecute = [&](const std::string&, const std::string& sql) {
    if (sql.rfind("Update INDENT set Transfered='Y'", 0) != 0) return;
    context->centralYear.execute("Update INDENT set Remarks='edited' Where IndentNo='I1'");
  };
  context = hookedContext(hooks);

  EXPECT_EQ(DownloadStaged(*context, "INDENT"), 2);

  const std::string null(sample::kNullText);
  EXPECT_EQ(headOffice("SELECT IndentNo,BR7,Remarks FROM INDENT ORDER BY IndentNo"),
            (Rows{{"I1", null, "edited"}, {"I2", "Y", "unchanged"}}));
  EXPECT_EQ(branchIndents(), (Rows{{"I1", "501", "staged"}, {"I2", "502", "unchanged"}}));

  hooks->afterExecute = nullptr;
  EXPECT_EQ(run("INDENT"), 1);
  EXPECT_EQ(headOffice("SELECT IndentNo,BR7 FROM INDENT ORDER BY IndentNo"), (Rows{{"I1", "Y"}, {"I2", "Y"}}));
  EXPECT_EQ(branchIndents(), (Rows{{"I1", "501", "edited"}, {"I2", "502", "unchanged"}}));
}

// A failure before the transactions leaves the step with its own number and
// description and writes no error row; the staging table and the numbering
// stay as they were built.
TEST_F(IndentDownloadTest, FailureBeforeTheTransactionsKeepsStagingAndNumbering) {
  headOfficeIndent("I1", 0, "new");
  auto hooks = std::make_shared<Hooks>();
  const std::string branchYear = harness_.context().settings.yearDatabase;
  hooks->beforeBegin = [&](const std::string& database) {
    if (database == branchYear) {
      throw Failure(failure_number::kLinkFailure, "[DBNETLIB]General network error.");
    }
  };
  auto context = hookedContext(hooks);

  try {
    DownloadStaged(*context, "INDENT");
    FAIL() << "the failure did not reach the caller";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), failure_number::kLinkFailure);
    EXPECT_EQ(failure.description(), "[DBNETLIB]General network error.");
  }

  EXPECT_TRUE(harness_.branchErrorRows().empty());
  EXPECT_EQ(headOffice(std::string("SELECT IndentNo FROM ") + kStaging), (Rows{{"I1"}}));
  EXPECT_EQ(headOffice("SELECT TmpRno=Rno,BR7 FROM INDENT"),
            (Rows{{"1", std::string(sample::kNullText)}}));
  EXPECT_EQ(branch("SELECT count(*) FROM INDENT"), (Rows{{"0"}}));
}

TEST_F(IndentDownloadTest, UnreadableHeadOfficeTableFailsBeforeAnythingIsDone) {
  atHeadOffice("DROP TABLE INDENT");
  try {
    run("INDENT");
    FAIL() << "the failure did not reach the caller";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), failure_number::kStatementFailed);
    EXPECT_FALSE(failure.description().empty());
  }
  EXPECT_TRUE(harness_.branchErrorRows().empty());
  EXPECT_FALSE(stagingTableExists());
}

// ---------------------------------------------------------------------------
// OUTSTANDING (clause O) numbers its rows before the staging build, so a row
// delivered again after a change at the head office replaces its copy.

TEST_F(StagedDownloadTest, OutstandingRowDeliveredTwiceLeavesOneCopy) {
  atHeadOffice("INSERT INTO OUTSTANDING (BILLNo,RefNo,RecIssNo,YearControl,Branch,Amount) "
               "VALUES ('B1',3,4,'1920',1,10)");
  EXPECT_EQ(run("OUTSTANDING"), 1);
  EXPECT_EQ(branch("SELECT TmpRno FROM OUTSTANDING"), headOffice("SELECT Rno FROM OUTSTANDING"));
  EXPECT_EQ(headOffice("SELECT TmpRno=Rno,BR7 FROM OUTSTANDING"), (Rows{{"1", "Y"}}));

  atHeadOffice("UPDATE OUTSTANDING SET BR7=NULL, Amount=99");
  EXPECT_EQ(run("OUTSTANDING"), 1);

  EXPECT_EQ(branch("SELECT BILLNo,Amount,Transfered FROM OUTSTANDING"),
            (Rows{{"B1", "99", "Y"}}));
  EXPECT_TRUE(harness_.branchErrorRows().empty());
}

}  // namespace
}  // namespace velmora
