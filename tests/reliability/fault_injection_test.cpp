// Fault injection: in a tick where every upload table has pending rows and
// every download table has undelivered rows, the k-th database operation
// fails as a broken link. For every k, clean ticks afterwards must reach the
// state a fault-free run reaches, and the failure must have been recorded
// where the agent records failures.
//
// VELMORA_FAULT_STRIDE=j runs every j-th injection point plus every begin,
// commit and connect and the operation before each begin (default 16, about
// a fifth of the points); j=1 runs them all (scripts/crash-soak does).
// VELMORA_FAULT_POINTS=k1,k2,... runs only those points.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <set>

#include "reliability/company_state.h"
#include "reliability/operation_trace.h"
#include "support/agent_run.h"
#include "support/faulty_connector.h"

namespace velmora {
namespace {

using reliability::CompanyState;
using reliability::TracedOperation;
using reliability::TracingConnector;
using sample::countRows;
using testing::AgentRun;
using testing::FaultyConnector;
using testing::TempFolder;

constexpr int kMaxCleanTicks = 8;
constexpr std::size_t kDefaultStride = 16;
constexpr std::string_view kInjectedText = "General network error";
constexpr std::string_view kOperatorLogStep = " Processing OPERATORLOG UPLOAD ";

sample::CompanyLayout companyAt(const std::filesystem::path& home) {
  sample::CompanyLayout layout = testing::defaultLayout(home, 7, true);
  layout.companyPrefix = "ZEMRA";  // lets METERIAL and OPERATORLog run
  return layout;
}

// Runs one tick; true when some step moved rows.
bool tickMoved(AgentRun& agent) {
  const std::size_t before = agent.view.moved.size();
  agent.tick();
  for (std::size_t i = before; i < agent.view.moved.size(); ++i) {
    const std::string& entry = agent.view.moved[i];
    if (entry.substr(entry.rfind(' ') + 1) != "0") return true;
  }
  return false;
}

// Clean ticks until one moves nothing; the number of ticks run.
int ticksUntilQuiet(AgentRun& agent) {
  for (int n = 1; n <= kMaxCleanTicks; ++n) {
    if (!tickMoved(agent)) return n;
  }
  return kMaxCleanTicks + 1;
}

long long errorRows(const sample::CompanyLayout& layout, std::string_view where = "") {
  long long n = countRows(sample::branchDatabase(layout, sample::SiteDatabase::kMain), "ERRTABLE",
                          where);
  n += countRows(sample::headOfficeDatabase(layout, "HO1", sample::SiteDatabase::kMain),
                 "ERRTABLE", where);
  return n;
}

// Where operation i of the trace stands in its step: true when both
// transactions of the step are open and neither has committed, so that a
// failure there is the step's own and becomes an error row with its label.
std::vector<bool> insideTransactions(const std::vector<TracedOperation>& trace) {
  std::vector<bool> inside(trace.size(), false);
  std::string step;
  int begins = 0, commits = 0;
  for (std::size_t i = 0; i < trace.size(); ++i) {
    if (trace[i].step != step || commits == 2) {
      step = trace[i].step;
      begins = commits = 0;
    }
    inside[i] = begins == 2 && commits == 0;
    if (trace[i].operation == "begin") ++begins;
    if (trace[i].operation == "commit") ++commits;
  }
  return inside;
}

// The injection points to run: all when `stride` is 1; otherwise every
// `stride`-th, plus every begin, commit and connect and the operation just
// before each begin (the last one outside the transactions).
std::vector<std::size_t> injectionPoints(const std::vector<TracedOperation>& trace,
                                         std::size_t stride) {
  std::set<std::size_t> points;
  for (std::size_t k = 1; k <= trace.size(); k += stride) points.insert(k);
  for (std::size_t k = 1; k <= trace.size(); ++k) {
    const std::string& op = trace[k - 1].operation;
    if (op == "begin" || op == "commit" || op == "connect") points.insert(k);
    if (op == "begin" && k >= 2 && trace[k - 2].operation != "begin") points.insert(k - 1);
  }
  return {points.begin(), points.end()};
}

class FaultInjection : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    const sample::CompanyLayout pristine = companyAt(folder_->path() / "pristine");
    sample::layOutCompany(pristine);
    // A layout has rows pending in every upload table and undelivered in
    // every download table; the suite depends on it.
    for (const sample::SampleTable& table : sample::kSampleTables) {
      if (table.uploaded) {
        ASSERT_GT(countRows(sample::branchDatabase(pristine, table.database), table.name,
                            "ifnull(Transfered,'')<>'Y'"),
                  0)
            << table.name;
      }
      if (table.downloaded) {
        ASSERT_GT(countRows(sample::headOfficeDatabase(pristine, "HO1", table.database),
                            table.name, "ifnull(BR7,'')<>'Y'"),
                  0)
            << table.name;
      }
    }

