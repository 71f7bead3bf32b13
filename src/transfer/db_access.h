// The database access layer: connections and recordsets in the shape the
// transfer steps use them, over pluggable backends (SQL Server through ODBC,
// embedded SQLite files). Every failed operation throws Failure.
//
// The front classes (Connection, Recordset) hold the options a caller sets
// before opening and find fields by name without regard to letter case. The
// backends implement Connector, Session and Cursor; nothing in the core
// includes a backend.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/failure.h"
#include "transfer/value.h"

namespace velmora {

enum class CursorLocation { kServer, kClient };
enum class CursorType { kForwardOnly, kStatic };
enum class LockType { kReadOnly, kOptimistic, kBatchOptimistic };

// ---------------------------------------------------------------------------
// Backend interfaces.

// An open result set of one statement. Rows are addressed by column index.
class Cursor {
 public:
  virtual ~Cursor() = default;
  virtual std::size_t columnCount() const = 0;
  virtual const std::string& columnName(std::size_t column) const = 0;
  virtual bool bof() const = 0;
  virtual bool eof() const = 0;
  virtual void moveFirst() = 0;
  // Moves to the next row. Saves a pending change of the row it leaves
  // (identified by its identity column) inside the connection's transaction.
  virtual void moveNext() = 0;
  virtual const Value& get(std::size_t column) const = 0;
  // Assigns a field of the current row, or of the row begun by addNew.
  virtual void set(std::size_t column, Value value) = 0;
  // Begins a new row whose fields are all null until set.
  virtual void addNew() = 0;
  // Inserts the row begun by addNew into the cursor's table, inside the
  // connection's open transaction. A backend may batch the insert; a batch is
  // flushed before any other statement runs on that connection and before
  // commit, and a failing row fails the operation that flushes it.
  virtual void update() = 0;
};

// An open connection to one database.
class Session {
 public:
  virtual ~Session() = default;
  virtual void setCommandTimeout(int seconds) = 0;
  // Runs one statement; its rows, if any, are discarded.
  virtual void execute(const std::string& sql) = 0;
  virtual void beginTransaction() = 0;
  // Sends the writes the backend has queued (batched recordset inserts and
  // row saves); a failing write fails this call. A backend that writes at
  // once has nothing to send.
  virtual void flushPendingWrites() {}
  virtual void commit() = 0;
  // Fails when no transaction is open.
  virtual void rollback() = 0;
  // The database the session is using, read afresh.
  virtual std::string currentDatabase() = 0;
  virtual std::unique_ptr<Cursor> openCursor(const std::string& sql, CursorType type,
                                             LockType lock, CursorLocation location) = 0;
  // Statement executions sent so far (benchmarks count round trips with it).
  virtual std::size_t roundTrips() const { return 0; }
  // Rows changed by the last execute(), or -1 when unknown (progress only).
  virtual long long lastRowsAffected() const { return -1; }
};

// Opens sessions from ADO-style connection strings. Throws Failure with
// failure_number::kLinkFailure when the server or database cannot be reached
// and kLoginRefused when the login is refused.
class Connector {
 public:
  virtual ~Connector() = default;
  virtual std::unique_ptr<Session> connect(const std::string& connectionString,
                                           int timeoutSeconds) = 0;
};

// ---------------------------------------------------------------------------
// Front classes.

class Connection {
 public:
  explicit Connection(std::shared_ptr<Connector> connector);
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection();

  // Opens with an ADO-style connection string; the credentials travel in it.
  void open(const std::string& connectionString);
  void close();
  bool isOpen() const { return session_ != nullptr; }

  // True once an operation through this connection (or a recordset being
  // opened on it) failed with failure_number::kLinkFailure: the server may
  // have gone, and the session with it.
  bool linkLost() const { return linkLost_; }
  // Closes the session and opens a new one with the last connection string
  // and command timeout. Throws Failure as open does (the connection is then
  // closed).
  void reopen();

  CursorLocation cursorLocation() const { return cursorLocation_; }
  void setCursorLocation(CursorLocation location) { cursorLocation_ = location; }
  int commandTimeout() const { return commandTimeout_; }
  void setCommandTimeout(int seconds);

  void execute(const std::string& sql);
  // Rows changed by the last execute(), or -1 when unknown.
  long long rowsAffected() const { return session_ ? session_->lastRowsAffected() : -1; }
  void beginTrans();
  // Sends the writes the backend still holds back (see Session).
  void flushPendingWrites();
  void commitTrans();
  // Fails when no transaction is open.
  void rollbackTrans();
  // The name of the database in use, read afresh at every call.
  std::string defaultDatabase();

  // The open session; throws Failure when the connection is closed.
  Session& session();
  const std::shared_ptr<Connector>& connector() const { return connector_; }

 private:
  std::shared_ptr<Connector> connector_;
  friend class Recordset;
  // Runs `operation` on the session, noting a lost link.
  template <typename Operation>
  decltype(auto) guarded(Operation&& operation);

  std::unique_ptr<Session> session_;
  std::string connectionString_;
  bool linkLost_ = false;
  CursorLocation cursorLocation_ = CursorLocation::kServer;
  int commandTimeout_ = 30;
};

class Recordset {
 public:
  Recordset() = default;
  Recordset(Recordset&&) noexcept = default;
  Recordset& operator=(Recordset&&) noexcept = default;

  // Opens `sql` on `connection` with a cursor type and lock type. The cursor
  // location is the connection's.
  void open(const std::string& sql, Connection& connection,
            CursorType type = CursorType::kForwardOnly, LockType lock = LockType::kReadOnly);
  void close() { cursor_.reset(); }
  bool isOpen() const { return cursor_ != nullptr; }

  bool bof() const;
  bool eof() const;
  void moveFirst();
  void moveNext();

  std::size_t fieldCount() const;
  const std::string& fieldName(std::size_t index) const;
  // Index of a field found without regard to letter case; throws Failure
  // (kStatementFailed, "Item cannot be found ...") when there is none.
  std::size_t fieldIndex(std::string_view name) const;

  const Value& field(std::string_view name) const { return field(fieldIndex(name)); }
  const Value& field(std::size_t index) const;
  void setField(std::string_view name, Value value) { setField(fieldIndex(name), std::move(value)); }
  void setField(std::size_t index, Value value);

  void addNew();
  void update();

 private:
  Cursor& cursor() const;
  std::unique_ptr<Cursor> cursor_;
};

// Case-insensitive ASCII comparison of identifiers.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace velmora
