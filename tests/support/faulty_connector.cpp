#include "support/faulty_connector.h"

namespace velmora::testing {
namespace {

class FaultyCursor : public Cursor {
 public:
  FaultyCursor(FaultyConnector& owner, std::unique_ptr<Cursor> inner)
      : owner_(owner), inner_(std::move(inner)) {}
  std::size_t columnCount() const override { return inner_->columnCount(); }
  const std::string& columnName(std::size_t c) const override { return inner_->columnName(c); }
  bool bof() const override { return inner_->bof(); }
  bool eof() const override { return inner_->eof(); }
  void moveFirst() override { inner_->moveFirst(); }
  void moveNext() override {
    owner_.step("moveNext");
    inner_->moveNext();
  }
  const Value& get(std::size_t c) const override { return inner_->get(c); }
  void set(std::size_t c, Value v) override { inner_->set(c, std::move(v)); }
  void addNew() override { inner_->addNew(); }
  void update() override {
    owner_.step("update");
    inner_->update();
  }

 private:
  FaultyConnector& owner_;
  std::unique_ptr<Cursor> inner_;
};

class FaultySession : public Session {
 public:
  FaultySession(FaultyConnector& owner, std::unique_ptr<Session> inner)
      : owner_(owner), inner_(std::move(inner)) {}
  void setCommandTimeout(int seconds) override { inner_->setCommandTimeout(seconds); }
  void execute(const std::string& sql) override {
    owner_.step("execute " + sql);
    inner_->execute(sql);
  }
  void beginTransaction() override {
    owner_.step("begin");
    inner_->beginTransaction();
  }
  void flushPendingWrites() override {
    owner_.step("flush");
    inner_->flushPendingWrites();
  }
  void commit() override {
    owner_.step("commit");
    inner_->commit();
  }
  void rollback() override {
    owner_.step("rollback");
    inner_->rollback();
  }
  std::string currentDatabase() override { return inner_->currentDatabase(); }
  std::unique_ptr<Cursor> openCursor(const std::string& sql, CursorType type, LockType lock,
                                     CursorLocation location) override {
    owner_.step("open " + sql);
    return std::make_unique<FaultyCursor>(owner_, inner_->openCursor(sql, type, lock, location));
  }
  std::size_t roundTrips() const override { return inner_->roundTrips(); }
  long long lastRowsAffected() const override { return inner_->lastRowsAffected(); }

 private:
  FaultyConnector& owner_;
  std::unique_ptr<Session> inner_;
};

}  // namespace

void FaultyConnector::step(const std::string& what) {
  ++operations_;
  if (observer_) observer_(what);
  if (failAt_ != 0 && operations_ == failAt_) {
    fired_ = true;
    firedOperation_ = what;
    throw Failure(failure_number::kLinkFailure, "[DBNETLIB][ConnectionWrite (send()).]General network error. Check your network documentation.");
  }
}

std::unique_ptr<Session> FaultyConnector::connect(const std::string& connectionString,
                                                  int timeoutSeconds) {
  step("connect");
  return std::make_unique<FaultySession>(*this, inner_->connect(connectionString, timeoutSeconds));
}

}  // namespace velmora::testing