    const sample::CompanyLayout reference = copyPristine("reference");
    TracingConnector* tracing = nullptr;
    AgentRun agent(reference.home, "0012", [&](std::shared_ptr<Connector> inner) {
      auto t = std::make_shared<TracingConnector>(std::move(inner));
      tracing = t.get();
      return t;
    });
    tracing->setStepSource([&agent] {
      return agent.view.statuses.empty() ? std::string() : agent.view.statuses.back();
    });
    tracing->clear();
    ASSERT_TRUE(tickMoved(agent));
    trace_ = new std::vector<TracedOperation>(tracing->trace());
    referenceTicks_ = 1 + ticksUntilQuiet(agent);
    ASSERT_LE(referenceTicks_, kMaxCleanTicks);
    ASSERT_EQ(errorRows(reference), 0);
    reference_ = new CompanyState(reliability::readCompanyState(reference));
  }

  static void TearDownTestSuite() {
    delete reference_;
    delete trace_;
    delete folder_;
  }

  // A fresh copy of the pristine company under `name`.
  static sample::CompanyLayout copyPristine(const std::string& name) {
    const auto home = folder_->path() / name;
    std::filesystem::remove_all(home);
    std::filesystem::copy(folder_->path() / "pristine", home,
                          std::filesystem::copy_options::recursive);
    return companyAt(home);
  }

  // Runs injection point k; returns the problems found (empty when none).
  static std::vector<std::string> runPoint(std::size_t k, const std::vector<bool>& inside,
                                           bool& operatorLogResent) {
    std::vector<std::string> problems;
    const TracedOperation& op = (*trace_)[k - 1];
    const std::string where = "k=" + std::to_string(k) + " [" + op.step + "] " +
                              op.operation.substr(0, 80) + ": ";
    const sample::CompanyLayout layout = copyPristine("run");
    FaultyConnector* faulty = nullptr;
    AgentRun agent(layout.home, "0012", [&](std::shared_ptr<Connector> inner) {
      auto f = std::make_shared<FaultyConnector>(std::move(inner));
      faulty = f.get();
      return f;
    });
    faulty->failAt(k);
    const std::size_t captionsBefore = agent.view.captions.size();
    agent.tick();
    const bool fired = faulty->fired();
    faulty->failAt(0);
    if (!fired) {
      problems.push_back(where + "the fault did not strike");
      return problems;
    }

    // The failure is recorded as the agent records failures.
    bool failureCaption = false;
    for (std::size_t i = captionsBefore; i < agent.view.captions.size(); ++i) {
      if (agent.view.captions[i].ends_with(" Failure.")) failureCaption = true;
    }
    const long long rows = errorRows(layout);
    const long long ownRows =
        errorRows(layout, "Module NOT IN ('MAINERROR','CONNECTION') AND MESSAGE LIKE '%" +
                              std::string(kInjectedText) + "%'");
    const long long connectionRows = errorRows(layout, "Module='CONNECTION'");
    if (inside[k - 1]) {
      if (rows != 1 || ownRows != 1 || failureCaption) {
        problems.push_back(where + "expected one error row with the step's label, got " +
                           std::to_string(rows) + " rows (" + std::to_string(ownRows) +
                           " of the step), failure caption " + std::to_string(failureCaption));
      }
    } else if (op.operation == "connect" && op.step.empty()) {
      if (rows != 1 || connectionRows != 1) {
        problems.push_back(where + "expected one CONNECTION row, got " + std::to_string(rows));
      }
    } else if (rows != 0 || (!failureCaption && agent.view.unlogged.empty())) {
      problems.push_back(where + "expected the caption verdict \" Failure.\" and no error row, got " +
                         std::to_string(rows) + " rows, failure caption " +
                         std::to_string(failureCaption));
    }

    // Clean ticks converge on the fault-free state.
    const int ticks = ticksUntilQuiet(agent);
    if (ticks > kMaxCleanTicks) problems.push_back(where + "no quiet tick");
    const CompanyState state = reliability::readCompanyState(layout);
    auto diffs = reliability::differences(*reference_, state);
    // The one documented exception: the head office committed the operator
    // log and the branch did not, so the next tick sends the rows again and,
    // with no replacement for that table, the head office holds them twice.
    const bool branchCommitOfOperatorLog =
        op.step == kOperatorLogStep && op.operation == "commit" && k >= 2 &&
        (*trace_)[k - 2].operation == "commit";
    if (branchCommitOfOperatorLog) {
      auto it = diffs.find("HO1 OPERATORLog");
      const long long sent =
          countRows(sample::branchDatabase(companyAt(folder_->path() / "pristine"),
                                           sample::SiteDatabase::kMain),
                    "OPERATORLog", "ifnull(Transfered,'')<>'Y'");
      if (it == diffs.end() || static_cast<long long>(it->second.extra.size()) != sent ||
          !reliability::onlyRepeatedRows(it->second, reference_->at("HO1 OPERATORLog"))) {
        problems.push_back(where + "expected the operator log rows once more at the head office");
      } else {
        operatorLogResent = true;
        diffs.erase(it);
      }
    }
    if (!diffs.empty()) problems.push_back(where + "state differs:\n" + reliability::describe(diffs));
    return problems;
  }

