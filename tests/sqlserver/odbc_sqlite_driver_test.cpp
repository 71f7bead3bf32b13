// The ODBC backend run for real through the SQLite ODBC driver: values,
// transactions, batched inserts and stamps, and large static cursors.
#include <gtest/gtest.h>

#include "backends/sqlserver/odbc_cursor.h"
#include "sqlserver/sqlite_odbc_support.h"
#include "transfer/failure.h"

namespace velmora::testing {
namespace {

constexpr const char* kCreateTable =
    "CREATE TABLE T(Rno INTEGER PRIMARY KEY AUTOINCREMENT, Code INTEGER, "
    "Name VARCHAR(40) COLLATE NOCASE, Active VARCHAR(1) COLLATE NOCASE, Amount NUMERIC(18,2), "
    "Updated DATETIME)";

class OdbcSqliteDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    options_ = sqliteOdbcOptions(folder_.path());
    connector_ = std::make_unique<OdbcConnector>(options_);
    createSqliteDatabase(folder_.path(), "BRANCH", kCreateTable);
    session_ = connect();
  }

  std::unique_ptr<Session> connect() { return connector_->connect(sqliteConnectionString("BRANCH"), 5); }

  std::unique_ptr<Cursor> open(const std::string& sql, LockType lock = LockType::kReadOnly) {
    return session_->openCursor(sql, CursorType::kStatic, lock, CursorLocation::kClient);
  }

  std::int64_t count(const std::string& where = "") {
    auto cursor = open("Select count(*) N From T " + where);
    return cursor->get(0).asInteger();
  }

  void insertRows(int rows) {
    session_->beginTransaction();
    auto staging = open("Select * From T Where 1=2", LockType::kOptimistic);
    for (int i = 1; i <= rows; ++i) {
      staging->addNew();
      staging->set(1, Value::integer(i));
      staging->set(2, Value::text("row " + std::to_string(i)));
      staging->update();
    }
    session_->commit();
  }

  TemporaryFolder folder_;
  OdbcOptions options_;
  std::unique_ptr<OdbcConnector> connector_;
  std::unique_ptr<Session> session_;
};

TEST_F(OdbcSqliteDriverTest, ReadsValuesByTheirColumnTypes) {
  session_->execute(
      "INSERT INTO T(Code,Name,Active,Amount,Updated) VALUES (7,'Ravi','Y',12.5,'2026-04-01 10:20:30')");
  session_->execute("INSERT INTO T(Code,Name,Active,Amount,Updated) VALUES (NULL,'',NULL,NULL,'07/Mar/2020')");
  auto cursor = open("Select * From T Order By Rno");
  ASSERT_EQ(cursor->columnCount(), 6u);
  EXPECT_EQ(cursor->columnName(2), "Name");
  EXPECT_EQ(cursor->get(1), Value::integer(7));
  EXPECT_EQ(cursor->get(2), Value::text("Ravi"));
  EXPECT_EQ(cursor->get(3), Value::text("Y"));
  EXPECT_EQ(cursor->get(4).toText(), "12.5");
  EXPECT_EQ(cursor->get(5), Value::dateTime(DateTime{2026, 4, 1, 10, 20, 30, 0}));
  cursor->moveNext();
  EXPECT_TRUE(cursor->get(1).isNull());
  EXPECT_EQ(cursor->get(2), Value::text(""));
  EXPECT_TRUE(cursor->get(3).isNull());
  EXPECT_EQ(cursor->get(5), Value::dateTime(DateTime{2020, 3, 7, 0, 0, 0, 0}));
  cursor->moveNext();
  EXPECT_TRUE(cursor->eof());
  EXPECT_FALSE(cursor->bof());
}

TEST_F(OdbcSqliteDriverTest, EmptyResultIsAtBofAndEof) {
  auto cursor = open("Select * From T");
  EXPECT_TRUE(cursor->bof());
  EXPECT_TRUE(cursor->eof());
  EXPECT_THROW(cursor->get(0), Failure);
  EXPECT_THROW(cursor->moveNext(), Failure);
}

