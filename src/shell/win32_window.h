// The agent's window on Windows, drawn with the Win32 API: the labels that
// show the head office and the step being processed, the list view of today's
// error rows, the Start and Stop buttons that switch the timer driving the
// sync cycle, the background picture and the logo. Layout, texts and the
// Start/Stop state are those of the Qt window (shell/window_common.h).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cycle/cycle_view.h"
#include "cycle/sync_cycle.h"
#include "shell/window_common.h"
#include "transfer/agent_context.h"

struct HWND__;

namespace velmora::shell {

class Win32Artwork;
using WindowHandle = HWND__*;

// The control identifiers of the window's children.
enum class Win32Control : int {
  kServerLabel = 101,  // txtserver
  kStepLabel,          // TxtTable
  kErrorGrid,          // DataGrid1
  kStartButton,        // cmdstart
  kStopButton,         // cmdstop
  kHeadOfficeGrid,     // MsfRate, hidden
  kYearStart,          // dtpfrdate, hidden
  kYearEnd,            // dtptodate, hidden
};

class Win32AgentWindow : public CycleView {
 public:
  // `context` has been through a successful start-up; `caption` is the
  // window caption it produced. Creates the window hidden. Throws
  // std::runtime_error when Windows refuses to create it.
  Win32AgentWindow(AgentContext& context, ConnectCentralFn connectCentral,
                   const std::string& caption);
  ~Win32AgentWindow() override;
  Win32AgentWindow(const Win32AgentWindow&) = delete;
  Win32AgentWindow& operator=(const Win32AgentWindow&) = delete;

  void show();

  // CycleView.
  void showServerCaption(const std::string& caption) override;
  void showStepStatus(const std::string& status) override;
  void showErrorRows(const std::vector<ErrorDisplayRow>& rows) override;
  // Every failure that a tick could not log stays in the status label: each
  // report shows all of the tick's so far, and the tick's end shows them again.
  void reportUnloggedFailure(const Failure& failure) override;
  void tickEnded(int tickNumber) override;

  // Runs one tick, as the timer does.
  void runTick();
  int ticksRun() const { return cycle_.ticksRun(); }
  bool timerRunning() const { return state_.running(); }

  WindowHandle handle() const { return window_; }
  WindowHandle control(Win32Control id) const;

  // Handles one message of `window`; public for the window procedure.
  long long handleMessage(WindowHandle window, unsigned message, unsigned long long wParam,
                          long long lParam);

 private:
  void createControls(const std::vector<HeadOfficeRow>& headOffices, const Settings& settings);
  void startPressed();
  void stopPressed();
  void showButtons();
  void setLabel(Win32Control id, const std::string& text);

  SyncCycle cycle_;
  StartStopState state_;
  UnloggedFailures unlogged_;  // this tick's failures that were not logged
  WindowHandle window_ = nullptr;
  std::unique_ptr<Win32Artwork> artwork_;
};

// Shows a start-up failure in a message box with an OK button.
void showStartupMessage(const std::string& message);

// Runs the message loop until `window` is closed. Returns the exit status.
int runWindowLoop(Win32AgentWindow& window);

}  // namespace velmora::shell
