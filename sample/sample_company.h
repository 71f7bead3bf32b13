// The sample company: lays out a program folder in which a branch and its
// head offices are embedded servers (SQLite files named in servers.txt), with
// the settings files, the full schema of the main and year databases, the
// Branch list and, on request, a realistic handful of rows in every table.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "sample_sql.h"
#include "sample_tables.h"

namespace velmora::sample {

struct HeadOfficeSpec {
  std::string serverName;     // the linked-server name and a servers.txt name, e.g. "HO1"
  std::string address;        // optional, e.g. "192.168.10.20": servers.txt maps it to the same
                              // directory and the Branch row carries it in Ip1..Ip4
  std::string companyPrefix;  // its databases are <prefix>MAIN and <prefix><year suffix>
  std::int16_t branchNo = 1;  // its BranchCode
  bool reachable = true;      // false: listed in Branch, but servers.txt points it at a
                              // directory that does not exist, so connecting fails at once
  std::string password = "hopass";
};

struct CompanyLayout {
  std::filesystem::path home;          // the program folder to create
  std::string branchServer = "BRANCH"; // jewellers.txt line 12; servers.txt maps it to home/branch
  std::string companyPrefix = "VEL";   // jewellers.txt line 1
  std::string password = "secret";     // jewellers.txt line 13
  std::int16_t branchNo = 7;           // ParamControl DEFAULTBRANCHCODE
  std::string yearStart = "01/04/2019", yearEnd = "31/03/2020";  // year.txt lines 1 and 2
  std::vector<HeadOfficeSpec> headOffices;
  bool sampleRows = true;              // fill every business table on every site
};

// The layout the demo uses: head office HO1 (prefix HOA, branch 1) reached by
// name, HO2 (prefix HOB, branch 2) reached by the address 192.168.10.20, and
// HO3 (prefix HOC, branch 3), listed but unreachable.
CompanyLayout defaultLayout(const std::filesystem::path& home);

// Creates `layout.home` with jewellers.txt (13 lines: a 12-character caption,
// the value from the 13th character), year.txt, servers.txt and the SQLite
// files of the branch and of every reachable head office: full schema, Code
// and BControl rows, ParamControl DEFAULTBRANCHCODE, and a Branch table that
// lists the company itself (Flag 'B') and, at the branch, every head office
// (Flag 'H', active 'Y', in list order). Database files left from an earlier
// layout are replaced. Throws std::runtime_error on failure or invalid layout.
void layOutCompany(const CompanyLayout& layout);

// The folder of the schema files: main.sql and year.sql (SQLite), and
// sqlserver/main.sql and sqlserver/year.sql produced from them.
std::filesystem::path schemaDirectory();

// The name of a main database: prefix + "MAIN".
std::string mainDatabaseName(std::string_view companyPrefix);

// The name of a financial-year database: prefix + two-digit year of
// layout.yearStart + two-digit year of layout.yearEnd (VEL1920). Throws
// std::runtime_error when a year date cannot be read.
std::string yearDatabaseName(const CompanyLayout& layout, std::string_view companyPrefix);

// The file of database `database` on the server `serverNameOrBranch`: the
// branch's server (layout.branchServer, or "branch"), or a head office by
// server name or address, compared without regard to letter case; e.g.
// home/branch/VELMAIN.db. Throws std::runtime_error for an unknown server.
std::filesystem::path databaseFile(const CompanyLayout& layout,
                                   std::string_view serverNameOrBranch,
                                   std::string_view database);

// The branch's main or year database file.
std::filesystem::path branchDatabase(const CompanyLayout& layout, SiteDatabase database);

// The main or year database file of head office `serverName`. Throws
// std::runtime_error for an unknown head office.
std::filesystem::path headOfficeDatabase(const CompanyLayout& layout, std::string_view serverName,
                                         SiteDatabase database);

// Adds `count` rows pending upload (Transfered null, '' or 'N') to the
// branch's copy of upload table `table`, with keys above the existing ones and
// the other columns null, except those an upload needs (document dates,
// IndentBranch, JobCardBranch, Branch). Throws std::runtime_error for a table
// that is not uploaded or on failure.
void addPendingRows(const CompanyLayout& layout, std::string_view table, int count);

// Adds `count` rows undelivered to the branch (BR<branchNo> null) to `table`
// at head office `hoServer`, keys above the existing ones, other columns null
// but the needed ones. Tables with a branch column (INDENT, BRANCHINDENT,
// INVENTORYTRANS, JOBWORK, JOBWORKDETAILS) address the rows to the branch when
// `addressedToBranch`, else to another branch number. Throws
// std::runtime_error for an unknown table or head office or on failure.
void addUndeliveredRows(const CompanyLayout& layout, std::string_view hoServer,
                        std::string_view table, int count, bool addressedToBranch = true);

}  // namespace velmora::sample
