// The live ODBC connection behind a session and its recordsets: the handles,
// the command timeout, the transaction state and the rows waiting to be
// written in batches. Sessions and cursors share it, so a cursor that
// outlives its session fails cleanly instead of using a freed handle.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backends/sqlserver/odbc_handles.h"
#include "backends/sqlserver/odbc_values.h"
#include "transfer/value.h"

namespace velmora {

// The table a recordset writes to: its name as the select wrote it, the
// columns of the recordset, and which of them identifies a row.
struct TableShape {
  std::string table;
  std::vector<ColumnInfo> columns;
  std::optional<std::size_t> identity;
  // The row checksum read with each row (rowChecksumExpression over all of
  // `columns`), when it was.
  std::optional<ColumnInfo> rowChecksum;
};

struct OdbcLinkSettings {
  std::string odbcConnectionString;  // holds the password: never shown
  std::string fallbackDatabase;      // the connection string's Initial Catalog
  int loginTimeoutSeconds = 30;
  std::size_t batchRows = 1000;
  std::function<std::string(const std::string&)> rewriteStatement;
};

class OdbcLink {
 public:
  // Connects. Throws Failure: kLoginRefused for a refused login,
  // kLinkFailure for everything else that keeps the connection from opening.
  OdbcLink(std::shared_ptr<EnvironmentHandle> environment, OdbcLinkSettings settings);
  ~OdbcLink();
  OdbcLink(const OdbcLink&) = delete;
  OdbcLink& operator=(const OdbcLink&) = delete;

  // Rolls back an open transaction, drops unsent rows and disconnects.
  void close();

  void setCommandTimeout(int seconds) { commandTimeout_ = seconds; }

  // Sends pending rows, then runs `sql` on a fresh statement and returns it
  // with its first result (if any) open. Throws Failure.
  StatementHandle run(const std::string& sql);
  // Runs `sql` and drains every result it produces.
  void execute(const std::string& sql);
  // Reads and checks the remaining results of `statement`.
  static void drainResults(const StatementHandle& statement);

  void beginTransaction();
  void commit();
  void rollback();
  bool inTransaction() const { return inTransaction_; }

  std::string currentDatabase();

  // Queues one row for insertion into `shape`'s table: `row[c]` is the value
  // assigned to column c, nullopt when never assigned.
  void queueInsert(const std::shared_ptr<const TableShape>& shape,
                   const std::vector<std::optional<Value>>& row);
  // Queues an update of the row whose identity is `key`: `changes[c]` holds
  // the new value of column c, nullopt for unchanged columns. With
  // `checksum` (the row checksum read with the row), the update is made only
  // if the row still has that checksum; a row changed since it was read is
  // left unchanged, and that is no failure.
  void queueUpdate(const std::shared_ptr<const TableShape>& shape,
                   const std::vector<std::optional<Value>>& changes, const Value& key,
                   const std::optional<Value>& checksum = std::nullopt);
  // Sends the queued rows (one execution with parameter arrays). Throws
  // Failure when any row fails; the rows are dropped either way.
  void flushPending();

  std::size_t roundTrips() const { return roundTrips_; }

 private:
  enum class WriteKind { kInsert, kUpdate };
  struct PendingWrites {
    WriteKind kind = WriteKind::kInsert;
    std::shared_ptr<const TableShape> shape;
    bool checked = false;                                  // updates carry the row checksum
    std::vector<std::size_t> columns;                     // shape columns written, in order
    std::vector<std::vector<std::optional<Value>>> cells;  // cells[parameter][row]
    std::size_t rows = 0;
    std::size_t bytes = 0;
  };

  SQLHDBC connection() const;
  StatementHandle newStatement() const;
  void sendDirect(const StatementHandle& statement, const std::string& sql);
  void setAutocommit(bool on);
  void afterQueued();

  OdbcLinkSettings settings_;
  std::unique_ptr<ConnectionHandle> connection_;
  int commandTimeout_ = 30;
  bool inTransaction_ = false;
  std::optional<PendingWrites> pending_;
  std::size_t roundTrips_ = 0;
};

}  // namespace velmora
