// The agent without its window: ticks on an interval until a number of ticks
// has run or the process is asked to stop, printing progress and error rows
// as readable lines.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cycle/cycle_view.h"
#include "cycle/sync_cycle.h"
#include "transfer/agent_context.h"

namespace velmora::shell {

inline constexpr int kDefaultIntervalMs = 5000;

struct HeadlessOptions {
  std::optional<int> ticks;  // run this many ticks, then end; none: until stopped
  int intervalMs = kDefaultIntervalMs;
};

// Prints what the cycle shows, one readable line per change: the server
// caption (its lines joined with " | "), the step status, each error row
// that is new since the previous refresh, the steps that moved rows and a
// summary per tick. Never prints a password or a connection string; texts
// from the databases are printed with their control characters made visible.
class HeadlessView : public CycleView {
 public:
  HeadlessView(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

  // Leaves out of what it prints the error rows written before this run
  // (today's rows that are there now). A failure to read them is ignored:
  // then every row of today is printed, as without this call.
  void skipEarlierRows(AgentContext& context);

  void showServerCaption(const std::string& caption) override;
  void showStepStatus(const std::string& status) override;
  void showErrorRows(const std::vector<ErrorDisplayRow>& rows) override;
  void reportUnloggedFailure(const Failure& failure) override;
  void stepMoved(const std::string& table, const std::string& direction, long long rows) override;
  void tickEnded(int tickNumber) override;

 private:
  std::ostream& out_;
  std::ostream& err_;
  std::string headOffice_;  // the first line of the server caption
  std::string lastServerLine_;
  long long lastRowShown_ = 0;  // the highest error row number printed
  int stepsMoved_ = 0;
  long long rowsMoved_ = 0;
  int newErrorRows_ = 0;
};

// The server caption as one line: its lines trimmed, blank ones left out,
// joined with " | ".
std::string oneLineCaption(const std::string& caption);

// Runs ticks of `cycle` every options.intervalMs (the first one after one
// interval, as when Start is pressed) until options.ticks ticks have run or
// a stop is requested (StopRequests: SIGINT/SIGTERM, or Ctrl+C, Ctrl+Break
// and console close on Windows); a stop takes effect after the tick under
// way. `onReady` runs once stops are listened for, before the first wait. Returns the exit
// status, 0.
int runHeadless(SyncCycle& cycle, const HeadlessOptions& options,
                const std::function<void()>& onReady = {});

}  // namespace velmora::shell
