// RAII owners of the ODBC environment, connection and statement handles, and
// the check that turns a failed ODBC call into a Failure carrying every
// diagnostic record of the handle.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "backends/sqlserver/odbc_api.h"
#include "backends/sqlserver/odbc_diagnostics.h"

namespace velmora {

// Every diagnostic record of `handle` (SQLGetDiagRec until SQL_NO_DATA).
std::vector<DiagnosticRecord> readDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

// Throws Failure when `rc` is not a success code: the number from the
// handle's records under `phase`, the description their messages (or
// `what` when the driver left none).
void checkOdbc(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, FailurePhase phase,
               const char* what);

// An environment handle set to ODBC 3 behaviour. Throws Failure when the
// driver manager cannot allocate it.
class EnvironmentHandle {
 public:
  EnvironmentHandle();
  ~EnvironmentHandle();
  EnvironmentHandle(const EnvironmentHandle&) = delete;
  EnvironmentHandle& operator=(const EnvironmentHandle&) = delete;
  SQLHENV get() const { return handle_; }

 private:
  SQLHENV handle_ = SQL_NULL_HENV;
};

// A connection handle; disconnects (when connected) and frees on
// destruction. Keeps its environment alive.
class ConnectionHandle {
 public:
  explicit ConnectionHandle(std::shared_ptr<EnvironmentHandle> environment);
  ~ConnectionHandle();
  ConnectionHandle(const ConnectionHandle&) = delete;
  ConnectionHandle& operator=(const ConnectionHandle&) = delete;
  SQLHDBC get() const { return handle_; }
  void markConnected() { connected_ = true; }

 private:
  std::shared_ptr<EnvironmentHandle> environment_;
  SQLHDBC handle_ = SQL_NULL_HDBC;
  bool connected_ = false;
};

// A statement handle; closes its cursor and frees on destruction.
class StatementHandle {
 public:
  explicit StatementHandle(SQLHDBC connection);
  ~StatementHandle();
  StatementHandle(StatementHandle&& other) noexcept;
  StatementHandle& operator=(StatementHandle&&) = delete;
  StatementHandle(const StatementHandle&) = delete;
  StatementHandle& operator=(const StatementHandle&) = delete;
  SQLHSTMT get() const { return handle_; }

  // Throws Failure (statement phase) when `rc` is not a success code.
  void check(SQLRETURN rc, const char* what) const;

 private:
  SQLHSTMT handle_ = SQL_NULL_HSTMT;
};

}  // namespace velmora
