// A decorator of the access layer that fails the k-th database operation as
// a broken link (failure number -2147467259), to show that no fault loses or
// duplicates rows.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "transfer/db_access.h"

namespace velmora::testing {

class FaultyConnector : public Connector {
 public:
  explicit FaultyConnector(std::shared_ptr<Connector> inner) : inner_(std::move(inner)) {}

  // Counts operations from now on and fails the k-th (1-based); 0 disarms.
  void failAt(std::size_t k) {
    failAt_ = k;
    operations_ = 0;
    fired_ = false;
  }
  std::size_t operations() const { return operations_; }
  bool fired() const { return fired_; }
  std::string firedOperation() const { return firedOperation_; }

  // Sees every operation (numbered from 1 like failAt) before it runs.
  void setObserver(std::function<void(const std::string& operation)> observer) {
    observer_ = std::move(observer);
  }

  std::unique_ptr<Session> connect(const std::string& connectionString, int timeoutSeconds) override;

  // Called by the wrapped sessions and cursors before each operation.
  void step(const std::string& what);

 private:
  std::function<void(const std::string&)> observer_;
  std::shared_ptr<Connector> inner_;
  std::size_t failAt_ = 0;
  std::size_t operations_ = 0;
  bool fired_ = false;
  std::string firedOperation_;
};

}  // namespace velmora::testing
