// Preloaded (LD_PRELOAD) into the agent by the placed-crash suite, Linux
// only. It wraps the disk syncs of the process, fsync and fdatasync, and
// numbers them from 1:
// - VELMORA_KILL_AFTER_SYNC=k kills the process with SIGKILL as soon as the
//   k-th sync has returned, so that everything synced so far is on disk and
//   nothing after it is;
// - VELMORA_SYNC_LOG=FILE appends one line per sync: its number, the
//   monotonic clock in microseconds when it returned, and the file synced.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

using SyncFunction = int (*)(int);

std::atomic<unsigned long> syncs{0};

unsigned long killAfter() {
  static const unsigned long value = [] {
    const char* text = std::getenv("VELMORA_KILL_AFTER_SYNC");
    return text != nullptr ? std::strtoul(text, nullptr, 10) : 0UL;
  }();
  return value;
}

int logFile() {
  static const int fd = [] {
    const char* path = std::getenv("VELMORA_SYNC_LOG");
    return path != nullptr && *path != '\0' ? ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)
                                            : -1;
  }();
  return fd;
}

void afterSync(int fd) {
  const unsigned long number = ++syncs;
  if (const int log = logFile(); log >= 0) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    char link[64];
    char target[512] = "?";
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = ::readlink(link, target, sizeof target - 1);
    if (length > 0) target[length] = '\0';
    char line[640];
    const int size = std::snprintf(line, sizeof line, "%lu %lld %s\n", number,
                                   static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000, target);
    if (size > 0) (void)!::write(log, line, static_cast<std::size_t>(size));
  }
  if (number == killAfter()) ::kill(::getpid(), SIGKILL);
}

SyncFunction next(const char* name) { return reinterpret_cast<SyncFunction>(::dlsym(RTLD_NEXT, name)); }

}  // namespace

extern "C" int fsync(int fd) {
  static const SyncFunction real = next("fsync");
  const int result = real(fd);
  afterSync(fd);
  return result;
}

extern "C" int fdatasync(int fd) {
  static const SyncFunction real = next("fdatasync");
  const int result = real(fd);
  afterSync(fd);
  return result;
}
