// The eight tables of the staged download and the parameters that set their
// statements apart, in the order in which the cycle runs them.
#pragma once

#include <array>
#include <string_view>

namespace velmora {

// Which head-office rows get their TmpRno numbered, and when. Every form
// numbers only rows whose TmpRno is still 0 or null, on the central
// connection, before the transactions begin (what it did stays done even
// when the step fails later).
enum class DownloadNumbering {
  kNone,
  kUntransferredBeforeBuild,  // rows not yet transferred, between staging drop and build
  kAllBeforeBuild,            // every row, between staging drop and build
  kAllFirst,                  // every row, before the staging drop
};

// How branch rows are matched with staged rows: one of the join clauses, or
// the subquery on cuscode (which also gives the member its own lock and its
// own spacing in the staging build and the flag statement).
enum class DownloadMatch {
  kClauseI,          // indents
  kClauseJ,          // job cards
  kClauseV,          // inventory movements
  kClauseO,          // outstanding bills (lower-case billno in the branch stamp)
  kClauseE,          // vehicle expenses
  kCuscodeSubquery,  // account heads
};

// Which branch number starts the message of the member's error row.
enum class ErrorPrefix { kBranchNo, kCentralBranchNo };

struct DownloadMember {
  std::string_view table;        // T, spelled as the statements write it
  std::string_view filter;       // F, the column addressing a row to a branch; empty when none
  DownloadNumbering numbering;
  DownloadMatch match;
  std::string_view insertAlias;  // the staging table's alias in the insert ("B", "b", or none)
  std::string_view flagIsnull;   // spelling of isnull in the flag condition of members without F
  std::string_view label;        // error-row module label
  ErrorPrefix prefix;
};

inline constexpr std::array<DownloadMember, 8> kDownloadMembers = {{
    // table             filter           numbering                                     match                             alias flag-isnull label                    prefix
    {"INDENT",          "indentbranch",  DownloadNumbering::kUntransferredBeforeBuild, DownloadMatch::kClauseI,          "B",  "isnull",   "INDENTUPLOAD",          ErrorPrefix::kBranchNo},
    {"JOBWORK",         "JobCardBranch", DownloadNumbering::kUntransferredBeforeBuild, DownloadMatch::kClauseJ,          "B",  "isnull",   "JOBWORKUPLOAD",         ErrorPrefix::kBranchNo},
    {"JOBWORKDETAILS",  "JobCardBranch", DownloadNumbering::kUntransferredBeforeBuild, DownloadMatch::kClauseJ,          "B",  "isnull",   "JOBWORKDETAILSUPLOAD",  ErrorPrefix::kBranchNo},
    {"BRANCHINDENT",    "indentbranch",  DownloadNumbering::kNone,                     DownloadMatch::kClauseI,          "b",  "isnull",   "BRANCHINDENTUPLOAD",    ErrorPrefix::kBranchNo},
    {"INVENTORYTRANS",  "branch",        DownloadNumbering::kNone,                     DownloadMatch::kClauseV,          "b",  "isnull",   "INVENTORYTRANSUPLOAD",  ErrorPrefix::kCentralBranchNo},
    {"OUTSTANDING",     "",              DownloadNumbering::kAllBeforeBuild,           DownloadMatch::kClauseO,          "b",  "isnull",   "OUTSTANDINGUPLOAD",     ErrorPrefix::kCentralBranchNo},
    {"ACHEADMASTER",    "",              DownloadNumbering::kNone,                     DownloadMatch::kCuscodeSubquery,  "",   "isnull",   "ACHEADUPLOAD",          ErrorPrefix::kCentralBranchNo},
    {"VEHICLEEXPENSES", "",              DownloadNumbering::kAllFirst,                 DownloadMatch::kClauseE,          "B",  "ISNULL",   "VEHICLEEXPENSESUPLOAD", ErrorPrefix::kBranchNo},
}};

// The member of `table` (exact spelling), or nullptr.
const DownloadMember* findDownloadMember(std::string_view table);

}  // namespace velmora
