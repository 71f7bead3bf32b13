// The 48 transfer steps that every tick runs against one head office, in
// order: the status text shown while the step runs, the family that performs
// it, the table(s) it moves and the connection pair it works on.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "transfer/transfer_conventions.h"

namespace velmora {

enum class Family { kMasterDownload, kStagedUpload, kStagedDownload };

struct StepEntry {
  std::string_view status;
  Family family;
  std::string_view table;
  std::string_view secondTable;  // step 22 moves two tables; empty elsewhere
  Pair pair;
};

using enum Family;
using enum Pair;

inline constexpr std::array<StepEntry, 48> kStepTable = {{
    {" Processing BANKMASTER DOWNLOAD ",                kMasterDownload, "BANKMASTER",           "",                kMain},
    {" Processing CASHCOUNTER UPLOAD ",                 kStagedUpload,   "CASHCOUNTER",          "",                kMain},
    {" Processing CATEGORY DOWNLOAD ",                  kMasterDownload, "CATEGORY",             "",                kMain},
    {" Processing COLLECTIONMASTER DOWNLOAD ",          kMasterDownload, "COLLECTIONMASTER",     "",                kMain},
    {" Processing CUSTOMERMASTER UPLOAD ",              kStagedUpload,   "CUSTOMER",             "",                kMain},
    {" Processing CUSTOMERMASTER DOWNLOAD ",            kMasterDownload, "CUSTOMER",             "",                kMain},
    {" Processing DEPARTMENT DOWNLOAD ",                kMasterDownload, "DEPARTMENT",           "",                kMain},
    {" Processing DESIGNATION DOWNLOAD ",               kMasterDownload, "DESIGNATION",          "",                kMain},
    {" Processing VEHICLEMAINTAIN DOWNLOAD ",           kMasterDownload, "VEHICLEMAINTAIN",      "",                kMain},
    {" Processing VEHICLEMAINTAINGROUP DOWNLOAD ",      kMasterDownload, "VEHICLEMAINTAINGROUP", "",                kMain},
    {" Processing OPERATOR DOWNLOAD ",                  kMasterDownload, "OPERATOR",             "",                kMain},
    {" Processing OPERATOR UPLOAD ",                    kStagedUpload,   "Operator",             "",                kMain},
    {" Processing OPER_DEPARTMENT DOWNLOAD ",           kMasterDownload, "OPERDEPARTMENT",       "",                kMain},
    {" Processing SECURITY MASTER DOWNLOAD ",           kMasterDownload, "SECURITYMAST",         "",                kMain},
    {" Processing PCOUNTER DOWNLOAD ",                  kMasterDownload, "PCOUNTER",             "",                kMain},
    {" Processing METERIAL DOWNLOAD ",                  kMasterDownload, "METERIAL",             "",                kMain},
    {" Processing PITMASTER DOWNLOAD ",                 kMasterDownload, "PITMASTER",            "",                kMain},
    {" Processing SUBPITMASTER DOWNLOAD ",              kMasterDownload, "SUBPITMASTER",         "",                kMain},
    {" Processing PITRATEMASTER DOWNLOAD ",             kMasterDownload, "PITRATEMASTER",        "",                kMain},
    {" Processing PITBATAMASTER DOWNLOAD ",             kMasterDownload, "PitBataMaster",        "",                kMain},
    {" Processing PRODUCT DOWNLOAD ",                   kMasterDownload, "Product",              "",                kMain},
    {" Processing SALARYMASTER DOWNLOAD ",              kMasterDownload, "SALARYMASTER",         "VEHSALARYMASTER", kMain},
    {" Processing SUBPRODUCT DOWNLOAD ",                kMasterDownload, "SubProduct",           "",                kMain},
    {" Processing TYREPOSITION DOWNLOAD ",              kMasterDownload, "TYREPOSITION",         "",                kMain},
    {" Processing VEHICLEMASTER UPLOAD ",               kMasterDownload, "VEHICLEMASTER",        "",                kMain},
    {" Processing INDENT UPLOAD ",                      kStagedUpload,   "INDENT",               "",                kYear},
    {" Processing METERIAL UPLOAD ",                    kStagedUpload,   "METERIAL",             "",                kMain},
    {" Processing OPERATORLOG UPLOAD ",                 kStagedUpload,   "OPERATORLog",          "",                kMain},
    {" Processing INDENT DOWNLOAD ",                    kStagedDownload, "INDENT",               "",                kYear},
    {" Processing JOBCARD UPLOAD ",                     kStagedUpload,   "JOBWORK",              "",                kYear},
    {" Processing JOBCARD DOWNLOAD ",                   kStagedDownload, "JOBWORK",              "",                kYear},
    {" Processing JOBCARD DETAILS UPLOAD ",             kStagedUpload,   "JOBWORKDETAILS",       "",                kYear},
    {" Processing JOBCARD DETAILS DOWNLOAD ",           kStagedDownload, "JOBWORKDETAILS",       "",                kYear},
    {" Processing BRANCHINDENT UPLOAD ",                kStagedUpload,   "BRANCHINDENT",         "",                kYear},
    {" Processing BRANCH INDENT DOWNLOAD ",             kStagedDownload, "BRANCHINDENT",         "",                kYear},
    {" Processing INVENTORY UPLOAD ",                   kStagedUpload,   "INVENTORYTRANS",       "",                kYear},
    {" Processing INVENTORY DOWNLOAD ",                 kStagedDownload, "INVENTORYTRANS",       "",                kYear},
    {" Processing OUTSTANDING UPLOAD ",                 kStagedUpload,   "OUTSTANDING",          "",                kYear},
    {" Processing OUTSTANDING DOWNLOAD ",               kStagedDownload, "OUTSTANDING",          "",                kYear},
    {" Processing ACHEAD UPLOAD ",                      kStagedUpload,   "ACHEADMASTER",         "",                kYear},
    {" Processing ACHEAD DOWNLOAD ",                    kStagedDownload, "ACHEADMASTER",         "",                kYear},
    {" Processing PRODUCTION UPLOAD ",                  kStagedUpload,   "PRODUCTION",           "",                kYear},
    {" Processing PRODUCTION TRANSACTION UPLOAD ",      kStagedUpload,   "PRODUCTIONTRAN",       "",                kYear},
    {" Processing TYRE TRANSACTION UPLOAD ",            kStagedUpload,   "TYRETRANS",            "",                kYear},
    {" Processing STAFF ATTENDANCE UPLOAD ",            kStagedUpload,   "STAFFATTND",           "",                kMain},
    {" Processing PURCHASE UPLOAD ",                    kStagedUpload,   "DPURCHASE",            "",                kYear},
    {" Processing VEHICLE EXPENSES UPLOAD ",            kStagedUpload,   "VEHICLEEXPENSES",      "",                kYear},
    {" Processing VEHICLE EXPENSES DOWNLOAD ",          kStagedDownload, "VEHICLEEXPENSES",      "",                kYear},
}};

constexpr std::size_t countSteps(Family family) {
  std::size_t n = 0;
  for (const StepEntry& e : kStepTable) n += e.family == family ? 1 : 0;
  return n;
}

static_assert(kStepTable.size() == 48);
static_assert(countSteps(kMasterDownload) == 22);
static_assert(countSteps(kStagedUpload) == 18);
static_assert(countSteps(kStagedDownload) == 8);

}  // namespace velmora
