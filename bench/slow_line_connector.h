// A connector decorator that puts its sessions at the far end of a slow line:
// every round trip they make waits a fixed delay before it returns, and is
// counted.
//
// What counts as one round trip:
// - opening a session (the login; a real login takes a few more);
// - every statement the backend sends, as its own counter reports them
//   (Session::roundTrips): plain statements, cursors' statements, batches of
//   queued rows, further pages of a paged result;
// - beginning, committing and rolling back a transaction (a commit-mode
//   change or a transaction request each).
// The rows of a result come back with the statement that asked for them, so
// fetching costs no round trip of its own.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "transfer/db_access.h"

namespace velmora::bench {

// Round trips made by the sessions of one connector.
struct LineCount {
  std::size_t trips = 0;
};

// What the sessions of one line share: the delay, the count, and how far the
// count has taken each backend counter.
class LineState {
 public:
  LineState(std::chrono::milliseconds delay, std::shared_ptr<LineCount> count)
      : delay_(delay), count_(std::move(count)) {}

  // Pays for `trips` round trips.
  void pay(std::size_t trips) {
    if (trips == 0) return;
    count_->trips += trips;
    if (delay_.count() > 0) std::this_thread::sleep_for(delay_ * static_cast<int>(trips));
  }

  // Pays for the statements `inner` has sent since the last settlement, at
  // least `minimum` of them.
  void settle(const Session* inner, std::size_t minimum) {
    if (inner == nullptr) return;
    const std::size_t sent = inner->roundTrips();
    const std::size_t fresh = sent - seen_;
    seen_ = sent;
    pay(fresh > minimum ? fresh : minimum);
  }

  const Session* inner = nullptr;  // cleared when the session goes away

 private:
  std::chrono::milliseconds delay_;
  std::shared_ptr<LineCount> count_;
  std::size_t seen_ = 0;
};

// A cursor whose writes may send queued rows over the line.
class SlowLineCursor : public Cursor {
 public:
  SlowLineCursor(std::unique_ptr<Cursor> inner, std::shared_ptr<LineState> line)
      : inner_(std::move(inner)), line_(std::move(line)) {}

  std::size_t columnCount() const override { return inner_->columnCount(); }
  const std::string& columnName(std::size_t column) const override { return inner_->columnName(column); }
  bool bof() const override { return inner_->bof(); }
  bool eof() const override { return inner_->eof(); }
  void moveFirst() override { inner_->moveFirst(); }
  void moveNext() override {
    inner_->moveNext();
    line_->settle(line_->inner, 0);
  }
  const Value& get(std::size_t column) const override { return inner_->get(column); }
  void set(std::size_t column, Value value) override { inner_->set(column, std::move(value)); }
  void addNew() override {
    inner_->addNew();
    line_->settle(line_->inner, 0);
  }
  void update() override {
    inner_->update();
    line_->settle(line_->inner, 0);
  }

 private:
  std::unique_ptr<Cursor> inner_;
  std::shared_ptr<LineState> line_;
};

class SlowLineSession : public Session {
 public:
  SlowLineSession(std::unique_ptr<Session> inner, std::shared_ptr<LineState> line)
      : inner_(std::move(inner)), line_(std::move(line)) {
    line_->inner = inner_.get();
    line_->settle(inner_.get(), 0);  // whatever the backend sent while connecting
  }
  ~SlowLineSession() override { line_->inner = nullptr; }

  void setCommandTimeout(int seconds) override { inner_->setCommandTimeout(seconds); }
  void execute(const std::string& sql) override {
    inner_->execute(sql);
    line_->settle(inner_.get(), 1);
  }
  void beginTransaction() override {
    inner_->beginTransaction();
    line_->settle(inner_.get(), 0);
    line_->pay(1);
  }
  void flushPendingWrites() override {
    inner_->flushPendingWrites();
    line_->settle(inner_.get(), 0);
  }
  void commit() override {
    inner_->commit();
    line_->settle(inner_.get(), 0);  // rows still queued go first
    line_->pay(1);
  }
  void rollback() override {
    inner_->rollback();
    line_->settle(inner_.get(), 0);
    line_->pay(1);
  }
  std::string currentDatabase() override { return inner_->currentDatabase(); }
  std::unique_ptr<Cursor> openCursor(const std::string& sql, CursorType type, LockType lock,
                                     CursorLocation location) override {
    std::unique_ptr<Cursor> cursor = inner_->openCursor(sql, type, lock, location);
    line_->settle(inner_.get(), 1);
    return std::make_unique<SlowLineCursor>(std::move(cursor), line_);
  }
  std::size_t roundTrips() const override { return inner_->roundTrips(); }
  long long lastRowsAffected() const override { return inner_->lastRowsAffected(); }

 private:
  std::unique_ptr<Session> inner_;
  std::shared_ptr<LineState> line_;
};

// Opens sessions through `inner`, each behind a line of `delay` per round
// trip, all counted in `count`.
class SlowLineConnector : public Connector {
 public:
  SlowLineConnector(std::shared_ptr<Connector> inner, std::chrono::milliseconds delay,
                    std::shared_ptr<LineCount> count)
      : inner_(std::move(inner)), delay_(delay), count_(std::move(count)) {}

  std::unique_ptr<Session> connect(const std::string& connectionString, int timeoutSeconds) override {
    auto line = std::make_shared<LineState>(delay_, count_);
    line->pay(1);  // the login
    return std::make_unique<SlowLineSession>(inner_->connect(connectionString, timeoutSeconds), line);
  }

 private:
  std::shared_ptr<Connector> inner_;
  std::chrono::milliseconds delay_;
  std::shared_ptr<LineCount> count_;
};

}  // namespace velmora::bench
