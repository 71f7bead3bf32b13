// What a branch on a slow line sees: whole ticks with the head office
// reached over ODBC (the SQLite ODBC driver behind it) through a line that
// adds a fixed delay to every round trip, for several delays.
//
// The branch is an embedded server, or with --branch-odbc is reached over
// ODBC too (the SQLite ODBC driver, its four-part names served by attaching
// the head office's files, as the tests' ODBC-at-both-ends mode does).
//
// Three ticks are measured on fresh copies of one laid-out company:
//   idle      nothing to move (the tick after one that moved everything);
//   upload    N pending rows in each of the 18 upload tables;
//   download  N undelivered rows in each of the download tables;
// each with its wall time and the round trips per step on the head office's
// line and on the branch's connections (which stay on the local network and
// get no delay).
//
//   slow_line [--rows N] [--rtt MS,MS,...] [--work DIR] [--steps] [--branch-odbc]
// --steps prints the round trips of every step of every tick.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "backends/embedded/embedded_connector.h"
#include "bench_support.h"
#include "cycle/sync_cycle.h"
#include "sample_company.h"
#include "shell/backend_router.h"
#include "shell/central_connection.h"
#include "shell/servers_file.h"
#include "shell/startup.h"
#include "slow_line_connector.h"
#include "sqlserver/odbc_tick_support.h"
#include "support/odbc_both_ends.h"

namespace velmora::bench {
namespace {

namespace fs = std::filesystem;

constexpr const char* kBranchServer = "BRANCH";
constexpr const char* kHeadOffice = "HO1";
constexpr std::size_t kBatchRows = 1000;  // the ODBC backend's batch

struct Options {
  int rows = 1000;
  std::vector<int> rtts = {0, 20, 100};
  fs::path work = fs::temp_directory_path() / "velmora-slow-line";
  bool steps = false;
  bool branchOdbc = false;
};

enum class Load { kIdle, kUpload, kDownload };
constexpr const char* kLoadNames[] = {"idle", "upload", "download"};

sample::CompanyLayout lineLayout(const fs::path& home) {
  sample::CompanyLayout layout;
  layout.home = home;
  layout.companyPrefix = "ZEMRA";  // opens every upload's site gate
  layout.branchNo = 7;
  layout.sampleRows = false;
  sample::HeadOfficeSpec office;
  office.serverName = kHeadOffice;
  office.companyPrefix = "HOA";
  office.branchNo = 1;
  layout.headOffices.push_back(office);
  return layout;
}

// Round trips of the head office's line and of the branch, taken at a moment.
struct Trips {
  std::size_t central = 0;
  std::size_t branch = 0;
};

// Records the round trips each step made, by the step's status text.
class TripView : public CycleView {
 public:
  TripView(std::shared_ptr<LineCount> central, std::shared_ptr<LineCount> branch)
      : central_(std::move(central)), branch_(std::move(branch)) {}

  void showServerCaption(const std::string&) override { close(); }
  void showStepStatus(const std::string& status) override {
    close();
    open_ = status;
    at_ = now();
  }
  void showErrorRows(const std::vector<ErrorDisplayRow>&) override {}
  void reportUnloggedFailure(const Failure& failure) override {
    std::fprintf(stderr, "  unlogged failure: %s\n", failure.description().c_str());
  }
  void stepMoved(const std::string&, const std::string&, long long rows) override { moved += rows; }

  std::vector<std::pair<std::string, Trips>> steps;
  long long moved = 0;

 private:
  Trips now() const { return {central_->trips, branch_->trips}; }
  void close() {
    if (open_.empty()) return;
    const Trips end = now();
    steps.push_back({open_, {end.central - at_.central, end.branch - at_.branch}});
    open_.clear();
  }

  std::shared_ptr<LineCount> central_;
  std::shared_ptr<LineCount> branch_;
  std::string open_;
  Trips at_;
};

// One agent over `home`: the head office over ODBC behind a line of `rtt`
// milliseconds, the branch embedded or (`branchOdbc`) over ODBC too.
class LineAgent {
 public:
  LineAgent(const fs::path& home, int rtt, bool branchOdbc)
      : central_(std::make_shared<LineCount>()), branch_(std::make_shared<LineCount>()) {
    std::vector<EmbeddedServer> embeddedServers;
    std::map<std::string, fs::path> headOffices;
    for (const shell::ServerEntry& server : shell::readServersFile(home).servers) {
      embeddedServers.push_back({server.name, server.directory});
      if (!equalsIgnoreCase(server.name, kBranchServer)) headOffices[server.name] = server.directory;
    }
    std::shared_ptr<Connector> branchBackend =
        branchOdbc ? testing::makeOdbcBothEndsConnector(home, kBatchRows)
                   : std::shared_ptr<Connector>(std::make_shared<EmbeddedConnector>(std::move(embeddedServers)));
    std::shared_ptr<Connector> officeBackend =
        branchOdbc ? branchBackend
                   : std::shared_ptr<Connector>(
                         std::make_shared<OdbcConnector>(testing::headOfficeOdbcOptions(headOffices, kBatchRows)));
    auto branch = std::make_shared<SlowLineConnector>(branchBackend, std::chrono::milliseconds(0), branch_);
    auto office = std::make_shared<SlowLineConnector>(officeBackend, std::chrono::milliseconds(rtt), central_);
    auto router = std::make_shared<shell::BackendRouter>(
        branch, [](const std::string& source) { return equalsIgnoreCase(source, kBranchServer); }, office);
    context_ = std::make_unique<AgentContext>(router);
    shell::StartupOptions startup;
    startup.programFolder = home;
    startup.environment = [](std::string_view name) -> std::optional<std::string> {
      if (name == shell::kSiteEnvironmentVariable) return std::string("BENCH0012");
      return std::nullopt;
    };
    const shell::StartupResult result = shell::runStartup(*context_, startup);
    if (!result.ok) throw std::runtime_error("start-up failed: " + result.message);
    view_ = std::make_unique<TripView>(central_, branch_);
    cycle_ = std::make_unique<SyncCycle>(*context_, *view_, shell::connectCentral);
  }

