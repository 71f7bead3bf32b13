// A pass-through decorator of the access layer that records every database
// operation the fault-injecting connector counts (connect, execute, begin,
// commit, rollback, open, moveNext, update), each with the step status shown
// when it ran. Numbered from 1 like FaultyConnector::failAt, so operation k of
// a fault-free tick tells where fault k strikes.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "transfer/db_access.h"

namespace velmora::reliability {

struct TracedOperation {
  std::string operation;  // "connect", "execute <sql>", "begin", "commit", ...
  std::string step;       // the status text shown when it ran, or "" before the first
};

class TracingConnector : public Connector {
 public:
  explicit TracingConnector(std::shared_ptr<Connector> inner) : inner_(std::move(inner)) {}

  // Where the current step status is read from (e.g. the recording view).
  void setStepSource(std::function<std::string()> source) { stepSource_ = std::move(source); }
  // Starts a new trace.
  void clear() { trace_.clear(); }
  const std::vector<TracedOperation>& trace() const { return trace_; }

  void record(std::string operation) {
    trace_.push_back({std::move(operation), stepSource_ ? stepSource_() : std::string()});
  }

  std::unique_ptr<Session> connect(const std::string& connectionString,
                                   int timeoutSeconds) override;

 private:
  std::shared_ptr<Connector> inner_;
  std::function<std::string()> stepSource_;
  std::vector<TracedOperation> trace_;
};

namespace trace_detail {

class TracingCursor : public Cursor {
 public:
  TracingCursor(TracingConnector& owner, std::unique_ptr<Cursor> inner)
      : owner_(owner), inner_(std::move(inner)) {}
  std::size_t columnCount() const override { return inner_->columnCount(); }
  const std::string& columnName(std::size_t c) const override { return inner_->columnName(c); }
  bool bof() const override { return inner_->bof(); }
  bool eof() const override { return inner_->eof(); }
  void moveFirst() override { inner_->moveFirst(); }
  void moveNext() override {
    owner_.record("moveNext");
    inner_->moveNext();
  }
  const Value& get(std::size_t c) const override { return inner_->get(c); }
  void set(std::size_t c, Value v) override { inner_->set(c, std::move(v)); }
  void addNew() override { inner_->addNew(); }
  void update() override {
    owner_.record("update");
    inner_->update();
  }

 private:
  TracingConnector& owner_;
  std::unique_ptr<Cursor> inner_;
};

class TracingSession : public Session {
 public:
  TracingSession(TracingConnector& owner, std::unique_ptr<Session> inner)
      : owner_(owner), inner_(std::move(inner)) {}
  void setCommandTimeout(int seconds) override { inner_->setCommandTimeout(seconds); }
  void execute(const std::string& sql) override {
    owner_.record("execute " + sql);
    inner_->execute(sql);
  }
  void beginTransaction() override {
    owner_.record("begin");
    inner_->beginTransaction();
  }
  void commit() override {
    owner_.record("commit");
    inner_->commit();
  }
  void rollback() override {
    owner_.record("rollback");
    inner_->rollback();
  }
  std::string currentDatabase() override { return inner_->currentDatabase(); }
  std::unique_ptr<Cursor> openCursor(const std::string& sql, CursorType type, LockType lock,
                                     CursorLocation location) override {
    owner_.record("open " + sql);
    return std::make_unique<TracingCursor>(owner_, inner_->openCursor(sql, type, lock, location));
  }
  std::size_t roundTrips() const override { return inner_->roundTrips(); }
  long long lastRowsAffected() const override { return inner_->lastRowsAffected(); }

 private:
  TracingConnector& owner_;
  std::unique_ptr<Session> inner_;
};

}  // namespace trace_detail

inline std::unique_ptr<Session> TracingConnector::connect(const std::string& connectionString,
                                                          int timeoutSeconds) {
  record("connect");
  return std::make_unique<trace_detail::TracingSession>(*this,
                                                        inner_->connect(connectionString, timeoutSeconds));
}

}  // namespace velmora::reliability
