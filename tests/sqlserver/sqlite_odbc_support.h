// Helpers for tests that run the ODBC backend for real: through the SQLite
// ODBC driver against SQLite files in a temporary folder, and through the
// FreeTDS driver against local listeners.
#pragma once

#include <atomic>
#include <filesystem>
#include <random>
#include <string>

#include "backends/embedded/tsql_dialect.h"
#include "backends/sqlserver/odbc_connector.h"
#include "transfer/db_access.h"
#include "transfer/failure.h"
#include "support/host_system.h"

namespace velmora::testing {

// On Linux the drivers are referenced by library path, so the tests do not
// depend on what the machine's odbcinst.ini registers. Under Wine, ODBC is
// bridged to the host's unixODBC, so the host's Linux driver serves there too.
#ifdef _WIN32
inline const char* const kSqliteOdbcDriver =
    runningUnderWine() ? "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so" : "{SQLite3 ODBC Driver}";
#else
inline constexpr const char* kSqliteOdbcDriver = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
inline constexpr const char* kFreeTdsDriver = "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so";
#endif

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    static std::atomic<int> counter{0};
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("velmora-odbc-" + std::to_string(random()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The statement as SQLite runs it: the embedded backend's T-SQL dialect
// (isnull, with (nolock), top n, ...) for plain statements; texts that need
// the embedded backend's own actions (SELECT INTO, the drop of a view or
// table, linked servers) pass through unchanged.
inline std::string sqliteDialect(const std::string& sql) {
  Translation translation = translateTsql(sql, [](const std::string& server, const std::string&) -> std::string {
    throw Failure(failure_number::kStatementFailed, "No linked server " + server + " over ODBC");
  });
  return translation.kind == Translation::Kind::kStatement ? translation.sql : sql;
}

// The server name that sqliteOdbcOptions serves.
inline constexpr const char* kSqliteServer = "LOCALTEST";

// Options that reach SQLite files through the SQLite ODBC driver: database D
// of server kSqliteServer is the file `folder`/D.db; the files of any other
// server are looked for in a folder that does not exist, so that they fail
// like an unreachable server. Files are never created (NoCreat): a missing
// database fails like one that does not exist. The driver waits up to five
// seconds for a locked file and returns text columns as UTF-8.
inline OdbcOptions sqliteOdbcOptions(const std::filesystem::path& folder) {
  OdbcOptions options;
  options.driver = kSqliteOdbcDriver;
  options.buildConnectionString = [folder](const ConnectionParams& params) {
    std::filesystem::path serverFolder =
        equalsIgnoreCase(params.server, kSqliteServer) ? folder : folder / "no-such-server" / params.server;
    return std::string("Driver=") + kSqliteOdbcDriver + ";Database=" +
           hostPath(serverFolder / (params.database + ".db")) +
           ";Timeout=5000;NoWCHAR=1;BigInt=1;NoCreat=1;";
  };
  options.rewriteStatement = sqliteDialect;
  return options;
}

// Creates the SQLite file `folder`/`database`.db through the SQLite ODBC
// driver and runs `createSql` in it. Throws Failure.
inline void createSqliteDatabase(const std::filesystem::path& folder, const std::string& database,
                                 const std::string& createSql) {
  OdbcOptions options;
  options.buildConnectionString = [&](const ConnectionParams&) {
    return std::string("Driver=") + kSqliteOdbcDriver + ";Database=" + hostPath(folder / (database + ".db")) + ";";
  };
  OdbcConnector connector(options);
  connector.connect("Initial Catalog=" + database, 5)->execute(createSql);
}

// An ADO-style connection string naming database `database`.
inline std::string sqliteConnectionString(const std::string& database) {
  return "Provider=SQLOLEDB.1;UID=sa;pwd=secret;Persist Security Info=False;Initial Catalog=" +
         database + ";Data Source=" + kSqliteServer;
}

}  // namespace velmora::testing
