#include "shell/stop_request.h"

#include <atomic>
#include <csignal>

#ifdef _WIN32
#include <windows.h>
#endif

namespace velmora::shell {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

#ifdef _WIN32

// Set when the runner has finished, so that a console-close handler can let
// Windows end the process.
HANDLE finished = nullptr;

// Windows ends the process as soon as the handler of a close or shutdown
// event returns: that handler waits until the tick under way has ended and
// the runner has finished (Windows allows it a few seconds, after which it
// ends the process regardless). A user's logoff does not stop an agent
// started at boot, which belongs to no user session.
BOOL WINAPI onConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      stopRequested = 1;
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      stopRequested = 1;
      if (finished != nullptr) WaitForSingleObject(finished, INFINITE);
      return TRUE;
    case CTRL_LOGOFF_EVENT:
      return TRUE;
    default:
      return FALSE;
  }
}

#else

extern "C" void requestStop(int) { stopRequested = 1; }

using Handler = void (*)(int);
Handler previousInt = SIG_DFL;
Handler previousTerm = SIG_DFL;
Handler previousPipe = SIG_DFL;

#endif

}  // namespace

#ifdef _WIN32

StopRequests::StopRequests() {
  stopRequested = 0;
  finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  // A process started in a new process group ignores Ctrl+C until it asks
  // for it.
  SetConsoleCtrlHandler(nullptr, FALSE);
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

StopRequests::~StopRequests() {
  // A close handler that is waiting lets the process end now.
  SetEvent(finished);
  SetConsoleCtrlHandler(onConsoleEvent, FALSE);
}

#else

// A reader of the output that goes away (a closed pipe) must not kill the
// agent in the middle of a tick: SIGPIPE is ignored, and the output is lost
// instead.
StopRequests::StopRequests() {
  stopRequested = 0;
  previousInt = std::signal(SIGINT, requestStop);
  previousTerm = std::signal(SIGTERM, requestStop);
  previousPipe = std::signal(SIGPIPE, SIG_IGN);
}

StopRequests::~StopRequests() {
  std::signal(SIGINT, previousInt);
  std::signal(SIGTERM, previousTerm);
  std::signal(SIGPIPE, previousPipe);
}

#endif

bool StopRequests::requested() const { return stopRequested != 0; }

}  // namespace velmora::shell
