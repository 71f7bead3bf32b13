#include "sample_company.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace velmora::sample {
namespace {

std::vector<std::string> readLines(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string readText(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The value of a settings line: everything from the 13th character on.
std::string settingValue(const std::string& line) { return line.size() > 12 ? line.substr(12) : ""; }

std::set<std::string> lowerNames(const std::vector<ColumnInfo>& columns) {
  std::set<std::string> names;
  for (const auto& column : columns) {
    std::string name = column.name;
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    names.insert(name);
  }
  return names;
}

class SampleCompanyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    layout_ = defaultLayout(std::filesystem::temp_directory_path() /
                            ("velmora-sample-" + std::to_string(::getpid()) + "-" +
                             std::to_string(++counter) + "-" + info->name()));
  }
  void TearDown() override { std::filesystem::remove_all(layout_.home); }

  std::filesystem::path branch(SiteDatabase database) const { return branchDatabase(layout_, database); }
  std::filesystem::path ho1(SiteDatabase database) const {
    return headOfficeDatabase(layout_, "HO1", database);
  }

  CompanyLayout layout_;
};

TEST_F(SampleCompanyTest, WritesSettingsFilesAndServerList) {
  layOutCompany(layout_);

  const auto jewellers = readLines(layout_.home / "jewellers.txt");
  ASSERT_EQ(jewellers.size(), 13u);
  EXPECT_EQ(settingValue(jewellers[0]), "VEL");
  EXPECT_EQ(settingValue(jewellers[11]), "BRANCH");
  EXPECT_EQ(settingValue(jewellers[12]), "secret");
  const auto year = readLines(layout_.home / "year.txt");
  ASSERT_GE(year.size(), 2u);
  EXPECT_EQ(settingValue(year[0]), "01/04/2019");
  EXPECT_EQ(settingValue(year[1]), "31/03/2020");

  const auto servers = readLines(layout_.home / "servers.txt");
  for (const std::string line : {"BRANCH = branch", "HO1 = ho1", "HO2 = ho2", "192.168.10.20 = ho2",
                                 "HO3 = offline/ho3"}) {
    EXPECT_NE(std::ranges::find(servers, line), servers.end()) << line;
  }
  EXPECT_TRUE(std::filesystem::exists(layout_.home / "branch" / "VELMAIN.db"));
  EXPECT_TRUE(std::filesystem::exists(layout_.home / "branch" / "VEL1920.db"));
  EXPECT_TRUE(std::filesystem::exists(layout_.home / "ho2" / "HOB1920.db"));
  EXPECT_FALSE(std::filesystem::exists(layout_.home / "offline"));
  EXPECT_EQ(databaseFile(layout_, "192.168.10.20", "HOBMAIN"), layout_.home / "ho2" / "HOBMAIN.db");
  EXPECT_EQ(databaseFile(layout_, "branch", "VELMAIN"), branch(SiteDatabase::kMain));
  EXPECT_THROW(databaseFile(layout_, "HO9", "X"), std::runtime_error);
}

TEST_F(SampleCompanyTest, ListsHeadOfficesAndBranchNumber) {
  layOutCompany(layout_);

  const auto main = branch(SiteDatabase::kMain);
  EXPECT_EQ(querySql(main, "select ParamLONG from ParamControl where ParamCode='DEFAULTBRANCHCODE'"),
            (std::vector<TextRow>{{"7"}}));
  EXPECT_EQ(querySql(main, "select Branch, Flag from Branch where compcode='VEL'"),
            (std::vector<TextRow>{{"VEL BRANCH 7", "B"}}));
  const std::vector<TextRow> offices = {
      {"HOA", "1", "HO1", "hopass", "<null>", "<null>", "<null>", "<null>", "1"},
      {"HOB", "2", "HO2", "hopass", "192", "168", "10", "20", "2"},
      {"HOC", "3", "HO3", "hopass", "<null>", "<null>", "<null>", "<null>", "3"},
  };
  EXPECT_EQ(querySql(main,
                     "select CompCode, BranchCode, ServerName, PASSword, Ip1, Ip2, Ip3, Ip4, "
                     "BranchOrder from Branch where Flag='H' and active='Y' order by BranchOrder"),
            offices);
  EXPECT_EQ(countRows(ho1(SiteDatabase::kYear), "BControl"), 1);
  EXPECT_GT(countRows(ho1(SiteDatabase::kMain), "Code"), 0);
}

TEST_F(SampleCompanyTest, EveryBusinessTableHasItsFlagColumnsInItsDatabaseOnly) {
  layOutCompany(layout_);

  std::set<std::string> names;
  for (const auto& table : kSampleTables) {
    names.insert(std::string(table.name));
    const auto other = table.database == SiteDatabase::kMain ? SiteDatabase::kYear : SiteDatabase::kMain;
    for (const auto& file : {branch(table.database), ho1(table.database)}) {
      const auto columns = lowerNames(SqliteFile(file, SqliteFile::Mode::kExisting).columns(table.name));
      for (std::string column : {"rno", "transfered", "transfereddate", "transferedtime"}) {
        EXPECT_TRUE(columns.contains(column)) << table.name << "." << column;
      }
      for (int n = 1; n <= 12; ++n) {
        EXPECT_TRUE(columns.contains("br" + std::to_string(n))) << table.name << ".BR" << n;
      }
      std::string marker(table.marker);
      for (char& c : marker) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      EXPECT_TRUE(columns.contains(marker)) << table.name << "." << marker;
    }
    EXPECT_EQ(countRows(branch(other), "sqlite_master", "name=" + sqlLiteral(table.name)), 0)
        << table.name;
  }
  EXPECT_EQ(names.size(), 38u);
  // One table, whatever the letter case of its name.
  EXPECT_EQ(countRows(branch(SiteDatabase::kMain), "Operator"),
            countRows(branch(SiteDatabase::kMain), "OPERATOR"));
}

TEST_F(SampleCompanyTest, SampleRowsArePendingAtTheBranchAndUndeliveredAtTheHeadOffices) {
  layOutCompany(layout_);

  for (const auto& table : kSampleTables) {
    const std::string name(table.name);
    if (table.uploaded) {
      EXPECT_GE(countRows(branch(table.database), name, "ifnull(Transfered,'')<>'Y'"), 2) << name;
    }
    for (const char* office : {"HO1", "HO2"}) {
      const auto file = headOfficeDatabase(layout_, office, table.database);
      EXPECT_GE(countRows(file, name, "ifnull(BR7,'')<>'Y'"), 2) << office << " " << name;
      if (!table.branchColumn.empty()) {
        const std::string column(table.branchColumn);
        EXPECT_GE(countRows(file, name, column + "=7 and ifnull(BR7,'')<>'Y'"), 2) << name;
        EXPECT_GE(countRows(file, name, column + "<>7 and ifnull(BR7,'')<>'Y'"), 1) << name;
      }
    }
    if (table.downloaded && table.database == SiteDatabase::kMain) {
      // Key 2 is at the branch already and undelivered at the head office.
      const std::string key(table.keyColumns.substr(0, table.keyColumns.find(',')));
      EXPECT_EQ(countRows(branch(SiteDatabase::kMain), name, key + "=2"), 1) << name;
      EXPECT_EQ(countRows(ho1(SiteDatabase::kMain), name, key + "=2 and BR7 is null"), 1) << name;
    }
  }
  const auto year = branch(SiteDatabase::kYear);
  for (const char* table : {"INDENT", "BRANCHINDENT"}) {
    EXPECT_EQ(countRows(year, table, "IndentBranch is null or RDate is null"), 0) << table;
  }
  for (const char* table : {"JOBWORK", "JOBWORKDETAILS"}) {
    EXPECT_EQ(countRows(year, table, "JobCardBranch is null or RDate is null"), 0) << table;
  }
  EXPECT_EQ(countRows(year, "INVENTORYTRANS", "TranDate is null"), 0);
}

TEST_F(SampleCompanyTest, DateColumnsHoldNullOrRealDates) {
  layOutCompany(layout_);

  for (const auto& file : {branch(SiteDatabase::kMain), branch(SiteDatabase::kYear),
                           ho1(SiteDatabase::kMain), ho1(SiteDatabase::kYear)}) {
    SqliteFile db(file, SqliteFile::Mode::kExisting);
    for (const auto& table : db.query("select name from sqlite_master where type='table'")) {
      for (const auto& column : db.columns(table[0])) {
        if (column.type != "DATETIME" || column.name == "UPTIME") continue;
        EXPECT_EQ(countRows(file, table[0], column.name + " is not null and date(" + column.name +
                                                ") is null"),
                  0)
            << file << " " << table[0] << "." << column.name;
      }
    }
  }
}

TEST_F(SampleCompanyTest, AddsPendingAndUndeliveredRowsWithFreshKeys) {
  layout_.sampleRows = false;
  layOutCompany(layout_);
  EXPECT_EQ(countRows(branch(SiteDatabase::kYear), "INDENT"), 0);
  EXPECT_EQ(countRows(branch(SiteDatabase::kMain), "ParamControl"), 2);

  addPendingRows(layout_, "INDENT", 3);
  addPendingRows(layout_, "indent", 2);
  const auto year = branch(SiteDatabase::kYear);
  EXPECT_EQ(countRows(year, "INDENT", "ifnull(Transfered,'')<>'Y' and IndentBranch is not null"), 5);
  EXPECT_EQ(querySql(year, "select count(distinct RefNo), count(distinct IndentNo) from INDENT"),
            (std::vector<TextRow>{{"5", "5"}}));
  EXPECT_THROW(addPendingRows(layout_, "BANKMASTER", 1), std::runtime_error);

  addUndeliveredRows(layout_, "HO1", "JOBWORK", 3, true);
  addUndeliveredRows(layout_, "HO1", "JOBWORK", 2, false);
  const auto hoYear = ho1(SiteDatabase::kYear);
  EXPECT_EQ(countRows(hoYear, "JOBWORK", "JobCardBranch=7 and BR7 is null"), 3);
  EXPECT_EQ(countRows(hoYear, "JOBWORK", "JobCardBranch<>7 and BR7 is null"), 2);
  addUndeliveredRows(layout_, "HO2", "PitBataMaster", 2);
  EXPECT_EQ(countRows(headOfficeDatabase(layout_, "HO2", SiteDatabase::kMain), "PitBataMaster",
                      "BR7 is null and Active='Y'"),
            2);
  EXPECT_THROW(addUndeliveredRows(layout_, "HO9", "JOBWORK", 1), std::runtime_error);
}

TEST_F(SampleCompanyTest, SqlServerSchemaMatchesTheSqliteSchema) {
  const std::regex create(R"(CREATE TABLE (?:dbo\.)?(\w+) \(([^;]*)\);)");
  for (const char* name : {"main.sql", "year.sql"}) {
    const std::string sqlite = readText(schemaDirectory() / name);
    const std::string tsql = readText(schemaDirectory() / "sqlserver" / name);
    std::vector<std::pair<std::string, long>> sqliteTables;
    std::vector<std::pair<std::string, long>> tsqlTables;
    for (auto [text, tables] : {std::pair{&sqlite, &sqliteTables}, std::pair{&tsql, &tsqlTables}}) {
      for (std::sregex_iterator it(text->begin(), text->end(), create), end; it != end; ++it) {
        const std::string body = (*it)[2];
        tables->emplace_back((*it)[1], std::ranges::count(body, '\n'));
      }
    }
    EXPECT_FALSE(sqliteTables.empty());
    EXPECT_EQ(sqliteTables, tsqlTables) << name << ": run to_tsql.py";
    EXPECT_NE(tsql.find("Rno int IDENTITY(1,1)"), std::string::npos);
  }
}

}  // namespace
}  // namespace velmora::sample
