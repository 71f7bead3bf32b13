// Two branch agents against one head office, end to end: branch 3 and branch
// 12, each with its own program folder and site id, whose servers.txt both
// name the same head-office directory. They tick in turn; every row must
// reach every site it is meant for exactly once, the flags must settle, and
// no error row may be written.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "support/agent_run.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using sample::CompanyLayout;
using sample::kSampleTables;
using sample::SampleTable;
using sample::SiteDatabase;
using testing::AgentRun;
using testing::TempFolder;

constexpr std::int16_t kBranchA = 3;
constexpr std::int16_t kBranchB = 12;
constexpr std::int16_t kNobody = 4;  // a branch without an agent in this test
constexpr int kPendingPerBranch = 2;
constexpr int kHeadOfficeRowsPerBranch = 2;
// First row numbers that keep the keys of the three sites apart (branch A's
// start at 1), so that a row is never taken for another site's row.
constexpr int kBranchBFirstRno = 1000;
constexpr int kHeadOfficeFirstRno = 5000;

// One row as its key identifies it: the condition that selects it, and the
// value of the column that addresses it to a branch (empty when the table
// has none).
struct KeyedRow {
  std::string where;
  std::string addressedTo;
};

std::vector<std::string> keyColumns(const SampleTable& table) {
  std::vector<std::string> columns;
  std::string_view rest = table.keyColumns;
  while (!rest.empty()) {
    const auto comma = rest.find(',');
    columns.emplace_back(rest.substr(0, comma));
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  }
  return columns;
}

// The rows of `table` in `db` that satisfy `condition`, by key.
std::vector<KeyedRow> keyedRows(const fs::path& db, const SampleTable& table,
                                std::string_view condition) {
  const auto keys = keyColumns(table);
  std::string select;
  for (const auto& key : keys) select += (select.empty() ? "" : ",") + key;
  select += table.branchColumn.empty() ? ",NULL" : "," + std::string(table.branchColumn);
  const auto rows = sample::querySql(db, "SELECT " + select + " FROM " + std::string(table.name) +
                                             " WHERE " + std::string(condition));
  std::vector<KeyedRow> result;
  for (const auto& row : rows) {
    KeyedRow keyed;
    for (std::size_t i = 0; i < keys.size(); ++i) {
      if (i > 0) keyed.where += " AND ";
      keyed.where += row[i] == sample::kNullText ? keys[i] + " IS NULL"
                                                 : keys[i] + "=" + sample::sqlLiteral(row[i]);
    }
    if (row.back() != sample::kNullText) keyed.addressedTo = row.back();
    result.push_back(std::move(keyed));
  }
  return result;
}

// Whether a head-office row is meant for `branch`: always for tables that
// address no branch, otherwise when its column names that branch.
bool meantFor(const KeyedRow& row, std::int16_t branch) {
  return row.addressedTo.empty() || row.addressedTo == std::to_string(branch);
}

// The main and year database files of one site.
struct SiteFiles {
  fs::path main;
  fs::path year;
  const fs::path& of(SiteDatabase database) const {
    return database == SiteDatabase::kMain ? main : year;
  }
};

// Runs `add` while every business table of `site` holds a placeholder row
// numbered `firstRno`, so that the keys and row numbers of the rows it adds
// start above it; the placeholders are removed afterwards.
template <typename Add>
void numberedFrom(const SiteFiles& site, int firstRno, Add add) {
  const std::string rno = std::to_string(firstRno);
  for (const auto& table : kSampleTables) {
    sample::execSql(site.of(table.database),
                    "INSERT INTO " + std::string(table.name) + " (Rno) VALUES (" + rno + ")");
  }
  add();
  for (const auto& table : kSampleTables) {
    sample::execSql(site.of(table.database),
                    "DELETE FROM " + std::string(table.name) + " WHERE Rno=" + rno);
  }
}

// Every business table of `db` (and its error table, in a main database), as
// text, in row order.
std::vector<sample::TextRow> dump(const fs::path& db, SiteDatabase database) {
  std::vector<sample::TextRow> all;
  for (const auto& table : kSampleTables) {
    if (table.database != database) continue;
    auto rows = sample::querySql(db, "SELECT '" + std::string(table.name) + "',* FROM " +
                                         std::string(table.name) + " ORDER BY Rno");
    all.insert(all.end(), rows.begin(), rows.end());
  }
  if (database == SiteDatabase::kMain) {
    auto errors = sample::querySql(db, "SELECT 'ERRTABLE',* FROM ERRTABLE");
    all.insert(all.end(), errors.begin(), errors.end());
  }
  return all;
}

