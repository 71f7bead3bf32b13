// The status report against a company laid out with known backlogs: three
// head offices (HO1 by name, HO2 by address, HO3 unreachable), a company
// whose site gate is closed, and members with a filter column holding rows
// for another branch. The counts must be what the steps then move; the
// report must leave every table of every database as it was; the JSON
// document must parse and name every member table; and the exit statuses
// must say whether every head office was reached.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cycle/backlog.h"
#include "transfer/error_log.h"
#include "reliability/agent_process.h"
#include "shell/status_output.h"
#include "shell/status_report.h"
#include "support/agent_run.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using sample::SiteDatabase;
using testing::AgentRun;
using testing::TempFolder;

constexpr const char* kQvid = "BR0012";
constexpr const char* kHeadOfficePassword = "Ho1Pw-7c1e55";
constexpr const char* kUnreachablePassword = "Ho3Pw-d00d12";

// What the company holds, and therefore what the report must count.
struct Backlog {
  const char* site;   // "branch" (pending upload) or a head office
  const char* table;  // as the sample schema names it
  int rows;           // rows added
  bool forBranch;     // head offices: addressed to this branch
  int counted;        // what the report must count for (site, table)
};

constexpr Backlog kBacklog[] = {
    {"branch", "CUSTOMER",       4, true,  3},  // one of them then marked 'y' (transferred)
    {"branch", "INDENT",         2, true,  2},
    {"branch", "INVENTORYTRANS", 3, true,  3},
    {"branch", "METERIAL",       2, true,  0},  // site gate closed: not reported
    {"branch", "OPERATORLog",    1, true,  0},  // site gate closed: not reported
    {"HO1",    "BANKMASTER",     2, true,  2},
    {"HO1",    "CATEGORY",       3, true,  2},  // one of them then flagged BR7='Y'
    {"HO1",    "SECURITYMAST",   1, true,  1},
    {"HO1",    "INDENT",         2, true,  2},
    {"HO1",    "INDENT",         3, false, 2},  // for another branch: not delivered here
    {"HO1",    "ACHEADMASTER",   1, true,  1},
    {"HO2",    "Product",        1, true,  1},
    {"HO2",    "JOBWORKDETAILS", 2, false, 0},
    {"HO2",    "INVENTORYTRANS", 1, true,  1},
};

sample::CompanyLayout layOutBacklog(const fs::path& home) {
  sample::CompanyLayout layout = sample::defaultLayout(home);
  layout.sampleRows = false;
  layout.headOffices[0].password = kHeadOfficePassword;
  layout.headOffices[2].password = kUnreachablePassword;
  sample::layOutCompany(layout);
  for (const Backlog& b : kBacklog) {
    if (std::string_view(b.site) == "branch") {
      sample::addPendingRows(layout, b.table, b.rows);
    } else {
      sample::addUndeliveredRows(layout, b.site, b.table, b.rows, b.forBranch);
    }
  }
  sample::execSql(sample::branchDatabase(layout, SiteDatabase::kMain),
                  "UPDATE CUSTOMER SET Transfered='y' WHERE Rno=(SELECT min(Rno) FROM CUSTOMER)");
  sample::execSql(sample::headOfficeDatabase(layout, "HO1", SiteDatabase::kMain),
                  "UPDATE CATEGORY SET BR7='Y' WHERE Rno=(SELECT min(Rno) FROM CATEGORY)");
  return layout;
}

// The count the report must give for `table` at `site`.
long long expectedCount(std::string_view site, std::string_view table) {
  long long count = 0;
  for (const Backlog& b : kBacklog) {
    if (site == b.site && equalsIgnoreCase(table, b.table)) count = b.counted;
  }
  return count;
}

std::map<std::string, long long> byTable(const std::vector<TableCount>& counts) {
  std::map<std::string, long long> map;
  for (const TableCount& c : counts) map[c.table] = c.rows;
  return map;
}

// Every table of every database file under `home`: its definition and all
// its rows, every value quoted as SQLite quotes it.
std::map<std::string, std::vector<std::string>> everyTable(const fs::path& home) {
  std::map<std::string, std::vector<std::string>> all;
  for (const auto& entry : fs::recursive_directory_iterator(home)) {
    if (entry.path().extension() != ".db") continue;
    sample::SqliteFile file(entry.path(), sample::SqliteFile::Mode::kExisting);
    for (const auto& object :
         file.query("SELECT type, name, ifnull(sql,'') FROM sqlite_master ORDER BY name")) {
      const std::string key = entry.path().string() + " " + object[1];
      all[key].push_back(object[0] + ": " + object[2]);
      if (object[0] != "table") continue;
      std::string select;
      for (const sample::ColumnInfo& column : file.columns(object[1])) {
        select += (select.empty() ? "" : "||'|'||") + std::string("quote(\"") + column.name + "\")";
      }
      for (const auto& row : file.query("SELECT " + select + " FROM \"" + object[1] + "\" ORDER BY 1")) {
        all[key].push_back(row.at(0));
      }
    }
  }
  return all;
}

