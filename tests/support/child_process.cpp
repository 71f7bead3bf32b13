#include "support/child_process.h"

#include <stdexcept>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
extern char** environ;
#endif

namespace velmora::testing {

namespace {

bool changedBy(std::string_view entry, const std::vector<EnvSetting>& env) {
  for (const EnvSetting& setting : env) {
    if (entry.size() > setting.name.size() && entry.starts_with(setting.name) &&
        entry[setting.name.size()] == '=') {
      return true;
    }
  }
  return false;
}

void addSettings(std::vector<std::string>& entries, const std::vector<EnvSetting>& env) {
  for (const EnvSetting& setting : env) {
    if (setting.value) entries.push_back(setting.name + "=" + *setting.value);
  }
}

#ifdef _WIN32
// One argument quoted as the C runtime splits a command line: backslashes
// are literal unless they precede a quote.
std::string quoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') quoted.append(backslashes * 2 + 1, '\\');
    else quoted.append(backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

HANDLE openInheritable(const std::filesystem::path& file, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE handle = CreateFileA(file.string().c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              &inherit, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + file.string());
  return handle;
}

HANDLE handleOf(std::intptr_t process) { return reinterpret_cast<HANDLE>(process); }
#endif

}  // namespace

#ifdef _WIN32

ChildProcess::ChildProcess(const std::filesystem::path& program,
                           const std::vector<std::string>& args,
                           const std::vector<EnvSetting>& env,
                           const std::filesystem::path& outFile,
                           const std::filesystem::path& errFile) {
  std::vector<std::string> entries;
  if (char* block = GetEnvironmentStringsA()) {
    for (const char* e = block; *e != '\0'; e += std::string_view(e).size() + 1) {
      if (!changedBy(e, env)) entries.emplace_back(e);
    }
    FreeEnvironmentStringsA(block);
  }
  addSettings(entries, env);
  std::string envBlock;
  for (const std::string& e : entries) envBlock += e + '\0';
  envBlock += '\0';

  std::string commandLine = quoteArgument(program.string());
  for (const std::string& arg : args) commandLine += " " + quoteArgument(arg);

  HANDLE in = openInheritable("NUL", GENERIC_READ, OPEN_EXISTING);
  HANDLE out = openInheritable(outFile, GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err = openInheritable(errFile, GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION info{};
  const BOOL started = CreateProcessA(program.string().c_str(), commandLine.data(), nullptr,
                                      nullptr, TRUE,
                                      CREATE_NEW_PROCESS_GROUP | CREATE_NEW_CONSOLE, envBlock.data(),
                                      nullptr, &startup, &info);
  CloseHandle(in);
  CloseHandle(out);
  CloseHandle(err);
  if (!started) throw std::runtime_error("cannot start " + program.string());
  CloseHandle(info.hThread);
  process_ = reinterpret_cast<std::intptr_t>(info.hProcess);
  id_ = info.dwProcessId;
}

ChildProcess::~ChildProcess() {
  if (process_ != 0) killHard();
}

// The child has a console of its own: attach to it for the moment of the
// event and send Ctrl+C to every process on it, ignoring it here.
void ChildProcess::askToStop() {
  FreeConsole();
  if (AttachConsole(id_)) {
    SetConsoleCtrlHandler(nullptr, TRUE);
    GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    FreeConsole();
  }
}

bool ChildProcess::killHard() {
  const bool running = WaitForSingleObject(handleOf(process_), 0) == WAIT_TIMEOUT;
  if (running) {
    TerminateProcess(handleOf(process_), 137);
    WaitForSingleObject(handleOf(process_), INFINITE);
  }
  CloseHandle(handleOf(process_));
  process_ = 0;
  return running;
}

int ChildProcess::wait() {
  WaitForSingleObject(handleOf(process_), INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(handleOf(process_), &code);
  CloseHandle(handleOf(process_));
  process_ = 0;
  return static_cast<int>(code);
}

std::optional<int> ChildProcess::waitFor(int ms) {
  if (WaitForSingleObject(handleOf(process_), static_cast<DWORD>(ms)) == WAIT_TIMEOUT) {
    return std::nullopt;
  }
  return wait();
}

void setEnvironment(const std::string& name, const std::optional<std::string>& value) {
  SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
  _putenv_s(name.c_str(), value ? value->c_str() : "");
}

#else

ChildProcess::ChildProcess(const std::filesystem::path& program,
                           const std::vector<std::string>& args,
                           const std::vector<EnvSetting>& env,
                           const std::filesystem::path& outFile,
                           const std::filesystem::path& errFile) {
  std::vector<std::string> entries;
  for (char** e = environ; *e != nullptr; ++e) {
    if (!changedBy(*e, env)) entries.emplace_back(*e);
  }
  addSettings(entries, env);
  std::vector<char*> envp;
  for (std::string& e : entries) envp.push_back(e.data());
  envp.push_back(nullptr);

  std::vector<std::string> argStore{program.string()};
  argStore.insert(argStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argStore) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argStore[0]);
  process_ = pid;
  id_ = static_cast<unsigned long>(pid);
}

ChildProcess::~ChildProcess() {
  if (process_ != 0) killHard();
}

void ChildProcess::askToStop() { ::kill(static_cast<pid_t>(process_), SIGTERM); }

bool ChildProcess::killHard() {
  const auto pid = static_cast<pid_t>(process_);
  int status = 0;
  bool running = waitpid(pid, &status, WNOHANG) != pid;
  if (running) {
    ::kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  process_ = 0;
  return running;
}

int ChildProcess::wait() {
  int status = 0;
  waitpid(static_cast<pid_t>(process_), &status, 0);
  process_ = 0;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return WIFSIGNALED(status) ? -WTERMSIG(status) : -1;
}

std::optional<int> ChildProcess::waitFor(int ms) {
  const auto pid = static_cast<pid_t>(process_);
  for (int waited = 0;; waited += 10) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      process_ = 0;
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      return WIFSIGNALED(status) ? -WTERMSIG(status) : -1;
    }
    if (waited >= ms) return std::nullopt;
    usleep(10000);
  }
}

void setEnvironment(const std::string& name, const std::optional<std::string>& value) {
  if (value) ::setenv(name.c_str(), value->c_str(), 1);
  else ::unsetenv(name.c_str());
}

#endif

}  // namespace velmora::testing
