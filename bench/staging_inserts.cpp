// Staging inserts per second on the ODBC path (through the SQLite ODBC
// driver): rows added with AddNew/Update inside one transaction, sent in
// batches through parameter arrays versus one execution per row. Prints the
// median of five runs of each.
//
//   staging_inserts [ROWS]      (default 20000)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sqlserver/sqlite_odbc_support.h"
#include "transfer/failure.h"

namespace {

using velmora::CursorLocation;
using velmora::CursorType;
using velmora::DateTime;
using velmora::LockType;
using velmora::Value;

constexpr int kRuns = 5;

struct RunResult {
  double seconds = 0;
  std::size_t roundTrips = 0;
};

RunResult stageRows(std::size_t batchRows, int rows) {
  velmora::testing::TemporaryFolder folder;
  velmora::OdbcOptions options = velmora::testing::sqliteOdbcOptions(folder.path());
  options.batchRows = batchRows;
  velmora::OdbcConnector connector(options);
  velmora::testing::createSqliteDatabase(
      folder.path(), "HEADOFFICE",
      "CREATE TABLE CentralizedData0012(Rno INTEGER PRIMARY KEY AUTOINCREMENT, Code INTEGER, "
      "Name VARCHAR(40) COLLATE NOCASE, Active VARCHAR(1) COLLATE NOCASE, Amount NUMERIC(18,2), "
      "Updated DATETIME, Transfered VARCHAR(1))");
  auto session = connector.connect(velmora::testing::sqliteConnectionString("HEADOFFICE"), 30);

  const auto start = std::chrono::steady_clock::now();
  const std::size_t tripsBefore = session->roundTrips();
  session->beginTransaction();
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
  session->commit();
  RunResult result;
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.roundTrips = session->roundTrips() - tripsBefore;
  return result;
}

RunResult median(std::vector<RunResult> runs) {
  std::sort(runs.begin(), runs.end(),
            [](const RunResult& a, const RunResult& b) { return a.seconds < b.seconds; });
  return runs[runs.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
  struct Mode {
    const char* name;
    std::size_t batchRows;
  };
  const Mode modes[] = {{"batched (1000 rows)", 1000}, {"one row per execution", 1}};

  std::printf("Staging inserts through the SQLite ODBC driver, %d rows, median of %d runs\n\n",
              rows, kRuns);
  std::printf("%-24s %12s %12s %14s\n", "mode", "round trips", "seconds", "rows/second");
  try {
    double batchedRate = 0;
    double singleRate = 0;
    for (const Mode& mode : modes) {
      std::vector<RunResult> runs;
      for (int run = 0; run < kRuns; ++run) runs.push_back(stageRows(mode.batchRows, rows));
      RunResult m = median(runs);
      double rate = m.seconds > 0 ? rows / m.seconds : 0;
      (mode.batchRows > 1 ? batchedRate : singleRate) = rate;
      std::printf("%-24s %12zu %12.3f %14.0f\n", mode.name, m.roundTrips, m.seconds, rate);
    }
    if (singleRate > 0) std::printf("\nbatched / one by one: %.2fx\n", batchedRate / singleRate);
  } catch (const velmora::Failure& failure) {
    std::fprintf(stderr, "failed: %d - %s\n", failure.number(), failure.description().c_str());
    return 1;
  }
  return 0;
}
