// Runs the real velmora-agent binary as a child process, for the suites that
// crash it or read what it prints.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace velmora::reliability {

inline std::filesystem::path agentBinary() { return VELMORA_AGENT_BINARY; }

// QVID set to `qvid` (removed when nullptr) and the NAME=VALUE entries of
// `extraEnv` added.
inline std::vector<testing::EnvSetting> agentEnvironment(const char* qvid,
                                                         const std::vector<std::string>& extraEnv) {
  std::vector<testing::EnvSetting> env{
      {"QVID", qvid != nullptr ? std::optional<std::string>(qvid) : std::nullopt}};
  for (const std::string& entry : extraEnv) {
    const std::size_t equals = entry.find('=');
    env.push_back({entry.substr(0, equals),
                   equals == std::string::npos ? std::string() : entry.substr(equals + 1)});
  }
  return env;
}

// A started agent process; killed if still running when the object goes.
class AgentProcess {
 public:
  // Starts `agentBinary() args...` with QVID set to `qvid` (unset when
  // nullptr) and the NAME=VALUE entries of `extraEnv` added, standard output
  // and error written to `outFile` and `errFile`.
  AgentProcess(const std::vector<std::string>& args, const char* qvid,
               const std::filesystem::path& outFile, const std::filesystem::path& errFile,
               const std::vector<std::string>& extraEnv = {})
      : process_(agentBinary(), args, agentEnvironment(qvid, extraEnv), outFile, errFile) {}

  // Kills the process at once; true when it was still running.
  bool killHard() { return process_.killHard(); }
  // Waits for the process to end; its exit status (on POSIX -signal when killed).
  int wait() { return process_.wait(); }

 private:
  testing::ChildProcess process_;
};

inline std::string readWholeFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs the agent to its end (with `extraEnv` added to its environment); fills
// `out` and `err` and returns the exit status.
inline int runAgent(const std::vector<std::string>& args, const char* qvid,
                    const std::filesystem::path& scratch, std::string& out, std::string& err,
                    const std::vector<std::string>& extraEnv = {}) {
  const auto outFile = scratch / "agent.out";
  const auto errFile = scratch / "agent.err";
  int status = 0;
  {
    AgentProcess process(args, qvid, outFile, errFile, extraEnv);
    status = process.wait();
  }
  out = readWholeFile(outFile);
  err = readWholeFile(errFile);
  return status;
}

}  // namespace velmora::reliability
