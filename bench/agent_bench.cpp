// The agent's throughput against the floor of the same data movement.
//
// Lays out a branch and head office HO1 as embedded servers, with P pending
// rows in every upload table at the branch and P undelivered rows in every
// download table at the head office, and measures on fresh copies of the
// laid-out files (median of several runs):
//   1. the 18 upload steps, rows per second, beside their floor;
//   2. the 30 download steps (master and staged), rows per second, beside
//      their floor;
//   3. an idle tick (nothing pending, tables full), beside the bare probes;
//   4. the agent's peak resident memory (velmora-agent --headless, one tick)
//      with M pending DPURCHASE rows;
//   5. round trips on the central connection per 1000 staged rows when the
//      head office is reached over ODBC (SQLite ODBC driver);
//   6. the whole process: velmora-agent --headless --ticks 1 with P pending
//      DPURCHASE rows less the same run with nothing pending, beside the
//      floor of the DPURCHASE upload step.
//
//   agent_bench [P] [--runs N] [--memory-rows M] [--work DIR] [--only LIST]
//               [--keep] [--reuse] [--no-floor]
// LIST is a comma-separated subset of upload,download,idle,process,memory,odbc.
// --keep leaves the work folder; --reuse measures on the folder laid out by
// an earlier --keep run of the same P; --no-floor runs the agent only (for
// profiling).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_floor.h"
#include "bench_support.h"
#include "cycle/step_table.h"
#include "cycle/sync_cycle.h"
#include "master_download/master_download.h"
#include "sample_company.h"
#include "shell/backend_router.h"
#include "shell/central_connection.h"
#include "shell/startup.h"
#include "sqlserver/sqlite_odbc_support.h"
#include "staged_download/staged_download.h"
#include "staged_upload/staged_upload.h"

