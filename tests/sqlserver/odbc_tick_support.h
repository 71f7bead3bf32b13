// Helpers for running whole ticks of the agent with the head office reached
// through the ODBC backend: the head office's SQLite files behind the SQLite
// ODBC driver, the T-SQL the agent sends there rewritten for SQLite, and a
// connector decorator that records how the central sessions talk to the
// driver (statements, round trips, rows staged through updatable cursors).
#pragma once

#include <cctype>
#include <cstddef>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "backends/embedded/tsql_dialect.h"
#include "backends/sqlserver/odbc_connector.h"
#include "sqlserver/sqlite_odbc_support.h"
#include "transfer/connection_string.h"
#include "transfer/db_access.h"
#include "transfer/failure.h"

namespace velmora::testing {

// The position of the first whole word `word` (compared without regard to
// letter case) in `text`, or npos.
inline std::size_t findWord(const std::string& text, std::string_view word) {
  auto isWordChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; };
  for (std::size_t at = 0; at + word.size() <= text.size(); ++at) {
    if (!equalsIgnoreCase(std::string_view(text).substr(at, word.size()), word)) continue;
    const bool startsWord = at == 0 || !isWordChar(text[at - 1]);
    const bool endsWord = at + word.size() == text.size() || !isWordChar(text[at + word.size()]);
    if (startsWord && endsWord) return at;
  }
  return std::string::npos;
}