TEST_F(OdbcSqliteDriverTest, AddedRowsKeepEveryValueKind) {
  session_->beginTransaction();
  auto staging = open("Select * from T ", LockType::kOptimistic);
  staging->addNew();
  staging->set(1, Value::integer(-42));
  staging->set(2, Value::text("Ünïcode ₹ text"));
  staging->set(4, Value::decimal("1234.56"));
  staging->set(5, Value::dateTime(DateTime{2026, 3, 31, 23, 59, 58, 0}));
  staging->update();
  EXPECT_EQ(staging->get(1), Value::integer(-42)) << "the added row stays current";
  session_->commit();

  auto cursor = open("Select * From T");
  EXPECT_EQ(cursor->get(1), Value::integer(-42));
  EXPECT_EQ(cursor->get(2), Value::text("Ünïcode ₹ text"));
  EXPECT_TRUE(cursor->get(3).isNull()) << "a column never assigned stays null";
  EXPECT_EQ(cursor->get(4).toText(), "1234.56");
  EXPECT_EQ(cursor->get(5), Value::dateTime(DateTime{2026, 3, 31, 23, 59, 58, 0}));
}

TEST_F(OdbcSqliteDriverTest, DecimalsArriveAsNumbersInNumberColumnsAndAsWrittenInTextColumns) {
  session_->beginTransaction();
  auto staging = open("Select * from T ", LockType::kOptimistic);
  const char* amounts[] = {"12.5", "-0.75", "1000"};
  for (int i = 0; i < 3; ++i) {
    staging->addNew();
    staging->set(1, i == 2 ? Value::integer(3) : Value::decimal(std::to_string(i + 1)));
    staging->set(2, Value::decimal(amounts[i]));
    staging->set(4, i == 2 ? Value::integer(1000) : Value::decimal(amounts[i]));
    staging->update();
  }
  session_->commit();
  auto cursor = open("Select * From T Order By Code");
  for (int i = 0; i < 3; ++i, cursor->moveNext()) {
    ASSERT_FALSE(cursor->eof());
    EXPECT_EQ(cursor->get(1), Value::integer(i + 1));
    EXPECT_EQ(cursor->get(2), Value::text(amounts[i]));
    EXPECT_EQ(cursor->get(4).toText(), amounts[i]);
  }
  EXPECT_EQ(count("Where Amount*4 = -3"), 1) << "stored as a number, not as text";
}

TEST_F(OdbcSqliteDriverTest, ColumnAssignedInSomeRowsOnlyIsNullInTheOthers) {
  session_->beginTransaction();
  auto staging = open("Select * from T ", LockType::kOptimistic);
  for (int i = 1; i <= 6; ++i) {
    staging->addNew();
    staging->set(1, Value::integer(i));
    if (i % 2 == 0) staging->set(2, Value::text("even"));
    if (i == 5) staging->set(3, Value::text("Y"));
    staging->update();
  }
  session_->commit();
  auto cursor = open("Select * From T Order By Code");
  for (int i = 1; i <= 6; ++i, cursor->moveNext()) {
    ASSERT_FALSE(cursor->eof());
    EXPECT_EQ(cursor->get(1), Value::integer(i));
    EXPECT_EQ(cursor->get(2), i % 2 == 0 ? Value::text("even") : Value::null()) << "row " << i;
    EXPECT_EQ(cursor->get(3), i == 5 ? Value::text("Y") : Value::null()) << "row " << i;
  }
}

TEST_F(OdbcSqliteDriverTest, StagedInsertsTravelInBatches) {
  constexpr int kRows = 2500;
  const std::size_t batches = (kRows + options_.batchRows - 1) / options_.batchRows;
  session_->beginTransaction();
  auto staging = open("Select * from T ", LockType::kOptimistic);
  const std::size_t before = session_->roundTrips();
  for (int i = 1; i <= kRows; ++i) {
    staging->addNew();
    staging->set(1, Value::integer(i));
    staging->set(2, Value::text("row " + std::to_string(i)));
    staging->update();
  }
  session_->commit();
  EXPECT_EQ(session_->roundTrips() - before, batches);
  EXPECT_EQ(count(), kRows);
  EXPECT_EQ(count("Where Name='ROW 2500' and Code=2500"), 1) << "rows arrive intact";
}

TEST_F(OdbcSqliteDriverTest, PendingRowsAreSentBeforeTheNextStatement) {
  session_->beginTransaction();
  auto staging = open("Select * from T ", LockType::kOptimistic);
  for (int i = 1; i <= 3; ++i) {
    staging->addNew();
    staging->set(1, Value::integer(i));
    staging->update();
  }
  // The statement sees the rows that were added before it.
  session_->execute("Update T set Active='Y' Where Code>=2");
  EXPECT_EQ(count("Where Active='Y'"), 2);
  session_->commit();
}