namespace velmora::bench {
namespace {

namespace fs = std::filesystem;

constexpr const char* kQvid = "BENCH0012";  // site id 0012

struct Options {
  int rows = 20000;
  int runs = 3;
  int memoryRows = 200000;
  fs::path work = fs::temp_directory_path() / "velmora-bench";
  std::set<std::string> only;
  bool keep = false;
  bool reuse = false;    // keep a laid-out folder from an earlier --keep run
  bool noFloor = false;  // the agent only (for profiling)
  bool wants(const std::string& part) const { return only.empty() || only.count(part) > 0; }
};

// ---------------------------------------------------------------------------
// Layout.

sample::CompanyLayout benchLayout(const fs::path& home) {
  sample::CompanyLayout layout;
  layout.home = home;
  layout.companyPrefix = "ZEMRA";  // opens the site gate of METERIAL and OPERATORLog
  layout.branchNo = 7;
  layout.sampleRows = false;
  sample::HeadOfficeSpec office;
  office.serverName = "HO1";
  office.companyPrefix = "HOA";
  office.branchNo = 1;
  layout.headOffices.push_back(office);
  return layout;
}

FloorSites floorSites(const sample::CompanyLayout& layout) {
  FloorSites sites;
  sites.branchMain = sample::branchDatabase(layout, sample::SiteDatabase::kMain);
  sites.branchYear = sample::branchDatabase(layout, sample::SiteDatabase::kYear);
  sites.officeMain = sample::headOfficeDatabase(layout, "HO1", sample::SiteDatabase::kMain);
  sites.officeYear = sample::headOfficeDatabase(layout, "HO1", sample::SiteDatabase::kYear);
  sites.officeMainName = sample::mainDatabaseName("HOA");
  sites.officeYearName = sample::yearDatabaseName(layout, "HOA");
  sites.branchNo = std::to_string(layout.branchNo);
  return sites;
}

// Lays out the company, its files in WAL mode: the sample rows are added one
// statement at a time, and a WAL commit is an append.
void layOutWal(const sample::CompanyLayout& layout) {
  sample::layOutCompany(layout);
  for (auto database : {sample::SiteDatabase::kMain, sample::SiteDatabase::kYear}) {
    sample::execSql(sample::branchDatabase(layout, database), "PRAGMA journal_mode=WAL");
    sample::execSql(sample::headOfficeDatabase(layout, "HO1", database), "PRAGMA journal_mode=WAL");
  }
}

// Lays out the company with `rows` pending and undelivered rows per table.
void layOutFull(const fs::path& home, int rows) {
  const sample::CompanyLayout layout = benchLayout(home);
  layOutWal(layout);
  for (const sample::SampleTable& table : sample::kSampleTables) {
    if (table.uploaded) sample::addPendingRows(layout, table.name, rows);
    if (table.downloaded) sample::addUndeliveredRows(layout, "HO1", table.name, rows);
  }
}

// Runs `layOut` on a scratch folder and copies the result to `home`. The
// sample rows go in one statement at a time; on a memory file system their
// commits cost no disk flush. The measurements run on copies in the work
// folder.
template <typename LayOut>
void layOutVia(LayOut layOut, const fs::path& home) {
  const fs::path shm = "/dev/shm";
  if (!fs::is_directory(shm)) {
    layOut(home);
    return;
  }
  const fs::path scratch = shm / ("velmora-bench-" + std::to_string(getpid()));
  fs::remove_all(scratch);
  layOut(scratch);
  copyFolder(scratch, home);
  fs::remove_all(scratch);
}

// The same company with nothing to move: every branch row transferred and
// every head-office row delivered to this branch.
void makeIdle(const fs::path& home) {
  const sample::CompanyLayout layout = benchLayout(home);
  for (const sample::SampleTable& table : sample::kSampleTables) {
    const std::string name(table.name);
    if (table.uploaded) {
      sample::execSql(sample::branchDatabase(layout, table.database),
                      "UPDATE " + sqlName(name) + " SET Transfered='Y'");
    }
    if (table.downloaded) {
      sample::execSql(sample::headOfficeDatabase(layout, "HO1", table.database),
                      "UPDATE " + sqlName(name) + " SET BR" + std::to_string(layout.branchNo) + "='Y'");
    }
  }
}

// ---------------------------------------------------------------------------
// The agent over a copied folder.

class QuietView : public CycleView {
 public:
  void showServerCaption(const std::string&) override {}
  void showStepStatus(const std::string&) override {}
  void showErrorRows(const std::vector<ErrorDisplayRow>&) override {}
  void reportUnloggedFailure(const Failure& failure) override {
    std::cerr << "  unlogged failure: " << failure.description() << "\n";
  }
};

class BenchAgent {
 public:
  explicit BenchAgent(const fs::path& home) {
    context_ = std::make_unique<AgentContext>(shell::makeAgentConnector(home));
    shell::StartupOptions options;
    options.programFolder = home;
    options.environment = [](std::string_view name) -> std::optional<std::string> {
      if (name == shell::kSiteEnvironmentVariable) return std::string(kQvid);
      return std::nullopt;
    };
    const shell::StartupResult result = shell::runStartup(*context_, options);
    if (!result.ok) throw std::runtime_error("start-up failed: " + result.message);
  }

  AgentContext& context() { return *context_; }

  // Connects to the first head office as the cycle does before its steps.
  void connectHeadOffice() {
    const HeadOfficeRow& row = context_->headOffices.at(0);
    auto cell = [&](HeadOfficeColumn c) { return row[static_cast<std::size_t>(c)]; };
    context_->centralMain = std::make_unique<Connection>(context_->connector);
    context_->centralMain->setCursorLocation(CursorLocation::kClient);
    context_->centralMain->setCommandTimeout(720);
    const std::string yearName = context_->localYear.defaultDatabase();
    context_->cycle.centralYearDatabase = cell(HeadOfficeColumn::kCompId) + yearName.substr(yearName.size() - 4);
    CentralArguments args;
    args.user = cell(HeadOfficeColumn::kUserName);
    args.password = cell(HeadOfficeColumn::kPassword);
    args.mainDatabase = cell(HeadOfficeColumn::kCompId) + "MAIN";
    args.server = cell(HeadOfficeColumn::kServerName);
    args.port = "0";
    shell::connectCentral(*context_, args);
    if (!context_->cycle.centralConnected) throw std::runtime_error("cannot connect to the head office");
    context_->cycle.linkedServer = "[" + cell(HeadOfficeColumn::kServerName) + "]";
    context_->cycle.centralBranchNo = headOfficeBranchNumber(cell(HeadOfficeColumn::kBranch));
  }