// Evaluates SQLite's JSON functions on `document` (bound as ?1).
class JsonDocument {
 public:
  explicit JsonDocument(std::string document) : document_(std::move(document)) {
    sqlite3_open(":memory:", &db_);
  }
  ~JsonDocument() { sqlite3_close(db_); }

  // The rows of `sql` as text, columns joined by '|'.
  std::vector<std::string> query(const std::string& sql) const {
    sqlite3_stmt* statement = nullptr;
    std::vector<std::string> rows;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sqlite3_errmsg(db_) << ": " << sql;
      return rows;
    }
    sqlite3_bind_text(statement, 1, document_.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(statement) == SQLITE_ROW) {
      std::string row;
      for (int c = 0; c < sqlite3_column_count(statement); ++c) {
        const auto* text = sqlite3_column_text(statement, c);
        row += (c ? "|" : "") + std::string(text ? reinterpret_cast<const char*>(text) : "<null>");
      }
      rows.push_back(row);
    }
    sqlite3_finalize(statement);
    return rows;
  }
  std::string value(const std::string& sql) const {
    const auto rows = query(sql);
    return rows.empty() ? std::string() : rows[0];
  }

 private:
  std::string document_;
  sqlite3* db_ = nullptr;
};

class StatusReportTest : public ::testing::Test {
 protected:
  void SetUp() override { layout_ = layOutBacklog(temp_.path() / "home"); }