TEST_F(OdbcSqliteDriverTest, FailingRowFailsTheFlushBeforeCommit) {
  session_->execute("CREATE TABLE Strict(Rno INTEGER PRIMARY KEY AUTOINCREMENT, Code INTEGER NOT NULL, Name VARCHAR(10))");
  session_->beginTransaction();
  auto staging = open("Select * from Strict ", LockType::kOptimistic);
  for (int i = 1; i <= 1500; ++i) {
    staging->addNew();
    staging->set(1, i == 1200 ? Value::null() : Value::integer(i));
    staging->set(2, Value::text("x"));
    staging->update();
  }
  try {
    session_->commit();
    FAIL() << "commit succeeded although a row violates NOT NULL";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), failure_number::kStatementFailed);
    EXPECT_FALSE(failure.description().empty());
  }
  session_->rollback();
  auto cursor = open("Select count(*) From Strict");
  EXPECT_EQ(cursor->get(0), Value::integer(0)) << "rollback leaves nothing";
}

TEST_F(OdbcSqliteDriverTest, RollbackDiscardsAddedRowsAndUnsentOnes) {
  session_->beginTransaction();
  auto staging = open("Select * from T ", LockType::kOptimistic);
  for (int i = 1; i <= 1200; ++i) {
    staging->addNew();
    staging->set(1, Value::integer(i));
    staging->update();
  }
  session_->rollback();
  EXPECT_EQ(count(), 0);
  session_->execute("INSERT INTO T(Code) VALUES (1)");
  EXPECT_EQ(count(), 1) << "the connection is back in autocommit mode";
}

TEST_F(OdbcSqliteDriverTest, RollbackAndCommitWithoutATransactionFail) {
  for (auto call : {&Session::rollback, &Session::commit}) {
    try {
      ((*session_).*call)();
      FAIL() << "no transaction is open";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), failure_number::kStatementFailed);
      EXPECT_FALSE(failure.description().empty());
    }
  }
}

TEST_F(OdbcSqliteDriverTest, StampsAreSavedOnMoveNextAndBatched) {
  constexpr int kRows = 2500;
  insertRows(kRows);
  session_->beginTransaction();
  auto source = open("Select * From T Where isnull(Active,'')<>'Y' ", LockType::kOptimistic);
  const std::size_t before = session_->roundTrips();
  int seen = 0;
  while (!source->eof()) {
    ++seen;
    EXPECT_EQ(source->get(1), Value::integer(seen));
    source->set(3, Value::text("Y"));
    source->set(2, Value::text("stamped " + std::to_string(seen)));
    source->moveNext();
  }
  session_->commit();
  EXPECT_EQ(seen, kRows);
  const std::size_t pages = (kRows - 1) / OdbcCursor::kResidentRows;
  const std::size_t batches = (kRows + options_.batchRows - 1) / options_.batchRows;
  EXPECT_EQ(session_->roundTrips() - before, batches + pages);
  EXPECT_EQ(count("Where Active='Y'"), kRows);
  EXPECT_EQ(count("Where Name='stamped 1234' and Code=1234"), 1);
}

// Optimistic saves: a row another client changed after the read keeps that
// client's values; the rows around it, nulls, numbers and dates included, are
// saved.
TEST_F(OdbcSqliteDriverTest, ARowChangedAfterTheReadIsNotSaved) {
  constexpr int kRows = 60;
  insertRows(kRows);
  session_->execute("Update T set Amount=Code*1.25, Updated='2020-03-07 10:11:12.345' where Code % 3 = 0");
  auto source = open("Select * From T", LockType::kOptimistic);
  connect()->execute("Update T set Name='theirs' where Code in (2, 50)");
  for (; !source->eof(); source->moveNext()) source->set(3, Value::text("Y"));
  EXPECT_EQ(count("Where Active='Y'"), kRows - 2);
  EXPECT_EQ(count("Where Name='theirs' and Active is null"), 2);
}

TEST_F(OdbcSqliteDriverTest, StampsRollBackWithTheTransaction) {
  insertRows(10);
  session_->beginTransaction();
  auto source = open("Select * From T", LockType::kOptimistic);
  while (!source->eof()) {
    source->set(3, Value::text("Y"));
    source->moveNext();
  }
  session_->rollback();
  EXPECT_EQ(count("Where Active='Y'"), 0);
}

