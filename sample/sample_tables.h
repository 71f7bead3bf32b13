// The catalogue of the 38 business tables of a site: which database holds
// each, how the agent moves it, and what the sample rows vary and fill.
#pragma once

#include <array>
#include <string_view>

namespace velmora::sample {

enum class SiteDatabase { kMain, kYear };

struct SampleTable {
  std::string_view name;          // as the table is created
  SiteDatabase database;
  bool downloaded;                // head office to branch (master or staged download)
  bool uploaded;                  // branch to head office (staged upload)
  std::string_view keyColumns;    // comma-separated; varied from row to row
  std::string_view branchColumn;  // staged download: the column naming the branch a row is for
  std::string_view marker;        // replacement marker column
  std::string_view noun;          // what one row is, for sample names
};

inline constexpr std::size_t kSampleTableCount = 38;

using enum SiteDatabase;

// clang-format off
inline constexpr std::array<SampleTable, kSampleTableCount> kSampleTables = {{
  // name                   database down   up     keyColumns                branchColumn     marker    noun
  {"BANKMASTER",            kMain,   true,  false, "code",                   "",              "de",     "Bank"},
  {"CATEGORY",              kMain,   true,  false, "CATEGORYcode",           "",              "ACTIVE", "Category"},
  {"COLLECTIONMASTER",      kMain,   true,  false, "code",                   "",              "de",     "Collection head"},
  {"CUSTOMER",              kMain,   true,  true,  "CusCode",                "",              "de",     "Customer"},
  {"DEPARTMENT",            kMain,   true,  false, "DEPARTMENTcode",         "",              "Active", "Department"},
  {"DESIGNATION",           kMain,   true,  false, "DESIGNATIONcode",        "",              "Active", "Designation"},
  {"VEHICLEMAINTAIN",       kMain,   true,  false, "code",                   "",              "de",     "Service item"},
  {"VEHICLEMAINTAINGROUP",  kMain,   true,  false, "code",                   "",              "de",     "Service group"},
  {"OPERATOR",              kMain,   true,  true,  "Oper_Code",              "",              "de",     "Operator"},
  {"OPERDEPARTMENT",        kMain,   true,  false, "OPER_code",              "",              "de",     "Operator department"},
  {"SECURITYMAST",          kMain,   true,  false, "oper_code,controlcode",  "",              "de",     "Permission"},
  {"PCOUNTER",              kMain,   true,  false, "COUNTERcode",            "",              "Active", "Counter"},
  {"METERIAL",              kMain,   true,  true,  "METERIALCODE",           "",              "de",     "Spare part"},
  {"PITMASTER",             kMain,   true,  false, "PITcode",                "",              "Active", "Pit"},
  {"SUBPITMASTER",          kMain,   true,  false, "SUBPITcode",             "",              "Active", "Bench"},
  {"PITRATEMASTER",         kMain,   true,  false, "RATEcode",               "",              "Active", "Pit rate"},
  {"PitBataMaster",         kMain,   true,  false, "RATEcode",               "",              "Active", "Pit bata"},
  {"Product",               kMain,   true,  false, "ProCode",                "",              "Active", "Aggregate"},
  {"SALARYMASTER",          kMain,   true,  false, "cuscode",                "",              "de",     "Staff"},
  {"VEHSALARYMASTER",       kMain,   true,  false, "cuscode",                "",              "de",     "Crew"},
  {"SubProduct",            kMain,   true,  false, "SubCode",                "",              "Active", "Grade"},
  {"TYREPOSITION",          kMain,   true,  false, "SubCode",                "",              "Active", "Position"},
  {"VEHICLEMASTER",         kMain,   true,  false, "SubCode",                "",              "Active", "Tipper"},
  {"CASHCOUNTER",           kMain,   false, true,  "CashCountercode",        "",              "Active", "Counter"},
  {"OPERATORLog",           kMain,   false, true,  "Oper_Code",              "",              "de",     "Operator"},
  {"STAFFATTND",            kMain,   false, true,  "Oper_Code",              "",              "de",     "Attendance"},
  {"INDENT",                kYear,   true,  true,  "IndentNo,RefNo",         "indentbranch",  "de",     "Indent"},
  {"BRANCHINDENT",          kYear,   true,  true,  "IndentNo,RefNo",         "indentbranch",  "de",     "Branch indent"},
  {"INVENTORYTRANS",        kYear,   true,  true,  "IndentNo,BILLNo,RefNo",  "branch",        "de",     "Stock entry"},
  {"ACHEADMASTER",          kYear,   true,  true,  "CusCode",                "",              "de",     "Account head"},
  {"PRODUCTION",            kYear,   false, true,  "BILLNo,RefNo",           "",              "de",     "Production"},
  {"PRODUCTIONTRAN",        kYear,   false, true,  "RefNo",                  "",              "de",     "Trip"},
  {"TYRETRANS",             kYear,   false, true,  "BILLNo,RefNo",           "",              "de",     "Tyre entry"},
  {"DPURCHASE",             kYear,   false, true,  "BILLNo,RefNo",           "",              "de",     "Purchase"},
  {"OUTSTANDING",           kYear,   true,  true,  "BILLNo,RefNo",           "",              "de",     "Bill"},
  {"VEHICLEEXPENSES",       kYear,   true,  true,  "BILLNo,RefNo",           "",              "de",     "Expense"},
  {"JOBWORK",               kYear,   true,  true,  "JobCardNo,RefNo",        "JobCardBranch", "de",     "Job card"},
  {"JOBWORKDETAILS",        kYear,   true,  true,  "JobCardNo,RefNo",        "JobCardBranch", "de",     "Job line"},
}};
// clang-format on

// The catalogue entry of `name`, compared without regard to letter case
// (Operator finds OPERATOR); nullptr when the table is not a business table.
const SampleTable* findSampleTable(std::string_view name);

// True when a and b are equal without regard to ASCII letter case.
bool equalsNoCase(std::string_view a, std::string_view b);

}  // namespace velmora::sample