class TwoBranches : public ::testing::Test {
 protected:
  void SetUp() override {
    layoutA_ = companyFor(temp_.path() / "branch3", kBranchA, true);
    sample::layOutCompany(layoutA_);
    // Branch 12's own layout lists HO1 without creating it; its servers.txt
    // is then pointed at branch 3's head-office directory.
    layoutB_ = companyFor(temp_.path() / "branch12", kBranchB, false);
    sample::layOutCompany(layoutB_);
    const fs::path sharedDirectory = headOfficeMain().parent_path();
    std::ofstream(layoutB_.home / "servers.txt", std::ios::trunc)
        << "# Branch 12 and the head office that branch 3 uses as well.\n"
        << "BRANCH = branch\n"
        << "HO1 = " << sharedDirectory.string() << "\n";

    fillRows();
  }

  static CompanyLayout companyFor(const fs::path& home, std::int16_t branchNo,
                                  bool createsHeadOffice) {
    CompanyLayout layout = testing::defaultLayout(home, branchNo, false);
    layout.companyPrefix = "ZEMRA";  // every upload runs for this company
    layout.headOffices.front().reachable = createsHeadOffice;
    return layout;
  }

  // Pending rows at each branch for every uploaded table; undelivered rows
  // at the head office for every downloaded table: for branch 3, for branch
  // 12 and, where a column addresses rows, for a branch without an agent.
  void fillRows() {
    for (const auto& table : kSampleTables) {
      if (table.uploaded) sample::addPendingRows(layoutA_, table.name, kPendingPerBranch);
    }
    numberedFrom(site(kBranchB), kBranchBFirstRno, [&] {
      for (const auto& table : kSampleTables) {
        if (table.uploaded) sample::addPendingRows(layoutB_, table.name, kPendingPerBranch);
      }
    });
    // The head office's rows for branch 12 go through a layout of branch 12
    // whose head-office files are branch 3's.
    CompanyLayout headOfficeFor12 = layoutA_;
    headOfficeFor12.branchNo = kBranchB;
    numberedFrom(headOfficeSite(), kHeadOfficeFirstRno, [&] {
      for (const auto& table : kSampleTables) {
        if (!table.downloaded) continue;
        sample::addUndeliveredRows(layoutA_, "HO1", table.name, kHeadOfficeRowsPerBranch, true);
        sample::addUndeliveredRows(headOfficeFor12, "HO1", table.name, kHeadOfficeRowsPerBranch,
                                   true);
        if (!table.branchColumn.empty()) {
          sample::addUndeliveredRows(layoutA_, "HO1", table.name, 1, false);  // for branch 4
        }
      }
    });
  }

  SiteFiles site(std::int16_t branch) const {
    const CompanyLayout& layout = branch == kBranchA ? layoutA_ : layoutB_;
    return {sample::branchDatabase(layout, SiteDatabase::kMain),
            sample::branchDatabase(layout, SiteDatabase::kYear)};
  }
  SiteFiles headOfficeSite() const {
    return {sample::headOfficeDatabase(layoutA_, "HO1", SiteDatabase::kMain),
            sample::headOfficeDatabase(layoutA_, "HO1", SiteDatabase::kYear)};
  }
  fs::path branchFile(std::int16_t branch, SiteDatabase database) const {
    return site(branch).of(database);
  }
  fs::path headOffice(SiteDatabase database) const { return headOfficeSite().of(database); }
  fs::path headOfficeMain() const { return headOfficeSite().main; }

  std::vector<SiteFiles> allSites() const {
    return {site(kBranchA), site(kBranchB), headOfficeSite()};
  }

  TempFolder temp_;
  CompanyLayout layoutA_;
  CompanyLayout layoutB_;
};

