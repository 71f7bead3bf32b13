// The field maps of the staged uploads: for each of the eighteen uploaded
// tables, the ordered list of column assignments that fills a new row of the
// head-office staging table from one pending branch row.
//
// A map is applied as `own` first, then `trail`, one assignment at a time in
// array order: read the source column of the branch row, convert it, and
// assign the result to the target column of the staging row. An if-present
// conversion whose source is not present assigns nothing; a blank reads no
// source column. Where a column is assigned twice (OPERATORLog `Updated`),
// the later assignment that takes effect wins. A staging column that no
// assignment names stays null.
//
// The seven master and register maps (CASHCOUNTER, CUSTOMER, ACHEADMASTER,
// STAFFATTND, Operator, METERIAL, OPERATORLog) keep all their assignments in
// `own`. The eleven transaction maps hold their table's own columns in `own`
// and share the 23 trail columns (row keys, audit columns, transfer columns
// and the BR1, BR2, BR3, BR4 and BR12 delivery flags) in `trail`.
//
// Column names are spelled as the tables spell them and are matched by the
// database without regard to letter case.
#pragma once

#include <cstddef>
#include <iterator>
#include <span>
#include <string_view>

#include "transfer/conversions.h"

namespace velmora {

// One column of a staging row: `target` receives `source` of the branch row,
// converted by `conversion`.
struct Assignment {
  std::string_view target;
  std::string_view source;
  Conversion conversion;
};

struct FieldMap {
  std::string_view table;             // as the table's statements spell it
  std::span<const Assignment> own;    // the table's own assignments, applied first
  std::span<const Assignment> trail;  // the shared trail columns, or empty
  constexpr std::size_t size() const { return own.size() + trail.size(); }
};

// The trail columns: shared by the eleven transaction maps and applied after
// each map's own assignments.
inline constexpr Assignment kTrailAssignments[] = {
    // number (4)
    {"Branch",         "Branch",         Conversion::kNumber},
    {"RefNo",          "RefNo",          Conversion::kNumber},
    {"RecIssNo",       "RecIssNo",       Conversion::kNumber},
    {"TmpRno",         "TmpRno",         Conversion::kNumber},
    // audit and transfer columns, as the branch row holds them before its stamp
    {"Updated",        "Updated",        Conversion::kDateIfPresent},
    {"UpTime",         "UpTime",         Conversion::kTextIfPresent},
    {"Edi",            "Edi",            Conversion::kText},
    {"EDIDated",       "EDIDated",       Conversion::kDateIfPresent},
    {"EdiTime",        "EdiTime",        Conversion::kTextIfPresent},
    {"De",             "De",             Conversion::kText},
    {"DeDated",        "DeDated",        Conversion::kDateIfPresent},
    {"DeTime",         "DeTime",         Conversion::kTextIfPresent},
    {"upStaff",        "upStaff",        Conversion::kText},
    {"ediStaff",       "ediStaff",       Conversion::kText},
    {"deStaff",        "deStaff",        Conversion::kText},
    {"Transfered",     "Transfered",     Conversion::kText},
    {"TransferedDate", "TransferedDate", Conversion::kDateIfPresent},
    {"TransferedTime", "TransferedTime", Conversion::kTextIfPresent},
    // blank (5): the only delivery flags a map writes
    {"BR1",            "BR1",            Conversion::kBlank},
    {"BR2",            "BR2",            Conversion::kBlank},
    {"BR3",            "BR3",            Conversion::kBlank},
    {"BR4",            "BR4",            Conversion::kBlank},
    {"BR12",           "BR12",           Conversion::kBlank},
};

// CASHCOUNTER.
inline constexpr Assignment kCashCounterAssignments[] = {
    // text (6)
    {"CASHCOUNTER",               "CASHCOUNTER",               Conversion::kText},
    {"CashCountercode",           "CashCountercode",           Conversion::kText},
    {"Active",                    "Active",                    Conversion::kText},
    {"Node_ID",                   "Node_ID",                   Conversion::kText},
    {"upStaff",                   "upStaff",                   Conversion::kText},
    {"Transfered",                "Transfered",                Conversion::kText},
    // number (20)
    {"BranchCode",                "BranchCode",                Conversion::kNumber},
    {"SuperMarketEstNo",          "SuperMarketEstNo",          Conversion::kNumber},
    {"SuperMarketSalNo",          "SuperMarketSalNo",          Conversion::kNumber},
    {"SuperMarketSalRetNo",       "SuperMarketSalRetNo",       Conversion::kNumber},
    {"SuperMarketPurNo",          "SuperMarketPurNo",          Conversion::kNumber},
    {"SuperMarketPurRetNo",       "SuperMarketPurRetNo",       Conversion::kNumber},
    {"OutStandReceiptNo",         "OutStandReceiptNo",         Conversion::kNumber},
    {"OutStandIssueNo",           "OutStandIssueNo",           Conversion::kNumber},
    {"PaymentNo",                 "PaymentNo",                 Conversion::kNumber},
    {"SuperMarketEstRetNo",       "SuperMarketEstRetNo",       Conversion::kNumber},
    {"DPurHoldNo",                "DPurHoldNo",                Conversion::kNumber},
    {"DPurRecNo",                 "DPurRecNo",                 Conversion::kNumber},
    {"DPurIssNo",                 "DPurIssNo",                 Conversion::kNumber},
    {"SuperMarketEstOrderNo",     "SuperMarketEstOrderNo",     Conversion::kNumber},
    {"SuperMarketOrderNo",        "SuperMarketOrderNo",        Conversion::kNumber},
    {"SuperMarketDeliveryNoteNo", "SuperMarketDeliveryNoteNo", Conversion::kNumber},
    {"SuperMarketRejectionINNo",  "SuperMarketRejectionINNo",  Conversion::kNumber},
    {"SuperMarketOrdDeliveryNo",  "SuperMarketOrdDeliveryNo",  Conversion::kNumber},
    {"TRANNO",                    "TRANNO",                    Conversion::kNumber},
    {"PROJECTCODE",               "PROJECTCODE",               Conversion::kNumber},
    // date if present (2)
    {"Updated",                   "Updated",                   Conversion::kDateIfPresent},
    {"TransferedDate",            "TransferedDate",            Conversion::kDateIfPresent},
    // text if present (2)
    {"UpTime",                    "UpTime",                    Conversion::kTextIfPresent},
    {"TransferedTime",            "TransferedTime",            Conversion::kTextIfPresent},
    // blank (5)
    {"BR1",                       "BR1",                       Conversion::kBlank},
    {"BR2",                       "BR2",                       Conversion::kBlank},
    {"BR3",                       "BR3",                       Conversion::kBlank},
    {"BR4",                       "BR4",                       Conversion::kBlank},
    {"BR12",                      "BR12",                      Conversion::kBlank},
};

// CUSTOMER. The as-is columns come after TransferedTime, before the blanks.
inline constexpr Assignment kCustomerAssignments[] = {
    // text (44)
    {"CusName",           "CusName",           Conversion::kText},
    {"SOF",               "SOF",               Conversion::kText},
    {"COF",               "COF",               Conversion::kText},
    {"DoorNo",            "DoorNo",            Conversion::kText},
    {"ADD1",              "ADD1",              Conversion::kText},
    {"ADD2",              "ADD2",              Conversion::kText},
    {"Add3",              "Add3",              Conversion::kText},
    {"AREA",              "AREA",              Conversion::kText},
    {"CITY",              "CITY",              Conversion::kText},
    {"Pincode",           "Pincode",           Conversion::kText},
    {"phone",             "phone",             Conversion::kText},
    {"Cell",              "Cell",              Conversion::kText},
    {"Category",          "Category",          Conversion::kText},
    {"Baddebts",          "Baddebts",          Conversion::kText},
    {"Edi",               "Edi",               Conversion::kText},
    {"De",                "De",                Conversion::kText},
    {"Savings",           "Savings",           Conversion::kText},
    {"PB",                "PB",                Conversion::kText},
    {"Loan",              "Loan",              Conversion::kText},
    {"YC",                "YC",                Conversion::kText},
    {"email",             "email",             Conversion::kText},
    {"Religion",          "Religion",          Conversion::kText},
    {"Accounts",          "Accounts",          Conversion::kText},
    {"Jewellers",         "Jewellers",         Conversion::kText},
    {"Salutation",        "Salutation",        Conversion::kText},
    {"PanNo",             "PanNo",             Conversion::kText},
    {"SMS",               "SMS",               Conversion::kText},
    {"PictPath",          "PictPath",          Conversion::kText},
    {"CreditAllow",       "CreditAllow",       Conversion::kText},
    {"State",             "State",             Conversion::kText},
    {"IDProof",           "IDProof",           Conversion::kText},
    {"TinNo",             "TinNo",             Conversion::kText},
    {"Bckup",             "Bckup",             Conversion::kText},
    {"ServiceTaxNo",      "ServiceTaxNo",      Conversion::kText},
    {"CSTNo",             "CSTNo",             Conversion::kText},
    {"upStaff",           "upStaff",           Conversion::kText},
    {"ediStaff",          "ediStaff",          Conversion::kText},
    {"deStaff",           "deStaff",           Conversion::kText},
    {"GroupName",         "GroupName",         Conversion::kText},
    {"BankName",          "BankName",          Conversion::kText},
    {"IFSCCode",          "IFSCCode",          Conversion::kText},
    {"BankAcNo",          "BankAcNo",          Conversion::kText},
    {"BadDebtsReason",    "BadDebtsReason",    Conversion::kText},
    {"Transfered",        "Transfered",        Conversion::kText},
    // number (5)
    {"CusCode",           "CusCode",           Conversion::kNumber},
    {"PROJECTCODE",       "PROJECTCODE",       Conversion::kNumber},
    {"AgentCode",         "AgentCode",         Conversion::kNumber},
    {"WholeSaleRate",     "WholeSaleRate",     Conversion::kNumber},
    {"CreditDays",        "CreditDays",        Conversion::kNumber},
    // date if present (4)
    {"Updated",           "Updated",           Conversion::kDateIfPresent},
    {"EDIDated",          "EDIDated",          Conversion::kDateIfPresent},
    {"DeDated",           "DeDated",           Conversion::kDateIfPresent},
    {"TransferedDate",    "TransferedDate",    Conversion::kDateIfPresent},
    // text if present (4)
    {"UpTime",            "UpTime",            Conversion::kTextIfPresent},
    {"EdiTime",           "EdiTime",           Conversion::kTextIfPresent},
    {"DeTime",            "DeTime",            Conversion::kTextIfPresent},
    {"TransferedTime",    "TransferedTime",    Conversion::kTextIfPresent},
    // as is (4): null stays null, the source type is kept
    {"ContactPerson",     "ContactPerson",     Conversion::kAsIs},
    {"ContactPersonCell", "ContactPersonCell", Conversion::kAsIs},
    {"Branch",            "Branch",            Conversion::kAsIs},
    {"AreaCode",          "AreaCode",          Conversion::kAsIs},
    // blank (5)
    {"BR1",               "BR1",               Conversion::kBlank},
    {"BR2",               "BR2",               Conversion::kBlank},
    {"BR3",               "BR3",               Conversion::kBlank},
    {"BR4",               "BR4",               Conversion::kBlank},
    {"BR12",              "BR12",              Conversion::kBlank},
};

// ACHEADMASTER. The as-is columns come after TransferedTime, before the
// blanks.
inline constexpr Assignment kAcHeadMasterAssignments[] = {
    // text (36)
    {"CusName",         "CusName",         Conversion::kText},
    {"SOF",             "SOF",             Conversion::kText},
    {"COF",             "COF",             Conversion::kText},
    {"DoorNo",          "DoorNo",          Conversion::kText},
    {"ADD1",            "ADD1",            Conversion::kText},
    {"ADD2",            "ADD2",            Conversion::kText},
    {"Add3",            "Add3",            Conversion::kText},
    {"AREA",            "AREA",            Conversion::kText},
    {"CITY",            "CITY",            Conversion::kText},
    {"Pincode",         "Pincode",         Conversion::kText},
    {"phone",           "phone",           Conversion::kText},
    {"Cell",            "Cell",            Conversion::kText},
    {"Category",        "Category",        Conversion::kText},
    {"Baddebts",        "Baddebts",        Conversion::kText},
    {"Savings",         "Savings",         Conversion::kText},
    {"PB",              "PB",              Conversion::kText},
    {"Loan",            "Loan",            Conversion::kText},
    {"YC",              "YC",              Conversion::kText},
    {"email",           "email",           Conversion::kText},
    {"Religion",        "Religion",        Conversion::kText},
    {"DealerSeal",      "DealerSeal",      Conversion::kText},
    {"AcGroup",         "AcGroup",         Conversion::kText},
    {"chequeprintname", "chequeprintname", Conversion::kText},
    {"gstno",           "gstno",           Conversion::kText},
    {"bankcode",        "bankcode",        Conversion::kText},
    {"bankbranchcode",  "bankbranchcode",  Conversion::kText},
    {"bankaccountno",   "bankaccountno",   Conversion::kText},
    {"paymentmode",     "paymentmode",     Conversion::kText},
    {"Bckup",           "Bckup",           Conversion::kText},
    {"AcSubGroup",      "AcSubGroup",      Conversion::kText},
    {"Edi",             "Edi",             Conversion::kText},
    {"De",              "De",              Conversion::kText},
    {"upStaff",         "upStaff",         Conversion::kText},
    {"ediStaff",        "ediStaff",        Conversion::kText},
    {"deStaff",         "deStaff",         Conversion::kText},
    {"Transfered",      "Transfered",      Conversion::kText},
    // number (6)
    {"CusCode",         "CusCode",         Conversion::kNumber},
    {"Purity",          "Purity",          Conversion::kNumber},
    {"Branch",          "Branch",          Conversion::kNumber},
    {"PartyBranch",     "PartyBranch",     Conversion::kNumber},
    {"PROJECTCODE",     "PROJECTCODE",     Conversion::kNumber},
    {"gst",             "gst",             Conversion::kNumber},
    // date if present (4)
    {"Updated",         "Updated",         Conversion::kDateIfPresent},
    {"EDIDated",        "EDIDated",        Conversion::kDateIfPresent},
    {"DeDated",         "DeDated",         Conversion::kDateIfPresent},
    {"TransferedDate",  "TransferedDate",  Conversion::kDateIfPresent},
    // text if present (4)
    {"UpTime",          "UpTime",          Conversion::kTextIfPresent},
    {"EdiTime",         "EdiTime",         Conversion::kTextIfPresent},
    {"DeTime",          "DeTime",          Conversion::kTextIfPresent},
    {"TransferedTime",  "TransferedTime",  Conversion::kTextIfPresent},
    // as is (12): TmpRno carries whatever the branch row holds
    {"TmpRno",          "TmpRno",          Conversion::kAsIs},
    {"LocalOutState",   "LocalOutState",   Conversion::kAsIs},
    {"TnGSTNo",         "TnGSTNo",         Conversion::kAsIs},
    {"LicenceName1",    "LicenceName1",    Conversion::kAsIs},
    {"LicenceName2",    "LicenceName2",    Conversion::kAsIs},
    {"LicenceNo1",      "LicenceNo1",      Conversion::kAsIs},
    {"LicenceNo2",      "LicenceNo2",      Conversion::kAsIs},
    {"LicenceNo3",      "LicenceNo3",      Conversion::kAsIs},
    {"LicenceNo4",      "LicenceNo4",      Conversion::kAsIs},
    {"LicenceNo5",      "LicenceNo5",      Conversion::kAsIs},
    {"LicenceNo6",      "LicenceNo6",      Conversion::kAsIs},
    {"AcSubLedgroup",   "AcSubLedgroup",   Conversion::kAsIs},
    // blank (5)
    {"BR1",             "BR1",             Conversion::kBlank},
    {"BR2",             "BR2",             Conversion::kBlank},
    {"BR3",             "BR3",             Conversion::kBlank},
    {"BR4",             "BR4",             Conversion::kBlank},
    {"BR12",            "BR12",            Conversion::kBlank},
};

// STAFFATTND.
inline constexpr Assignment kStaffAttndAssignments[] = {
    // number (10)
    {"Oper_Code",       "Oper_Code",       Conversion::kNumber},
    {"Shifts",          "Shifts",          Conversion::kNumber},
    {"Supervisor",      "Supervisor",      Conversion::kNumber},
    {"CusCode",         "CusCode",         Conversion::kNumber},
    {"DesignationCode", "DesignationCode", Conversion::kNumber},
    {"SUBCODE",         "SUBCODE",         Conversion::kNumber},
    {"StartHrs",        "StartHrs",        Conversion::kNumber},
    {"EndHrs",          "EndHrs",          Conversion::kNumber},
    {"TmpRno",          "TmpRno",          Conversion::kNumber},
    {"PROJECTCODE",     "PROJECTCODE",     Conversion::kNumber},
    // text (9)
    {"AInOut",          "AInOut",          Conversion::kText},
    {"Active",          "Active",          Conversion::kText},
    {"Remarks",         "Remarks",         Conversion::kText},
    {"Edi",             "Edi",             Conversion::kText},
    {"De",              "De",              Conversion::kText},
    {"upStaff",         "upStaff",         Conversion::kText},
    {"ediStaff",        "ediStaff",        Conversion::kText},
    {"deStaff",         "deStaff",         Conversion::kText},
    {"Transfered",      "Transfered",      Conversion::kText},
    // date if present (7)
    {"ADate",           "ADate",           Conversion::kDateIfPresent},
    {"FromDate",        "FromDate",        Conversion::kDateIfPresent},
    {"ToDate",          "ToDate",          Conversion::kDateIfPresent},
    {"Updated",         "Updated",         Conversion::kDateIfPresent},
    {"EDIDated",        "EDIDated",        Conversion::kDateIfPresent},
    {"DeDated",         "DeDated",         Conversion::kDateIfPresent},
    {"TransferedDate",  "TransferedDate",  Conversion::kDateIfPresent},
    // text if present (5)
    {"ATime",           "ATime",           Conversion::kTextIfPresent},
    {"UpTime",          "UpTime",          Conversion::kTextIfPresent},
    {"EdiTime",         "EdiTime",         Conversion::kTextIfPresent},
    {"DeTime",          "DeTime",          Conversion::kTextIfPresent},
    {"TransferedTime",  "TransferedTime",  Conversion::kTextIfPresent},
    // blank (5)
    {"BR1",             "BR1",             Conversion::kBlank},
    {"BR2",             "BR2",             Conversion::kBlank},
    {"BR3",             "BR3",             Conversion::kBlank},
    {"BR4",             "BR4",             Conversion::kBlank},
    {"BR12",            "BR12",            Conversion::kBlank},
};

// Operator. Text is trimmed except Edi, De, upStaff, ediStaff, deStaff and
// Transfered; fourteen columns of several kinds follow the blanks.
inline constexpr Assignment kOperatorAssignments[] = {
    // trimmed text (37)
    {"OperName",        "OperName",        Conversion::kTrimmedText},
    {"OperPass",        "OperPass",        Conversion::kTrimmedText},
    {"OperLevel",       "OperLevel",       Conversion::kTrimmedText},
    {"Qualy",           "Qualy",           Conversion::kTrimmedText},
    {"Retd",            "Retd",            Conversion::kTrimmedText},
    {"AEntry",          "AEntry",          Conversion::kTrimmedText},
    {"AEdit",           "AEdit",           Conversion::kTrimmedText},
    {"ADelete",         "ADelete",         Conversion::kTrimmedText},
    {"AView",           "AView",           Conversion::kTrimmedText},
    {"AUser",           "AUser",           Conversion::kTrimmedText},
    {"SOF",             "SOF",             Conversion::kTrimmedText},
    {"COF",             "COF",             Conversion::kTrimmedText},
    {"DoorNo",          "DoorNo",          Conversion::kTrimmedText},
    {"ADD1",            "ADD1",            Conversion::kTrimmedText},
    {"ADD2",            "ADD2",            Conversion::kTrimmedText},
    {"Add3",            "Add3",            Conversion::kTrimmedText},
    {"AREA",            "AREA",            Conversion::kTrimmedText},
    {"CITY",            "CITY",            Conversion::kTrimmedText},
    {"Pincode",         "Pincode",         Conversion::kTrimmedText},
    {"phone",           "phone",           Conversion::kTrimmedText},
    {"Cell",            "Cell",            Conversion::kTrimmedText},
    {"email",           "email",           Conversion::kTrimmedText},
    {"Introducer",      "Introducer",      Conversion::kTrimmedText},
    {"Active",          "Active",          Conversion::kTrimmedText},
    {"LicenseNo",       "LicenseNo",       Conversion::kTrimmedText},
    {"LicenseType",     "LicenseType",     Conversion::kTrimmedText},
    {"BatchNo",         "BatchNo",         Conversion::kTrimmedText},
    {"PictPath",        "PictPath",        Conversion::kTrimmedText},
    {"LicensePath",     "LicensePath",     Conversion::kTrimmedText},
    {"OperType",        "OperType",        Conversion::kTrimmedText},
    {"IDProof",         "IDProof",         Conversion::kTrimmedText},
    {"BloodGroup",      "BloodGroup",      Conversion::kTrimmedText},
    {"MCWOG",           "MCWOG",           Conversion::kTrimmedText},
    {"MCWG",            "MCWG",            Conversion::kTrimmedText},
    {"LMV",             "LMV",             Conversion::kTrimmedText},
    {"BATCH",           "BATCH",           Conversion::kTrimmedText},
    {"HTV",             "HTV",             Conversion::kTrimmedText},
    // number (5)
    {"Oper_Code",       "Oper_Code",       Conversion::kNumber},
    {"PROJECTCODE",     "PROJECTCODE",     Conversion::kNumber},
    {"Branch",          "Branch",          Conversion::kNumber},
    {"DepartmentCode",  "DepartmentCode",  Conversion::kNumber},
    {"CusCode",         "CusCode",         Conversion::kNumber},
    // date if present (13)
    {"JDate",           "JDate",           Conversion::kDateIfPresent},
    {"RDate",           "RDate",           Conversion::kDateIfPresent},
    {"BDate",           "BDate",           Conversion::kDateIfPresent},
    {"ValidDate",       "ValidDate",       Conversion::kDateIfPresent},
    {"MCWOGDate",       "MCWOGDate",       Conversion::kDateIfPresent},
    {"MCWGDate",        "MCWGDate",        Conversion::kDateIfPresent},
    {"LMVDate",         "LMVDate",         Conversion::kDateIfPresent},
    {"BATCHDate",       "BATCHDate",       Conversion::kDateIfPresent},
    {"HTVDate",         "HTVDate",         Conversion::kDateIfPresent},
    {"Updated",         "Updated",         Conversion::kDateIfPresent},
    {"EDIDated",        "EDIDated",        Conversion::kDateIfPresent},
    {"DeDated",         "DeDated",         Conversion::kDateIfPresent},
    {"TransferedDate",  "TransferedDate",  Conversion::kDateIfPresent},
    // text if present (4)
    {"UpTime",          "UpTime",          Conversion::kTextIfPresent},
    {"EdiTime",         "EdiTime",         Conversion::kTextIfPresent},
    {"DeTime",          "DeTime",          Conversion::kTextIfPresent},
    {"TransferedTime",  "TransferedTime",  Conversion::kTextIfPresent},
    // text (6), untrimmed
    {"Edi",             "Edi",             Conversion::kText},
    {"De",              "De",              Conversion::kText},
    {"upStaff",         "upStaff",         Conversion::kText},
    {"ediStaff",        "ediStaff",        Conversion::kText},
    {"deStaff",         "deStaff",         Conversion::kText},
    {"Transfered",      "Transfered",      Conversion::kText},
    // blank (5)
    {"BR1",             "BR1",             Conversion::kBlank},
    {"BR2",             "BR2",             Conversion::kBlank},
    {"BR3",             "BR3",             Conversion::kBlank},
    {"BR4",             "BR4",             Conversion::kBlank},
    {"BR12",            "BR12",            Conversion::kBlank},
    // after the blanks, each with its own conversion
    {"OperOrder",       "OperOrder",       Conversion::kNumber},
    {"Lok",             "Lok",             Conversion::kTrimmedText},
    {"State",           "State",           Conversion::kTrimmedText},
    {"CommPer",         "CommPer",         Conversion::kNumber},
    {"Oper_ShName",     "Oper_ShName",     Conversion::kTrimmedText},
    {"Gender",          "Gender",          Conversion::kTrimmedText},
    {"AttnCode",        "AttnCode",        Conversion::kTrimmedText},
    {"DesignationCode", "DesignationCode", Conversion::kNumber},
    {"FInTime",         "FInTime",         Conversion::kTextIfPresent},
    {"FOutTime",        "FOutTime",        Conversion::kTextIfPresent},
    {"SInTime",         "SInTime",         Conversion::kTextIfPresent},
    {"SOutTime",        "SOutTime",        Conversion::kTextIfPresent},
    {"LunchHrs",        "LunchHrs",        Conversion::kNumber},
    {"WeekOff",         "WeekOff",         Conversion::kNumber},
};

// METERIAL. MetePictPath is the last assignment, after the blanks.
inline constexpr Assignment kMeterialAssignments[] = {
    // number (3)
    {"METERIALCODE",   "METERIALCODE",   Conversion::kNumber},
    {"PurRate",        "PurRate",        Conversion::kNumber},
    {"RACKNO",         "RACKNO",         Conversion::kNumber},
    // trimmed text (8)
    {"METERIALNAME",   "METERIALNAME",   Conversion::kTrimmedText},
    {"PARTSNAME",      "PARTSNAME",      Conversion::kTrimmedText},
    {"PARTSNO",        "PARTSNO",        Conversion::kTrimmedText},
    {"Unit",           "Unit",           Conversion::kTrimmedText},
    {"PAGEREFNO",      "PAGEREFNO",      Conversion::kTrimmedText},
    {"Remarks",        "Remarks",        Conversion::kTrimmedText},
    {"Category",       "Category",       Conversion::kTrimmedText},
    {"RECONDITION",    "RECONDITION",    Conversion::kTrimmedText},
    // text (7)
    {"Active",         "Active",         Conversion::kText},
    {"upStaff",        "upStaff",        Conversion::kText},
    {"De",             "De",             Conversion::kText},
    {"deStaff",        "deStaff",        Conversion::kText},
    {"Edi",            "Edi",            Conversion::kText},
    {"ediStaff",       "ediStaff",       Conversion::kText},
    {"Transfered",     "Transfered",     Conversion::kText},
    // date if present (4)
    {"Updated",        "Updated",        Conversion::kDateIfPresent},
    {"DeDated",        "DeDated",        Conversion::kDateIfPresent},
    {"EDIDated",       "EDIDated",       Conversion::kDateIfPresent},
    {"TransferedDate", "TransferedDate", Conversion::kDateIfPresent},
    // text if present (4)
    {"UpTime",         "UpTime",         Conversion::kTextIfPresent},
    {"DeTime",         "DeTime",         Conversion::kTextIfPresent},
    {"EdiTime",        "EdiTime",        Conversion::kTextIfPresent},
    {"TransferedTime", "TransferedTime", Conversion::kTextIfPresent},
    // blank (5)
    {"BR1",            "BR1",            Conversion::kBlank},
    {"BR2",            "BR2",            Conversion::kBlank},
    {"BR3",            "BR3",            Conversion::kBlank},
    {"BR4",            "BR4",            Conversion::kBlank},
    {"BR12",           "BR12",           Conversion::kBlank},
    // text, last of all
    {"MetePictPath",   "MetePictPath",   Conversion::kText},
};

// OPERATORLog. Updated is assigned twice, so the staged Updated is the row's
// Updated, else its SERVERDATE, else null; TmpRno takes the trimmed text of
// RNO. No BR column is written.
inline constexpr Assignment kOperatorLogAssignments[] = {
    // in this order; Updated from SERVERDATE first, then from Updated itself
    {"Oper_Code",        "Oper_Code",        Conversion::kNumber},
    {"OperName",         "OperName",         Conversion::kTrimmedText},
    {"Updated",          "SERVERDATE",       Conversion::kDateIfPresent},
    {"Updated",          "Updated",          Conversion::kDateIfPresent},
    {"UpTime",           "UpTime",           Conversion::kTextIfPresent},
    {"InOut",            "InOut",            Conversion::kTrimmedText},
    {"Remarks",          "Remarks",          Conversion::kTrimmedText},
    {"ReleaseOper_Code", "ReleaseOper_Code", Conversion::kNumber},
    {"Node_ID",          "Node_ID",          Conversion::kTrimmedText},
    {"Transfered",       "Transfered",       Conversion::kText},
    {"TransferedDate",   "TransferedDate",   Conversion::kDateIfPresent},
    {"TransferedTime",   "TransferedTime",   Conversion::kTextIfPresent},
    {"TimeSettings",     "TimeSettings",     Conversion::kTrimmedText},
    {"TmpRno",           "RNO",              Conversion::kTrimmedText},
};

// INDENT. IndentBranch must not be null.
inline constexpr Assignment kIndentAssignments[] = {
    // text (11)
    {"IndentNo",        "IndentNo",        Conversion::kText},
    {"JobCardNo",       "JobCardNo",       Conversion::kText},
    {"Unit",            "Unit",            Conversion::kText},
    {"YearControl",     "YearControl",     Conversion::kText},
    {"RecIss",          "RecIss",          Conversion::kText},
    {"Remarks",         "Remarks",         Conversion::kText},
    {"Node_ID",         "Node_ID",         Conversion::kText},
    {"CashCountercode", "CashCountercode", Conversion::kText},
    {"Bckup",           "Bckup",           Conversion::kText},
    {"AuditStaff",      "AuditStaff",      Conversion::kText},
    {"Category",        "Category",        Conversion::kText},
    // number (8)
    {"SUBCODE",         "SUBCODE",         Conversion::kNumber},
    {"Stock",           "Stock",           Conversion::kNumber},
    {"PIECES",          "PIECES",          Conversion::kNumber},
    {"IntLineSet",      "IntLineSet",      Conversion::kNumber},
    {"RPieces",         "RPieces",         Conversion::kNumber},
    {"Rate",            "Rate",            Conversion::kNumber},
    {"Amount",          "Amount",          Conversion::kNumber},
    {"IndentRecIssNo",  "IndentRecIssNo",  Conversion::kNumber},
    // number, a null fails
    {"IndentBranch",    "IndentBranch",    Conversion::kNumberNullFails},
    // date
    {"RDate",           "RDate",           Conversion::kDate},
    // date if present (2)
    {"DueDate",         "DueDate",         Conversion::kDateIfPresent},
    {"AuditDate",       "AuditDate",       Conversion::kDateIfPresent},
    // value if present
    {"AuditTime",       "AuditTime",       Conversion::kValueIfPresent},
};

// BRANCHINDENT: INDENT without JobCardNo, with Recd and RecdDate.
inline constexpr Assignment kBranchIndentAssignments[] = {
    // text (11)
    {"IndentNo",        "IndentNo",        Conversion::kText},
    {"Unit",            "Unit",            Conversion::kText},
    {"YearControl",     "YearControl",     Conversion::kText},
    {"RecIss",          "RecIss",          Conversion::kText},
    {"Remarks",         "Remarks",         Conversion::kText},
    {"Node_ID",         "Node_ID",         Conversion::kText},
    {"CashCountercode", "CashCountercode", Conversion::kText},
    {"Bckup",           "Bckup",           Conversion::kText},
    {"AuditStaff",      "AuditStaff",      Conversion::kText},
    {"Category",        "Category",        Conversion::kText},
    {"Recd",            "Recd",            Conversion::kText},
    // number (8)
    {"SUBCODE",         "SUBCODE",         Conversion::kNumber},
    {"Stock",           "Stock",           Conversion::kNumber},
    {"PIECES",          "PIECES",          Conversion::kNumber},
    {"IntLineSet",      "IntLineSet",      Conversion::kNumber},
    {"RPieces",         "RPieces",         Conversion::kNumber},
    {"Rate",            "Rate",            Conversion::kNumber},
    {"Amount",          "Amount",          Conversion::kNumber},
    {"IndentRecIssNo",  "IndentRecIssNo",  Conversion::kNumber},
    // number, a null fails
    {"IndentBranch",    "IndentBranch",    Conversion::kNumberNullFails},
    // date
    {"RDate",           "RDate",           Conversion::kDate},
    // date if present (3)
    {"DueDate",         "DueDate",         Conversion::kDateIfPresent},
    {"AuditDate",       "AuditDate",       Conversion::kDateIfPresent},
    {"RecdDate",        "RecdDate",        Conversion::kDateIfPresent},
    // value if present
    {"AuditTime",       "AuditTime",       Conversion::kValueIfPresent},
};

// INVENTORYTRANS.
inline constexpr Assignment kInventoryTransAssignments[] = {
    // text (17)
    {"BILLNo",          "BILLNo",          Conversion::kText},
    {"Active",          "Active",          Conversion::kText},
    {"EANCODE",         "EANCODE",         Conversion::kText},
    {"YearControl",     "YearControl",     Conversion::kText},
    {"RecIss",          "RecIss",          Conversion::kText},
    {"Remarks",         "Remarks",         Conversion::kText},
    {"INVOICENO",       "INVOICENO",       Conversion::kText},
    {"Remark1",         "Remark1",         Conversion::kText},
    {"Node_ID",         "Node_ID",         Conversion::kText},
    {"BType",           "BType",           Conversion::kText},
    {"Bckup",           "Bckup",           Conversion::kText},
    {"ORDERNO",         "ORDERNO",         Conversion::kText},
    {"DELREASON",       "DELREASON",       Conversion::kText},
    {"Brand",           "Brand",           Conversion::kText},
    {"IndentNo",        "IndentNo",        Conversion::kText},
    {"JobCardNo",       "JobCardNo",       Conversion::kText},
    {"CashCountercode", "CashCountercode", Conversion::kText},
    // trimmed text
    {"IssueNo",         "IssueNo",         Conversion::kTrimmedText},
    // number (12)
    {"PROCODE",         "PROCODE",         Conversion::kNumber},
    {"SUBCODE",         "SUBCODE",         Conversion::kNumber},
    {"PIECES",          "PIECES",          Conversion::kNumber},
    {"MRP",             "MRP",             Conversion::kNumber},
    {"SalRate",         "SalRate",         Conversion::kNumber},
    {"PurRate",         "PurRate",         Conversion::kNumber},
    {"TransferBranch",  "TransferBranch",  Conversion::kNumber},
    {"IntLineSet",      "IntLineSet",      Conversion::kNumber},
    {"CusCode",         "CusCode",         Conversion::kNumber},
    {"TCuscode",        "TCuscode",        Conversion::kNumber},
    {"VehicleCode",     "VehicleCode",     Conversion::kNumber},
    {"IndentRecIssNo",  "IndentRecIssNo",  Conversion::kNumber},
    // date
    {"TranDate",        "TranDate",        Conversion::kDate},
    // date if present (2)
    {"BILLDate",        "BILLDate",        Conversion::kDateIfPresent},
    {"INVDate",         "INVDate",         Conversion::kDateIfPresent},
};

// DPURCHASE. All its own text is trimmed; AuditStaff and IndentBranch are
// plain numbers here.
inline constexpr Assignment kDPurchaseAssignments[] = {
    // trimmed text (24)
    {"BILLNo",              "BILLNo",              Conversion::kTrimmedText},
    {"ConvertString",       "ConvertString",       Conversion::kTrimmedText},
    {"YearControl",         "YearControl",         Conversion::kTrimmedText},
    {"RecIss",              "RecIss",              Conversion::kTrimmedText},
    {"CHQNO",               "CHQNO",               Conversion::kTrimmedText},
    {"Remarks",             "Remarks",             Conversion::kTrimmedText},
    {"AdjFlag",             "AdjFlag",             Conversion::kTrimmedText},
    {"Node_ID",             "Node_ID",             Conversion::kTrimmedText},
    {"CashCountercode",     "CashCountercode",     Conversion::kTrimmedText},
    {"CategoryCode",        "CategoryCode",        Conversion::kTrimmedText},
    {"RecIssType",          "RecIssType",          Conversion::kTrimmedText},
    {"Flag",                "Flag",                Conversion::kTrimmedText},
    {"EANCODE",             "EANCODE",             Conversion::kTrimmedText},
    {"INVOICENO",           "INVOICENO",           Conversion::kTrimmedText},
    {"BillType",            "BillType",            Conversion::kTrimmedText},
    {"Bckup",               "Bckup",               Conversion::kTrimmedText},
    {"CollBillno",          "CollBillno",          Conversion::kTrimmedText},
    {"CollYearControl",     "CollYearControl",     Conversion::kTrimmedText},
    {"CollNode_Id",         "CollNode_Id",         Conversion::kTrimmedText},
    {"CollCashCountercode", "CollCashCountercode", Conversion::kTrimmedText},
    {"PONo",                "PONo",                Conversion::kTrimmedText},
    {"IndentNo",            "IndentNo",            Conversion::kTrimmedText},
    {"JobCardNo",           "JobCardNo",           Conversion::kTrimmedText},
    {"Brand",               "Brand",               Conversion::kTrimmedText},
    // number (43)
    {"CusCode",             "CusCode",             Conversion::kNumber},
    {"Bullion",             "Bullion",             Conversion::kNumber},
    {"PROCODE",             "PROCODE",             Conversion::kNumber},
    {"SUBCODE",             "SUBCODE",             Conversion::kNumber},
    {"Purity",              "Purity",              Conversion::kNumber},
    {"PIECES",              "PIECES",              Conversion::kNumber},
    {"Weight",              "Weight",              Conversion::kNumber},
    {"LessWeight",          "LessWeight",          Conversion::kNumber},
    {"NetWeight",           "NetWeight",           Conversion::kNumber},
    {"PureWeight",          "PureWeight",          Conversion::kNumber},
    {"Rate",                "Rate",                Conversion::kNumber},
    {"Others",              "Others",              Conversion::kNumber},
    {"Amount",              "Amount",              Conversion::kNumber},
    {"Tax",                 "Tax",                 Conversion::kNumber},
    {"IssBranch",           "IssBranch",           Conversion::kNumber},
    {"PurchaseCode",        "PurchaseCode",        Conversion::kNumber},
    {"PTaxCode",            "PTaxCode",            Conversion::kNumber},
    {"SalesCode",           "SalesCode",           Conversion::kNumber},
    {"STaxCode",            "STaxCode",            Conversion::kNumber},
    {"PROJECTCODE",         "PROJECTCODE",         Conversion::kNumber},
    {"TranBranch",          "TranBranch",          Conversion::kNumber},
    {"AgainstCusCode",      "AgainstCusCode",      Conversion::kNumber},
    {"Discount",            "Discount",            Conversion::kNumber},
    {"CRDRCode",            "CRDRCode",            Conversion::kNumber},
    {"BranchTransfer",      "BranchTransfer",      Conversion::kNumber},
    {"DiscPer",             "DiscPer",             Conversion::kNumber},
    {"WDiscAmt",            "WDiscAmt",            Conversion::kNumber},
    {"TaxPer",              "TaxPer",              Conversion::kNumber},
    {"TotalAmt",            "TotalAmt",            Conversion::kNumber},
    {"PurRate",             "PurRate",             Conversion::kNumber},
    {"MRP",                 "MRP",                 Conversion::kNumber},
    {"SalRate",             "SalRate",             Conversion::kNumber},
    {"IntLineSet",          "IntLineSet",          Conversion::kNumber},
    {"CollMasterCode",      "CollMasterCode",      Conversion::kNumber},
    {"CollMasterAmt",       "CollMasterAmt",       Conversion::kNumber},
    {"CollMasterPer",       "CollMasterPer",       Conversion::kNumber},
    {"AuditStaff",          "AuditStaff",          Conversion::kNumber},
    {"CollRefNo",           "CollRefNo",           Conversion::kNumber},
    {"CollRecIssNo",        "CollRecIssNo",        Conversion::kNumber},
    {"CollAmount",          "CollAmount",          Conversion::kNumber},
    {"IndentBranch",        "IndentBranch",        Conversion::kNumber},
    {"IndentIntLineSet",    "IndentIntLineSet",    Conversion::kNumber},
    {"IndentRecIssNo",      "IndentRecIssNo",      Conversion::kNumber},
    // date
    {"RDate",               "RDate",               Conversion::kDate},
    // date if present (4)
    {"BILLDate",            "BILLDate",            Conversion::kDateIfPresent},
    {"CHQDate",             "CHQDate",             Conversion::kDateIfPresent},
    {"INVDate",             "INVDate",             Conversion::kDateIfPresent},
    {"AuditDate",           "AuditDate",           Conversion::kDateIfPresent},
    // value if present
    {"AuditTime",           "AuditTime",           Conversion::kValueIfPresent},
};

// OUTSTANDING.
inline constexpr Assignment kOutstandingAssignments[] = {
    // text (13)
    {"YearControl",     "YearControl",     Conversion::kText},
    {"RecIss",          "RecIss",          Conversion::kText},
    {"Node_ID",         "Node_ID",         Conversion::kText},
    {"CashCountercode", "CashCountercode", Conversion::kText},
    {"INVOICENO",       "INVOICENO",       Conversion::kText},
    {"CHQNO",           "CHQNO",           Conversion::kText},
    {"Remarks",         "Remarks",         Conversion::kText},
    {"Remark1",         "Remark1",         Conversion::kText},
    {"RECPAY",          "RECPAY",          Conversion::kText},
    {"Bckup",           "Bckup",           Conversion::kText},
    {"ORDERNO",         "ORDERNO",         Conversion::kText},
    {"DELREASON",       "DELREASON",       Conversion::kText},
    {"EntryPoint",      "EntryPoint",      Conversion::kText},
    // trimmed text (2)
    {"CUSTOMERID",      "CUSTOMERID",      Conversion::kTrimmedText},
    {"BILLNo",          "BILLNo",          Conversion::kTrimmedText},
    // number (4)
    {"CusCode",         "CusCode",         Conversion::kNumber},
    {"Amount",          "Amount",          Conversion::kNumber},
    {"PROJECTCODE",     "PROJECTCODE",     Conversion::kNumber},
    {"AgainstCusCode",  "AgainstCusCode",  Conversion::kNumber},
    // date
    {"RDate",           "RDate",           Conversion::kDate},
    // date if present (4)
    {"BILLDate",        "BILLDate",        Conversion::kDateIfPresent},
    {"DueDate",         "DueDate",         Conversion::kDateIfPresent},
    {"CHQDate",         "CHQDate",         Conversion::kDateIfPresent},
    {"INVDate",         "INVDate",         Conversion::kDateIfPresent},
};

// PRODUCTION.
inline constexpr Assignment kProductionAssignments[] = {
    // text (16)
    {"BILLNo",          "BILLNo",          Conversion::kText},
    {"YearControl",     "YearControl",     Conversion::kText},
    {"RecIss",          "RecIss",          Conversion::kText},
    {"CHQNO",           "CHQNO",           Conversion::kText},
    {"Remarks",         "Remarks",         Conversion::kText},
    {"AdjFlag",         "AdjFlag",         Conversion::kText},
    {"Node_ID",         "Node_ID",         Conversion::kText},
    {"CashCountercode", "CashCountercode", Conversion::kText},
    {"CategoryCode",    "CategoryCode",    Conversion::kText},
    {"Flag",            "Flag",            Conversion::kText},
    {"INVOICENO",       "INVOICENO",       Conversion::kText},
    {"BillType",        "BillType",        Conversion::kText},
    {"Bckup",           "Bckup",           Conversion::kText},
    {"AuditStaff",      "AuditStaff",      Conversion::kText},
    {"AdjtBillNo",      "AdjtBillNo",      Conversion::kText},
    {"Meterials",       "Meterials",       Conversion::kText},
    // number (19)
    {"MachineCode",     "MachineCode",     Conversion::kNumber},
    {"Oper_Code",       "Oper_Code",       Conversion::kNumber},
    {"PSupervisor",     "PSupervisor",     Conversion::kNumber},
    {"PManager",        "PManager",        Conversion::kNumber},
    {"Phelper",         "Phelper",         Conversion::kNumber},
    {"PRoadMaintainer", "PRoadMaintainer", Conversion::kNumber},
    {"StartHrs",        "StartHrs",        Conversion::kNumber},
    {"EndHrs",          "EndHrs",          Conversion::kNumber},
    {"Hrs",             "Hrs",             Conversion::kNumber},
    {"Trips",           "Trips",           Conversion::kNumber},
    {"TotTon",          "TotTon",          Conversion::kNumber},
    {"Rate",            "Rate",            Conversion::kNumber},
    {"Amount",          "Amount",          Conversion::kNumber},
    {"Shifts",          "Shifts",          Conversion::kNumber},
    {"PitCode",         "PitCode",         Conversion::kNumber},
    {"SUBPitCode",      "SUBPitCode",      Conversion::kNumber},
    {"SEstNo",          "SEstNo",          Conversion::kNumber},
    {"AdjtRefNo",       "AdjtRefNo",       Conversion::kNumber},
    {"AdjtRecIssNo",    "AdjtRecIssNo",    Conversion::kNumber},
    // date
    {"RDate",           "RDate",           Conversion::kDate},
    // date if present (6)
    {"BILLDate",        "BILLDate",        Conversion::kDateIfPresent},
    {"CHQDate",         "CHQDate",         Conversion::kDateIfPresent},
    {"INVDate",         "INVDate",         Conversion::kDateIfPresent},
    {"EstDate",         "EstDate",         Conversion::kDateIfPresent},
    {"ADJTDate",        "ADJTDate",        Conversion::kDateIfPresent},
    {"AuditDate",       "AuditDate",       Conversion::kDateIfPresent},
    // value if present
    {"AuditTime",       "AuditTime",       Conversion::kValueIfPresent},
};

// PRODUCTIONTRAN. IntLineSet is text here, a number in every other map.
inline constexpr Assignment kProductionTranAssignments[] = {
    // text (15)
    {"YearControl",     "YearControl",     Conversion::kText},
    {"RecIss",          "RecIss",          Conversion::kText},
    {"CHQNO",           "CHQNO",           Conversion::kText},
    {"Remarks",         "Remarks",         Conversion::kText},
    {"AdjFlag",         "AdjFlag",         Conversion::kText},
    {"Node_ID",         "Node_ID",         Conversion::kText},
    {"CashCountercode", "CashCountercode", Conversion::kText},
    {"CategoryCode",    "CategoryCode",    Conversion::kText},
    {"Flag",            "Flag",            Conversion::kText},
    {"INVOICENO",       "INVOICENO",       Conversion::kText},
    {"BillType",        "BillType",        Conversion::kText},
    {"Bckup",           "Bckup",           Conversion::kText},
    {"AuditStaff",      "AuditStaff",      Conversion::kText},
    {"Meterials",       "Meterials",       Conversion::kText},
    {"IntLineSet",      "IntLineSet",      Conversion::kText},
    // number (26)
    {"MachineCode",     "MachineCode",     Conversion::kNumber},
    {"VehicleCode",     "VehicleCode",     Conversion::kNumber},
    {"Oper_Code",       "Oper_Code",       Conversion::kNumber},
    {"PSupervisor",     "PSupervisor",     Conversion::kNumber},
    {"PManager",        "PManager",        Conversion::kNumber},
    {"Phelper",         "Phelper",         Conversion::kNumber},
    {"PRoadMaintainer", "PRoadMaintainer", Conversion::kNumber},
    {"Driver_Code",     "Driver_Code",     Conversion::kNumber},
    {"StartKM",         "StartKM",         Conversion::kNumber},
    {"EndKM",           "EndKM",           Conversion::kNumber},
    {"KM",              "KM",              Conversion::kNumber},
    {"StartHrs",        "StartHrs",        Conversion::kNumber},
    {"EndHrs",          "EndHrs",          Conversion::kNumber},
    {"Hrs",             "Hrs",             Conversion::kNumber},
    {"Trips",           "Trips",           Conversion::kNumber},
    {"TotTon",          "TotTon",          Conversion::kNumber},
    {"Rate",            "Rate",            Conversion::kNumber},
    {"Amount",          "Amount",          Conversion::kNumber},
    {"Shifts",          "Shifts",          Conversion::kNumber},
    {"PitCode",         "PitCode",         Conversion::kNumber},
    {"SUBPitCode",      "SUBPitCode",      Conversion::kNumber},
    {"SEstNo",          "SEstNo",          Conversion::kNumber},
    {"MacRate",         "MacRate",         Conversion::kNumber},
    {"MacAmount",       "MacAmount",       Conversion::kNumber},
    {"VehRate",         "VehRate",         Conversion::kNumber},
    {"VehAmount",       "VehAmount",       Conversion::kNumber},
    // date
    {"RDate",           "RDate",           Conversion::kDate},
    // date if present (4)
    {"CHQDate",         "CHQDate",         Conversion::kDateIfPresent},
    {"INVDate",         "INVDate",         Conversion::kDateIfPresent},
    {"EstDate",         "EstDate",         Conversion::kDateIfPresent},
    {"AuditDate",       "AuditDate",       Conversion::kDateIfPresent},
    // value if present
    {"AuditTime",       "AuditTime",       Conversion::kValueIfPresent},
};

// TYRETRANS. RDate is always written, TranDate only when present.
inline constexpr Assignment kTyreTransAssignments[] = {
    // text (18)
    {"BILLNo",          "BILLNo",          Conversion::kText},
    {"Position",        "Position",        Conversion::kText},
    {"EANCODE",         "EANCODE",         Conversion::kText},
    {"Brand",           "Brand",           Conversion::kText},
    {"YearControl",     "YearControl",     Conversion::kText},
    {"RecIss",          "RecIss",          Conversion::kText},
    {"Remarks",         "Remarks",         Conversion::kText},
    {"Node_ID",         "Node_ID",         Conversion::kText},
    {"CashCountercode", "CashCountercode", Conversion::kText},
    {"Bckup",           "Bckup",           Conversion::kText},
    {"AuditStaff",      "AuditStaff",      Conversion::kText},
    {"Release",         "Release",         Conversion::kText},
    {"RelYearControl",  "RelYearControl",  Conversion::kText},
    {"RelupStaff",      "RelupStaff",      Conversion::kText},
    {"RelRemarks",      "RelRemarks",      Conversion::kText},
    {"JobCardNo",       "JobCardNo",       Conversion::kText},
    {"Type",            "Type",            Conversion::kText},
    {"FULLTANK",        "FULLTANK",        Conversion::kText},
    // trimmed text
    {"IssueNo",         "IssueNo",         Conversion::kTrimmedText},
    // number (16)
    {"SUBCODE",         "SUBCODE",         Conversion::kNumber},
    {"Amount",          "Amount",          Conversion::kNumber},
    {"KM",              "KM",              Conversion::kNumber},
    {"Hrs",             "Hrs",             Conversion::kNumber},
    {"RelRefNo",        "RelRefNo",        Conversion::kNumber},
    {"RelRecIssNo",     "RelRecIssNo",     Conversion::kNumber},
    {"RelBranch",       "RelBranch",       Conversion::kNumber},
    {"RelKM",           "RelKM",           Conversion::kNumber},
    {"RelHrs",          "RelHrs",          Conversion::kNumber},
    {"METERIALCODE",    "METERIALCODE",    Conversion::kNumber},
    {"PIECES",          "PIECES",          Conversion::kNumber},
    {"Rate",            "Rate",            Conversion::kNumber},
    {"StartLtr",        "StartLtr",        Conversion::kNumber},
    {"EndLtr",          "EndLtr",          Conversion::kNumber},
    {"StartPoint",      "StartPoint",      Conversion::kNumber},
    {"EndPoint",        "EndPoint",        Conversion::kNumber},
    // date
    {"RDate",           "RDate",           Conversion::kDate},
    // date if present (3)
    {"TranDate",        "TranDate",        Conversion::kDateIfPresent},
    {"AuditDate",       "AuditDate",       Conversion::kDateIfPresent},
    {"ReleaseDate",     "ReleaseDate",     Conversion::kDateIfPresent},
    // value if present
    {"AuditTime",       "AuditTime",       Conversion::kValueIfPresent},
};

// VEHICLEEXPENSES. Its value-if-present column is ADJTTime.
inline constexpr Assignment kVehicleExpensesAssignments[] = {
    // text (10)
    {"BILLNo",            "BILLNo",            Conversion::kText},
    {"YearControl",       "YearControl",       Conversion::kText},
    {"RecIss",            "RecIss",            Conversion::kText},
    {"Node_ID",           "Node_ID",           Conversion::kText},
    {"CashCountercode",   "CashCountercode",   Conversion::kText},
    {"INVOICENO",         "INVOICENO",         Conversion::kText},
    {"CHQNO",             "CHQNO",             Conversion::kText},
    {"Remarks",           "Remarks",           Conversion::kText},
    {"Remark1",           "Remark1",           Conversion::kText},
    {"Bckup",             "Bckup",             Conversion::kText},
    // trimmed text (14)
    {"CUSTOMERID",        "CUSTOMERID",        Conversion::kTrimmedText},
    {"RECPAY",            "RECPAY",            Conversion::kTrimmedText},
    {"ORDERNO",           "ORDERNO",           Conversion::kTrimmedText},
    {"DELREASON",         "DELREASON",         Conversion::kTrimmedText},
    {"Flag",              "Flag",              Conversion::kTrimmedText},
    {"FULLTANK",          "FULLTANK",          Conversion::kTrimmedText},
    {"TRANNO",            "TRANNO",            Conversion::kTrimmedText},
    {"MAINTAINTYPE",      "MAINTAINTYPE",      Conversion::kTrimmedText},
    {"SERVICENAME",       "SERVICENAME",       Conversion::kTrimmedText},
    {"EANCODE",           "EANCODE",           Conversion::kTrimmedText},
    {"PARTSNAME",         "PARTSNAME",         Conversion::kTrimmedText},
    {"ADJT",              "ADJT",              Conversion::kTrimmedText},
    {"ADJTSTAFF",         "ADJTSTAFF",         Conversion::kTrimmedText},
    {"IssueNo",           "IssueNo",           Conversion::kTrimmedText},
    // number (24)
    {"CusCode",           "CusCode",           Conversion::kNumber},
    {"SUBCODE",           "SUBCODE",           Conversion::kNumber},
    {"Amount",            "Amount",            Conversion::kNumber},
    {"PROJECTCODE",       "PROJECTCODE",       Conversion::kNumber},
    {"COLLCODE",          "COLLCODE",          Conversion::kNumber},
    {"DRIVERCODE",        "DRIVERCODE",        Conversion::kNumber},
    {"MAINTAINCODE",      "MAINTAINCODE",      Conversion::kNumber},
    {"CURRFIX",           "CURRFIX",           Conversion::kNumber},
    {"NEXTFIX",           "NEXTFIX",           Conversion::kNumber},
    {"MAINTAINGROUPCODE", "MAINTAINGROUPCODE", Conversion::kNumber},
    {"CURRFIXHRS",        "CURRFIXHRS",        Conversion::kNumber},
    {"NEXTFIXHRS",        "NEXTFIXHRS",        Conversion::kNumber},
    {"METERIALCODE",      "METERIALCODE",      Conversion::kNumber},
    {"RUNNINGKM",         "RUNNINGKM",         Conversion::kNumber},
    {"RUNNINGHRS",        "RUNNINGHRS",        Conversion::kNumber},
    {"PIECES",            "PIECES",            Conversion::kNumber},
    {"Rate",              "Rate",              Conversion::kNumber},
    {"Ltr",               "Ltr",               Conversion::kNumber},
    {"Dop",               "Dop",               Conversion::kNumber},
    {"TCuscode",          "TCuscode",          Conversion::kNumber},
    {"StartLtr",          "StartLtr",          Conversion::kNumber},
    {"EndLtr",            "EndLtr",            Conversion::kNumber},
    {"StartPoint",        "StartPoint",        Conversion::kNumber},
    {"EndPoint",          "EndPoint",          Conversion::kNumber},
    // date
    {"RDate",             "RDate",             Conversion::kDate},
    // date if present (6)
    {"BILLDate",          "BILLDate",          Conversion::kDateIfPresent},
    {"CHQDate",           "CHQDate",           Conversion::kDateIfPresent},
    {"INVDate",           "INVDate",           Conversion::kDateIfPresent},
    {"CURRFIXDate",       "CURRFIXDate",       Conversion::kDateIfPresent},
    {"NEXTFIXDate",       "NEXTFIXDate",       Conversion::kDateIfPresent},
    {"ADJTDate",          "ADJTDate",          Conversion::kDateIfPresent},
    // value if present
    {"ADJTTime",          "ADJTTime",          Conversion::kValueIfPresent},
};

// JOBWORK. JobCardBranch must not be null.
inline constexpr Assignment kJobWorkAssignments[] = {
    // text (16)
    {"JobCardNo",       "JobCardNo",       Conversion::kText},
    {"Unit",            "Unit",            Conversion::kText},
    {"Equipment",       "Equipment",       Conversion::kText},
    {"Assembly",        "Assembly",        Conversion::kText},
    {"SLNO",            "SLNO",            Conversion::kText},
    {"YearControl",     "YearControl",     Conversion::kText},
    {"RecIss",          "RecIss",          Conversion::kText},
    {"Remarks",         "Remarks",         Conversion::kText},
    {"Node_ID",         "Node_ID",         Conversion::kText},
    {"CashCountercode", "CashCountercode", Conversion::kText},
    {"Bckup",           "Bckup",           Conversion::kText},
    {"AuditStaff",      "AuditStaff",      Conversion::kText},
    {"Category",        "Category",        Conversion::kText},
    {"WorkToBeDone",    "WorkToBeDone",    Conversion::kText},
    {"Flag",            "Flag",            Conversion::kText},
    {"WorkHasDone",     "WorkHasDone",     Conversion::kText},
    // number (10)
    {"SUBCODE",         "SUBCODE",         Conversion::kNumber},
    {"PIECES",          "PIECES",          Conversion::kNumber},
    {"IntLineSet",      "IntLineSet",      Conversion::kNumber},
    {"CusCode",         "CusCode",         Conversion::kNumber},
    {"Amount",          "Amount",          Conversion::kNumber},
    {"Tax",             "Tax",             Conversion::kNumber},
    {"Total",           "Total",           Conversion::kNumber},
    {"VehicleCode",     "VehicleCode",     Conversion::kNumber},
    {"TaxPer",          "TaxPer",          Conversion::kNumber},
    {"JobCardRecIssNo", "JobCardRecIssNo", Conversion::kNumber},
    // number, a null fails
    {"JobCardBranch",   "JobCardBranch",   Conversion::kNumberNullFails},
    // date
    {"RDate",           "RDate",           Conversion::kDate},
    // date if present (3)
    {"DueDate",         "DueDate",         Conversion::kDateIfPresent},
    {"AuditDate",       "AuditDate",       Conversion::kDateIfPresent},
    {"JobCardDate",     "JobCardDate",     Conversion::kDateIfPresent},
    // value if present
    {"AuditTime",       "AuditTime",       Conversion::kValueIfPresent},
};

// JOBWORKDETAILS: JOBWORK with Rate and JobCardSLNo.
inline constexpr Assignment kJobWorkDetailsAssignments[] = {
    // text (17)
    {"JobCardNo",       "JobCardNo",       Conversion::kText},
    {"Unit",            "Unit",            Conversion::kText},
    {"Equipment",       "Equipment",       Conversion::kText},
    {"Assembly",        "Assembly",        Conversion::kText},
    {"SLNO",            "SLNO",            Conversion::kText},
    {"YearControl",     "YearControl",     Conversion::kText},
    {"RecIss",          "RecIss",          Conversion::kText},
    {"Remarks",         "Remarks",         Conversion::kText},
    {"Node_ID",         "Node_ID",         Conversion::kText},
    {"CashCountercode", "CashCountercode", Conversion::kText},
    {"Bckup",           "Bckup",           Conversion::kText},
    {"AuditStaff",      "AuditStaff",      Conversion::kText},
    {"Category",        "Category",        Conversion::kText},
    {"WorkToBeDone",    "WorkToBeDone",    Conversion::kText},
    {"Flag",            "Flag",            Conversion::kText},
    {"JobCardSLNo",     "JobCardSLNo",     Conversion::kText},
    {"WorkHasDone",     "WorkHasDone",     Conversion::kText},
    // number (11)
    {"SUBCODE",         "SUBCODE",         Conversion::kNumber},
    {"PIECES",          "PIECES",          Conversion::kNumber},
    {"Rate",            "Rate",            Conversion::kNumber},
    {"IntLineSet",      "IntLineSet",      Conversion::kNumber},
    {"CusCode",         "CusCode",         Conversion::kNumber},
    {"Amount",          "Amount",          Conversion::kNumber},
    {"Tax",             "Tax",             Conversion::kNumber},
    {"Total",           "Total",           Conversion::kNumber},
    {"VehicleCode",     "VehicleCode",     Conversion::kNumber},
    {"TaxPer",          "TaxPer",          Conversion::kNumber},
    {"JobCardRecIssNo", "JobCardRecIssNo", Conversion::kNumber},
    // number, a null fails
    {"JobCardBranch",   "JobCardBranch",   Conversion::kNumberNullFails},
    // date
    {"RDate",           "RDate",           Conversion::kDate},
    // date if present (3)
    {"DueDate",         "DueDate",         Conversion::kDateIfPresent},
    {"AuditDate",       "AuditDate",       Conversion::kDateIfPresent},
    {"JobCardDate",     "JobCardDate",     Conversion::kDateIfPresent},
    // value if present
    {"AuditTime",       "AuditTime",       Conversion::kValueIfPresent},
};

// All eighteen maps, in the order of the upload steps of the sync cycle.
inline constexpr FieldMap kFieldMaps[] = {
    {"CASHCOUNTER",     kCashCounterAssignments,     {}},
    {"CUSTOMER",        kCustomerAssignments,        {}},
    {"Operator",        kOperatorAssignments,        {}},
    {"INDENT",          kIndentAssignments,          kTrailAssignments},
    {"METERIAL",        kMeterialAssignments,        {}},
    {"OPERATORLog",     kOperatorLogAssignments,     {}},
    {"JOBWORK",         kJobWorkAssignments,         kTrailAssignments},
    {"JOBWORKDETAILS",  kJobWorkDetailsAssignments,  kTrailAssignments},
    {"BRANCHINDENT",    kBranchIndentAssignments,    kTrailAssignments},
    {"INVENTORYTRANS",  kInventoryTransAssignments,  kTrailAssignments},
    {"OUTSTANDING",     kOutstandingAssignments,     kTrailAssignments},
    {"ACHEADMASTER",    kAcHeadMasterAssignments,    {}},
    {"PRODUCTION",      kProductionAssignments,      kTrailAssignments},
    {"PRODUCTIONTRAN",  kProductionTranAssignments,  kTrailAssignments},
    {"TYRETRANS",       kTyreTransAssignments,       kTrailAssignments},
    {"STAFFATTND",      kStaffAttndAssignments,      {}},
    {"DPURCHASE",       kDPurchaseAssignments,       kTrailAssignments},
    {"VEHICLEEXPENSES", kVehicleExpensesAssignments, kTrailAssignments},
};

// Assignment counts of every map (own plus trail).
static_assert(std::size(kTrailAssignments) == 23);
static_assert(std::size(kCashCounterAssignments) == 35);
static_assert(std::size(kCustomerAssignments) == 66);
static_assert(std::size(kAcHeadMasterAssignments) == 67);
static_assert(std::size(kStaffAttndAssignments) == 36);
static_assert(std::size(kOperatorAssignments) == 84);
static_assert(std::size(kMeterialAssignments) == 32);
static_assert(std::size(kOperatorLogAssignments) == 14);
static_assert(std::size(kIndentAssignments)          + std::size(kTrailAssignments) == 47);
static_assert(std::size(kBranchIndentAssignments)    + std::size(kTrailAssignments) == 48);
static_assert(std::size(kInventoryTransAssignments)  + std::size(kTrailAssignments) == 56);
static_assert(std::size(kDPurchaseAssignments)       + std::size(kTrailAssignments) == 96);
static_assert(std::size(kOutstandingAssignments)     + std::size(kTrailAssignments) == 47);
static_assert(std::size(kProductionAssignments)      + std::size(kTrailAssignments) == 66);
static_assert(std::size(kProductionTranAssignments)  + std::size(kTrailAssignments) == 70);
static_assert(std::size(kTyreTransAssignments)       + std::size(kTrailAssignments) == 63);
static_assert(std::size(kVehicleExpensesAssignments) + std::size(kTrailAssignments) == 79);
static_assert(std::size(kJobWorkAssignments)         + std::size(kTrailAssignments) == 55);
static_assert(std::size(kJobWorkDetailsAssignments)  + std::size(kTrailAssignments) == 57);
static_assert(std::size(kFieldMaps) == 18);
static_assert([] {
  std::size_t total = 0;
  for (const FieldMap& map : kFieldMaps) total += map.size();
  return total;
}() == 1018);

// Returns the map of `table`, matched without regard to letter case, or
// nullptr when no uploaded table has that name.
const FieldMap* findFieldMap(std::string_view table);

// Returns all eighteen maps, in the order of the upload steps.
std::span<const FieldMap> allFieldMaps();

}  // namespace velmora
