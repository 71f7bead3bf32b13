// The SQL Server backend: sessions over ODBC (unixODBC and FreeTDS on Linux,
// the system driver manager and Microsoft's driver on Windows).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "transfer/connection_string.h"
#include "transfer/db_access.h"

namespace velmora {

class EnvironmentHandle;

struct OdbcOptions {
  // The ODBC driver: a name registered with the driver manager or the path
  // of the driver library.
#ifdef _WIN32
  std::string driver = "ODBC Driver 18 for SQL Server";
#else
  std::string driver = "FreeTDS";
#endif
  // Require an encrypted connection.
  bool encrypt = false;
  // Rows sent per execution when recordset rows are saved in batches.
  std::size_t batchRows = 1000;
  // Builds the ODBC connection string from the parsed one; when empty,
  // odbcConnectionString's own form is used.
  std::function<std::string(const ConnectionParams&)> buildConnectionString;
  // Rewrites each statement text before it is sent; identity when empty.
  std::function<std::string(const std::string&)> rewriteStatement;
};

class OdbcConnector : public Connector {
 public:
  explicit OdbcConnector(OdbcOptions options = {});
  ~OdbcConnector() override;

  // Opens a session on the server and database that `connectionString`
  // names, waiting at most `timeoutSeconds` for the login. Throws Failure:
  // kLoginRefused when the server refuses the login, kLinkFailure when the
  // server or database cannot be reached or the driver cannot be loaded.
  std::unique_ptr<Session> connect(const std::string& connectionString, int timeoutSeconds) override;

 private:
  OdbcOptions options_;
  std::shared_ptr<EnvironmentHandle> environment_;
};

// The ODBC connection string for `params` under `options`: every value one
// value whatever it holds (braced where needed). It holds the password: never
// log or show it. Throws Failure (kInvalidSettings) for a value that FreeTDS
// cannot receive, one holding "};".
std::string odbcConnectionString(const OdbcOptions& options, const ConnectionParams& params);

}  // namespace velmora
