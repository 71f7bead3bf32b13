#include "backends/embedded/embedded_session.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "backends/embedded/materialized_cursor.h"
#include "backends/embedded/staging_indexes.h"
#include "backends/embedded/table_cursor.h"
#include "backends/embedded/tsql_tokens.h"

namespace velmora {

namespace {

bool sameNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// A read-write SQLite URI for `file` (never creating it).
std::string readWriteUri(const std::filesystem::path& file) {
  std::string uri = "file:";
  for (char c : std::filesystem::absolute(file).generic_string()) {
    if (c == '%' || c == '?' || c == '#') {
      static constexpr char kHex[] = "0123456789ABCDEF";
      uri += '%';
      uri += kHex[(static_cast<unsigned char>(c) >> 4) & 0xF];
      uri += kHex[static_cast<unsigned char>(c) & 0xF];
    } else {
      uri += c;
    }
  }
  return uri + "?mode=rw";
}

constexpr char kNoBeginForCommit[] = "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.";
constexpr char kNoBeginForRollback[] = "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION.";
constexpr char kLinkLost[] =
    "[DBNETLIB][ConnectionWrite (send()).]General network error. Check your network documentation.";

}  // namespace

EmbeddedSession::EmbeddedSession(std::shared_ptr<const ServerDirectory> servers, std::filesystem::path file,
                                 std::string database, int timeoutSeconds)
    : servers_(std::move(servers)),
      file_(std::move(file)),
      database_(std::move(database)),
      connection_(std::make_shared<SqliteConnection>(file_, timeoutSeconds)) {}

void EmbeddedSession::setCommandTimeout(int seconds) { connection_->setBusyTimeout(seconds); }

void EmbeddedSession::checkLink() const {
  std::error_code error;
  if (!std::filesystem::exists(file_, error)) throw Failure(failure_number::kLinkFailure, kLinkLost);
}

Translation EmbeddedSession::translate(const std::string& sql) {
  return translateTsql(sql, [this](const std::string& server, const std::string& database) {
    return attachLinked(server, database);
  });
}

void EmbeddedSession::execute(const std::string& sql) {
  checkLink();
  lastRowsAffected_ = -1;
  try {
    const Translation translation = translate(sql);
    switch (translation.kind) {
      case Translation::Kind::kStatement:
        connection_->run(translation.sql);
        lastRowsAffected_ = sqlite3_changes(connection_->handle());
        break;
      case Translation::Kind::kSelectInto:
        runSelectInto(translation, readByJoins(sql));
        break;
      case Translation::Kind::kDropIfExists:
        runDropIfExists(translation.objectName);
        lastRowsAffected_ = 0;
        break;
    }
  } catch (...) {
    detachWhenIdle();
    throw;
  }
  detachWhenIdle();
}

void EmbeddedSession::beginTransaction() {
  checkLink();
  connection_->run("BEGIN IMMEDIATE");
  commitFailed_ = false;
}

void EmbeddedSession::flushPendingWrites() {
  checkLink();
  connection_->sendQueuedSaves();
}

void EmbeddedSession::commit() {
  if (!connection_->inTransaction()) throw Failure(failure_number::kStatementFailed, kNoBeginForCommit);
  try {
    connection_->sendQueuedSaves();
    connection_->run("COMMIT");
  } catch (...) {
    // A full disk or an I/O error: SQLite may keep the transaction open, and
    // with it the write lock, for as long as the agent runs.
    commitFailed_ = true;
    if (connection_->inTransaction()) {
      try {
        connection_->run("ROLLBACK");
      } catch (const Failure&) {
        // The commit's failure is the one to report.
      }
    }
    detachWhenIdle();
    throw;
  }
  detachWhenIdle();
}

void EmbeddedSession::rollback() {
  connection_->queuedSaves().drop();
  if (!connection_->inTransaction() && commitFailed_) {
    commitFailed_ = false;
    return;
  }
  if (!connection_->inTransaction()) throw Failure(failure_number::kStatementFailed, kNoBeginForRollback);
  try {
    connection_->run("ROLLBACK");
  } catch (...) {
    detachWhenIdle();
    throw;
  }
  detachWhenIdle();
}

std::unique_ptr<Cursor> EmbeddedSession::openCursor(const std::string& sql, CursorType, LockType lock,
                                                    CursorLocation) {
  checkLink();
  std::unique_ptr<Cursor> cursor;
  try {
    const Translation translation = translate(sql);
    if (translation.kind != Translation::Kind::kStatement) {
      if (translation.kind == Translation::Kind::kSelectInto) runSelectInto(translation, readByJoins(sql));
      if (translation.kind == Translation::Kind::kDropIfExists) runDropIfExists(translation.objectName);
      cursor = std::make_unique<MaterializedCursor>();
    } else if (!translation.baseTable.empty() && !translation.usesLinkedServer &&
               sameNoCase(translation.baseSchema, "main")) {
      cursor = std::make_unique<TableCursor>(connection_, "main", translation.baseTable, translation.rowidSql,
                                             lock != LockType::kReadOnly);
    } else {
      SqliteStatement statement = connection_->prepare(translation.sql);
      cursor = std::make_unique<MaterializedCursor>(statement);
    }
  } catch (...) {
    detachWhenIdle();
    throw;
  }
  detachWhenIdle();
  return cursor;
}

std::string EmbeddedSession::attachLinked(const std::string& server, const std::string& database) {
  const EmbeddedServer* linked = servers_->find(server);
  if (linked == nullptr || server.find(',') != std::string::npos) {
    throw Failure(failure_number::kStatementFailed,
                  "Could not find server '" + server +
                      "' in sys.servers. Verify that the correct server name was specified. If necessary, execute "
                      "the stored procedure sp_addlinkedserver to add the server to sys.servers.");
  }
  const auto file = ServerDirectory::databaseFile(*linked, database);
  if (!file) {
    throw Failure(failure_number::kStatementFailed,
                  "Database '" + database + "' does not exist on linked server '" + server + "'.");
  }
  const std::string key = std::filesystem::absolute(*file).lexically_normal().string();
  if (auto found = attached_.find(key); found != attached_.end()) return found->second;

  const std::string alias = "vel_link" + std::to_string(nextAlias_++);
  try {
    SqliteStatement attach = connection_->prepare("ATTACH DATABASE ?1 AS " + alias);
    attach.bindText(1, readWriteUri(*file));
    attach.run();
  } catch (const Failure& failure) {
    const bool timeout = failure.number() == failure_number::kTimeout;
    throw Failure(timeout ? failure.number() : failure_number::kStatementFailed,
                  "Linked server '" + server + "', database '" + database + "': " + failure.description());
  }
  attached_.emplace(key, alias);
  if (!connection_->inTransaction()) {
    // Readers of a linked file must not block its writers: WAL mode.
    try {
      SqliteStatement mode = connection_->prepare("PRAGMA " + alias + ".journal_mode");
      const bool wal = mode.step() && sqlite3_stricmp(reinterpret_cast<const char*>(
                                                          sqlite3_column_text(mode.get(), 0)), "wal") == 0;
      mode.reset();
      if (!wal) connection_->run("PRAGMA " + alias + ".journal_mode=WAL");
    } catch (const Failure&) {
      // Another connection holds the file; it is already in use as it is.
    }
  }
  return alias;
}

void EmbeddedSession::detachWhenIdle() {
  if (attached_.empty() || connection_->inTransaction()) return;
  for (auto it = attached_.begin(); it != attached_.end();) {
    try {
      connection_->run("DETACH DATABASE " + it->second);
      it = attached_.erase(it);
    } catch (const Failure&) {
      ++it;  // still in use; detached at a later occasion
    }
  }
}

void EmbeddedSession::runSelectInto(const Translation& translation, bool indexed) {
  sqlite3* db = connection_->handle();
  std::vector<std::string> names;
  int keyColumns = 0;
  {
    SqliteStatement info = connection_->prepare("SELECT name, pk FROM pragma_table_info(?1, ?2) ORDER BY cid");
    info.bindText(1, translation.sourceTable);
    info.bindText(2, translation.sourceSchema);
    while (info.step()) {
      names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 0)));
      if (sqlite3_column_int(info.get(), 1) > 0) ++keyColumns;
    }
    info.reset();
  }
  if (names.empty()) {
    throw Failure(failure_number::kStatementFailed, "no such table: " + translation.sourceTable);
  }
  std::string create = "CREATE TABLE main." + quoteName(translation.objectName) + " (";
  for (std::size_t i = 0; i < names.size(); ++i) {
    const char* type = nullptr;
    const char* collation = nullptr;
    int notNull = 0;
    int primaryKey = 0;
    int autoIncrement = 0;
    const int rc = sqlite3_table_column_metadata(db, translation.sourceSchema.c_str(), translation.sourceTable.c_str(),
                                                 names[i].c_str(), &type, &collation, &notNull, &primaryKey,
                                                 &autoIncrement);
    if (rc != SQLITE_OK) throw connection_->failure(rc);
    create += (i ? ", " : "") + quoteName(names[i]);
    if (type != nullptr && *type != '\0') create += std::string(" ") + type;
    if (primaryKey && keyColumns == 1 && type != nullptr && sameNoCase(type, "INTEGER")) {
      create += autoIncrement ? " PRIMARY KEY AUTOINCREMENT" : " PRIMARY KEY";
    }
    if (collation != nullptr && !sameNoCase(collation, "BINARY")) create += std::string(" COLLATE ") + collation;
  }
  create += ")";
  const bool beganTransaction = !connection_->inTransaction();
  connection_->run("SAVEPOINT vel_select_into");
  try {
    connection_->run(create);
    connection_->run(translation.sql);
    lastRowsAffected_ = sqlite3_changes(db);
    // Built after the rows, in one pass: the joins that read the staging
    // table look its rows up instead of scanning it for every row.
    if (auto index = stagingIndexStatement("main", translation.objectName, names); index && indexed) {
      connection_->run(*index);
    }
    // Outside a transaction this release is the commit, which a full disk fails.
    connection_->run("RELEASE vel_select_into");
  } catch (...) {
    abandonSavepoint("vel_select_into", beganTransaction);
    throw;
  }
}

void EmbeddedSession::abandonSavepoint(const char* name, bool beganTransaction) {
  try {
    connection_->run(std::string("ROLLBACK TO ") + name + "; RELEASE " + name);
  } catch (const Failure&) {
    // The failure being reported matters more; what is left is ended below.
  }
  if (beganTransaction && connection_->inTransaction()) {
    try {
      connection_->run("ROLLBACK");
    } catch (const Failure&) {
    }
  }
}

void EmbeddedSession::runDropIfExists(const std::string& name) {
  std::string type;
  std::string stored;
  {
    SqliteStatement find = connection_->prepare(
        "SELECT type, name FROM main.sqlite_master WHERE name = ?1 COLLATE NOCASE AND type IN ('view','table') "
        "ORDER BY type = 'table' LIMIT 1");
    find.bindText(1, name);
    if (find.step()) {
      type = reinterpret_cast<const char*>(sqlite3_column_text(find.get(), 0));
      stored = reinterpret_cast<const char*>(sqlite3_column_text(find.get(), 1));
    }
    find.reset();
  }
  if (type == "view") connection_->run("DROP VIEW main." + quoteName(stored));
  if (type == "table") connection_->run("DROP TABLE main." + quoteName(stored));
}

}  // namespace velmora