  int runStatus(std::vector<std::string> extra, std::string& out, std::string& err,
                const char* qvid = kQvid) {
    std::vector<std::string> args{"--home", layout_.home.string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return reliability::runAgent(args, qvid, temp_.path(), out, err);
  }

  TempFolder temp_;
  sample::CompanyLayout layout_;
};

TEST_F(StatusReportTest, CountsWhatTheStepsThenMove) {
  AgentRun agent(layout_.home, kQvid);
  const shell::StatusReport before = shell::collectStatusReport(agent.context());

  // Pending upload: every open member, and no other.
  const auto pending = byTable(before.pendingUpload);
  EXPECT_EQ(pending.size(), kUploadMembers.size() - 2);
  EXPECT_EQ(before.gatedUploads, (std::vector<std::string>{"METERIAL", "OPERATORLog"}));
  for (const UploadMember& member : kUploadMembers) {
    const std::string table(member.table());
    if (member.branch.siteGate) {
      EXPECT_EQ(pending.count(table), 0u) << table;
      continue;
    }
    ASSERT_EQ(pending.count(table), 1u) << table;
    EXPECT_EQ(pending.at(table), expectedCount("branch", table)) << table;
  }

  // Per head office, in list order: every master and staged-download table.
  ASSERT_EQ(before.headOffices.size(), 3u);
  for (std::size_t i = 0; i < 2; ++i) {
    const shell::HeadOfficeStatus& office = before.headOffices[i];
    EXPECT_TRUE(office.reachable) << office.server << ": " << office.failure.value_or("");
    ASSERT_TRUE(office.undelivered.has_value()) << office.server;
    ASSERT_EQ(office.undelivered->size(), 31u);
    for (const auto& [table, rows] : byTable(*office.undelivered)) {
      EXPECT_EQ(rows, expectedCount(office.server, table)) << office.server << " " << table;
    }
  }
  const shell::HeadOfficeStatus& unreachable = before.headOffices[2];
  EXPECT_EQ(unreachable.server, "HO3");
  EXPECT_EQ(unreachable.number, std::optional<std::int16_t>(3));
  EXPECT_FALSE(unreachable.reachable);
  EXPECT_FALSE(unreachable.undelivered.has_value());
  EXPECT_FALSE(unreachable.failure.value_or("").empty());
  EXPECT_FALSE(before.everyHeadOfficeReached());

  // A tick moves exactly what was counted (downloads summed over the head
  // offices, uploads going to the first), and a report after it counts
  // nothing left to move.
  agent.tick();
  std::map<std::string, long long> moved;
  for (const std::string& entry : agent.view.moved) {
    const auto last = entry.rfind(' ');
    moved[entry.substr(0, last)] += std::stoll(entry.substr(last + 1));
  }
  for (const TableCount& count : before.pendingUpload) {
    EXPECT_EQ(moved[count.table + " upload"], count.rows) << count.table;
  }
  std::map<std::string, long long> undelivered;
  for (const auto& office : before.headOffices) {
    if (!office.undelivered) continue;
    for (const TableCount& count : *office.undelivered) undelivered[count.table] += count.rows;
  }
  for (const auto& [table, rows] : undelivered) EXPECT_EQ(moved[table + " download"], rows) << table;

  const shell::StatusReport after = shell::collectStatusReport(agent.context());
  for (const TableCount& count : after.pendingUpload) EXPECT_EQ(count.rows, 0) << count.table;
  for (const auto& office : after.headOffices) {
    if (!office.undelivered) continue;
    for (const TableCount& count : *office.undelivered) {
      EXPECT_EQ(count.rows, 0) << office.server << " " << count.table;
    }
  }
  // The tick's CONNECTION row for HO3 is today's one error row.
  EXPECT_EQ(after.errorRowsToday, 1);
  ASSERT_EQ(after.newestErrorRows.size(), 1u);
  EXPECT_EQ(after.newestErrorRows[0].module, kConnectionLabel);
}

TEST_F(StatusReportTest, WritesNothingInAnyDatabase) {
  const auto before = everyTable(layout_.home);
  ASSERT_FALSE(before.empty());
  for (const auto& args : {std::vector<std::string>{"--status"},
                           std::vector<std::string>{"--status", "--json"}}) {
    std::string out, err;
    EXPECT_EQ(runStatus(args, out, err), 3) << err;
  }
  const auto after = everyTable(layout_.home);
  EXPECT_EQ(after.size(), before.size());
  for (const auto& [table, rows] : before) {
    auto it = after.find(table);
    ASSERT_NE(it, after.end()) << table << " is gone";
    EXPECT_EQ(it->second, rows) << table << " changed";
  }
  for (const auto& [table, rows] : after) {
    EXPECT_EQ(before.count(table), 1u) << table << " was created";
  }
}

TEST_F(StatusReportTest, JsonParsesAndNamesEveryMemberTable) {
  // One error row of today, for the error summary.
  AgentRun agent(layout_.home, kQvid);
  writeErrorRow(agent.context().localMain, "CUSTOMERMASTERDOWNLOAD", "1", "it's a \"test\"",
                SystemClock());

  std::string out, err;
  ASSERT_EQ(runStatus({"--status", "--json"}, out, err), 3) << err;
  const JsonDocument json(out);
  ASSERT_EQ(json.value("SELECT json_valid(?1)"), "1") << out;

  EXPECT_EQ(json.value("SELECT json_extract(?1,'$.branch.number')"), "7");
  EXPECT_EQ(json.value("SELECT json_extract(?1,'$.branch.site')"), "0012");
  EXPECT_EQ(json.value("SELECT json_extract(?1,'$.branch.main_database')"), "VELMAIN");
  EXPECT_EQ(json.value("SELECT json_extract(?1,'$.error_rows_today')"), "1");
  EXPECT_EQ(json.value("SELECT json_extract(?1,'$.newest_error_rows[0].message')"),
            "1-it's a \"test\"");

  // Every upload member whose gate is open, each an integer.
  std::vector<std::string> expected;
  for (const UploadMember& m : kUploadMembers) {
    if (!m.branch.siteGate) expected.emplace_back(std::string(m.table()) + "|integer");
  }
  EXPECT_EQ(json.query("SELECT key, type FROM json_each(?1,'$.pending_upload')"), expected);
  EXPECT_EQ(json.value("SELECT json_extract(?1,'$.pending_upload.CUSTOMER')"), "3");

  // Every master and staged-download table for each head office reached.
  expected.clear();
  for (const MasterMember& m : masterMembers()) expected.emplace_back(std::string(m.table) + "|integer");
  for (const DownloadMember& m : kDownloadMembers) expected.emplace_back(std::string(m.table) + "|integer");
  EXPECT_EQ(json.value("SELECT json_array_length(?1,'$.head_offices')"), "3");
  for (const char* i : {"0", "1"}) {
    const std::string office = std::string("$.head_offices[") + i + "]";
    EXPECT_EQ(json.value("SELECT json_extract(?1,'" + office + ".reachable')"), "1") << i;
    EXPECT_EQ(json.value("SELECT json_type(?1,'" + office + ".failure')"), "null") << i;
    EXPECT_EQ(json.query("SELECT key, type FROM json_each(?1,'" + office + ".undelivered')"), expected)
        << i;
  }
  EXPECT_EQ(json.value("SELECT json_extract(?1,'$.head_offices[0].undelivered.INDENT')"), "2");
  EXPECT_EQ(json.value("SELECT json_extract(?1,'$.head_offices[1].undelivered.INVENTORYTRANS')"), "1");
  EXPECT_EQ(json.value("SELECT json_extract(?1,'$.head_offices[0].totals')"),
            R"({"master_download":5,"staged_download":3})");
  EXPECT_EQ(json.value("SELECT json_extract(?1,'$.head_offices[2].server')"), "HO3");
  EXPECT_EQ(json.value("SELECT json_extract(?1,'$.head_offices[2].number')"), "3");
  EXPECT_EQ(json.value("SELECT json_extract(?1,'$.head_offices[2].reachable')"), "0");
  EXPECT_EQ(json.value("SELECT json_type(?1,'$.head_offices[2].failure')"), "text");
  EXPECT_EQ(json.value("SELECT json_type(?1,'$.head_offices[2].undelivered')"), "null");

  for (const char* secret : {kHeadOfficePassword, kUnreachablePassword, "pwd=", "Provider="}) {
    EXPECT_EQ(out.find(secret), std::string::npos) << secret;
  }
}

TEST_F(StatusReportTest, HumanTableShowsZerosAsDotsTotalsLastAndTheUnreachable) {
  std::string out, err;
  ASSERT_EQ(runStatus({"--status"}, out, err), 3) << err;
  std::vector<std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);