  // Runs the steps of the step table whose family is in `families`, in
  // order. Returns the rows moved and the seconds the steps took.
  std::pair<long long, double> runSteps(const std::set<Family>& families) {
    long long rows = 0;
    double seconds = 0;
    for (const StepEntry& step : kStepTable) {
      if (!families.count(step.family)) continue;
      for (std::string_view table : {step.table, step.secondTable}) {
        if (table.empty()) continue;
        const auto start = Clock::now();
        long long moved = 0;
        switch (step.family) {
          case Family::kMasterDownload: moved = DownloadMaster(*context_, *findMasterMember(table)); break;
          case Family::kStagedUpload: moved = UploadStaged(*context_, table); break;
          case Family::kStagedDownload: moved = DownloadStaged(*context_, table); break;
        }
        const double took = secondsSince(start);
        seconds += took;
        rows += moved;
        stepSeconds[std::string(table) + (step.family == Family::kStagedUpload ? " up" : " down")] = took;
      }
    }
    return {rows, seconds};
  }

  std::map<std::string, double> stepSeconds;

 private:
  std::unique_ptr<AgentContext> context_;
};

void reportErrors(const fs::path& home, const char* what) {
  const sample::CompanyLayout layout = benchLayout(home);
  const auto rows = sample::querySql(sample::branchDatabase(layout, sample::SiteDatabase::kMain),
                                     "SELECT Module, MESSAGE FROM ERRTABLE");
  if (rows.empty()) return;
  std::cerr << "  warning: " << what << " wrote " << rows.size() << " error rows, e.g. " << rows[0][0] << ": "
            << rows[0][1] << "\n";
}

// ---------------------------------------------------------------------------
// Measurements.

struct Figure {
  long long rows = 0;
  double agentSeconds = 0;
  double floorSeconds = 0;
};

void printSteps(const std::vector<std::map<std::string, double>>& runs, const std::map<std::string, double>& floor) {
  std::printf("    %-22s %9s %9s\n", "step", "agent s", "floor s");
  for (const auto& [name, seconds] : runs.front()) {
    std::vector<double> all;
    for (const auto& run : runs) all.push_back(run.at(name));
    auto f = floor.find(name);
    std::printf("    %-22s %9.3f %9.3f\n", name.c_str(), median(all), f == floor.end() ? 0.0 : f->second);
  }
}

Figure measureTransfer(const Options& options, const fs::path& pristine, bool upload) {
  const std::set<Family> families =
      upload ? std::set<Family>{Family::kStagedUpload}
             : std::set<Family>{Family::kMasterDownload, Family::kStagedDownload};
  std::vector<double> agentTimes, floorTimes;
  std::vector<std::map<std::string, double>> stepRuns;
  std::map<std::string, double> floorSteps;
  Figure figure;
  for (int run = 0; run < options.runs; ++run) {
    const fs::path home = options.work / (upload ? "upload-agent" : "download-agent");
    copyFolder(pristine, home);
    {
      BenchAgent agent(home);
      agent.connectHeadOffice();
      const auto [rows, seconds] = agent.runSteps(families);
      figure.rows = rows;
      agentTimes.push_back(seconds);
      stepRuns.push_back(agent.stepSeconds);
    }
    reportErrors(home, upload ? "the upload" : "the download");
    if (options.noFloor) continue;

    const fs::path floorHome = options.work / (upload ? "upload-floor" : "download-floor");
    copyFolder(pristine, floorHome);
    const FloorSites sites = floorSites(benchLayout(floorHome));
    FloorConnection mainPair(sites.branchMain, sites.officeMain);
    FloorConnection yearPair(sites.branchYear, sites.officeYear);
    if (!upload) masterFloorIndexes(mainPair, sites);
    long long floorRows = 0;
    const auto start = Clock::now();
    for (const StepEntry& step : kStepTable) {
      if (!families.count(step.family)) continue;
      FloorConnection& pair = step.pair == Pair::kMain ? mainPair : yearPair;
      for (std::string_view table : {step.table, step.secondTable}) {
        if (table.empty()) continue;
        const auto stepStart = Clock::now();
        switch (step.family) {
          case Family::kStagedUpload:
            if (!siteGateOpen(*findUploadMember(table), "ZEMRA")) break;
            floorRows += uploadFloor(pair, sites, *findUploadMember(table));
            break;
          case Family::kMasterDownload: floorRows += masterFloor(pair, sites, *findMasterMember(table)); break;
          case Family::kStagedDownload:
            floorRows += stagedDownloadFloor(pair, sites, *findDownloadMember(table));
            break;
        }
        floorSteps[std::string(table) + (step.family == Family::kStagedUpload ? " up" : " down")] =
            secondsSince(stepStart);
      }
    }
    floorTimes.push_back(secondsSince(start));
    if (floorRows != figure.rows) {
      std::cerr << "  note: the floor moved " << floorRows << " rows, the agent " << figure.rows << "\n";
    }
  }
  figure.agentSeconds = median(agentTimes);
  figure.floorSeconds = median(floorTimes);
  std::printf("  per step (median of agent runs, last floor run):\n");
  printSteps(stepRuns, floorSteps);
  return figure;
}

Figure measureIdle(const Options& options, const fs::path& pristine) {
  std::vector<double> agentTimes, floorTimes;
  const fs::path home = options.work / "idle";
  copyFolder(pristine, home);
  const int ticks = std::max(options.runs, 5);
  {
    BenchAgent agent(home);
    QuietView view;
    SyncCycle cycle(agent.context(), view, shell::connectCentral);
    cycle.tick();  // warms the file cache
    for (int i = 0; i < ticks; ++i) {
      const auto start = Clock::now();
      cycle.tick();
      agentTimes.push_back(secondsSince(start));
    }
  }
  reportErrors(home, "the idle tick");

  const FloorSites sites = floorSites(benchLayout(home));
  FloorConnection mainPair(sites.branchMain, sites.officeMain);
  FloorConnection yearPair(sites.branchYear, sites.officeYear);
  std::vector<std::pair<FloorConnection*, std::string>> probes;  // (pair, probe at the head office?)
  std::vector<bool> atOffice;
  const std::string n = sites.branchNo;
  for (const StepEntry& step : kStepTable) {
    FloorConnection* pair = step.pair == Pair::kMain ? &mainPair : &yearPair;
    for (std::string_view table : {step.table, step.secondTable}) {
      if (table.empty()) continue;
      switch (step.family) {
        case Family::kStagedUpload:
          probes.emplace_back(pair, probeStatement(*findUploadMember(table)));
          atOffice.push_back(false);
          break;
        case Family::kMasterDownload:
          probes.emplace_back(pair, masterProbe(*findMasterMember(table), n));
          atOffice.push_back(true);
          break;
        case Family::kStagedDownload:
          probes.emplace_back(pair, probeStatement(*findDownloadMember(table), n));
          atOffice.push_back(true);
          break;
      }
    }
  }
  for (std::size_t i = 0; i < probes.size(); ++i) probes[i].first->probe(probes[i].second, atOffice[i]);
  for (int i = 0; i < ticks; ++i) {
    const auto start = Clock::now();
    for (std::size_t p = 0; p < probes.size(); ++p) {
      if (probes[p].first->probe(probes[p].second, atOffice[p])) std::cerr << "  idle probe found a row\n";
    }
    floorTimes.push_back(secondsSince(start));
  }
  Figure figure;
  figure.rows = static_cast<long long>(probes.size());
  figure.agentSeconds = median(agentTimes);
  figure.floorSeconds = median(floorTimes);
  return figure;
}

// ---------------------------------------------------------------------------
// Peak memory of the agent process.

struct MemoryFigure {
  long long peakKb = 0;       // VmHWM of the agent, polled
  long long maxRssKb = 0;     // getrusage(RUSAGE_CHILDREN)
  long long benchRssKb = 0;   // this program's own resident size at the spawn
  double seconds = 0;
  long long staged = 0;
};

long long statusKb(pid_t pid, const char* key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) == 0) return std::atoll(line.c_str() + std::string(key).size());
  }
  return 0;
}