  static TempFolder* folder_;
  static std::vector<TracedOperation>* trace_;
  static CompanyState* reference_;
  static int referenceTicks_;
};

TempFolder* FaultInjection::folder_ = nullptr;
std::vector<TracedOperation>* FaultInjection::trace_ = nullptr;
CompanyState* FaultInjection::reference_ = nullptr;
int FaultInjection::referenceTicks_ = 0;

TEST_F(FaultInjection, EveryFailedOperationOfATickConvergesToTheFaultFreeState) {
  ASSERT_NE(trace_, nullptr);
  const std::size_t n = trace_->size();
  ASSERT_GT(n, 100u);
  std::size_t stride = kDefaultStride;
  if (const char* s = std::getenv("VELMORA_FAULT_STRIDE")) stride = std::max(1, std::atoi(s));
  const std::vector<bool> inside = insideTransactions(*trace_);
  std::vector<std::size_t> points = injectionPoints(*trace_, stride);
  if (const char* only = std::getenv("VELMORA_FAULT_POINTS")) {  // e.g. "12,40": reproduce
    points.clear();
    for (const char* p = only; *p != '\0';) {
      char* end = nullptr;
      const unsigned long k = std::strtoul(p, &end, 10);
      if (end == p) break;
      if (k >= 1 && k <= n) points.push_back(k);
      p = *end == ',' ? end + 1 : end;
    }
  }

  const auto started = std::chrono::steady_clock::now();
  std::vector<std::string> problems;
  int operatorLogResent = 0;
  for (std::size_t k : points) {
    bool resent = false;
    try {
      for (std::string& p : runPoint(k, inside, resent)) {
        if (std::getenv("VELMORA_FAULT_VERBOSE") != nullptr) std::cout << p << std::endl;
        problems.push_back(std::move(p));
      }
    } catch (const std::exception& e) {
      problems.push_back("k=" + std::to_string(k) + ": " + e.what());
    }
    operatorLogResent += resent ? 1 : 0;
  }
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started);
  std::cout << "[ fault    ] " << points.size() << " of " << n
            << " injection points run (stride " << stride << "), reference converged in "
            << referenceTicks_ << " ticks, operator log re-sent at " << operatorLogResent
            << " point(s), " << seconds.count() << " s\n";
  // The documented duplicate must actually be exercised by the run.
  EXPECT_EQ(operatorLogResent, 1);
  for (std::size_t i = 0; i < problems.size() && i < 25; ++i) ADD_FAILURE() << problems[i];
  EXPECT_TRUE(problems.empty()) << problems.size() << " problems";
}

}  // namespace
}  // namespace velmora
