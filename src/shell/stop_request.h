// The operator's "stop" for the headless agent, from outside the process:
// SIGINT and SIGTERM on POSIX; Ctrl+C, Ctrl+Break and closing the console
// window on Windows (and shutdown, where Windows tells a console program of
// it). The agent stops after the tick under way.
#pragma once

namespace velmora::shell {

// Listens for stop requests while it lives, and restores what was there
// before when it goes. One at a time in a process.
class StopRequests {
 public:
  StopRequests();
  ~StopRequests();
  StopRequests(const StopRequests&) = delete;
  StopRequests& operator=(const StopRequests&) = delete;

  // True once a stop has been asked for.
  bool requested() const;
};

}  // namespace velmora::shell
