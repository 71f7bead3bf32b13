// RAII over one SQLite connection and its prepared statements, with the
// mapping of SQLite's result codes onto the agent's failure numbers:
// busy past the timeout -> kTimeout; cannot open, I/O error, not a database ->
// kLinkFailure; anything else -> kStatementFailed with SQLite's message.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>

#include "backends/embedded/row_save_queue.h"
#include "transfer/failure.h"
#include "transfer/value.h"

namespace velmora {

class SqliteConnection;

// A prepared statement. Reset (never left running) once its rows are read,
// so that it never blocks another statement of the connection.
class SqliteStatement {
 public:
  SqliteStatement() = default;
  SqliteStatement(SqliteConnection& connection, sqlite3_stmt* statement);
  SqliteStatement(SqliteStatement&&) noexcept = default;
  SqliteStatement& operator=(SqliteStatement&&) noexcept = default;

  sqlite3_stmt* get() const { return statement_.get(); }
  explicit operator bool() const { return statement_ != nullptr; }

  // Steps once: true when a row is available, false when done. Throws Failure
  // (and resets the statement) on an error. Before a statement starts, the
  // connection sends its queued row saves; a failure to send them is this
  // call's failure.
  bool step();
  // Steps to the end, then resets.
  void run();
  void reset();
  void clearBindings();

  // Binds parameter `index` (1-based). Decimals bind as their text, date-times
  // as ISO text "yyyy-mm-dd hh:mm:ss".
  void bind(int index, const Value& value);
  // Binds like bind() without copying texts and decimals: `value` must stay
  // alive and unchanged until the statement has run and every parameter is
  // bound anew or cleared. For values bound once per row of a loop.
  void bindUnowned(int index, const Value& value);
  void bindInteger(int index, std::int64_t value);
  void bindText(int index, const std::string& value);

 private:
  struct Finalizer {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
  };
  SqliteConnection* connection_ = nullptr;
  std::unique_ptr<sqlite3_stmt, Finalizer> statement_;
};

class SqliteConnection {
 public:
  // Opens an existing database file for reading and writing; never creates
  // it. Throws Failure (kLinkFailure) when it cannot be opened or is no
  // database. Sets WAL mode, the busy timeout and the T-SQL functions.
  SqliteConnection(const std::filesystem::path& file, int timeoutSeconds);
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  sqlite3* handle() const { return db_.get(); }

  // Seconds to wait for another connection's lock; 0 waits without limit.
  void setBusyTimeout(int seconds);

  // Prepares one statement. Throws Failure.
  SqliteStatement prepare(const std::string& sql);
  // Runs every statement of `sql` in turn. Throws Failure.
  void run(const std::string& sql);
  // True while a transaction is open.
  bool inTransaction() const { return sqlite3_get_autocommit(db_.get()) == 0; }

  // The failure for result code `rc` of the last call on this connection.
  Failure failure(int rc) const;

  // Row saves held back until the next statement starts (see RowSaveQueue).
  RowSaveQueue& queuedSaves() { return saves_; }
  // Sends the queued row saves. Fails, dropping them, when the transaction
  // they were made in has ended without them (SQLite rolls back on its own
  // after some errors): written now, they would stand without the rest of it.
  void sendQueuedSaves();

  // Counts one statement execution (see Session::roundTrips).
  void countRoundTrip() { ++roundTrips_; }
  std::size_t roundTrips() const { return roundTrips_; }

 private:
  struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
  };
  std::unique_ptr<sqlite3, Closer> db_;
  RowSaveQueue saves_{*this};
  std::size_t roundTrips_ = 0;
};

// The failure number for SQLite result code `rc`.
std::int32_t failureNumberFor(int rc);

}  // namespace velmora
