// A child process for the suites that run the real programs: started with a
// changed environment and its output in files, asked to stop, killed, waited
// for. The one place in the tests that knows POSIX from Windows.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velmora::testing {

// One change to the child's environment: `value` set, or the name removed.
struct EnvSetting {
  std::string name;
  std::optional<std::string> value;
};

class ChildProcess {
 public:
  // Starts `program args...` with the parent's environment changed by `env`,
  // standard input empty and standard output and error written to `outFile`
  // and `errFile`. Throws std::runtime_error when it cannot start.
  ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
               const std::vector<EnvSetting>& env, const std::filesystem::path& outFile,
               const std::filesystem::path& errFile);
  // Kills the process if it still runs.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Asks the process to stop as an operator would: SIGTERM on POSIX, Ctrl+C
  // on its console on Windows.
  void askToStop();
  // Kills the process at once (SIGKILL, TerminateProcess); true when it was
  // still running.
  bool killHard();
  // Waits for the process to end; its exit status, or -signal on POSIX.
  int wait();
  // Waits at most `ms` milliseconds: the exit status as wait() gives it, or
  // none when the process still runs.
  std::optional<int> waitFor(int ms);

 private:
  std::intptr_t process_ = 0;  // a pid on POSIX, a process handle on Windows
  unsigned long id_ = 0;
};

// Sets (or, with no value, removes) a variable of this process's environment.
void setEnvironment(const std::string& name, const std::optional<std::string>& value);

}  // namespace velmora::testing
