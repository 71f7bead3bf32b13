// What the sync cycle shows while it runs: the window and the headless
// runner implement this; tests record it.
#pragma once

#include <string>
#include <vector>

#include "transfer/failure.h"

namespace velmora {

// One row of today's error display.
struct ErrorDisplayRow {
  std::string upTime;  // hours and minutes with AM or PM, e.g. 1:07PM
  std::string module;
  std::string message;
  std::string updated;
  long long rno = 0;
};

class CycleView {
 public:
  virtual ~CycleView() = default;
  // The label txtserver: the head office being processed and its verdict
  // (lines joined by CR LF).
  virtual void showServerCaption(const std::string& caption) = 0;
  // The label TxtTable: the status text of the running step.
  virtual void showStepStatus(const std::string& status) = 0;
  // The error grid, refreshed at the end of a tick.
  virtual void showErrorRows(const std::vector<ErrorDisplayRow>& rows) = 0;
  // A failure that could not be written as an error row.
  virtual void reportUnloggedFailure(const Failure& failure) = 0;
  // Progress: a step moved `rows` rows (0 when it found nothing pending).
  virtual void stepMoved(const std::string& /*table*/, const std::string& /*direction*/,
                         long long /*rows*/) {}
  // Progress: a tick ended.
  virtual void tickEnded(int /*tickNumber*/) {}
};

}  // namespace velmora
