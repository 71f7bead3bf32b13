#include "shell/agent_window.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QTimer>

#include "shell/startup.h"

namespace velmora::shell {
namespace {

QApplication& application() {
  static int argc = 1;
  static char name[] = "velmora_window_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// Sessions that accept every statement and answer every query with no rows.
class EmptyCursor : public Cursor {
 public:
  std::size_t columnCount() const override { return 0; }
  const std::string& columnName(std::size_t) const override { return name_; }
  bool bof() const override { return true; }
  bool eof() const override { return true; }
  void moveFirst() override {}
  void moveNext() override {}
  const Value& get(std::size_t) const override { return value_; }
  void set(std::size_t, Value) override {}
  void addNew() override {}
  void update() override {}

 private:
  std::string name_;
  Value value_;
};

class QuietSession : public Session {
 public:
  void setCommandTimeout(int) override {}
  void execute(const std::string&) override {}
  void beginTransaction() override {}
  void commit() override {}
  void rollback() override {}
  std::string currentDatabase() override { return "VEL1920"; }
  std::unique_ptr<Cursor> openCursor(const std::string&, CursorType, LockType,
                                     CursorLocation) override {
    return std::make_unique<EmptyCursor>();
  }
};

class QuietConnector : public Connector {
 public:
  std::unique_ptr<Session> connect(const std::string&, int) override {
    return std::make_unique<QuietSession>();
  }
};

// Waits `ms` milliseconds with the event loop running.
void processEventsFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

class AgentWindowTest : public ::testing::Test {
 protected:
  AgentWindowTest() : context_(std::make_shared<QuietConnector>()) {
    application();
    context_.localMain.open("Initial Catalog=VELMAIN;Data Source=BRANCH");
    context_.localYear.open("Initial Catalog=VEL1920;Data Source=BRANCH");
    context_.settings.yearStart = {2019, 4, 1};
    context_.settings.yearEnd = {2020, 3, 31};
    context_.headOffices.push_back(
        {"H", "1", "HEAD OFFICE HO1", "HO1", "sa", "pw", "HOA", "", "", "Y"});
    window_ = std::make_unique<AgentWindow>(
        context_,
        [this](AgentContext&, const CentralArguments&) {
          ++connectCalls_;
          if (duringConnect_) duringConnect_();
        },
        "VELMORA " + std::string(70, ' ') + "31/Mar/2020      01:07:00 PM   [VEL]");
    window_->show();
  }

  template <typename T>
  T* child(const char* name) {
    T* found = window_->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  AgentContext context_;
  int connectCalls_ = 0;
  std::function<void()> duringConnect_;  // runs inside a tick, at its central connection
  std::unique_ptr<AgentWindow> window_;
};

TEST_F(AgentWindowTest, OpensIdleWithOnlyStartShown) {
  auto* start = child<QPushButton>("cmdstart");
  auto* stop = child<QPushButton>("cmdstop");
  auto* timer = child<QTimer>("Timer1");
  ASSERT_TRUE(start && stop && timer);
  EXPECT_TRUE(start->isVisible());
  EXPECT_FALSE(stop->isVisible());
  EXPECT_EQ(start->geometry(), stop->geometry());
  EXPECT_FALSE(timer->isActive());
  EXPECT_EQ(timer->interval(), 5000);
  EXPECT_TRUE(window_->windowTitle().endsWith(QStringLiteral("   [VEL]")));
}

TEST_F(AgentWindowTest, StartHidesStartShowsStopAndStartsTheTimer) {
  auto* start = child<QPushButton>("cmdstart");
  auto* stop = child<QPushButton>("cmdstop");
  auto* timer = child<QTimer>("Timer1");
  ASSERT_TRUE(start && stop && timer);
  start->click();
  EXPECT_FALSE(start->isVisible());
  EXPECT_TRUE(stop->isVisible());
  EXPECT_TRUE(timer->isActive());
  stop->click();
  EXPECT_TRUE(start->isVisible());
  EXPECT_FALSE(stop->isVisible());
  EXPECT_FALSE(timer->isActive());
}

TEST_F(AgentWindowTest, StartThenStopWithinTheIntervalRunsNoTick) {
  auto* start = child<QPushButton>("cmdstart");
  auto* stop = child<QPushButton>("cmdstop");
  ASSERT_TRUE(start && stop);
  start->click();
  stop->click();
  processEventsFor(5600);
  EXPECT_EQ(window_->ticksRun(), 0);
  EXPECT_EQ(connectCalls_, 0);
}

TEST_F(AgentWindowTest, TheTimerRunsTheCycle) {
  auto* start = child<QPushButton>("cmdstart");
  ASSERT_TRUE(start);
  start->click();
  for (int waited = 0; waited < 20000 && window_->ticksRun() == 0; waited += 100) {
    processEventsFor(100);
  }
  child<QPushButton>("cmdstop")->click();
  EXPECT_EQ(window_->ticksRun(), 1);
  EXPECT_EQ(connectCalls_, 1);
  auto* server = child<QLabel>("txtserver");
  ASSERT_TRUE(server);
  EXPECT_EQ(server->text(), QStringLiteral("HEAD OFFICE HO1(1)\nHO1\nHOA\n\n\n Connection Verify "));
}

// A tick that outlasts the interval leaves a whole interval before the next
// one, in which a Stop pressed during the tick is handled: no tick follows it.
TEST_F(AgentWindowTest, AnOverlongTickLeavesAWholeIntervalBeforeTheNext) {
  auto* start = child<QPushButton>("cmdstart");
  auto* stop = child<QPushButton>("cmdstop");
  auto* timer = child<QTimer>("Timer1");
  ASSERT_TRUE(start && stop && timer);
  timer->setInterval(100);
  QElapsedTimer clock;
  clock.start();
  std::vector<std::pair<qint64, qint64>> ticks;  // when each tick's connection began and ended
  duringConnect_ = [&] {
    const qint64 began = clock.elapsed();
    QThread::msleep(250);
    ticks.emplace_back(began, clock.elapsed());
  };
  start->click();
  for (int waited = 0; waited < 20000 && ticks.size() < 2; waited += 10) processEventsFor(10);
  ASSERT_EQ(ticks.size(), 2u);
  EXPECT_GE(ticks[1].first - ticks[0].second, 90);

  // Stop pressed during the third tick is handled after it, and ends the run.
  duringConnect_ = [&] {
    QMetaObject::invokeMethod(stop, &QPushButton::click, Qt::QueuedConnection);
    EXPECT_FALSE(start->isVisible());
  };
  processEventsFor(600);
  EXPECT_EQ(window_->ticksRun(), 3);
  EXPECT_TRUE(start->isVisible());
  EXPECT_FALSE(timer->isActive());
}

TEST_F(AgentWindowTest, LabelsUseEighteenPoints) {
  auto* server = child<QLabel>("txtserver");
  auto* step = child<QLabel>("TxtTable");
  ASSERT_TRUE(server && step);
  EXPECT_EQ(server->font().pointSize(), 18);
  EXPECT_EQ(step->font().pointSize(), 18);
  window_->showStepStatus(" Processing BANKMASTER DOWNLOAD ");
  EXPECT_EQ(step->text(), QStringLiteral(" Processing BANKMASTER DOWNLOAD "));
}

TEST_F(AgentWindowTest, UnloggedFailureShowsInTheStatusLabel) {
  auto* step = child<QLabel>("TxtTable");
  ASSERT_TRUE(step);
  window_->reportUnloggedFailure(Failure(failure_number::kStatementFailed, "ERRTABLE is full"));
  EXPECT_TRUE(step->text().contains(QStringLiteral("ERRTABLE is full")));
}

// Every failure of a tick that could not be logged stays visible, not only
// the last one, also after later steps have shown their status.
TEST_F(AgentWindowTest, EveryUnloggedFailureOfATickStaysInTheStatusLabel) {
  auto* step = child<QLabel>("TxtTable");
  ASSERT_TRUE(step);
  window_->reportUnloggedFailure(Failure(failure_number::kStatementFailed, "first lost row"));
  window_->reportUnloggedFailure(Failure(failure_number::kStatementFailed, "second lost row"));
  EXPECT_TRUE(step->text().contains(QStringLiteral("first lost row")));
  window_->showStepStatus(" Processing INDENT UPLOAD ");
  window_->tickEnded(1);
  EXPECT_TRUE(step->text().contains(QStringLiteral("first lost row"))) << step->text().toStdString();
  EXPECT_TRUE(step->text().contains(QStringLiteral("second lost row")));
  window_->showStepStatus("RELAX");
  window_->tickEnded(2);
  EXPECT_EQ(step->text(), QStringLiteral("RELAX"));
}

TEST_F(AgentWindowTest, ErrorGridShowsTimeModuleAndMessageOnly) {
  auto* grid = child<QTableView>("DataGrid1");
  ASSERT_TRUE(grid);
  window_->showErrorRows({{"1:08PM", "MAINERROR", "1-Overflow", "07/Nov/2019", 5},
                          {"1:07PM", "CONNECTION", "HO3-cannot open", "07/Nov/2019", 4}});
  ASSERT_EQ(grid->model()->rowCount(), 2);
  EXPECT_EQ(grid->model()->index(0, 1).data().toString(), QStringLiteral("MAINERROR"));
  EXPECT_EQ(grid->model()->index(1, 2).data().toString(), QStringLiteral("HO3-cannot open"));
  EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("UpTime"));
  EXPECT_FALSE(grid->isColumnHidden(0));
  EXPECT_FALSE(grid->isColumnHidden(1));
  EXPECT_FALSE(grid->isColumnHidden(2));
  EXPECT_TRUE(grid->isColumnHidden(3));
  EXPECT_TRUE(grid->isColumnHidden(4));
  EXPECT_EQ(grid->columnWidth(0), 800 / 15);
  EXPECT_EQ(grid->columnWidth(1), 2000 / 15);
  EXPECT_EQ(grid->columnWidth(2), 4200 / 15);
}

TEST_F(AgentWindowTest, HeadOfficeListIsAHiddenModel) {
  auto* list = child<QTableView>("MsfRate");
  ASSERT_TRUE(list);
  EXPECT_FALSE(list->isVisible());
  ASSERT_EQ(list->model()->rowCount(), 1);
  ASSERT_EQ(list->model()->columnCount(), 10);
  for (int column = 0; column < 10; ++column) {
    const auto& header = kHeadOfficeHeader[static_cast<std::size_t>(column)];
    EXPECT_EQ(list->model()->headerData(column, Qt::Horizontal).toString().toStdString(),
              header.text);
  }
  EXPECT_EQ(list->model()->index(0, 3).data().toString(), QStringLiteral("HO1"));
  auto* from = child<QDateEdit>("dtpfrdate");
  ASSERT_TRUE(from);
  EXPECT_FALSE(from->isVisible());
  EXPECT_EQ(from->text(), QStringLiteral("01/Apr/2019"));
}

TEST_F(AgentWindowTest, EveryVisibleControlFitsTheWindow) {
  const QRect inside = window_->rect();
  int visible = 0;
  for (QWidget* control : window_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (!control->isVisible()) continue;
    ++visible;
    EXPECT_TRUE(inside.contains(control->geometry())) << control->objectName().toStdString();
  }
  EXPECT_GE(visible, 6);  // background, logo, two labels, grid, Start
}

}  // namespace
}  // namespace velmora::shell
