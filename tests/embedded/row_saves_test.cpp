// Row saves of the embedded backend's updatable cursors are held back and sent
// in groups: every row must still end with its own values, every other
// statement of the connection must see them, and a save that fails must fail
// the operation that sends it.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "backends/embedded/embedded_connector.h"
#include "support/embedded_test_servers.h"

namespace velmora {
namespace {

using embedded_testing::queryRows;
using embedded_testing::queryText;
using embedded_testing::ScratchFolder;

constexpr int kRows = 2500;  // five cursor chunks

class RowSavesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string values;
    for (int i = 1; i <= kRows; ++i) values += (i > 1 ? ",(" : "(") + std::to_string(i) + ")";
    embedded_testing::createDatabase(
        file(), "CREATE TABLE ITEMS (Rno INTEGER PRIMARY KEY AUTOINCREMENT, Code INTEGER, "
                "Name VARCHAR(20) COLLATE NOCASE, Transfered VARCHAR(1) COLLATE NOCASE, "
                "TransferedDate VARCHAR(20), TmpRno INTEGER); INSERT INTO ITEMS (Code) VALUES " + values);
    connector_ = std::make_shared<EmbeddedConnector>(std::vector<EmbeddedServer>{{"BR", folder_.path() / "br"}});
    session_ = connector_->connect(
        "Provider=SQLOLEDB.1;password=x;User ID=sa;Initial Catalog=ABCMAIN;Data Source=BR", 5);
  }

  std::filesystem::path file() const { return folder_.path() / "br" / "ABCMAIN.db"; }

  std::unique_ptr<Cursor> openSource() {
    return session_->openCursor("Select * From ITEMS Where isnull(Transfered,'')<>'Y' ", CursorType::kStatic,
                                LockType::kOptimistic, CursorLocation::kServer);
  }

  // Stamps the first `count` rows of `source` ('Y' and `date`) and leaves each.
  static void stamp(Cursor& source, int count, const std::string& date = "05/Mar/2020") {
    for (int i = 0; i < count; ++i) {
      source.set(3, Value::text("Y"));
      source.set(4, Value::text(date));
      source.moveNext();
    }
  }

  long long stamped() { return std::stoll(queryText(file(), "SELECT count(*) FROM ITEMS WHERE Transfered='Y'")); }

  ScratchFolder folder_;
  std::shared_ptr<EmbeddedConnector> connector_;
  std::unique_ptr<Session> session_;
};

// What one row is given in the copy loop: a stamp whose date text changes
// every `dateEvery` rows (0: never), a TmpRno of its own on every
// `numberEvery`-th row and a name on every `nameEvery`-th (0: none).
struct SaveCase {
  const char* name;
  int dateEvery;
  int numberEvery;
  int nameEvery;
  std::size_t maxStatements;  // statements the loop and the commit may run; 0: unchecked
};

class RowSavesValuesTest : public RowSavesTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(RowSavesValuesTest, EveryRowEndsWithItsOwnValues) {
  const SaveCase& c = GetParam();
  session_->beginTransaction();
  auto source = openSource();
  const std::size_t before = session_->roundTrips();
  std::vector<std::string> expected;
  for (int code = 1; code <= kRows; ++code) {
    const std::string date = "d" + std::to_string(c.dateEvery ? code / c.dateEvery : 0);
    const bool numbered = c.numberEvery && code % c.numberEvery == 0;
    const bool named = c.nameEvery && code % c.nameEvery == 0;
    source->set(3, Value::text("Y"));
    source->set(4, Value::text(date));
    if (numbered) source->set(5, Value::integer(code * 10));
    if (named) source->set(2, Value::text("n" + std::to_string(code)));
    source->moveNext();
    expected.push_back(std::to_string(code) + "|" + (named ? "n" + std::to_string(code) : "<null>") + "|Y|" + date +
                       "|" + (numbered ? std::to_string(code * 10) : "<null>"));
  }
  session_->commit();
  if (c.maxStatements) {
    EXPECT_LE(session_->roundTrips() - before, c.maxStatements);
  }
  EXPECT_EQ(queryRows(file(), "SELECT Code, Name, Transfered, TransferedDate, TmpRno FROM ITEMS ORDER BY Rno"),
            expected);
}

INSTANTIATE_TEST_SUITE_P(
    Groupings, RowSavesValuesTest,
    ::testing::Values(
        // name               date  number name  statements
        SaveCase{"SameStamp",     0,    0,    0,   12},  // a fetch and a batch per chunk, the commit
        SaveCase{"DateChanges",   700,  0,    0,   20},
        SaveCase{"OwnNumbers",    0,    3,    0,   0},
        SaveCase{"OwnColumns",    0,    0,    7,   0},
        SaveCase{"EverythingMixed", 333, 4,   5,   0}),
    [](const ::testing::TestParamInfo<SaveCase>& info) { return std::string(info.param.name); });

// Three rows are stamped and left (their saves held back); then another
// operation runs on the same connection and must see them.
struct SeenCase {
  const char* name;
  std::function<long long(Session&)> stampedAsSeen;
};

class RowSavesSeenTest : public RowSavesTest, public ::testing::WithParamInterface<SeenCase> {};