TEST_F(OdbcSqliteDriverTest, LargeStaticCursorPagesRowsBackInOrder) {
  constexpr int kRows = 5000;
  insertRows(kRows);
  session_->execute("Update T set Amount=Code*2");
  auto cursor = open("Select * From T Where Code % 2 = 1");
  int expected = 1;
  for (; !cursor->eof(); cursor->moveNext(), expected += 2) {
    ASSERT_EQ(cursor->get(1), Value::integer(expected));
    ASSERT_EQ(cursor->get(2), Value::text("row " + std::to_string(expected)));
    ASSERT_EQ(cursor->get(4).toText(), std::to_string(expected * 2));
  }
  EXPECT_EQ(expected, kRows + 1);
  cursor->moveFirst();
  EXPECT_EQ(cursor->get(1), Value::integer(1)) << "moving back reads the first page again";
}

TEST_F(OdbcSqliteDriverTest, RowsDeletedWhileALargeCursorIsOpenAreLeftOut) {
  constexpr int kRows = 5000;
  insertRows(kRows);
  auto cursor = open("Select * From T", LockType::kOptimistic);
  // A whole page of the rows read back later, and one row of the page after it.
  connect()->execute("Delete From T Where (Code>2000 and Code<=4000) or Code=4500");
  session_->beginTransaction();
  int visited = 0;
  std::int64_t previous = 0;
  for (; !cursor->eof(); cursor->moveNext(), ++visited) {
    ASSERT_FALSE(cursor->get(1).isNull()) << "after code " << previous;
    const std::int64_t code = cursor->get(1).asInteger();
    ASSERT_GT(code, previous);
    ASSERT_TRUE(code <= 2000 || (code > 4000 && code != 4500)) << code;
    previous = code;
    cursor->set(3, Value::text("Y"));
  }
  session_->commit();
  EXPECT_EQ(visited, kRows - 2001);
  EXPECT_EQ(count("Where Active='Y'"), kRows - 2001);
  EXPECT_EQ(count(), kRows - 2001);
}

TEST_F(OdbcSqliteDriverTest, ReadOnlyCursorRefusesChanges) {
  insertRows(1);
  auto cursor = open("Select * From T");
  EXPECT_THROW(cursor->set(1, Value::integer(5)), Failure);
  EXPECT_THROW(cursor->addNew(), Failure);
}

TEST_F(OdbcSqliteDriverTest, CurrentDatabaseFallsBackToTheInitialCatalog) {
  EXPECT_EQ(session_->currentDatabase(), "BRANCH");
}

TEST_F(OdbcSqliteDriverTest, MissingDatabaseFailsAsLinkFailure) {
  try {
    connector_->connect(sqliteConnectionString("NOSUCHDB"), 5);
    FAIL() << "connect unexpectedly succeeded";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), failure_number::kLinkFailure);
    EXPECT_FALSE(failure.description().empty());
  }
  EXPECT_FALSE(std::filesystem::exists(folder_.path() / "NOSUCHDB.db")) << "never created";
}

struct StatementFailureCase {
  const char* name;
  const char* sql;
};

class OdbcSqliteStatementFailureTest : public OdbcSqliteDriverTest,
                                       public ::testing::WithParamInterface<StatementFailureCase> {};

TEST_P(OdbcSqliteStatementFailureTest, FailsAsAStatementError) {
  try {
    session_->execute(GetParam().sql);
    FAIL() << "statement unexpectedly succeeded";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), failure_number::kStatementFailed);
    EXPECT_FALSE(failure.description().empty());
  }
  EXPECT_EQ(count(), 0) << "the session stays usable";
}

INSTANTIATE_TEST_SUITE_P(
    Statements, OdbcSqliteStatementFailureTest,
    ::testing::Values(StatementFailureCase{"Syntax", "Selec * From T"},
                      StatementFailureCase{"MissingTable", "Select * From Missing"},
                      StatementFailureCase{"MissingColumn", "Update T set Nothing=1"},
                      StatementFailureCase{"Constraint", "INSERT INTO T(Rno) VALUES ('x')"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OdbcSqliteDriverTest, CursorOutlivingItsSessionFailsCleanly) {
  session_->beginTransaction();
  auto staging = open("Select * from T ", LockType::kOptimistic);
  session_.reset();
  staging->addNew();
  staging->set(1, Value::integer(1));
  EXPECT_THROW(staging->update(), Failure);
  session_ = connect();
  EXPECT_EQ(count(), 0) << "closing the session rolled its transaction back";
}

}  // namespace
}  // namespace velmora::testing
