// The agent's window: two labels that show the head office and the step
// being processed, the grid of today's error rows, and the Start and Stop
// buttons that switch the timer driving the sync cycle. It holds no database
// code: its timer calls SyncCycle::tick(), and the cycle reports back
// through the CycleView interface.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "cycle/cycle_view.h"
#include "cycle/sync_cycle.h"
#include "shell/window_common.h"
#include "transfer/agent_context.h"

class QDateEdit;
class QLabel;
class QPushButton;
class QStandardItemModel;
class QTableView;
class QTimer;

namespace velmora::shell {

class ErrorRowsModel;

class AgentWindow : public QWidget, public CycleView {
  Q_OBJECT

 public:
  // `context` has been through a successful start-up; `caption` is the
  // window caption it produced.
  AgentWindow(AgentContext& context, ConnectCentralFn connectCentral, const std::string& caption,
              QWidget* parent = nullptr);
  ~AgentWindow() override;

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

 private:
  void buildControls(const std::vector<HeadOfficeRow>& headOffices, const Settings& settings);
  void startPressed();
  void stopPressed();
  void showButtons();

  SyncCycle cycle_;
  StartStopState state_;
  UnloggedFailures unlogged_;  // this tick's failures that were not logged
  QLabel* image_ = nullptr;       // Image1: the background
  QLabel* picture_ = nullptr;     // Picture1: the logo
  QLabel* serverLabel_ = nullptr; // txtserver
  QLabel* stepLabel_ = nullptr;   // TxtTable
  QTableView* errorGrid_ = nullptr;  // DataGrid1
  ErrorRowsModel* errorRows_ = nullptr;
  QTableView* headOfficeGrid_ = nullptr;  // MsfRate, hidden
  QStandardItemModel* headOfficeRows_ = nullptr;
  QDateEdit* yearStart_ = nullptr;  // dtpfrdate, hidden
  QDateEdit* yearEnd_ = nullptr;    // dtptodate, hidden
  QPushButton* startButton_ = nullptr;  // cmdstart
  QPushButton* stopButton_ = nullptr;   // cmdstop
  QTimer* timer_ = nullptr;             // Timer1
};

}  // namespace velmora::shell
