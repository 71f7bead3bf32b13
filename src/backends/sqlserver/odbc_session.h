// A Session over one ODBC connection (see OdbcLink for the state it shares
// with its recordsets).
#pragma once

#include <memory>
#include <string>

#include "backends/sqlserver/odbc_link.h"
#include "transfer/db_access.h"

namespace velmora {

class OdbcSession : public Session {
 public:
  explicit OdbcSession(std::shared_ptr<OdbcLink> link);
  // Rolls back an open transaction and disconnects; recordsets still open
  // fail from then on.
  ~OdbcSession() override;

  void setCommandTimeout(int seconds) override { link_->setCommandTimeout(seconds); }
  void execute(const std::string& sql) override { link_->execute(sql); }
  void beginTransaction() override { link_->beginTransaction(); }
  void flushPendingWrites() override { link_->flushPending(); }
  void commit() override { link_->commit(); }
  void rollback() override { link_->rollback(); }
  std::string currentDatabase() override { return link_->currentDatabase(); }
  std::unique_ptr<Cursor> openCursor(const std::string& sql, CursorType type, LockType lock,
                                     CursorLocation location) override;
  std::size_t roundTrips() const override { return link_->roundTrips(); }

 private:
  std::shared_ptr<OdbcLink> link_;
};

}  // namespace velmora
