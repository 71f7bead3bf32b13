#include "backends/sqlserver/odbc_link.h"

#include <algorithm>

#include "backends/sqlserver/odbc_statement_text.h"
#include "transfer/failure.h"

namespace velmora {
namespace {

// A batch is also sent once its values reach this size, so that long texts
// do not make a batch's buffers large.
constexpr std::size_t kMaxBatchBytes = 8u << 20;

SQLPOINTER integerAttribute(SQLULEN value) { return reinterpret_cast<SQLPOINTER>(value); }

std::size_t approximateSize(const std::optional<Value>& value) {
  if (!value) return 0;
  return 16 + (value->kind() == Value::Kind::kText ? value->asText().size() : 0);
}

}  // namespace

OdbcLink::OdbcLink(std::shared_ptr<EnvironmentHandle> environment, OdbcLinkSettings settings)
    : settings_(std::move(settings)) {
  connection_ = std::make_unique<ConnectionHandle>(std::move(environment));
  SQLHDBC dbc = connection_->get();
  if (settings_.loginTimeoutSeconds > 0) {
    SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                      integerAttribute(static_cast<SQLULEN>(settings_.loginTimeoutSeconds)),
                      SQL_IS_UINTEGER);
  }
  std::vector<SQLCHAR> text(settings_.odbcConnectionString.begin(),
                            settings_.odbcConnectionString.end());
  text.push_back('\0');
  SQLCHAR completed[1024];
  SQLSMALLINT completedLength = 0;
  SQLRETURN rc = SQLDriverConnect(dbc, nullptr, text.data(), SQL_NTS, completed,
                                  static_cast<SQLSMALLINT>(sizeof completed), &completedLength,
                                  SQL_DRIVER_NOPROMPT);
  checkOdbc(rc, SQL_HANDLE_DBC, dbc, FailurePhase::kConnect, "Connecting to the server");
  connection_->markConnected();
}

OdbcLink::~OdbcLink() { close(); }

void OdbcLink::close() {
  if (!connection_) return;
  pending_.reset();
  if (inTransaction_) {
    SQLEndTran(SQL_HANDLE_DBC, connection_->get(), SQL_ROLLBACK);
    inTransaction_ = false;
  }
  connection_.reset();
}

SQLHDBC OdbcLink::connection() const {
  if (!connection_) {
    throw Failure(failure_number::kInvalidUse, "Operation is not allowed when the object is closed.");
  }
  return connection_->get();
}

StatementHandle OdbcLink::newStatement() const {
  StatementHandle statement(connection());
  // Drivers that cannot time statements out report it here; the statement
  // then simply runs without a limit.
  SQLSetStmtAttr(statement.get(), SQL_ATTR_QUERY_TIMEOUT,
                 integerAttribute(static_cast<SQLULEN>(std::max(commandTimeout_, 0))),
                 SQL_IS_UINTEGER);
  return statement;
}

void OdbcLink::sendDirect(const StatementHandle& statement, const std::string& sql) {
  std::string text = settings_.rewriteStatement ? settings_.rewriteStatement(sql) : sql;
  std::vector<SQLCHAR> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  ++roundTrips_;
  SQLRETURN rc = SQLExecDirect(statement.get(), buffer.data(), static_cast<SQLINTEGER>(text.size()));
  if (rc == SQL_NO_DATA) return;
  statement.check(rc, "Running a statement");
}

StatementHandle OdbcLink::run(const std::string& sql) {
  flushPending();
  StatementHandle statement = newStatement();
  sendDirect(statement, sql);
  return statement;
}

void OdbcLink::execute(const std::string& sql) {
  StatementHandle statement = run(sql);
  drainResults(statement);
}

void OdbcLink::drainResults(const StatementHandle& statement) {
  for (;;) {
    SQLRETURN rc = SQLMoreResults(statement.get());
    if (rc == SQL_NO_DATA) return;
    statement.check(rc, "Reading the results of a statement");
  }
}

void OdbcLink::setAutocommit(bool on) {
  SQLHDBC dbc = connection();
  SQLRETURN rc = SQLSetConnectAttr(
      dbc, SQL_ATTR_AUTOCOMMIT, integerAttribute(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF),
      SQL_IS_UINTEGER);
  checkOdbc(rc, SQL_HANDLE_DBC, dbc, FailurePhase::kStatement, "Changing the commit mode");
}

void OdbcLink::beginTransaction() {
  connection();
  if (inTransaction_) {
    throw Failure(failure_number::kStatementFailed,
                  "Only one transaction can be active on this session.");
  }
  flushPending();
  setAutocommit(false);
  inTransaction_ = true;
}

void OdbcLink::commit() {
  SQLHDBC dbc = connection();
  if (!inTransaction_) throw Failure(failure_number::kStatementFailed, "No transaction is active.");
  flushPending();
  checkOdbc(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT), SQL_HANDLE_DBC, dbc,
            FailurePhase::kStatement, "Committing the transaction");
  inTransaction_ = false;
  setAutocommit(true);
}

void OdbcLink::rollback() {
  SQLHDBC dbc = connection();
  if (!inTransaction_) throw Failure(failure_number::kStatementFailed, "No transaction is active.");
  pending_.reset();
  inTransaction_ = false;
  SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
  checkOdbc(rc, SQL_HANDLE_DBC, dbc, FailurePhase::kStatement, "Rolling back the transaction");
  setAutocommit(true);
}