fs::path agentBinary() {
  return fs::read_symlink("/proc/self/exe").parent_path() / "velmora-agent";
}

// One run of `velmora-agent --headless --ticks 1 --interval-ms 0` over
// `home` as a child process: its wall time and peak resident memory.
struct ProcessRun {
  double seconds = 0;
  long long peakKb = 0;    // VmHWM, polled every 5 ms
  long long maxRssKb = 0;  // getrusage(RUSAGE_CHILDREN): the largest child so far
};

ProcessRun runAgentProcess(const fs::path& home, const fs::path& log) {
  const std::string binary = agentBinary().string();
  const std::string homeText = home.string();
  std::fflush(nullptr);  // the child must not inherit unwritten output
  ProcessRun result;
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("QVID", kQvid, 1);
    if (!freopen(log.c_str(), "w", stdout)) _exit(126);
    execl(binary.c_str(), binary.c_str(), "--home", homeText.c_str(), "--headless", "--ticks", "1",
          "--interval-ms", "0", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  for (;;) {
    result.peakKb = std::max(result.peakKb, statusKb(pid, "VmHWM:"));
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  result.seconds = secondsSince(start);
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  result.maxRssKb = usage.ru_maxrss;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("velmora-agent failed, see " + log.string());
  return result;
}

// Lays out (through a scratch folder) the bench company with `pending`
// pending DPURCHASE rows and nothing else to move.
void layOutPendingPurchases(const fs::path& home, int pending) {
  layOutVia(
      [&](const fs::path& scratch) {
        const sample::CompanyLayout scratchLayout = benchLayout(scratch);
        layOutWal(scratchLayout);
        if (pending > 0) sample::addPendingRows(scratchLayout, "DPURCHASE", pending);
      },
      home);
}

MemoryFigure measureMemory(const Options& options) {
  const fs::path home = options.work / "memory";
  const sample::CompanyLayout layout = benchLayout(home);
  layOutPendingPurchases(home, options.memoryRows);

  MemoryFigure figure;
  figure.benchRssKb = statusKb(getpid(), "VmRSS:");
  const ProcessRun run = runAgentProcess(home, options.work / "memory-agent.log");
  figure.peakKb = run.peakKb;
  figure.maxRssKb = run.maxRssKb;
  figure.seconds = run.seconds;
  figure.staged = sample::countRows(sample::headOfficeDatabase(layout, "HO1", sample::SiteDatabase::kYear), "DPURCHASE");
  reportErrors(home, "the agent process");
  return figure;
}

// ---------------------------------------------------------------------------
// The whole process: the agent's run with P pending DPURCHASE rows, less its
// run with nothing pending (start-up and an idle tick), against the floor of
// the DPURCHASE upload step.

Figure measureProcess(const Options& options) {
  const fs::path pending = options.work / "process-pending";
  const fs::path idle = options.work / "process-idle";
  layOutPendingPurchases(pending, options.rows);
  layOutPendingPurchases(idle, 0);
  std::vector<double> busyTimes, idleTimes, floorTimes;
  Figure figure;
  const UploadMember& member = *findUploadMember("DPURCHASE");
  for (int run = 0; run < options.runs; ++run) {
    const fs::path home = options.work / "process-run";
    copyFolder(pending, home);
    busyTimes.push_back(runAgentProcess(home, options.work / "process-agent.log").seconds);
    reportErrors(home, "the agent process");
    figure.rows = sample::countRows(
        sample::headOfficeDatabase(benchLayout(home), "HO1", sample::SiteDatabase::kYear), "DPURCHASE");
    copyFolder(idle, home);
    idleTimes.push_back(runAgentProcess(home, options.work / "process-agent.log").seconds);

    copyFolder(pending, home);
    const FloorSites sites = floorSites(benchLayout(home));
    FloorConnection yearPair(sites.branchYear, sites.officeYear);
    const auto start = Clock::now();
    const long long floorRows = uploadFloor(yearPair, sites, member);
    floorTimes.push_back(secondsSince(start));
    if (floorRows != figure.rows) {
      std::cerr << "  note: the floor moved " << floorRows << " rows, the agent " << figure.rows << "\n";
    }
  }
  std::printf("  process with P pending %.3f s, with nothing pending %.3f s (medians)\n", median(busyTimes),
              median(idleTimes));
  figure.agentSeconds = median(busyTimes) - median(idleTimes);
  figure.floorSeconds = median(floorTimes);
  return figure;
}

// ---------------------------------------------------------------------------
// Round trips of the row-copy loop when the head office is reached over ODBC.

struct TripsFigure {
  long long rows = 0;
  std::size_t centralTrips = 0;
  double seconds = 0;
};

// The row-copy loop of the upload (as the staged upload runs it) of
// DPURCHASE from the branch into a staging table that the head office's
// year file holds, reached through the SQLite ODBC driver.
TripsFigure measureOdbcTrips(const Options& options, const fs::path& pristine) {
  const fs::path home = options.work / "odbc";
  copyFolder(pristine, home);
  const sample::CompanyLayout layout = benchLayout(home);
  const FloorSites sites = floorSites(layout);
  {
    Sqlite office(sites.officeYear);
    auto create = office.query("SELECT sql FROM sqlite_master WHERE name='DPURCHASE'");
    office.exec("DROP TABLE IF EXISTS CentralizedData0012; CREATE TABLE CentralizedData0012 " +
                create.at(0).at(0).substr(create[0][0].find('(')));
  }
  BenchAgent agent(home);
  AgentContext& context = agent.context();

  OdbcOptions odbc;
  odbc.driver = testing::kSqliteOdbcDriver;
  const fs::path officeFile = sites.officeYear;
  odbc.buildConnectionString = [officeFile](const ConnectionParams&) {
    return std::string("Driver=") + testing::kSqliteOdbcDriver + ";Database=" + officeFile.string() +
           ";Timeout=60000;NoWCHAR=1;BigInt=1;NoCreat=1;";
  };
  odbc.rewriteStatement = testing::sqliteDialect;
  Connection central(std::make_shared<OdbcConnector>(odbc));
  central.setCursorLocation(CursorLocation::kClient);
  central.open("Provider=SQLOLEDB.1;UID=sa;pwd=x;Initial Catalog=" + sites.officeYearName + ";Data Source=HO1");

  const UploadMember& member = *findUploadMember("DPURCHASE");
  const FieldMap& map = *findFieldMap("DPURCHASE");
  Connection& local = context.localYear;
  local.beginTrans();
  central.beginTrans();
  Recordset source;
  source.open(sourceStatement(member), local, CursorType::kStatic, LockType::kOptimistic);
  Recordset staging;
  staging.open(stagingRowsStatement(context.settings), central, CursorType::kStatic, LockType::kOptimistic);

  struct Resolved {
    Conversion conversion;
    std::size_t source, target;
  };
  std::vector<Resolved> resolved;
  for (auto part : {map.own, map.trail}) {
    for (const Assignment& a : part) {
      resolved.push_back({a.conversion, a.conversion == Conversion::kBlank ? 0 : source.fieldIndex(a.source),
                          staging.fieldIndex(a.target)});
    }
  }
  const std::size_t transfered = source.fieldIndex("Transfered");
  const std::size_t transferedDate = source.fieldIndex("TransferedDate");
  const std::size_t transferedTime = source.fieldIndex("TransferedTime");

  TripsFigure figure;
  const std::size_t before = central.session().roundTrips();
  const auto start = Clock::now();
  static const Value kNoSource;
  while (!source.eof()) {
    staging.addNew();
    for (const Resolved& r : resolved) {
      const Value& value = r.conversion == Conversion::kBlank ? kNoSource : source.field(r.source);
      if (auto converted = convertColumnValue(r.conversion, value)) staging.setField(r.target, std::move(*converted));
    }
    staging.update();
    const DateTime now = context.clock->now();
    source.setField(transfered, Value::text("Y"));
    source.setField(transferedDate, Value::text(dateText(now)));
    source.setField(transferedTime, Value::text(timeText(now)));
    source.moveNext();
    ++figure.rows;
  }
  central.commitTrans();  // flushes the last batch
  figure.centralTrips = central.session().roundTrips() - before;
  figure.seconds = secondsSince(start);
  local.commitTrans();
  const long long arrived = sample::countRows(sites.officeYear, "CentralizedData0012");
  if (arrived != figure.rows) std::cerr << "  warning: " << arrived << " of " << figure.rows << " rows arrived\n";
  return figure;
}

// ---------------------------------------------------------------------------

std::string readFirstLine(const char* file, const char* key) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) == 0) return line.substr(line.find(':') + 2);
  }
  return "?";
}

