#include "support/odbc_both_ends.h"

#include <cctype>
#include <cstdlib>
#include <regex>
#include <set>
#include <utility>
#include <vector>

#include "backends/embedded/server_directory.h"
#include "backends/embedded/tsql_dialect.h"
#include "backends/sqlserver/odbc_connector.h"
#include "sqlserver/odbc_tick_support.h"
#include "sqlserver/sqlite_odbc_support.h"
#include "support/agent_harness.h"
#include "transfer/connection_string.h"
#include "transfer/failure.h"

namespace velmora::testing {
namespace {

// The file of database `database` on `server`, or the path a missing file
// would have (the driver, told never to create a file, then fails on it).
std::filesystem::path databaseFileOf(const std::vector<EmbeddedServer>& servers,
                                     const std::string& server, const std::string& database) {
  const ServerDirectory directory(servers);
  if (const EmbeddedServer* found = directory.find(server)) {
    if (auto file = ServerDirectory::databaseFile(*found, database)) return *file;
    return found->directory / (database + ".db");
  }
  return std::filesystem::path("/nonexistent-velmora-server") / server / (database + ".db");
}

std::string translated(const std::string& sql, const LinkedSchemaResolver& resolver) {
  const Translation translation = translateTsql(sql, resolver);
  // The staging tables need no identity over ODBC: nothing reads the
  // branch's snapshot, and the merges insert column lists.
  if (translation.kind != Translation::Kind::kStatement) return sqliteStatementOf(sql, translation);
  // The error display's CONVERT(..., 100) and Right(): the application-
  // defined functions of the embedded backend do not exist behind the driver.
  static const std::regex convert(R"(vel_convert\(\s*(\w+)\s*,\s*100\s*,\s*\d+\s*\))");
  static const std::regex right(R"(vel_right\(([^,()]+),\s*(\d+)\s*\))");
  std::string out = std::regex_replace(translation.sql, convert, "$1");
  return std::regex_replace(out, right, "substr($1,-$2)");
}

// A session that attaches the linked databases a statement names before it
// runs, each once, under linkedSchemaName's schema. A linked server that
// servers.txt does not name, or a database it does not hold, fails as SQL
// Server fails them.
class AttachingSession : public Session {
 public:
  AttachingSession(std::unique_ptr<Session> inner, std::shared_ptr<const std::vector<EmbeddedServer>> servers)
      : inner_(std::move(inner)), servers_(std::move(servers)) {}

  void setCommandTimeout(int seconds) override { inner_->setCommandTimeout(seconds); }
  void execute(const std::string& sql) override {
    attachLinked(sql);
    inner_->execute(sql);
  }
  void beginTransaction() override { inner_->beginTransaction(); }
  void flushPendingWrites() override { inner_->flushPendingWrites(); }
  void commit() override { inner_->commit(); }
  void rollback() override { inner_->rollback(); }
  std::string currentDatabase() override { return inner_->currentDatabase(); }
  std::unique_ptr<Cursor> openCursor(const std::string& sql, CursorType type, LockType lock,
                                     CursorLocation location) override {
    attachLinked(sql);
    return inner_->openCursor(sql, type, lock, location);
  }
  std::size_t roundTrips() const override { return inner_->roundTrips(); }
  long long lastRowsAffected() const override { return inner_->lastRowsAffected(); }

 private:
  void attachLinked(const std::string& sql) {
    std::vector<std::pair<std::string, std::filesystem::path>> wanted;
    translateTsql(sql, [&](const std::string& server, const std::string& database) {
      const ServerDirectory directory(*servers_);
      const EmbeddedServer* linked = directory.find(server);
      if (linked == nullptr) {
        throw Failure(failure_number::kStatementFailed,
                      "Could not find server '" + server + "' in sys.servers.");
      }
      const auto file = ServerDirectory::databaseFile(*linked, database);
      if (!file) {
        throw Failure(failure_number::kStatementFailed,
                      "Database '" + database + "' does not exist on linked server '" + server + "'.");
      }
      const std::string schema = linkedSchemaName(server, database);
      wanted.emplace_back(schema, *file);
      return schema;
    });
    for (const auto& [schema, file] : wanted) {
      if (attached_.contains(schema)) continue;
      std::string path;
      for (char c : file.string()) path += c == '\'' ? std::string("''") : std::string(1, c);
      inner_->execute("ATTACH DATABASE '" + path + "' AS " + schema);
      attached_.insert(schema);
    }
  }

  std::unique_ptr<Session> inner_;
  std::shared_ptr<const std::vector<EmbeddedServer>> servers_;
  std::set<std::string> attached_;
};

class AttachingConnector : public Connector {
 public:
  AttachingConnector(std::shared_ptr<Connector> inner, std::vector<EmbeddedServer> servers)
      : inner_(std::move(inner)),
        servers_(std::make_shared<const std::vector<EmbeddedServer>>(std::move(servers))) {}

  std::unique_ptr<Session> connect(const std::string& connectionString, int timeoutSeconds) override {
    return std::make_unique<AttachingSession>(inner_->connect(connectionString, timeoutSeconds), servers_);
  }

 private:
  std::shared_ptr<Connector> inner_;
  std::shared_ptr<const std::vector<EmbeddedServer>> servers_;
};

}  // namespace

bool odbcAtBothEnds() {
  const char* mode = std::getenv("VELMORA_TEST_BACKEND");
  return mode != nullptr && std::string(mode) == "odbc";
}

std::string linkedSchemaName(const std::string& server, const std::string& database) {
  std::string name = "linked_";
  for (char c : server + "_" + database) {
    name += std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(static_cast<unsigned char>(c))) : '_';
  }
  return name;
}

std::string odbcSqliteDialect(const std::string& sql) {
  return translated(sql, [](const std::string& server, const std::string& database) {
    return linkedSchemaName(server, database);
  });
}

std::shared_ptr<Connector> makeOdbcBothEndsConnector(const std::filesystem::path& home,
                                                     std::size_t batchRows) {
  std::vector<EmbeddedServer> servers;
  for (const auto& [name, directory] : readServersFile(home)) servers.push_back({name, directory});

  OdbcOptions options;
  options.driver = kSqliteOdbcDriver;
  options.batchRows = batchRows;
  options.buildConnectionString = [servers](const ConnectionParams& params) {
    return std::string("Driver=") + kSqliteOdbcDriver +
           ";Database=" + hostPath(databaseFileOf(servers, params.server, params.database)) +
           ";Timeout=5000;NoWCHAR=1;BigInt=1;NoCreat=1;";
  };
  options.rewriteStatement = odbcSqliteDialect;
  return std::make_shared<AttachingConnector>(std::make_shared<OdbcConnector>(std::move(options)),
                                              std::move(servers));
}

}  // namespace velmora::testing
