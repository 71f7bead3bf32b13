// Staging inserts per second on the embedded path: rows added with
// AddNew/Update on a static recordset inside one transaction, which the
// embedded backend sends through one reused prepared INSERT, against the
// same rows sent one INSERT statement each (parsed and prepared per row).
// Prints the median of five runs of each.
//
//   embedded_staging_inserts [ROWS]      (default 20000)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "backends/embedded/embedded_connector.h"
#include "bench_support.h"
#include "transfer/failure.h"

namespace velmora::bench {
namespace {

constexpr int kRuns = 5;
constexpr const char* kTable =
    "CREATE TABLE CentralizedData0012(Rno INTEGER PRIMARY KEY AUTOINCREMENT, Code INTEGER, "
    "Name VARCHAR(40) COLLATE NOCASE, Active VARCHAR(1) COLLATE NOCASE, Amount NUMERIC(18,2), "
    "Updated DATETIME, Transfered VARCHAR(1))";

struct RunResult {
  double seconds = 0;
  std::size_t roundTrips = 0;
};

RunResult stageRows(bool reused, int rows) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("velmora-embedded-inserts-" + std::to_string(rand()));
  std::filesystem::create_directories(folder);
  {
    sqlite3* db = nullptr;
    sqlite3_open((folder / "HEADOFFICE.db").c_str(), &db);
    sqlite3_exec(db, kTable, nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  RunResult result;
  {
    EmbeddedConnector connector({{"HO", folder}});
    auto session = connector.connect("Provider=SQLOLEDB.1;UID=sa;pwd=x;Initial Catalog=HEADOFFICE;Data Source=HO", 30);
    const auto start = Clock::now();
    const std::size_t before = session->roundTrips();
    session->beginTransaction();
    if (reused) {
      auto staging = session->openCursor("Select * from CentralizedData0012 ", CursorType::kStatic,
                                         LockType::kOptimistic, CursorLocation::kClient);
      for (int i = 0; i < rows; ++i) {
        staging->addNew();
        staging->set(1, Value::integer(i));
        staging->set(2, Value::text("Customer " + std::to_string(i)));
        staging->set(3, Value::text("Y"));
        staging->set(4, Value::decimal(std::to_string(i) + ".25"));
        staging->set(5, Value::dateTime(DateTime{2026, 4, 1 + i % 28, 10, 0, 0, 0}));
        staging->set(6, Value::text(""));
        staging->update();
      }
    } else {
      for (int i = 0; i < rows; ++i) {
        session->execute("Insert into CentralizedData0012 (Code,Name,Active,Amount,Updated,Transfered) Values (" +
                         std::to_string(i) + ",'Customer " + std::to_string(i) + "','Y'," + std::to_string(i) +
                         ".25,'2026-04-" + (1 + i % 28 < 10 ? "0" : "") + std::to_string(1 + i % 28) +
                         " 10:00:00','')");
      }
    }
    session->commit();
    result.seconds = secondsSince(start);
    result.roundTrips = session->roundTrips() - before;
  }
  std::filesystem::remove_all(folder);
  return result;
}

RunResult medianRun(std::vector<RunResult> runs) {
  std::sort(runs.begin(), runs.end(), [](const RunResult& a, const RunResult& b) { return a.seconds < b.seconds; });
  return runs[runs.size() / 2];
}

}  // namespace
}  // namespace velmora::bench

int main(int argc, char** argv) {
  using namespace velmora::bench;
  const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
  std::printf("Staging inserts on the embedded backend, %d rows, median of %d runs\n\n", rows, kRuns);
  std::printf("%-30s %12s %12s %14s\n", "mode", "round trips", "seconds", "rows/second");
  try {
    double rates[2] = {0, 0};
    for (bool reused : {true, false}) {
      std::vector<RunResult> runs;
      for (int run = 0; run < kRuns; ++run) runs.push_back(stageRows(reused, rows));
      const RunResult m = medianRun(runs);
      const double rate = m.seconds > 0 ? rows / m.seconds : 0;
      rates[reused ? 0 : 1] = rate;
      std::printf("%-30s %12zu %12.3f %14.0f\n",
                  reused ? "recordset (reused statement)" : "one INSERT text per row", m.roundTrips, m.seconds,
                  rate);
    }
    if (rates[1] > 0) std::printf("\nreused / one by one: %.2fx\n", rates[0] / rates[1]);
  } catch (const velmora::Failure& failure) {
    std::fprintf(stderr, "failed: %d - %s\n", failure.number(), failure.description().c_str());
    return 1;
  }
  return 0;
}
