// A session on one embedded database file. Statements pass through the T-SQL
// dialect layer; linked servers are reached by attaching their files for the
// statement (and detaching them once no transaction is open).
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "backends/embedded/server_directory.h"
#include "backends/embedded/sqlite_connection.h"
#include "backends/embedded/tsql_dialect.h"
#include "transfer/db_access.h"

namespace velmora {

class EmbeddedSession : public Session {
 public:
  // Opens `file` (database `database` as the connection string names it).
  // Throws Failure (kLinkFailure) when the file cannot be opened.
  EmbeddedSession(std::shared_ptr<const ServerDirectory> servers, std::filesystem::path file, std::string database,
                  int timeoutSeconds);

  void setCommandTimeout(int seconds) override;
  void execute(const std::string& sql) override;
  // BEGIN IMMEDIATE: the transaction holds the database's write lock from its
  // start, so no other writer changes the database while it is open.
  void beginTransaction() override;
  // Sends the row saves the session's cursors have queued (RowSaveQueue).
  void flushPendingWrites() override;
  // Sends the queued row saves, then commits. A commit that fails (the
  // sending included) rolls the transaction back (SQLite would otherwise
  // keep it open, or has already ended it); the caller's rollback that
  // follows such a failure then succeeds without doing anything.
  void commit() override;
  // Drops the queued row saves, then rolls back.
  void rollback() override;
  std::string currentDatabase() override { return database_; }
  std::unique_ptr<Cursor> openCursor(const std::string& sql, CursorType type, LockType lock,
                                     CursorLocation location) override;
  std::size_t roundTrips() const override { return connection_->roundTrips(); }
  long long lastRowsAffected() const override { return lastRowsAffected_; }

 private:
  // Fails with kLinkFailure when the session's file has gone.
  void checkLink() const;
  Translation translate(const std::string& sql);
  // The schema under which `database` of linked server `server` is attached.
  std::string attachLinked(const std::string& server, const std::string& database);
  // Detaches every linked file once no transaction is open.
  void detachWhenIdle();
  // Builds the table; with `indexed`, also the index its joins need.
  void runSelectInto(const Translation& translation, bool indexed);
  void runDropIfExists(const std::string& name);
  // Ends whatever a failed statement sequence left open: the savepoint
  // `name`, and the whole transaction when the savepoint began it.
  void abandonSavepoint(const char* name, bool beganTransaction);

  std::shared_ptr<const ServerDirectory> servers_;
  std::filesystem::path file_;
  std::string database_;
  std::shared_ptr<SqliteConnection> connection_;
  std::map<std::string, std::string> attached_;  // file path -> schema name
  std::size_t nextAlias_ = 0;
  long long lastRowsAffected_ = -1;
  bool commitFailed_ = false;  // the last commit failed and rolled back
};

}  // namespace velmora