  // Runs one tick; returns its seconds and leaves its steps in view().
  double tick() {
    view_ = std::make_unique<TripView>(central_, branch_);
    cycle_ = std::make_unique<SyncCycle>(*context_, *view_, shell::connectCentral);
    const auto start = Clock::now();
    cycle_->tick();
    return secondsSince(start);
  }

  const TripView& view() const { return *view_; }
  Trips total() const { return {central_->trips, branch_->trips}; }

 private:
  std::shared_ptr<LineCount> central_;
  std::shared_ptr<LineCount> branch_;
  std::unique_ptr<AgentContext> context_;
  std::unique_ptr<TripView> view_;
  std::unique_ptr<SyncCycle> cycle_;
};

void layOut(const fs::path& home, Load load, int rows) {
  const sample::CompanyLayout layout = lineLayout(home);
  sample::layOutCompany(layout);
  for (const sample::SampleTable& table : sample::kSampleTables) {
    if (load == Load::kUpload && table.uploaded) sample::addPendingRows(layout, table.name, rows);
    if (load == Load::kDownload && table.downloaded) sample::addUndeliveredRows(layout, kHeadOffice, table.name, rows);
  }
}

struct TickFigure {
  double seconds = 0;
  long long moved = 0;
  Trips tick;          // the tick's round trips
  Trips maxStep;       // the most any one step made
  std::vector<std::pair<std::string, Trips>> steps;
};

TickFigure measure(const Options& options, const fs::path& pristine, Load load, int rtt) {
  const fs::path home = options.work / "run";
  copyFolder(pristine, home);
  TickFigure figure;
  if (load == Load::kIdle) {
    LineAgent(home, 0, options.branchOdbc).tick();  // moves the sample rows, so that the next tick has nothing to do
  }
  LineAgent agent(home, rtt, options.branchOdbc);
  const Trips before = agent.total();
  figure.seconds = agent.tick();
  const Trips after = agent.total();
  figure.tick = {after.central - before.central, after.branch - before.branch};
  figure.moved = agent.view().moved;
  figure.steps = agent.view().steps;
  for (const auto& [status, trips] : figure.steps) {
    figure.maxStep.central = std::max(figure.maxStep.central, trips.central);
    figure.maxStep.branch = std::max(figure.maxStep.branch, trips.branch);
  }
  const auto errors = sample::querySql(sample::branchDatabase(lineLayout(home), sample::SiteDatabase::kMain),
                                       "SELECT Module, MESSAGE FROM ERRTABLE");
  for (const auto& row : errors) std::fprintf(stderr, "  error row: %s: %s\n", row[0].c_str(), row[1].c_str());
  return figure;
}

Options parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&]() -> std::string {
      if (i + 1 >= argc) throw std::runtime_error(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--rows") {
      options.rows = std::max(1, std::stoi(next()));
    } else if (arg == "--rtt") {
      options.rtts.clear();
      std::stringstream list(next());
      for (std::string part; std::getline(list, part, ',');) options.rtts.push_back(std::stoi(part));
    } else if (arg == "--work") {
      options.work = next();
    } else if (arg == "--steps") {
      options.steps = true;
    } else if (arg == "--branch-odbc") {
      options.branchOdbc = true;
    } else {
      throw std::runtime_error("usage: slow_line [--rows N] [--rtt MS,MS,...] [--work DIR] [--steps] [--branch-odbc]");
    }
  }
  return options;
}

int run(int argc, char** argv) {
  const Options options = parse(argc, argv);
  fs::create_directories(options.work);
  std::printf("slow_line: %d rows per table, head office over ODBC, branch %s\n\n", options.rows,
              options.branchOdbc ? "over ODBC" : "embedded");
  std::printf("| %-8s | %6s | %8s | %9s | %13s | %13s | %12s | %12s |\n", "tick", "RTT ms", "rows",
              "seconds", "central trips", "branch trips", "max/step HO", "max/step br");
  std::printf("|----------|--------|----------|-----------|---------------|---------------|--------------|--------------|\n");
  std::fflush(stdout);
  for (Load load : {Load::kIdle, Load::kUpload, Load::kDownload}) {
    const fs::path pristine = options.work / (std::string("pristine-") + kLoadNames[static_cast<int>(load)]);
    layOut(pristine, load, options.rows);
    for (int rtt : options.rtts) {
      const TickFigure f = measure(options, pristine, load, rtt);
      std::printf("| %-8s | %6d | %8lld | %9.2f | %13zu | %13zu | %12zu | %12zu |\n", kLoadNames[static_cast<int>(load)],
                  rtt, f.moved, f.seconds, f.tick.central, f.tick.branch, f.maxStep.central, f.maxStep.branch);
      std::fflush(stdout);
      if (options.steps && rtt == options.rtts.front()) {
        for (const auto& [status, trips] : f.steps) {
          std::printf("|   %-60s | %5zu | %5zu |\n", status.c_str(), trips.central, trips.branch);
        }
      }
    }
  }
  fs::remove_all(options.work);
  return 0;
}

}  // namespace
}  // namespace velmora::bench

int main(int argc, char** argv) { return velmora::bench::benchMain(velmora::bench::run, argc, argv); }
