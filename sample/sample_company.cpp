#include "sample_company.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "sample_rows.h"

#ifndef VELMORA_SCHEMA_DIR
#error "VELMORA_SCHEMA_DIR must name the folder of the schema files"
#endif

namespace velmora::sample {
namespace {

constexpr std::string_view kBranchDirectory = "branch";
constexpr std::string_view kOfflineDirectory = "offline";
constexpr std::size_t kCaptionWidth = 12;
constexpr int kHighestFlagBranch = 12;  // the tables carry BR1 .. BR12

// jewellers.txt lines 2 to 11: read by the business application only.
// clang-format off
constexpr std::array<std::pair<std::string_view, std::string_view>, 10> kOtherSettings = {{
  {"NAME",     "VELMORA QUARRIES"},
  {"ADDRESS1", "12 QUARRY ROAD"},
  {"ADDRESS2", "KARUPPUR"},
  {"CITY",     "SALEM"},
  {"PHONE",    "0427 245 1100"},
  {"GSTIN",    "33AAACV1234F1Z5"},
  {"PRINTER",  "LPT1"},
  {"BACKUP",   "D:\\BACKUP"},
  {"REPORTS",  "REPORTS"},
  {"LANGUAGE", "ENGLISH"},
}};

// Rows of the lock tables: a few of the codes the business application keeps.
constexpr std::array<std::string_view, 3> kCodeRows = {
  "INSERT INTO Code (ParamCode,ParamName,ParamValue) VALUES ('CUSTOMER','Next customer code',1000);",
  "INSERT INTO Code (ParamCode,ParamName,ParamValue) VALUES ('OPERATOR','Next operator code',500);",
  "INSERT INTO Code (ParamCode,ParamName,ParamValue) VALUES ('METERIAL','Next material code',2000);",
};
// clang-format on

constexpr std::array<std::string_view, 12> kMonthNames = {
    "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};

struct YearDate {
  int year = 0;
  int month = 0;
  int day = 0;
};

std::string lowerText(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return result;
}

std::string twoDigits(int value) {
  const std::string text = std::to_string(value % 100);
  return text.size() == 1 ? "0" + text : text;
}

int readNumber(std::string_view text, std::string_view whole) {
  if (text.empty() || !std::ranges::all_of(text, [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
    throw std::runtime_error("cannot read the date " + std::string(whole));
  }
  return std::stoi(std::string(text));
}

// Reads dd/mm/yyyy, dd/MMM/yyyy or yyyy-mm-dd.
YearDate readDate(std::string_view text) {
  YearDate date;
  if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
    date = {readNumber(text.substr(0, 4), text), readNumber(text.substr(5, 2), text),
            readNumber(text.substr(8, 2), text)};
  } else {
    const auto first = text.find('/');
    const auto second = text.find('/', first + 1);
    if (first == std::string_view::npos || second == std::string_view::npos) {
      throw std::runtime_error("cannot read the date " + std::string(text));
    }
    const auto monthText = text.substr(first + 1, second - first - 1);
    const auto named = std::ranges::find(kMonthNames, lowerText(monthText));
    date.day = readNumber(text.substr(0, first), text);
    date.month = named != kMonthNames.end()
                     ? static_cast<int>(named - kMonthNames.begin()) + 1
                     : readNumber(monthText, text);
    date.year = readNumber(text.substr(second + 1), text);
  }
  if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31 || date.year < 1000) {
    throw std::runtime_error("cannot read the date " + std::string(text));
  }
  return date;
}

std::string isoDate(const YearDate& date) {
  return std::to_string(date.year) + "-" + twoDigits(date.month) + "-" + twoDigits(date.day);
}

std::string yearSuffix(const CompanyLayout& layout) {
  return twoDigits(readDate(layout.yearStart).year) + twoDigits(readDate(layout.yearEnd).year);
}

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

bool isBranchServer(const CompanyLayout& layout, std::string_view name) {
  return equalsNoCase(name, layout.branchServer) || equalsNoCase(name, kBranchDirectory);
}

const HeadOfficeSpec* findHeadOffice(const CompanyLayout& layout, std::string_view name) {
  for (const auto& office : layout.headOffices) {
    if (equalsNoCase(office.serverName, name) ||
        (!office.address.empty() && equalsNoCase(office.address, name))) {
      return &office;
    }
  }
  return nullptr;
}

const HeadOfficeSpec& headOffice(const CompanyLayout& layout, std::string_view name) {
  const auto* office = findHeadOffice(layout, name);
  if (office == nullptr) throw std::runtime_error("no head office " + std::string(name));
  return *office;
}

// The directory of a head office, relative to the program folder: its server
// name in lower case, under offline/ (never created) when it is unreachable.
std::filesystem::path headOfficeDirectory(const HeadOfficeSpec& office) {
  std::string name;
  for (const char c : office.serverName) {
    name += std::isalnum(static_cast<unsigned char>(c))
                ? static_cast<char>(std::tolower(static_cast<unsigned char>(c)))
                : '_';
  }
  if (equalsNoCase(name, kBranchDirectory)) name = "ho_" + name;
  return office.reachable ? std::filesystem::path(name)
                          : std::filesystem::path(kOfflineDirectory) / name;
}

std::string settingsLine(std::string_view caption, std::string_view value) {
  std::string line(caption);
  line.resize(kCaptionWidth - 1, ' ');
  return line + ":" + std::string(value) + "\n";
}

void writeFile(const std::filesystem::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::string readFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeSettingsFiles(const CompanyLayout& layout) {
  std::string jewellers = settingsLine("COMPANY", layout.companyPrefix);
  for (const auto& [caption, value] : kOtherSettings) jewellers += settingsLine(caption, value);
  jewellers += settingsLine("SERVER", layout.branchServer);
  jewellers += settingsLine("PASSWORD", layout.password);
  writeFile(layout.home / "jewellers.txt", jewellers);

  writeFile(layout.home / "year.txt",
            settingsLine("FROM DATE", layout.yearStart) + settingsLine("TO DATE", layout.yearEnd));

  std::string servers =
      "# Embedded servers of this program folder: NAME = DIRECTORY (relative to this folder).\n"
      "# Database D of a server is the file DIRECTORY/D.db.\n";
  servers += layout.branchServer + " = " + std::string(kBranchDirectory) + "\n";
  for (const auto& office : layout.headOffices) {
    const std::string directory = headOfficeDirectory(office).generic_string();
    if (!office.reachable) {
      servers += "# " + office.serverName + " serves nothing: its directory does not exist.\n";
    }
    if (office.serverName.find_first_of(";,") != std::string::npos) {
      // No data source can carry such a name: the agent would refuse the line.
      servers += "# " + office.serverName + " cannot be named here.\n";
      continue;
    }
    servers += office.serverName + " = " + directory + "\n";
    if (!office.address.empty()) servers += office.address + " = " + directory + "\n";
  }
  writeFile(layout.home / "servers.txt", servers);
}

std::vector<std::string> addressParts(const HeadOfficeSpec& office) {
  std::vector<std::string> parts;
  if (office.address.empty()) return parts;
  std::string_view rest = office.address;
  for (;;) {
    const auto dot = rest.find('.');
    parts.emplace_back(rest.substr(0, dot));
    if (dot == std::string_view::npos) break;
    rest = rest.substr(dot + 1);
  }
  if (parts.size() != 4) {
    throw std::runtime_error("the address of " + office.serverName + " is not a.b.c.d: " +
                             office.address);
  }
  return parts;
}

std::string optionalLiteral(const std::vector<std::string>& parts, std::size_t index) {
  return index < parts.size() ? sqlLiteral(parts[index]) : "NULL";
}

std::string branchRow(std::string_view compCode, std::string_view name, int branchCode,
                      std::string_view server, std::string_view password,
                      const std::vector<std::string>& ip, std::string_view flag, int order) {
  return "INSERT INTO Branch (CompCode,Branch,BranchCode,ServerName,UserName,PASSword,"
         "Ip1,Ip2,Ip3,Ip4,PortNo,Flag,active,BranchOrder) VALUES (" +
         sqlLiteral(compCode) + "," + sqlLiteral(name) + "," +
         sqlLiteral(std::to_string(branchCode)) + "," + sqlLiteral(server) + ",'sa'," +
         sqlLiteral(password) + "," + optionalLiteral(ip, 0) + "," + optionalLiteral(ip, 1) + "," +
         optionalLiteral(ip, 2) + "," + optionalLiteral(ip, 3) + ",NULL," + sqlLiteral(flag) +
         ",'Y'," + std::to_string(order) + ");\n";
}

std::string siteName(std::string_view prefix, int branchNo) {
  return std::string(prefix) + " BRANCH " + std::to_string(branchNo);
}

// The statements that give a main database its settings rows.
std::string mainSettings(std::string_view prefix, int branchNo, std::string_view server,
                         std::string_view password, const CompanyLayout* branchList) {
  std::string sql =
      "INSERT INTO ParamControl (ParamCode,ParamLONG,ParamDesc) VALUES "
      "('DEFAULTBRANCHCODE'," + std::to_string(branchNo) + ",'Branch number of this site');\n"
      "INSERT INTO ParamControl (ParamCode,ParamLONG,ParamDesc) VALUES "
      "('DECIMALS',3,'Decimals of quantities');\n";
  for (const auto row : kCodeRows) sql += std::string(row) + "\n";
  sql += branchRow(trimmed(prefix), siteName(trimmed(prefix), branchNo), branchNo, server, password,
                   {}, "B", 0);
  if (branchList != nullptr) {
    int order = 1;
    for (const auto& office : branchList->headOffices) {
      sql += branchRow(office.companyPrefix, "HEAD OFFICE " + office.serverName, office.branchNo,
                       office.serverName, office.password, addressParts(office), "H", order++);
    }
  }
  return sql;
}

std::string yearSettings(const CompanyLayout& layout) {
  return "INSERT INTO BControl (Lok,YearControl,FromDate,ToDate) VALUES (0," +
         sqlLiteral(yearSuffix(layout)) + "," + sqlLiteral(isoDate(readDate(layout.yearStart))) +
         "," + sqlLiteral(isoDate(readDate(layout.yearEnd))) + ");\n";
}

std::int16_t firstReachableHeadOffice(const CompanyLayout& layout) {
  for (const auto& office : layout.headOffices) {
    if (office.reachable) return office.branchNo;
  }
  return layout.headOffices.empty() ? std::int16_t{1} : layout.headOffices.front().branchNo;
}

// A branch number other than the branch's and the head office's, for rows
// addressed to some other branch.
std::int16_t otherBranch(const CompanyLayout& layout, std::int16_t headOfficeNo) {
  for (std::int16_t n = 3; n <= kHighestFlagBranch; ++n) {
    if (n != layout.branchNo && n != headOfficeNo) return n;
  }
  return static_cast<std::int16_t>(layout.branchNo + 1);
}

RowPlan basePlan(const CompanyLayout& layout, RowState state, std::int16_t enteredAt) {
  RowPlan plan;
  plan.state = state;
  plan.branchNo = layout.branchNo;
  plan.enteredAt = enteredAt;
  plan.year = readDate(layout.yearStart).year;
  plan.yearControl = yearSuffix(layout);
  return plan;
}

// Rows entered at the branch: its own number in the branch column; indents
// and job cards are raised on the (first) head office.
RowPlan branchPlan(const CompanyLayout& layout, const SampleTable& table, RowState state,
                   int firstKey, int count) {
  RowPlan plan = basePlan(layout, state, layout.branchNo);
  plan.addressedTo =
      equalsNoCase(table.branchColumn, "branch") ? layout.branchNo : firstReachableHeadOffice(layout);
  plan.firstKey = firstKey;
  plan.count = count;
  return plan;
}

RowPlan headOfficePlan(const CompanyLayout& layout, const HeadOfficeSpec& office, RowState state,
                       std::int16_t addressedTo, int firstKey, int count) {
  RowPlan plan = basePlan(layout, state, office.branchNo);
  plan.addressedTo = addressedTo;
  plan.firstKey = firstKey;
  plan.count = count;
  return plan;
}

// The branch: copies received or sent earlier (Transfered 'Y'), and rows
// pending upload keyed from branchNo * 100 + 1.
void fillBranchRows(SqliteFile& file, const CompanyLayout& layout, SiteDatabase database) {
  const int ownKeys = layout.branchNo * 100;
  for (const auto& table : kSampleTables) {
    if (table.database != database) continue;
    if (table.downloaded && !table.uploaded) {
      // Master copies of keys 1 and 2; the head offices hold 2 to 4 undelivered.
      insertSampleRows(file, table, branchPlan(layout, table, RowState::kTransferred, 1, 2));
      continue;
    }
    if (table.downloaded && database == SiteDatabase::kMain) {
      insertSampleRows(file, table, branchPlan(layout, table, RowState::kTransferred, 1, 2));
    } else {
      insertSampleRows(file, table, branchPlan(layout, table, RowState::kTransferred, ownKeys, 1));
    }
    insertSampleRows(file, table, branchPlan(layout, table, RowState::kPending, ownKeys + 1, 3));
  }
}

// A head office: master rows 1 (delivered) and 2 to 4 (undelivered), its own
// transaction rows keyed from its number * 100 + 1, undelivered, the staged
// download tables with rows for this branch and for another branch.
void fillHeadOfficeRows(SqliteFile& file, const CompanyLayout& layout, const HeadOfficeSpec& office,
                        SiteDatabase database) {
  const int ownKeys = office.branchNo * 100;
  const std::int16_t branch = layout.branchNo;
  for (const auto& table : kSampleTables) {
    if (table.database != database) continue;
    if (database == SiteDatabase::kMain && table.downloaded) {
      insertSampleRows(file, table,
                       headOfficePlan(layout, office, RowState::kDelivered, branch, 1, 1));
      insertSampleRows(file, table,
                       headOfficePlan(layout, office, RowState::kUndelivered, branch, 2, 3));
    } else if (!table.branchColumn.empty()) {
      insertSampleRows(file, table, headOfficePlan(layout, office, RowState::kUndelivered, branch,
                                                   ownKeys + 1, 2));
      insertSampleRows(file, table,
                       headOfficePlan(layout, office, RowState::kUndelivered,
                                      otherBranch(layout, office.branchNo), ownKeys + 3, 1));
      insertSampleRows(file, table, headOfficePlan(layout, office, RowState::kDelivered, branch,
                                                   ownKeys + 4, 1));
    } else if (table.downloaded) {
      insertSampleRows(file, table, headOfficePlan(layout, office, RowState::kUndelivered, branch,
                                                   ownKeys + 1, 2));
      insertSampleRows(file, table, headOfficePlan(layout, office, RowState::kDelivered, branch,
                                                   ownKeys + 3, 1));
    } else {
      insertSampleRows(file, table, headOfficePlan(layout, office, RowState::kUndelivered, branch,
                                                   ownKeys + 1, 2));
    }
  }
}

void removeDatabaseFile(const std::filesystem::path& file) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    std::filesystem::remove(file.string() + suffix);
  }
}

// Creates one database file with the schema of `database`, its `settings`
// rows and whatever `fillRows` adds, in one transaction.
template <typename FillRows>
void createDatabase(const std::filesystem::path& file, SiteDatabase database,
                    const std::string& settings, FillRows fillRows) {
  removeDatabaseFile(file);
  SqliteFile db(file, SqliteFile::Mode::kCreate);
  db.exec("BEGIN");
  db.exec(readFile(schemaDirectory() / (database == SiteDatabase::kMain ? "main.sql" : "year.sql")));
  db.exec(settings);
  fillRows(db);
  db.exec("COMMIT");
}

void validate(const CompanyLayout& layout) {
  if (layout.home.empty()) throw std::runtime_error("the program folder is not set");
  if (trimmed(layout.companyPrefix).empty()) throw std::runtime_error("the company prefix is empty");
  if (trimmed(layout.branchServer).empty()) throw std::runtime_error("the branch server is empty");
  if (layout.branchNo == 0) throw std::runtime_error("the branch number is 0");
  (void)yearSuffix(layout);
  for (std::size_t i = 0; i < layout.headOffices.size(); ++i) {
    const auto& office = layout.headOffices[i];
    if (trimmed(office.serverName).empty() || trimmed(office.companyPrefix).empty()) {
      throw std::runtime_error("a head office needs a server name and a company prefix");
    }
    if (isBranchServer(layout, office.serverName)) {
      throw std::runtime_error("head office " + office.serverName + " has the branch's name");
    }
    if (findHeadOffice(layout, office.serverName) != &office ||
        (!office.address.empty() && findHeadOffice(layout, office.address) != &office)) {
      throw std::runtime_error("head office " + office.serverName + " is listed twice");
    }
    (void)addressParts(office);
  }
}

const SampleTable& sampleTable(std::string_view name) {
  const auto* table = findSampleTable(name);
  if (table == nullptr) throw std::runtime_error("no business table " + std::string(name));
  return *table;
}

}  // namespace

CompanyLayout defaultLayout(const std::filesystem::path& home) {
  CompanyLayout layout;
  layout.home = home;
  layout.headOffices = {
      {.serverName = "HO1", .address = "", .companyPrefix = "HOA", .branchNo = 1},
      {.serverName = "HO2", .address = "192.168.10.20", .companyPrefix = "HOB", .branchNo = 2},
      {.serverName = "HO3", .address = "", .companyPrefix = "HOC", .branchNo = 3,
       .reachable = false},
  };
  return layout;
}

std::filesystem::path schemaDirectory() { return VELMORA_SCHEMA_DIR; }

std::string mainDatabaseName(std::string_view companyPrefix) {
  return trimmed(companyPrefix) + "MAIN";
}

std::string yearDatabaseName(const CompanyLayout& layout, std::string_view companyPrefix) {
  return trimmed(companyPrefix) + yearSuffix(layout);
}

std::filesystem::path databaseFile(const CompanyLayout& layout, std::string_view serverNameOrBranch,
                                   std::string_view database) {
  const std::string fileName = std::string(database) + ".db";
  if (isBranchServer(layout, serverNameOrBranch)) {
    return layout.home / kBranchDirectory / fileName;
  }
  return layout.home / headOfficeDirectory(headOffice(layout, serverNameOrBranch)) / fileName;
}

std::filesystem::path branchDatabase(const CompanyLayout& layout, SiteDatabase database) {
  const std::string name = database == SiteDatabase::kMain
                               ? mainDatabaseName(layout.companyPrefix)
                               : yearDatabaseName(layout, layout.companyPrefix);
  return databaseFile(layout, layout.branchServer, name);
}

std::filesystem::path headOfficeDatabase(const CompanyLayout& layout, std::string_view serverName,
                                         SiteDatabase database) {
  const auto& office = headOffice(layout, serverName);
  const std::string name = database == SiteDatabase::kMain
                               ? mainDatabaseName(office.companyPrefix)
                               : yearDatabaseName(layout, office.companyPrefix);
  return databaseFile(layout, office.serverName, name);
}

void layOutCompany(const CompanyLayout& layout) {
  validate(layout);
  std::filesystem::create_directories(layout.home / kBranchDirectory);
  writeSettingsFiles(layout);

  createDatabase(branchDatabase(layout, SiteDatabase::kMain), SiteDatabase::kMain,
                 mainSettings(layout.companyPrefix, layout.branchNo, layout.branchServer,
                              layout.password, &layout),
                 [&](SqliteFile& db) {
                   if (layout.sampleRows) fillBranchRows(db, layout, SiteDatabase::kMain);
                 });
  createDatabase(branchDatabase(layout, SiteDatabase::kYear), SiteDatabase::kYear,
                 yearSettings(layout), [&](SqliteFile& db) {
                   if (layout.sampleRows) fillBranchRows(db, layout, SiteDatabase::kYear);
                 });

  for (const auto& office : layout.headOffices) {
    if (!office.reachable) continue;
    std::filesystem::create_directories(layout.home / headOfficeDirectory(office));
    for (const auto database : {SiteDatabase::kMain, SiteDatabase::kYear}) {
      const std::string settings =
          database == SiteDatabase::kMain
              ? mainSettings(office.companyPrefix, office.branchNo, office.serverName,
                             office.password, nullptr)
              : yearSettings(layout);
      createDatabase(headOfficeDatabase(layout, office.serverName, database), database, settings,
                     [&](SqliteFile& db) {
                       if (layout.sampleRows) fillHeadOfficeRows(db, layout, office, database);
                     });
    }
  }
}

void addPendingRows(const CompanyLayout& layout, std::string_view table, int count) {
  const auto& entry = sampleTable(table);
  if (!entry.uploaded) throw std::runtime_error(std::string(table) + " is not uploaded");
  SqliteFile file(branchDatabase(layout, entry.database), SqliteFile::Mode::kExisting);
  RowPlan plan = branchPlan(layout, entry, RowState::kPending, nextSampleKey(file, entry), count);
  plan.descriptive = false;
  insertSampleRows(file, entry, plan);
}

void addUndeliveredRows(const CompanyLayout& layout, std::string_view hoServer,
                        std::string_view table, int count, bool addressedToBranch) {
  const auto& entry = sampleTable(table);
  const auto& office = headOffice(layout, hoServer);
  SqliteFile file(headOfficeDatabase(layout, office.serverName, entry.database),
                  SqliteFile::Mode::kExisting);
  const std::int16_t addressedTo =
      addressedToBranch ? layout.branchNo : otherBranch(layout, office.branchNo);
  RowPlan plan = headOfficePlan(layout, office, RowState::kUndelivered, addressedTo,
                                nextSampleKey(file, entry), count);
  plan.descriptive = false;
  insertSampleRows(file, entry, plan);
}

}  // namespace velmora::sample