TEST_P(RowSavesSeenTest, TheNextOperationSeesTheSaves) {
  session_->beginTransaction();
  auto source = openSource();
  stamp(*source, 3);
  EXPECT_EQ(GetParam().stampedAsSeen(*session_), 3);
  if (GetParam().name != std::string("Commit")) session_->commit();
  EXPECT_EQ(stamped(), 3);
}

long long countThrough(Cursor& cursor) {
  long long n = 0;
  for (; !cursor.eof(); cursor.moveNext()) ++n;
  return n;
}

INSTANTIATE_TEST_SUITE_P(
    Operations, RowSavesSeenTest,
    ::testing::Values(
        SeenCase{"Execute",
                 [](Session& s) {
                   s.execute("Update ITEMS set Name='seen' Where Transfered='Y'");
                   return s.lastRowsAffected();
                 }},
        SeenCase{"QueryCursor",
                 [](Session& s) {
                   auto c = s.openCursor("Select count(*) From ITEMS Where Transfered='Y'", CursorType::kStatic,
                                         LockType::kReadOnly, CursorLocation::kServer);
                   return c->get(0).asInteger();
                 }},
        SeenCase{"TableCursorOfTheSameTable",
                 [](Session& s) {
                   auto c = s.openCursor("Select * From ITEMS Where isnull(Transfered,'')<>'Y' ",
                                         CursorType::kStatic, LockType::kReadOnly, CursorLocation::kServer);
                   return kRows - countThrough(*c);
                 }},
        SeenCase{"Commit",
                 [](Session& s) {
                   s.commit();
                   return 3LL;  // checked in the file by the test
                 }}),
    [](const ::testing::TestParamInfo<SeenCase>& info) { return std::string(info.param.name); });

// Row 2's save is refused by the database; the operation that sends it fails,
// the transaction then rolls back, and the connection goes on working.
struct FailCase {
  const char* name;
  int rowsStamped;
  std::function<void(Session&, Cursor&)> operation;
};

class RowSavesFailureTest : public RowSavesTest, public ::testing::WithParamInterface<FailCase> {};

TEST_P(RowSavesFailureTest, ARefusedSaveFailsTheOperationThatSendsIt) {
  embedded_testing::runSql(file(), "CREATE TRIGGER refuse BEFORE UPDATE OF Transfered ON ITEMS WHEN new.Code=2 "
                                   "BEGIN SELECT RAISE(ABORT, 'row 2 refused'); END");
  const FailCase& c = GetParam();
  session_->beginTransaction();
  auto source = openSource();
  try {
    stamp(*source, c.rowsStamped);
    c.operation(*session_, *source);
    ADD_FAILURE() << "no failure";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), failure_number::kStatementFailed);
    EXPECT_NE(failure.description().find("row 2 refused"), std::string::npos) << failure.description();
  }
  session_->rollback();
  EXPECT_EQ(stamped(), 0);
  session_->execute("Update ITEMS set Name='after' Where Code=1");
  EXPECT_EQ(queryText(file(), "SELECT Name FROM ITEMS WHERE Code=1"), "after");
}

INSTANTIATE_TEST_SUITE_P(
    Operations, RowSavesFailureTest,
    ::testing::Values(
        FailCase{"Flush", 3, [](Session& s, Cursor&) { s.flushPendingWrites(); }},
        FailCase{"Commit", 3, [](Session& s, Cursor&) { s.commit(); }},
        FailCase{"Execute", 3, [](Session& s, Cursor&) { s.execute("Update ITEMS set Name='x' Where Code=9"); }},
        FailCase{"NextChunk", 600, [](Session&, Cursor&) {}}),
    [](const ::testing::TestParamInfo<FailCase>& info) { return std::string(info.param.name); });

// Rolling back never sends the held saves, not even one the database refuses.
TEST_F(RowSavesTest, RollbackDropsTheHeldSaves) {
  embedded_testing::runSql(file(), "CREATE TRIGGER refuse BEFORE UPDATE OF Transfered ON ITEMS WHEN new.Code=2 "
                                   "BEGIN SELECT RAISE(ABORT, 'row 2 refused'); END");
  session_->beginTransaction();
  auto source = openSource();
  stamp(*source, 3);
  EXPECT_NO_THROW(session_->rollback());
  session_->execute("Update ITEMS set Name='after' Where Code=1");
  EXPECT_EQ(stamped(), 0);
  EXPECT_EQ(queryText(file(), "SELECT Name FROM ITEMS WHERE Code=1"), "after");
}

// A row saved again after moving back keeps its last values, whichever
// group its earlier save joined.
TEST_F(RowSavesTest, ARowSavedTwiceKeepsItsLastValues) {
  session_->beginTransaction();
  auto source = openSource();
  source->moveNext();
  source->set(2, Value::text("last"));  // row 2
  source->moveNext();
  source->moveFirst();
  source->set(2, Value::text("first"));  // row 1
  source->moveNext();
  source->moveFirst();
  source->set(2, Value::text("last"));  // row 1 again
  source->moveNext();
  session_->commit();
  EXPECT_EQ(queryRows(file(), "SELECT Name FROM ITEMS WHERE Code<=2 ORDER BY Code"),
            (std::vector<std::string>{"last", "last"}));
}

}  // namespace
}  // namespace velmora
