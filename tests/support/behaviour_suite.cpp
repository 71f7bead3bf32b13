#include "support/behaviour_suite.h"

#include <cstdlib>

namespace velmora::behaviour {

namespace {

// Runs `action` and returns the failure it throws; fails the test if none.
template <typename Action>
Failure failureOf(Action&& action) {
  try {
    action();
  } catch (const Failure& failure) {
    return failure;
  }
  ADD_FAILURE() << "no failure was thrown";
  return Failure(0, "");
}

// The numeric value of a value's text (decimals and reals alike).
double numberOf(const Value& value) { return std::strtod(value.toText().c_str(), nullptr); }

}  // namespace

std::string behaviourBackendName(const ::testing::TestParamInfo<BehaviourBackend>& info) {
  return info.param.name;
}

void AccessLayerBehaviourTest::SetUp() {
  target_ = GetParam().make();
  connection_ = std::make_unique<Connection>(target_.connector);
  connection_->open(target_.connectionString);
}

void AccessLayerBehaviourTest::insertRow(int code, const std::string& name, const std::string& active) {
  connection().execute("INSERT INTO T (Code,Name,Active) VALUES (" + std::to_string(code) + ",'" + name + "','" +
                       active + "')");
}

long long AccessLayerBehaviourTest::countRows(const std::string& where) {
  Recordset rs;
  rs.open("Select count(*) AS N From T " + where, connection());
  return std::strtoll(rs.field("n").toText().c_str(), nullptr, 10);
}

// 1. Column names are found without regard to letter case.
TEST_P(AccessLayerBehaviourTest, FieldsAreFoundByNameWithoutRegardToCase) {
  insertRow(1, "One", "Y");
  Recordset rs;
  rs.open("Select * From T", connection());
  ASSERT_FALSE(rs.eof());
  EXPECT_EQ(rs.field("code").toText(), "1");
  EXPECT_EQ(rs.field("NAME").toText(), "One");
  EXPECT_EQ(rs.field("aCtIvE").toText(), "Y");
  EXPECT_FALSE(rs.field("rno").isNull());
  EXPECT_EQ(rs.fieldName(rs.fieldIndex("NAME")), "Name");  // names come back as declared
  EXPECT_EQ(failureOf([&] { rs.field("NoSuchColumn"); }).number(), failure_number::kStatementFailed);
}

// 2. A pending change of the current row is saved when MoveNext leaves it,
// inside the connection's transaction.
TEST_P(AccessLayerBehaviourTest, PendingChangeIsSavedWhenMoveNextLeavesTheRow) {
  for (int code = 1; code <= 3; ++code) insertRow(code, "row" + std::to_string(code), "N");
  for (const bool commit : {false, true}) {
    connection().beginTrans();
    Recordset source;
    source.open("Select * From T Where isnull(Active,'')<>'Y' ", connection(), CursorType::kStatic,
                LockType::kOptimistic);
    int rows = 0;
    while (!source.eof()) {
      source.setField("active", Value::text("Y"));
      source.setField("Updated", Value::text("05/Mar/2020"));
      EXPECT_EQ(source.field("ACTIVE").toText(), "Y");  // the pending value reads back
      source.moveNext();
      ++rows;
    }
    EXPECT_EQ(rows, 3);
    source.close();
    if (commit) {
      connection().commitTrans();
      EXPECT_EQ(countRows("Where Active='Y'"), 3);
    } else {
      connection().rollbackTrans();
      EXPECT_EQ(countRows("Where Active='Y'"), 0);
    }
  }
}

// 3. Update on a static, optimistic recordset inserts the new row at once,
// inside the connection's open transaction.
TEST_P(AccessLayerBehaviourTest, AddNewAndUpdateInsertInsideTheOpenTransaction) {
  for (const bool commit : {false, true}) {
    connection().beginTrans();
    Recordset staging;
    staging.open("Select * from T ", connection(), CursorType::kStatic, LockType::kOptimistic);
    EXPECT_TRUE(staging.eof());
    for (int code = 1; code <= 2; ++code) {
      staging.addNew();
      staging.setField("Code", Value::integer(code));
      staging.setField("name", Value::text("new"));
      staging.update();
    }
    EXPECT_EQ(countRows(), 2);  // already there, inside the transaction
    staging.close();
    if (commit) {
      connection().commitTrans();
      EXPECT_EQ(countRows("Where Name='new' and Active is null and Rno is not null"), 2);
    } else {
      connection().rollbackTrans();
      EXPECT_EQ(countRows(), 0);
    }
  }
}

// 4. A rollback on a connection without an open transaction fails.
TEST_P(AccessLayerBehaviourTest, RollbackWithoutATransactionFails) {
  const Failure first = failureOf([&] { connection().rollbackTrans(); });
  EXPECT_NE(first.number(), failure_number::kLinkFailure);
  EXPECT_FALSE(first.description().empty());
  connection().beginTrans();
  connection().commitTrans();
  EXPECT_FALSE(failureOf([&] { connection().rollbackTrans(); }).description().empty());
}

// 5. Failures carry the numbers of the contract and a description.
TEST_P(AccessLayerBehaviourTest, FailuresCarryTheContractNumbers) {
  const Failure missingTable = failureOf([&] { connection().execute("Select * From NoSuchTable"); });
  EXPECT_EQ(missingTable.number(), failure_number::kStatementFailed);
  EXPECT_FALSE(missingTable.description().empty());

  const Failure syntax = failureOf([&] { connection().execute("Selec nothing"); });
  EXPECT_EQ(syntax.number(), failure_number::kStatementFailed);

  const Failure missingInRecordset = failureOf([&] {
    Recordset rs;
    rs.open("Select * From NoSuchTable", connection());
  });
  EXPECT_EQ(missingInRecordset.number(), failure_number::kStatementFailed);

  Connection missingDatabase(target_.connector);
  const Failure noDatabase = failureOf([&] { missingDatabase.open(target_.missingDatabaseConnectionString); });
  EXPECT_EQ(noDatabase.number(), failure_number::kLinkFailure);
  EXPECT_FALSE(noDatabase.description().empty());
  EXPECT_FALSE(missingDatabase.isOpen());

  Connection unknownServer(target_.connector);
  const Failure noServer = failureOf([&] { unknownServer.open(target_.unknownServerConnectionString); });
  EXPECT_EQ(noServer.number(), failure_number::kLinkFailure);
  EXPECT_FALSE(noServer.description().empty());
}

TEST_P(AccessLayerBehaviourTest, AnEmptyResultIsAtBofAndEof) {
  Recordset rs;
  rs.open("Select Top 1 Rno From T  with (nolock) Where isnull(Active,'')<>'Y' ", connection());
  EXPECT_TRUE(rs.bof());
  EXPECT_TRUE(rs.eof());
  insertRow(1, "a", "N");
  rs.open("Select Top 1 Rno From T  with (nolock) Where isnull(Active,'')<>'Y' ", connection());
  EXPECT_FALSE(rs.bof());
  EXPECT_FALSE(rs.eof());
}

TEST_P(AccessLayerBehaviourTest, MoveFirstReturnsToTheFirstRow) {
  for (int code = 1; code <= 3; ++code) insertRow(code, "r", "N");
  for (const LockType lock : {LockType::kReadOnly, LockType::kOptimistic}) {
    Recordset rs;
    rs.open("Select * From T order by Code", connection(), CursorType::kStatic, lock);
    int seen = 0;
    while (!rs.eof()) {
      ++seen;
      rs.moveNext();
    }
    EXPECT_EQ(seen, 3);
    rs.moveFirst();
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.field("Code").toText(), "1");
    EXPECT_FALSE(rs.bof());
  }
}

