#include "backends/sqlserver/odbc_session.h"

#include "backends/sqlserver/odbc_cursor.h"

namespace velmora {

OdbcSession::OdbcSession(std::shared_ptr<OdbcLink> link) : link_(std::move(link)) {}

OdbcSession::~OdbcSession() { link_->close(); }

std::unique_ptr<Cursor> OdbcSession::openCursor(const std::string& sql, CursorType type,
                                                LockType lock, CursorLocation location) {
  (void)location;  // results are always read to the client
  return std::make_unique<OdbcCursor>(link_, sql, type, lock);
}

}  // namespace velmora