TEST_F(TwoBranches, EveryRowReachesEachSiteItIsMeantForOnceAndTheFlagsSettle) {
  const std::string kPending = "ifnull(Transfered,'') COLLATE NOCASE <> 'Y'";
  // What there is to move, read before the first tick.
  std::map<std::string, std::map<std::int16_t, std::vector<KeyedRow>>> pending;
  std::map<std::string, std::vector<KeyedRow>> headOfficeRows;
  for (const auto& table : kSampleTables) {
    for (const std::int16_t branch : {kBranchA, kBranchB}) {
      if (!table.uploaded) break;
      auto& rows = pending[std::string(table.name)][branch];
      rows = keyedRows(branchFile(branch, table.database), table, kPending);
      ASSERT_EQ(rows.size(), kPendingPerBranch) << table.name;
    }
    if (table.downloaded) {
      auto& rows = headOfficeRows[std::string(table.name)];
      rows = keyedRows(headOffice(table.database), table, "1=1");
      ASSERT_EQ(rows.size(), 2 * kHeadOfficeRowsPerBranch + (table.branchColumn.empty() ? 0 : 1))
          << table.name;
    }
  }

  AgentRun agentA(layoutA_.home, "BR0003");
  AgentRun agentB(layoutB_.home, "BR0012");
  // Branch 12 takes in what branch 3 sent in its first tick, branch 3 what
  // branch 12 sent, in their second.
  for (int round = 0; round < 2; ++round) {
    agentA.tick();
    agentB.tick();
  }

  for (const SiteFiles& files : allSites()) {
    EXPECT_EQ(sample::countRows(files.main, "ERRTABLE"), 0)
        << files.main << ": "
        << ::testing::PrintToString(
               sample::querySql(files.main, "SELECT Module, MESSAGE FROM ERRTABLE"));
  }

  for (const auto& table : kSampleTables) {
    SCOPED_TRACE(std::string(table.name));
    const std::string name(table.name);
    const fs::path atHeadOffice = headOffice(table.database);
    // Uploads: each branch's pending rows are at the head office once, and
    // flagged sent at the branch. (An OPERATORLog row may arrive twice only
    // when the head office committed and the branch then failed to; no
    // fault is injected here.)
    for (const auto& [branch, rows] : pending[name]) {
      for (const auto& row : rows) {
        EXPECT_EQ(sample::countRows(atHeadOffice, name, row.where), 1)
            << "branch " << branch << " row " << row.where;
        EXPECT_EQ(sample::countRows(branchFile(branch, table.database), name,
                                    row.where + " AND " + kPending),
                  0)
            << "branch " << branch << " row " << row.where << " still pending";
      }
    }
    if (!table.downloaded) continue;
    // Downloads: every head-office row meant for a branch is there once; one
    // that is not meant for it is not there. Rows the other branch sent are
    // head-office rows as well.
    for (const std::int16_t branch : {kBranchA, kBranchB}) {
      const fs::path atBranch = branchFile(branch, table.database);
      std::vector<KeyedRow> rows = headOfficeRows[name];
      const std::int16_t other = branch == kBranchA ? kBranchB : kBranchA;
      for (const auto& row : pending[name][other]) {
        KeyedRow sent = row;
        if (!table.branchColumn.empty()) {
          sent.addressedTo = keyedRows(atHeadOffice, table, row.where).at(0).addressedTo;
        }
        rows.push_back(sent);
      }
      for (const auto& row : rows) {
        EXPECT_EQ(sample::countRows(atBranch, name, row.where), meantFor(row, branch) ? 1 : 0)
            << "branch " << branch << " row " << row.where << " addressed to '" << row.addressedTo
            << "'";
      }
    }
    // Rows addressed to the branch without an agent stay undelivered.
    if (!table.branchColumn.empty()) {
      EXPECT_EQ(sample::countRows(atHeadOffice, name,
                                  std::string(table.branchColumn) + "=" + std::to_string(kNobody) +
                                      " AND BR" + std::to_string(kNobody) + " IS NULL"),
                1);
    }
    // Every row that each branch was to receive is flagged delivered to it.
    for (const std::int16_t branch : {kBranchA, kBranchB}) {
      std::string undelivered = "ifnull(BR" + std::to_string(branch) + ",'') COLLATE NOCASE <> 'Y'";
      if (!table.branchColumn.empty()) {
        undelivered +=
            " AND ifnull(" + std::string(table.branchColumn) + ",0)=" + std::to_string(branch);
      }
      EXPECT_EQ(sample::countRows(atHeadOffice, name, undelivered), 0) << "branch " << branch;
    }
  }

  // The flags have settled: a further tick of each agent changes nothing.
  auto dumpAll = [&] {
    std::vector<std::vector<sample::TextRow>> dumps;
    for (const SiteFiles& files : allSites()) {
      dumps.push_back(dump(files.main, SiteDatabase::kMain));
      dumps.push_back(dump(files.year, SiteDatabase::kYear));
    }
    return dumps;
  };
  const auto before = dumpAll();
  const std::size_t movedA = agentA.view.moved.size();
  const std::size_t movedB = agentB.view.moved.size();
  agentA.tick();
  agentB.tick();
  const auto after = dumpAll();
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(after[i], before[i])
        << "database " << i << " (branch 3, branch 12, head office; main, year)";
  }
  for (const auto& [view, from] :
       {std::pair{&agentA.view, movedA}, std::pair{&agentB.view, movedB}}) {
    for (std::size_t i = from; i < view->moved.size(); ++i) {
      EXPECT_TRUE(view->moved[i].ends_with(" 0")) << view->moved[i];
    }
  }
}

}  // namespace
}  // namespace velmora
