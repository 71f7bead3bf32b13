#include "backends/embedded/sqlite_connection.h"

#include <climits>

#include "backends/embedded/tsql_functions.h"

namespace velmora {

std::int32_t failureNumberFor(int rc) {
  switch (rc & 0xff) {
    case SQLITE_BUSY:
      return failure_number::kTimeout;
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
    case SQLITE_NOTADB:
      return failure_number::kLinkFailure;
    default:
      return failure_number::kStatementFailed;
  }
}

// ---------------------------------------------------------------------------

SqliteStatement::SqliteStatement(SqliteConnection& connection, sqlite3_stmt* statement)
    : connection_(&connection), statement_(statement) {}

bool SqliteStatement::step() {
  sqlite3_stmt* s = statement_.get();
  if (!sqlite3_stmt_busy(s)) {
    connection_->sendQueuedSaves();
    connection_->countRoundTrip();
  }
  const int rc = sqlite3_step(s);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  Failure failure = connection_->failure(rc);
  sqlite3_reset(s);
  throw failure;
}

void SqliteStatement::run() {
  while (step()) {
  }
  reset();
}

void SqliteStatement::reset() { sqlite3_reset(statement_.get()); }

void SqliteStatement::clearBindings() { sqlite3_clear_bindings(statement_.get()); }

void SqliteStatement::bind(int index, const Value& value) {
  sqlite3_stmt* s = statement_.get();
  switch (value.kind()) {
    case Value::Kind::kNull:
      sqlite3_bind_null(s, index);
      break;
    case Value::Kind::kInteger:
      sqlite3_bind_int64(s, index, value.asInteger());
      break;
    case Value::Kind::kDecimal:
      bindText(index, value.asDecimal().text);
      break;
    case Value::Kind::kReal:
      sqlite3_bind_double(s, index, value.asReal());
      break;
    case Value::Kind::kText:
      bindText(index, value.asText());
      break;
    case Value::Kind::kDateTime:
      bindText(index, value.asDateTime().toIso());
      break;
  }
}

void SqliteStatement::bindUnowned(int index, const Value& value) {
  const std::string* text = value.kind() == Value::Kind::kText      ? &value.asText()
                            : value.kind() == Value::Kind::kDecimal ? &value.asDecimal().text
                                                                    : nullptr;
  if (text == nullptr) return bind(index, value);
  sqlite3_bind_text(statement_.get(), index, text->data(), static_cast<int>(text->size()), SQLITE_STATIC);
}

void SqliteStatement::bindInteger(int index, std::int64_t value) {
  sqlite3_bind_int64(statement_.get(), index, value);
}

void SqliteStatement::bindText(int index, const std::string& value) {
  sqlite3_bind_text(statement_.get(), index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
}

// ---------------------------------------------------------------------------

SqliteConnection::SqliteConnection(const std::filesystem::path& file, int timeoutSeconds) {
  sqlite3* db = nullptr;
  // A connection is used by one thread at a time (the agent's only thread),
  // so it goes without SQLite's per-call mutex.
  const int rc = sqlite3_open_v2(file.string().c_str(), &db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
  db_.reset(db);
  if (rc != SQLITE_OK) {
    const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    throw Failure(failure_number::kLinkFailure, message);
  }
  if (sqlite3_db_readonly(db, "main") == 1) {
    // SQLite falls back to reading a file it may not write; every write of
    // a tick would then fail without naming the file.
    throw Failure(failure_number::kLinkFailure,
                  "The database file " + file.string() + " is read-only: the agent cannot write it");
  }
  sqlite3_extended_result_codes(db, 1);
  setBusyTimeout(timeoutSeconds);
  registerTsqlFunctions(db);
  try {
    SqliteStatement mode = prepare("PRAGMA journal_mode");
    const bool wal = mode.step() && sqlite3_stricmp(
        reinterpret_cast<const char*>(sqlite3_column_text(mode.get(), 0)), "wal") == 0;
    mode.reset();
    if (!wal) run("PRAGMA journal_mode=WAL");
    // A commit must be on disk when it returns: a step commits one side and
    // then the other, and after a power cut the first must not be the one
    // lost. (WAL's NORMAL would make it durable only at the next checkpoint.)
    run("PRAGMA synchronous=FULL");
  } catch (const Failure& f) {
    // A file that is no database cannot be reached as one.
    throw Failure(f.number() == failure_number::kStatementFailed ? failure_number::kLinkFailure : f.number(),
                  f.description());
  }
}

void SqliteConnection::setBusyTimeout(int seconds) {
  const int ms = seconds <= 0 || seconds > INT_MAX / 1000 ? INT_MAX : seconds * 1000;
  sqlite3_busy_timeout(db_.get(), ms);
}

SqliteStatement SqliteConnection::prepare(const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  const int rc = sqlite3_prepare_v2(db_.get(), sql.c_str(), static_cast<int>(sql.size() + 1), &statement, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(statement);
    throw failure(rc);
  }
  return SqliteStatement(*this, statement);
}

void SqliteConnection::run(const std::string& sql) {
  const char* tail = sql.c_str();
  const char* end = sql.c_str() + sql.size();
  while (tail < end) {
    sqlite3_stmt* raw = nullptr;
    const char* next = nullptr;
    const int rc = sqlite3_prepare_v2(db_.get(), tail, static_cast<int>(end - tail), &raw, &next);
    if (rc != SQLITE_OK) {
      sqlite3_finalize(raw);
      throw failure(rc);
    }
    tail = next;
    if (raw == nullptr) continue;  // blanks or a comment
    SqliteStatement statement(*this, raw);
    statement.run();
  }
}

void SqliteConnection::sendQueuedSaves() {
  if (saves_.empty()) return;
  if (!inTransaction()) {
    saves_.drop();
    throw Failure(failure_number::kStatementFailed,
                  "The transaction ended before the rows saved in it were written; they were not written.");
  }
  saves_.send();
}

Failure SqliteConnection::failure(int rc) const {
  const std::int32_t number = failureNumberFor(rc);
  std::string message = sqlite3_errmsg(db_.get());
  if (number == failure_number::kTimeout) message = "Query timeout expired (" + message + ")";
  return Failure(number, message);
}

}  // namespace velmora
