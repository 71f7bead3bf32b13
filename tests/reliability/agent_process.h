// Runs the real velmora-agent binary as a child process, for the suites that
// crash it or read what it prints.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace velmora::reliability {

inline std::filesystem::path agentBinary() { return VELMORA_AGENT_BINARY; }

// A started agent process; killed with SIGKILL if still running when the
// object goes.
class AgentProcess {
 public:
  // Starts `agentBinary() args...` with QVID set to `qvid` (unset when
  // nullptr) and the NAME=VALUE entries of `extraEnv` added, standard output
  // and error written to `outFile` and `errFile`.
  AgentProcess(const std::vector<std::string>& args, const char* qvid,
               const std::filesystem::path& outFile, const std::filesystem::path& errFile,
               const std::vector<std::string>& extraEnv = {}) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
      if (std::string_view(*e).starts_with("QVID=")) continue;
      env.emplace_back(*e);
    }
    if (qvid != nullptr) env.push_back(std::string("QVID=") + qvid);
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    std::vector<std::string> argStore{agentBinary().string()};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + argStore[0]);
  }
  ~AgentProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  AgentProcess(const AgentProcess&) = delete;
  AgentProcess& operator=(const AgentProcess&) = delete;

  // Kills the process with SIGKILL; true when it was still running.
  bool killHard() {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = 0;
      return false;
    }
    ::kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
    pid_ = 0;
    return true;
  }

  // Waits for the process to end; its exit status, or -signal.
  int wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = 0;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? -WTERMSIG(status) : -1;
  }

 private:
  pid_t pid_ = 0;
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