TEST_P(AccessLayerBehaviourTest, DefaultDatabaseIsTheOpenedOne) {
  EXPECT_EQ(connection().defaultDatabase(), target_.databaseName);
}

TEST_P(AccessLayerBehaviourTest, ValuesRoundTrip) {
  const std::string text = "O'Brien \xe2\x80\x94 \xc3\x9cn\xc3\xaf" "code \xe2\x9c\x93";
  connection().beginTrans();
  {
    Recordset rs;
    rs.open("Select * from T ", connection(), CursorType::kStatic, LockType::kOptimistic);
    rs.addNew();
    rs.setField("Code", Value::integer(2147483647));
    rs.setField("Name", Value::text(text));
    rs.setField("Active", Value::null());
    rs.setField("Amount", Value::decimal("12.34"));
    rs.setField("Updated", Value::dateTime(DateTime{2020, 3, 5, 14, 7, 9, 0}));
    rs.update();
    rs.addNew();
    rs.setField("Code", Value::integer(-7));
    rs.setField("Amount", Value::real(0.5));
    rs.setField("Name", Value::text("05/Mar/2020"));
    rs.update();
  }
  connection().commitTrans();

  Recordset rs;
  rs.open("Select * From T order by Rno", connection(), CursorType::kStatic, LockType::kReadOnly);
  ASSERT_FALSE(rs.eof());
  EXPECT_EQ(rs.field("Code").toText(), "2147483647");
  EXPECT_EQ(rs.field("Name").toText(), text);
  EXPECT_TRUE(rs.field("Active").isNull());
  EXPECT_DOUBLE_EQ(numberOf(rs.field("Amount")), 12.34);
  ASSERT_TRUE(rs.field("Updated").toDateTime().has_value());
  EXPECT_EQ(*rs.field("Updated").toDateTime(), (DateTime{2020, 3, 5, 14, 7, 9, 0}));
  rs.moveNext();
  ASSERT_FALSE(rs.eof());
  EXPECT_EQ(rs.field("Code").toText(), "-7");
  EXPECT_DOUBLE_EQ(numberOf(rs.field("Amount")), 0.5);
  EXPECT_EQ(rs.field("Name").toText(), "05/Mar/2020");  // texts are stored as written
  EXPECT_TRUE(rs.field("Updated").isNull());
  rs.moveNext();
  EXPECT_TRUE(rs.eof());

  connection().execute("INSERT INTO T (Code,Name) VALUES (3,'it''s')");
  Recordset quoted;
  quoted.open("Select Name From T Where Code=3", connection());
  EXPECT_EQ(quoted.field("Name").toText(), "it's");
}

}  // namespace velmora::behaviour
