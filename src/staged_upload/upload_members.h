// The eighteen members of the staged upload as constant data, and the
// statements each member runs.
//
// A member is one uploaded table. Its parameters come in two tables: the
// branch side (pair, site gate, probe, TmpRno preparation, lock statements,
// source rows) and the head-office side (key form, insert filter, delete
// statement, BR number, error label and the number its error messages start
// with). The two tables list the members in the same order; kUploadMembers
// joins them row by row. The field maps are in staged_upload/field_maps.h.
//
// Every statement text the upload runs is built here, byte for byte; the
// procedure in staged_upload.cpp only runs them.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "transfer/agent_context.h"
#include "transfer/transfer_conventions.h"

namespace velmora {

// How the probe statement is spaced around its lock hint.
enum class ProbeForm {
  kA,  // "... From T with (nolock)  Where ..."
  kB,  // "... From T  with (nolock) Where ..."
};

enum class SourceRows {
  kAllPending,     // every pending row
  kFirstThousand,  // at most 1000 pending rows, in no set order
};

// The key form gives the mark statement and the BR statement of the merge.
enum class KeyForm {
  kInsertOnly,  // no mark, delete or BR statement
  kCashCounterCode,
  kCustomerCode,
  kAccountHeadCode,
  kIndentKey,
  kProductionKey,
  kTyreKey,
  kPurchaseKey,
  kBillKey,
  kJobCardKey,
  kAttendanceKey,
  kOperatorKey,
  kMaterialKey,
};

// What follows the insert statement's staging table name.
enum class InsertFilter {
  kNoFilter,             // " "
  kPending,              // " Where isnull(Transfered,'')<>'Y' "
  kPendingWithoutLocks,  // " with (NoLock) Where isnull(Transfered,'')<>'Y' "
};

// Which branch number a statement or an error message uses.
enum class BranchNumber {
  kNoNumber,
  kBranchNo,         // this branch's number
  kCentralBranchNo,  // the current head office's number
};

struct UploadBranchSide {
  std::string_view table;           // T, spelled as every statement writes it
  Pair pair;
  bool siteGate;                    // runs only for the "ZEMRA" company
  ProbeForm probe;
  bool tmpRnoPreparation;
  std::string_view branchLock;      // run on the local connection
  std::string_view headOfficeLock;  // run on the central connection
  SourceRows sourceRows;
};

struct UploadHeadOfficeSide {
  std::string_view table;
  KeyForm keyForm;
  InsertFilter insertFilter;
  std::string_view deleteStatement;  // byte for byte; empty when there is none
  BranchNumber brNumber;
  std::string_view errorLabel;
  BranchNumber messagePrefix;
};

struct UploadMember {
  UploadBranchSide branch;
  UploadHeadOfficeSide headOffice;
  constexpr std::string_view table() const { return branch.table; }
};

namespace upload_parameters {

using enum Pair;
using enum ProbeForm;
using enum SourceRows;
using enum KeyForm;
using enum InsertFilter;
using enum BranchNumber;

inline constexpr std::array<UploadBranchSide, 18> kUploadBranchSide = {{
    // table             pair   gate   probe TmpRno lock at branch       lock at head office  source rows
    {"CASHCOUNTER",     kMain, false, kA,   false, kCodeLock,          kCodeLock,          kAllPending},
    {"CUSTOMER",        kMain, false, kA,   false, kCodeLock,          kCodeLock,          kAllPending},
    {"INDENT",          kYear, false, kB,   true,  kBControlLock,      kBControlLock,      kAllPending},
    {"BRANCHINDENT",    kYear, false, kB,   true,  kBControlLock,      kBControlLock,      kAllPending},
    {"INVENTORYTRANS",  kYear, false, kB,   true,  kBControlLock,      kBControlLock,      kFirstThousand},
    {"ACHEADMASTER",    kYear, false, kA,   false, kBcontrolLockBlank, kBControlLockBlank, kAllPending},
    {"PRODUCTION",      kYear, false, kB,   true,  kBControlLock,      kBControlLock,      kAllPending},
    {"PRODUCTIONTRAN",  kYear, false, kB,   true,  kBControlLock,      kBControlLock,      kAllPending},
    {"TYRETRANS",       kYear, false, kB,   true,  kBControlLock,      kBControlLock,      kAllPending},
    {"STAFFATTND",      kMain, false, kA,   true,  kCodeLock,          kCodeLock,          kAllPending},
    {"Operator",        kMain, false, kA,   false, kCodeLock,          kCodeLock,          kAllPending},
    {"METERIAL",        kMain, true,  kA,   false, kCodeLock,          kCodeLock,          kAllPending},
    {"OPERATORLog",     kMain, true,  kA,   false, kCodeLock,          kCodeLock,          kAllPending},
    {"DPURCHASE",       kYear, false, kB,   true,  kBControlLock,      kBControlLock,      kAllPending},
    {"OUTSTANDING",     kYear, false, kB,   true,  kBControlLock,      kBControlLock,      kAllPending},
    {"VEHICLEEXPENSES", kYear, false, kB,   true,  kBControlLock,      kBControlLock,      kAllPending},
    {"JOBWORK",         kYear, false, kB,   true,  kBControlLock,      kBControlLock,      kAllPending},
    {"JOBWORKDETAILS",  kYear, false, kB,   true,  kBControlLock,      kBControlLock,      kAllPending},
}};

inline constexpr std::array<UploadHeadOfficeSide, 18> kUploadHeadOfficeSide = {{
    // table             key form          insert filter         delete statement                              BR number         error label                 message prefix
    {"CASHCOUNTER",     kCashCounterCode, kNoFilter,            "Delete from CASHCOUNTER where ACTIVE='X' ",   kCentralBranchNo, "CASHCOUNTERMASTERDOWNLOAD", kCentralBranchNo},
    {"CUSTOMER",        kCustomerCode,    kNoFilter,            "Delete from CUSTOMER where de='X' ",          kBranchNo,        "CUSTOMERMASTERDOWNLOAD",    kCentralBranchNo},
    {"INDENT",          kIndentKey,       kPendingWithoutLocks, "Delete from INDENT where de='X' ",            kBranchNo,        "INDENTDOWNLOAD",            kCentralBranchNo},
    {"BRANCHINDENT",    kIndentKey,       kPendingWithoutLocks, "Delete from BRANCHINDENT where de='X' ",      kBranchNo,        "BRANCHINDENTDOWNLOAD",      kBranchNo},
    {"INVENTORYTRANS",  kIndentKey,       kPendingWithoutLocks, "Delete from INVENTORYTRANS where de='X' ",    kBranchNo,        "INVENTORYTRANSDOWNLOAD",    kCentralBranchNo},
    {"ACHEADMASTER",    kAccountHeadCode, kPending,             "Delete from ACHEADMASTER where de='X' ",      kBranchNo,        "ACHEADDOWNLOAD",            kCentralBranchNo},
    {"PRODUCTION",      kProductionKey,   kPendingWithoutLocks, "Delete from PRODUCTION where de='X' ",        kBranchNo,        "PRODUCTIONDOWNLOAD",        kCentralBranchNo},
    {"PRODUCTIONTRAN",  kProductionKey,   kPendingWithoutLocks, "Delete from PRODUCTIONTRAN where de='X' ",    kBranchNo,        "PRODUCTIONTRANDOWNLOAD",    kCentralBranchNo},
    {"TYRETRANS",       kTyreKey,         kPendingWithoutLocks, "Delete from TYRETRANS where de='X' ",         kBranchNo,        "TYRETRANDOWNLOAD",          kCentralBranchNo},
    {"STAFFATTND",      kAttendanceKey,   kPending,             "Delete from STAFFATTND where de='X' ",        kBranchNo,        "STAFFATTNDDOWNLOAD",        kCentralBranchNo},
    {"Operator",        kOperatorKey,     kPending,             "Delete from Operator where de='X' ",          kBranchNo,        "OperatorDOWNLOAD",          kCentralBranchNo},
    {"METERIAL",        kMaterialKey,     kPending,             "Delete from METERIAL where de='X' ",          kBranchNo,        "METERIALDOWNLOAD",          kCentralBranchNo},
    {"OPERATORLog",     kInsertOnly,      kPending,             "",                                            kNoNumber,        "OPERATORLOGDOWNLOAD",       kCentralBranchNo},
    {"DPURCHASE",       kPurchaseKey,     kPendingWithoutLocks, "Delete from DPURCHASE where de='X' ",         kBranchNo,        "DPURCHASEDOWNLOAD",         kCentralBranchNo},
    {"OUTSTANDING",     kBillKey,         kPendingWithoutLocks, "Delete from OUTSTANDING where de='X' ",       kBranchNo,        "OUTSTANDINGDOWNLOAD",       kCentralBranchNo},
    {"VEHICLEEXPENSES", kBillKey,         kPendingWithoutLocks, "Delete from VEHICLEEXPENSES where de='X' ",   kBranchNo,        "VEHICLEEXPENSESDOWNLOAD",   kCentralBranchNo},
    {"JOBWORK",         kJobCardKey,      kPendingWithoutLocks, "Delete from JOBWORK where de='X' ",           kBranchNo,        "JOBWORKDOWNLOAD",           kCentralBranchNo},
    {"JOBWORKDETAILS",  kJobCardKey,      kPendingWithoutLocks, "Delete from JOBWORKDETAILS where de='X' ",    kBranchNo,        "JOBWORKDETAILSDOWNLOAD",    kCentralBranchNo},
}};

}  // namespace upload_parameters

using upload_parameters::kUploadBranchSide;
using upload_parameters::kUploadHeadOfficeSide;

namespace upload_detail {
constexpr std::array<UploadMember, 18> joinSides() {
  std::array<UploadMember, 18> members{};
  for (std::size_t i = 0; i < members.size(); ++i) {
    members[i] = {kUploadBranchSide[i], kUploadHeadOfficeSide[i]};
  }
  return members;
}
constexpr bool sidesAligned() {
  for (std::size_t i = 0; i < kUploadBranchSide.size(); ++i) {
    if (kUploadBranchSide[i].table != kUploadHeadOfficeSide[i].table) return false;
  }
  return true;
}
}  // namespace upload_detail

static_assert(upload_detail::sidesAligned(), "the two parameter tables list the same members");

// The eighteen members, both sides joined.
inline constexpr std::array<UploadMember, 18> kUploadMembers = upload_detail::joinSides();

// The member of `table` (exact spelling), or nullptr.
const UploadMember* findUploadMember(std::string_view table);

// ---------------------------------------------------------------------------
// Statements. `settings` gives the site id that names the staging table;
// every text is returned byte for byte as it is run.

// Whether a member with a site gate may run for `companyPrefix`: the prefix,
// without leading and trailing blanks and folded to upper case, is "ZEMRA".
// Members without a site gate always may.
bool siteGateOpen(const UploadMember& member, std::string_view companyPrefix);

// The condition that selects the member's pending branch rows, as the probe,
// the branch snapshot and the source statement write it after "Where ":
// "isnull(Transfered,'')<>'Y' ".
std::string_view pendingCondition(const UploadMember& member);

// The probe for pending rows, in the member's form.
std::string probeStatement(const UploadMember& member);

// Copies Rno into a pending row's TmpRno where that is still null or 0.
std::string tmpRnoStatement(const UploadMember& member);

// Copies every pending row into the branch's staging table.
std::string branchSnapshotStatement(const UploadMember& member, const Settings& settings);

// Creates the empty staging table at the head office with T's columns.
std::string headOfficeStagingStatement(const UploadMember& member, const Settings& settings);

// The pending rows that the row-copy loop reads (INVENTORYTRANS: at most 1000).
std::string sourceStatement(const UploadMember& member);

// The staging rows that the row-copy loop adds to.
std::string stagingRowsStatement(const Settings& settings);

// The mark statement of the member's key form. Empty for the insert-only member.
std::string markStatement(const UploadMember& member, const Settings& settings);

// Inserts the staged rows into T, with the member's insert filter.
std::string insertStatement(const UploadMember& member, const Settings& settings,
                            std::string_view columnList);

// The BR statement of the member's key form, setting BR + `branchNumberText`.
// Empty for the insert-only member.
std::string brStatement(const UploadMember& member, const Settings& settings,
                        std::string_view branchNumberText);

// The number that `which` names in the current context (0 for kNoNumber).
std::int16_t branchNumberOf(BranchNumber which, const AgentContext& context);

}  // namespace velmora