  auto lineOf = [&](std::string_view first) -> std::string {
    for (const std::string& line : lines) {
      if (line.starts_with(std::string(first) + " ")) return line;
    }
    return "";
  };
  auto cells = [](const std::string& line) {
    std::vector<std::string> words;
    std::istringstream split(line);
    for (std::string w; split >> w;) words.push_back(w);
    return words;
  };
  // table, pending up, HO1, HO2, HO3
  const std::vector<std::vector<std::string>> rows = {
      {"BANKMASTER", "-", "2", ".", "?"},
      {"CUSTOMER", "3", ".", ".", "?"},
      {"INDENT", "2", "2", ".", "?"},
      {"INVENTORYTRANS", "3", ".", "1", "?"},
      {"CASHCOUNTER", ".", "-", "-", "?"},
      {"total", "8", "8", "2", "?"},
  };
  for (const auto& row : rows) EXPECT_EQ(cells(lineOf(row[0])), row) << out;
  EXPECT_EQ(lineOf("OPERATORLog"), "") << "a gated upload-only table has no row";
  EXPECT_NE(out.find("HO3 ("), std::string::npos) << out;
  EXPECT_NE(out.find("not reachable: "), std::string::npos) << out;
  // Totals are the last row of the table; every row has the same width.
  const std::string header = lineOf("table");
  EXPECT_EQ(lineOf("total").size(), header.size()) << out;
  EXPECT_EQ(lineOf("VEHICLEMAINTAINGROUP").size(), header.size()) << out;
}

TEST_F(StatusReportTest, ExitStatuses) {
  TempFolder reachableOnly;
  sample::CompanyLayout allReached = testing::defaultLayout(reachableOnly.path() / "home");
  sample::layOutCompany(allReached);

  struct Case {
    const char* what;
    std::vector<std::string> args;
    const fs::path* home;
    const char* qvid;
    int status;
  };
  const Case cases[] = {
      {"every head office reached", {"--status"}, &allReached.home, kQvid, 0},
      {"every head office reached, JSON", {"--status", "--json"}, &allReached.home, kQvid, 0},
      {"one head office unreachable", {"--status"}, &layout_.home, kQvid, 3},
      {"start-up fails without QVID", {"--status", "--json"}, &layout_.home, nullptr, 1},
      {"--json without --status", {"--json"}, &layout_.home, kQvid, 2},
      {"--status with ticks", {"--status", "--ticks", "1"}, &layout_.home, kQvid, 2},
      {"--status takes no value", {"--status=yes"}, &layout_.home, kQvid, 2},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"--home", c.home->string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    std::string out, err;
    EXPECT_EQ(reliability::runAgent(args, c.qvid, temp_.path(), out, err), c.status)
        << c.what << "\n" << out << err;
    if (c.status == 1) {
      EXPECT_NE(err.find("Invalid QVID"), std::string::npos) << err;
    }
  }
}

TEST(StatusJson, StringsStayValidJsonWhateverTheFailureTextHolds) {
  const struct {
    std::string text;
    std::string json;
  } cases[] = {
      {"say \"no\" \\ here", R"("say \"no\" \\ here")"},
      {"line\r\nnext\ttab", R"("line\u000d\u000anext\u0009tab")"},
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80\""},
      {"caf\xe9", R"("caf\ufffd")"},              // a Latin-1 byte
      {"\xc0\x80", R"("\ufffd\ufffd")"},          // an overlong form
      {"\xed\xa0\x80", R"("\ufffd\ufffd\ufffd")"},  // a surrogate
      {"cut \xe2\x82", R"("cut \ufffd\ufffd")"},   // a sequence cut short
  };
  for (const auto& c : cases) {
    EXPECT_EQ(shell::jsonString(c.text), c.json);
    EXPECT_EQ(JsonDocument(shell::jsonString(c.text)).value("SELECT json_valid(?1)"), "1") << c.json;
  }
}

}  // namespace
}  // namespace velmora
