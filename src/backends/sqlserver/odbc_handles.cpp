#include "backends/sqlserver/odbc_handles.h"

#include <algorithm>

#include "transfer/failure.h"

namespace velmora {

std::vector<DiagnosticRecord> readDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
  std::vector<DiagnosticRecord> records;
  if (handle == SQL_NULL_HANDLE) return records;
  for (SQLSMALLINT index = 1;; ++index) {
    SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
    SQLINTEGER native = 0;
    std::vector<SQLCHAR> message(1024);
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetDiagRec(handleType, handle, index, state, &native, message.data(),
                                 static_cast<SQLSMALLINT>(message.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
      message.resize(static_cast<std::size_t>(length) + 1);
      rc = SQLGetDiagRec(handleType, handle, index, state, &native, message.data(),
                         static_cast<SQLSMALLINT>(message.size()), &length);
    }
    if (!SQL_SUCCEEDED(rc)) break;
    std::size_t used = std::min<std::size_t>(static_cast<std::size_t>(length), message.size() - 1);
    records.push_back(DiagnosticRecord{reinterpret_cast<const char*>(state),
                                       static_cast<std::int32_t>(native),
                                       std::string(reinterpret_cast<const char*>(message.data()), used)});
  }
  return records;
}

void checkOdbc(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, FailurePhase phase,
               const char* what) {
  if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) return;
  std::vector<DiagnosticRecord> records = readDiagnostics(handleType, handle);
  if (rc == SQL_INVALID_HANDLE) records.clear();
  throw Failure(failureNumberFor(records, phase),
                describeDiagnostics(records, std::string(what) + " failed"));
}

EnvironmentHandle::EnvironmentHandle() {
  SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle_);
  if (!SQL_SUCCEEDED(rc)) {
    handle_ = SQL_NULL_HENV;
    throw Failure(failure_number::kLinkFailure, "The ODBC driver manager could not be initialised");
  }
  rc = SQLSetEnvAttr(handle_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  if (!SQL_SUCCEEDED(rc)) {
    SQLFreeHandle(SQL_HANDLE_ENV, handle_);
    handle_ = SQL_NULL_HENV;
    throw Failure(failure_number::kLinkFailure, "The ODBC driver manager does not support ODBC 3");
  }
}

EnvironmentHandle::~EnvironmentHandle() {
  if (handle_ != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, handle_);
}

ConnectionHandle::ConnectionHandle(std::shared_ptr<EnvironmentHandle> environment)
    : environment_(std::move(environment)) {
  SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_DBC, environment_->get(), &handle_);
  if (!SQL_SUCCEEDED(rc)) {
    handle_ = SQL_NULL_HDBC;
    checkOdbc(rc, SQL_HANDLE_ENV, environment_->get(), FailurePhase::kConnect,
              "Allocating an ODBC connection");
    throw Failure(failure_number::kLinkFailure, "Allocating an ODBC connection failed");
  }
}

ConnectionHandle::~ConnectionHandle() {
  if (handle_ == SQL_NULL_HDBC) return;
  if (connected_) SQLDisconnect(handle_);
  SQLFreeHandle(SQL_HANDLE_DBC, handle_);
}

StatementHandle::StatementHandle(SQLHDBC connection) {
  SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, connection, &handle_);
  if (!SQL_SUCCEEDED(rc)) {
    handle_ = SQL_NULL_HSTMT;
    std::vector<DiagnosticRecord> records = readDiagnostics(SQL_HANDLE_DBC, connection);
    throw Failure(failureNumberFor(records, FailurePhase::kStatement),
                  describeDiagnostics(records, "Allocating an ODBC statement failed"));
  }
}

StatementHandle::StatementHandle(StatementHandle&& other) noexcept : handle_(other.handle_) {
  other.handle_ = SQL_NULL_HSTMT;
}

StatementHandle::~StatementHandle() {
  if (handle_ == SQL_NULL_HSTMT) return;
  SQLFreeStmt(handle_, SQL_CLOSE);
  SQLFreeHandle(SQL_HANDLE_STMT, handle_);
}

void StatementHandle::check(SQLRETURN rc, const char* what) const {
  checkOdbc(rc, SQL_HANDLE_STMT, handle_, FailurePhase::kStatement, what);
}

}  // namespace velmora
