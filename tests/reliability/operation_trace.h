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

#include "support/faulty_connector.h"
#include "transfer/db_access.h"

namespace velmora::reliability {

struct TracedOperation {
  std::string operation;  // "connect", "execute <sql>", "begin", "commit", ...
  std::string step;       // the status text shown when it ran, or "" before the first
};

// A fault-injecting connector that is never armed, observing every
// operation it counts.
class TracingConnector : public testing::FaultyConnector {
 public:
  explicit TracingConnector(std::shared_ptr<Connector> inner)
      : FaultyConnector(std::move(inner)) {
    setObserver([this](const std::string& operation) {
      trace_.push_back({operation, stepSource_ ? stepSource_() : std::string()});
    });
  }

  // Where the current step status is read from (e.g. the recording view).
  void setStepSource(std::function<std::string()> source) { stepSource_ = std::move(source); }
  // Starts a new trace.
  void clear() { trace_.clear(); }
  const std::vector<TracedOperation>& trace() const { return trace_; }

 private:
  std::function<std::string()> stepSource_;
  std::vector<TracedOperation> trace_;
};

}  // namespace velmora::reliability