// A table or view name quoted for SQLite.
inline std::string quotedName(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// A statement the agent sends to a head office, as SQLite runs it through
// the SQLite ODBC driver. The embedded backend's dialect layer does the
// rewriting; what it leaves to the embedded session as an action becomes a
// single SQLite statement here:
// - the staging build "Select * into X from T ... Where ..." becomes
//   "CREATE TABLE X AS SELECT * FROM T WHERE ..." (the staging table needs no
//   identity at the head office: the merge inserts the column list, which
//   leaves the identity out, and the staged download copies Rno as a value);
// - the staging drop becomes "DROP TABLE IF EXISTS X" (the head offices of
//   these tests never have a view of that name).
// Head-office statements never name a linked server; one that does fails.
// Statements the ODBC backend builds itself (batched inserts, paging) pass
// through the dialect layer unchanged in meaning.
// A translation of `sql` as one statement the SQLite ODBC driver runs: what
// the dialect layer leaves to the embedded session as an action becomes a
// single SQLite statement (see headOfficeDialect).
inline std::string sqliteStatementOf(const std::string& sql, const Translation& translation) {
  switch (translation.kind) {
    case Translation::Kind::kStatement:
      return translation.sql;
    case Translation::Kind::kSelectInto: {
      // translation.sql is "INSERT INTO X SELECT * FROM T ...".
      const std::size_t select = findWord(translation.sql, "select");
      if (select == std::string::npos) {
        throw Failure(failure_number::kStatementFailed, "Unexpected staging build: " + sql);
      }
      return "CREATE TABLE main." + quotedName(translation.objectName) + " AS " +
             translation.sql.substr(select);
    }
    case Translation::Kind::kDropIfExists:
      return "DROP TABLE IF EXISTS main." + quotedName(translation.objectName);
  }
  return translation.sql;
}

inline std::string headOfficeDialect(const std::string& sql) {
  return sqliteStatementOf(
      sql, translateTsql(sql, [](const std::string& server, const std::string&) -> std::string {
        throw Failure(failure_number::kStatementFailed, "A head office has no linked server " + server);
      }));
}

// ODBC options that reach the head offices of `folders` (server name ->
// directory of its database files) through the SQLite ODBC driver: database
// D of server S is the file folders[S]/D.db, never created; a server not in
// `folders` is looked for in a folder that does not exist.
inline OdbcOptions headOfficeOdbcOptions(std::map<std::string, std::filesystem::path> folders,
                                         std::size_t batchRows) {
  OdbcOptions options;
  options.driver = kSqliteOdbcDriver;
  options.batchRows = batchRows;
  options.buildConnectionString = [folders = std::move(folders)](const ConnectionParams& params) {
    std::filesystem::path folder = std::filesystem::path("/nonexistent-velmora-server") / params.server;
    for (const auto& [name, directory] : folders) {
      if (equalsIgnoreCase(name, params.server)) folder = directory;
    }
    return std::string("Driver=") + kSqliteOdbcDriver + ";Database=" +
           hostPath(folder / (params.database + ".db")) +
           ";Timeout=5000;NoWCHAR=1;BigInt=1;NoCreat=1;";
  };
  options.rewriteStatement = headOfficeDialect;
  return options;
}

// One pass of rows through an updatable cursor of a central session: the
// statement that opened it, the rows added through it, and the round trips
// the session made from the cursor's opening until those rows were sent (the
// executions that carried the rows).
struct CopyLoop {
  std::string statement;
  std::size_t rowsAdded = 0;
  std::size_t executions = 0;
};

// What the central sessions did, shared by the sessions of one connector.
struct CentralLog {
  std::vector<std::string> connections;  // database of every session opened
  std::vector<std::string> statements;   // every execute() and cursor statement
  std::vector<CopyLoop> copyLoops;
};

// A cursor that counts the rows added through it.
class CountingCursor : public Cursor {
 public:
  CountingCursor(std::unique_ptr<Cursor> inner, std::shared_ptr<std::size_t> rowsAdded)
      : inner_(std::move(inner)), rowsAdded_(std::move(rowsAdded)) {}

  std::size_t columnCount() const override { return inner_->columnCount(); }
  const std::string& columnName(std::size_t column) const override { return inner_->columnName(column); }
  bool bof() const override { return inner_->bof(); }
  bool eof() const override { return inner_->eof(); }
  void moveFirst() override { inner_->moveFirst(); }
  void moveNext() override { inner_->moveNext(); }
  const Value& get(std::size_t column) const override { return inner_->get(column); }
  void set(std::size_t column, Value value) override { inner_->set(column, std::move(value)); }
  void addNew() override {
    inner_->addNew();
    adding_ = true;
  }
  void update() override {
    inner_->update();
    if (adding_) ++*rowsAdded_;
    adding_ = false;
  }

 private:
  std::unique_ptr<Cursor> inner_;
  std::shared_ptr<std::size_t> rowsAdded_;
  bool adding_ = false;
};

// A session that logs into a CentralLog. A copy loop starts when an
// updatable cursor opens and ends at the next statement or commit, which
// sends the rows still queued: its executions are the session's round trips
// in between, less the one that statement itself takes.
class CountingSession : public Session {
 public:
  CountingSession(std::unique_ptr<Session> inner, std::shared_ptr<CentralLog> log)
      : inner_(std::move(inner)), log_(std::move(log)) {}

  void setCommandTimeout(int seconds) override { inner_->setCommandTimeout(seconds); }
  void execute(const std::string& sql) override {
    log_->statements.push_back(sql);
    inner_->execute(sql);
    closeCopyLoop(1);
  }
  void beginTransaction() override { inner_->beginTransaction(); }
  void flushPendingWrites() override {
    inner_->flushPendingWrites();
    closeCopyLoop(0);
  }
  void commit() override {
    inner_->commit();
    closeCopyLoop(0);
  }
  void rollback() override {
    inner_->rollback();
    open_.reset();
  }
  std::string currentDatabase() override { return inner_->currentDatabase(); }
  std::unique_ptr<Cursor> openCursor(const std::string& sql, CursorType type, LockType lock,
                                     CursorLocation location) override {
    log_->statements.push_back(sql);
    std::unique_ptr<Cursor> cursor = inner_->openCursor(sql, type, lock, location);
    if (lock == LockType::kReadOnly) return cursor;
    closeCopyLoop(0);
    auto rows = std::make_shared<std::size_t>(0);
    open_ = OpenLoop{sql, inner_->roundTrips(), rows};
    return std::make_unique<CountingCursor>(std::move(cursor), rows);
  }
  std::size_t roundTrips() const override { return inner_->roundTrips(); }
  long long lastRowsAffected() const override { return inner_->lastRowsAffected(); }

 private:
  struct OpenLoop {
    std::string statement;
    std::size_t roundTripsAtOpen;
    std::shared_ptr<std::size_t> rowsAdded;
  };

  // Ends the open copy loop, if any; `ownTrips` round trips since its opening
  // belong to the statement that ends it.
  void closeCopyLoop(std::size_t ownTrips) {
    if (!open_) return;
    const std::size_t trips = inner_->roundTrips() - open_->roundTripsAtOpen;
    log_->copyLoops.push_back({open_->statement, *open_->rowsAdded, trips - ownTrips});
    open_.reset();
  }

  std::unique_ptr<Session> inner_;
  std::shared_ptr<CentralLog> log_;
  std::optional<OpenLoop> open_;
};

// Opens sessions through `inner` and logs them into `log`.
class CountingConnector : public Connector {
 public:
  CountingConnector(std::shared_ptr<Connector> inner, std::shared_ptr<CentralLog> log)
      : inner_(std::move(inner)), log_(std::move(log)) {}

  std::unique_ptr<Session> connect(const std::string& connectionString, int timeoutSeconds) override {
    std::unique_ptr<Session> session = inner_->connect(connectionString, timeoutSeconds);
    log_->connections.push_back(parseConnectionString(connectionString).database);
    return std::make_unique<CountingSession>(std::move(session), log_);
  }

 private:
  std::shared_ptr<Connector> inner_;
  std::shared_ptr<CentralLog> log_;
};

}  // namespace velmora::testing