Options parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&]() -> std::string {
      if (i + 1 >= argc) throw std::runtime_error(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--runs") options.runs = std::max(1, std::stoi(next()));
    else if (arg == "--memory-rows") options.memoryRows = std::max(1, std::stoi(next()));
    else if (arg == "--work") options.work = next();
    else if (arg == "--keep") options.keep = true;
    else if (arg == "--reuse") options.reuse = options.keep = true;
    else if (arg == "--no-floor") options.noFloor = true;
    else if (arg == "--only") {
      std::stringstream list(next());
      for (std::string part; std::getline(list, part, ',');) options.only.insert(part);
    } else if (arg == "--help") {
      std::puts("agent_bench [P] [--runs N] [--memory-rows M] [--work DIR] [--only LIST] [--keep] [--reuse] "
                "[--no-floor]");
      std::exit(0);
    } else {
      options.rows = std::max(1, std::stoi(arg));
    }
  }
  return options;
}

int run(int argc, char** argv) {
  const Options options = parse(argc, argv);
  fs::create_directories(options.work);
  std::printf("agent_bench: P=%d, %d runs, %u cores, %s\n", options.rows, options.runs,
              std::thread::hardware_concurrency(), readFirstLine("/proc/cpuinfo", "model name").c_str());
  std::fflush(stdout);

  const fs::path pristine = options.work / "pristine";
  const fs::path idle = options.work / "pristine-idle";
  const bool reused = options.reuse && fs::exists(pristine / "servers.txt");
  if (!reused &&
      (options.wants("upload") || options.wants("download") || options.wants("idle") || options.wants("odbc"))) {
    const auto start = Clock::now();
    layOutVia([&](const fs::path& home) { layOutFull(home, options.rows); }, pristine);
    std::printf("laid out in %.1f s\n", secondsSince(start));
    std::fflush(stdout);
  }

  std::vector<std::string> table;
  auto row = [&](const char* what, const std::string& agent, const std::string& floor, const std::string& ratio,
                 const char* target) {
    char line[256];
    std::snprintf(line, sizeof line, "| %-44s | %18s | %18s | %7s | %-8s |", what, agent.c_str(), floor.c_str(),
                  ratio.c_str(), target);
    table.emplace_back(line);
    std::printf("%s\n", line);
    std::fflush(stdout);
  };
  auto text = [](const char* format, double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, v);
    return std::string(buffer);
  };

  if (options.wants("upload")) {
    std::printf("upload tick:\n");
    const Figure f = measureTransfer(options, pristine, true);
    row(("upload tick, " + std::to_string(f.rows) + " rows (rows/s)").c_str(),
        text("%.0f", f.rows / f.agentSeconds) + text(" (%.2f s)", f.agentSeconds),
        text("%.0f", f.rows / f.floorSeconds) + text(" (%.2f s)", f.floorSeconds),
        text("%.2f", f.agentSeconds / f.floorSeconds), "<= 2");
  }
  if (options.wants("download")) {
    std::printf("download tick:\n");
    const Figure f = measureTransfer(options, pristine, false);
    row(("download tick, " + std::to_string(f.rows) + " rows (rows/s)").c_str(),
        text("%.0f", f.rows / f.agentSeconds) + text(" (%.2f s)", f.agentSeconds),
        text("%.0f", f.rows / f.floorSeconds) + text(" (%.2f s)", f.floorSeconds),
        text("%.2f", f.agentSeconds / f.floorSeconds), "<= 1.5");
  }
  if (options.wants("idle")) {
    copyFolder(pristine, idle);
    makeIdle(idle);
    std::printf("idle tick:\n");
    const Figure f = measureIdle(options, idle);
    row(("idle tick, " + std::to_string(f.rows) + " probes (ms)").c_str(), text("%.1f", f.agentSeconds * 1000),
        text("%.1f", f.floorSeconds * 1000), text("%.2f", f.agentSeconds / f.floorSeconds), "<= 1.5");
  }
  if (options.wants("odbc")) {
    std::printf("ODBC copy loop:\n");
    const TripsFigure f = measureOdbcTrips(options, pristine);
    row(("ODBC copy loop, " + std::to_string(f.rows) + " DPURCHASE rows (trips/1000)").c_str(),
        text("%.2f", 1000.0 * static_cast<double>(f.centralTrips) / static_cast<double>(f.rows)) +
            text(" (%.0f rows/s)", f.rows / f.seconds),
        "-", "-", "<= 2");
  }
  if (options.wants("process")) {
    std::printf("whole process, DPURCHASE upload:\n");
    const Figure f = measureProcess(options);
    row(("process less idle, " + std::to_string(f.rows) + " DPURCHASE (s)").c_str(),
        text("%.2f", f.agentSeconds), text("%.2f", f.floorSeconds), text("%.2f", f.agentSeconds / f.floorSeconds),
        "<= 1.5");
  }
  if (options.wants("memory")) {
    std::printf("peak memory:\n");
    const MemoryFigure f = measureMemory(options);
    row(("agent peak RSS, " + std::to_string(options.memoryRows) + " pending DPURCHASE (MB)").c_str(),
        text("%.1f", f.peakKb / 1024.0) + text(" (%.1f s)", f.seconds), "-", "-", "< 50");
    std::printf("  getrusage maxrss %.1f MB (bench itself %.1f MB when it started the agent); %lld rows arrived\n",
                f.maxRssKb / 1024.0, f.benchRssKb / 1024.0, f.staged);
  }

  std::printf("\n| %-44s | %18s | %18s | %7s | %-8s |\n", "measure", "agent", "floor", "ratio", "target");
  std::printf("|%s|%s|%s|%s|%s|\n", std::string(46, '-').c_str(), std::string(20, '-').c_str(),
              std::string(20, '-').c_str(), std::string(9, '-').c_str(), std::string(10, '-').c_str());
  for (const std::string& line : table) std::printf("%s\n", line.c_str());
  if (!options.keep) fs::remove_all(options.work);
  return 0;
}

}  // namespace
}  // namespace velmora::bench

int main(int argc, char** argv) { return velmora::bench::benchMain(velmora::bench::run, argc, argv); }