std::string OdbcLink::currentDatabase() {
  SQLHDBC dbc = connection();
  std::vector<SQLCHAR> buffer(512);
  SQLINTEGER length = 0;
  SQLRETURN rc = SQLGetConnectAttr(dbc, SQL_ATTR_CURRENT_CATALOG, buffer.data(),
                                   static_cast<SQLINTEGER>(buffer.size()), &length);
  if (SQL_SUCCEEDED(rc) && length > 0) {
    std::size_t used = std::min<std::size_t>(static_cast<std::size_t>(length), buffer.size() - 1);
    std::string name(reinterpret_cast<const char*>(buffer.data()), used);
    if (!name.empty()) return name;
  }
  return settings_.fallbackDatabase;
}

void OdbcLink::queueInsert(const std::shared_ptr<const TableShape>& shape,
                           const std::vector<std::optional<Value>>& row) {
  if (pending_ && (pending_->kind != WriteKind::kInsert || pending_->shape != shape)) flushPending();
  if (!pending_) pending_ = PendingWrites{WriteKind::kInsert, shape, false, {}, {}, 0, 0};
  PendingWrites& p = *pending_;
  // A column first assigned in this row joins the batch; earlier rows send
  // NULL for it, as a new row holds before assignment.
  for (std::size_t c = 0; c < row.size(); ++c) {
    if (!row[c] || std::find(p.columns.begin(), p.columns.end(), c) != p.columns.end()) continue;
    p.columns.push_back(c);
    p.cells.emplace_back(p.rows, std::nullopt);
  }
  for (std::size_t k = 0; k < p.columns.size(); ++k) {
    const std::optional<Value>& cell = row[p.columns[k]];
    p.bytes += approximateSize(cell);
    p.cells[k].push_back(cell);
  }
  ++p.rows;
  afterQueued();
}

void OdbcLink::queueUpdate(const std::shared_ptr<const TableShape>& shape,
                           const std::vector<std::optional<Value>>& changes, const Value& key,
                           const std::optional<Value>& checksum) {
  std::vector<std::size_t> columns;
  for (std::size_t c = 0; c < changes.size(); ++c)
    if (changes[c]) columns.push_back(c);
  if (columns.empty()) return;
  const bool checked = checksum.has_value() && shape->rowChecksum.has_value();
  if (pending_ && (pending_->kind != WriteKind::kUpdate || pending_->shape != shape ||
                   pending_->columns != columns || pending_->checked != checked))
    flushPending();
  if (!pending_) {
    pending_ = PendingWrites{WriteKind::kUpdate, shape, checked, columns, {}, 0, 0};
    pending_->cells.resize(columns.size() + (checked ? 2 : 1));
  }
  PendingWrites& p = *pending_;
  for (std::size_t k = 0; k < columns.size(); ++k) {
    p.bytes += approximateSize(changes[columns[k]]);
    p.cells[k].push_back(changes[columns[k]]);
  }
  p.cells[columns.size()].push_back(key);
  if (checked) p.cells.back().push_back(*checksum);
  ++p.rows;
  afterQueued();
}

void OdbcLink::afterQueued() {
  // Outside a transaction every row is written at once, as nothing else
  // would send it in time.
  if (!inTransaction_ || pending_->rows >= std::max<std::size_t>(settings_.batchRows, 1) ||
      pending_->bytes >= kMaxBatchBytes)
    flushPending();
}

void OdbcLink::flushPending() {
  if (!pending_) return;
  PendingWrites p = std::move(*pending_);
  pending_.reset();
  const TableShape& shape = *p.shape;

  std::vector<std::string> names;
  std::vector<ColumnInfo> targets;
  for (std::size_t c : p.columns) {
    names.push_back(shape.columns[c].name);
    targets.push_back(shape.columns[c]);
  }
  std::string sql;
  if (p.kind == WriteKind::kInsert) {
    if (names.empty()) {
      for (std::size_t r = 0; r < p.rows; ++r) {
        StatementHandle statement = newStatement();
        sendDirect(statement, "INSERT INTO " + shape.table + " DEFAULT VALUES");
        drainResults(statement);
      }
      return;
    }
    sql = insertStatement(shape.table, names);
  } else {
    const ColumnInfo& key = shape.columns[*shape.identity];
    targets.push_back(key);
    if (p.checked) targets.push_back(*shape.rowChecksum);
    std::vector<std::string> checksumColumns;
    if (p.checked) {
      for (const ColumnInfo& column : shape.columns) checksumColumns.push_back(column.name);
    }
    sql = updateStatement(shape.table, names, key.name, checksumColumns);
  }

  ParameterArrays arrays(p.cells, targets, p.rows);
  StatementHandle statement = newStatement();
  arrays.bind(statement);
  std::vector<SQLUSMALLINT> status(p.rows, SQL_PARAM_UNUSED);
  SQLULEN processed = 0;
  SQLSetStmtAttr(statement.get(), SQL_ATTR_PARAM_STATUS_PTR, status.data(), 0);
  SQLSetStmtAttr(statement.get(), SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0);
  sendDirect(statement, sql);
  std::vector<DiagnosticRecord> early = readDiagnostics(SQL_HANDLE_STMT, statement.get());
  drainResults(statement);
  if (std::find(status.begin(), status.end(), SQL_PARAM_ERROR) != status.end()) {
    throw Failure(failureNumberFor(early, FailurePhase::kStatement),
                  describeDiagnostics(early, "A row could not be written to " + shape.table));
  }
}

}  // namespace velmora
