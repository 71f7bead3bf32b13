// Every statement text the agent sends, run through the embedded backend
// against a small branch and a linked head office: each must run without a
// failure, as it does on SQL Server.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "backends/embedded/embedded_connector.h"
#include "backends/embedded/tsql_dialect.h"
#include "support/embedded_test_servers.h"

namespace velmora {
namespace {

using embedded_testing::ScratchFolder;

// The columns every business table of the test schema carries: the flag
// columns and every key and filter column that some statement names.
constexpr const char* kBusinessColumns =
    "Rno INTEGER PRIMARY KEY AUTOINCREMENT, TmpRno INTEGER, Transfered VARCHAR(1) COLLATE NOCASE, "
    "TransferedDate DATETIME, TransferedTime VARCHAR(10) COLLATE NOCASE, BR1 VARCHAR(1) COLLATE NOCASE, "
    "BR2 VARCHAR(1) COLLATE NOCASE, BR3 VARCHAR(1) COLLATE NOCASE, BR4 VARCHAR(1) COLLATE NOCASE, "
    "BR7 VARCHAR(1) COLLATE NOCASE, BR12 VARCHAR(1) COLLATE NOCASE, de VARCHAR(1) COLLATE NOCASE, "
    "Active VARCHAR(1) COLLATE NOCASE, code INTEGER, CashCountercode INTEGER, cuscode VARCHAR(10) COLLATE NOCASE, "
    "CATEGORYcode INTEGER, DEPARTMENTcode INTEGER, DESIGNATIONcode INTEGER, OPER_code INTEGER, "
    "controlcode VARCHAR(10) COLLATE NOCASE, COUNTERcode INTEGER, METERIALcode INTEGER, PITcode INTEGER, "
    "SUBPITcode INTEGER, RATEcode INTEGER, ProCode INTEGER, SubCode INTEGER, recissno INTEGER, branch INTEGER, "
    "yearcontrol VARCHAR(10) COLLATE NOCASE, indentno VARCHAR(10) COLLATE NOCASE, indentbranch INTEGER, "
    "refno INTEGER, billno VARCHAR(10) COLLATE NOCASE, JobCardNo VARCHAR(10) COLLATE NOCASE, "
    "JobCardBranch INTEGER, RecIss VARCHAR(1) COLLATE NOCASE, ADate DATETIME, Ainout VARCHAR(1) COLLATE NOCASE, "
    "Name VARCHAR(40) COLLATE NOCASE";

constexpr const char* kColumnList =
    "TmpRno,Transfered,TransferedDate,TransferedTime,BR1,BR2,BR3,BR4,BR7,BR12,de,Active,code,CashCountercode,"
    "cuscode,CATEGORYcode,DEPARTMENTcode,DESIGNATIONcode,OPER_code,controlcode,COUNTERcode,METERIALcode,PITcode,"
    "SUBPITcode,RATEcode,ProCode,SubCode,recissno,branch,yearcontrol,indentno,indentbranch,refno,billno,JobCardNo,"
    "JobCardBranch,RecIss,ADate,Ainout,Name";

constexpr const char* kMainTables[] = {
    "BANKMASTER", "CATEGORY",     "COLLECTIONMASTER", "CUSTOMER",      "DEPARTMENT",   "DESIGNATION",
    "VEHICLEMAINTAIN", "VEHICLEMAINTAINGROUP", "OPERATOR", "OPERDEPARTMENT", "SECURITYMAST", "PCOUNTER",
    "METERIAL",   "PITMASTER",    "SUBPITMASTER",     "PITRATEMASTER", "PitBataMaster", "Product",
    "SALARYMASTER", "VEHSALARYMASTER", "SubProduct", "TYREPOSITION", "VEHICLEMASTER", "CASHCOUNTER",
    "STAFFATTND", "OPERATORLog"};

constexpr const char* kYearTables[] = {"INDENT",     "BRANCHINDENT", "INVENTORYTRANS", "ACHEADMASTER",
                                       "PRODUCTION", "PRODUCTIONTRAN", "TYRETRANS",    "DPURCHASE",
                                       "OUTSTANDING", "VEHICLEEXPENSES", "JOBWORK",    "JOBWORKDETAILS"};

// Three rows per business table: undelivered rows addressed to branch 7, one
// of them already transferred.
std::string businessTables(const char* const* begin, const char* const* end) {
  std::string sql;
  for (auto t = begin; t != end; ++t) {
    const std::string table = *t;
    sql += "CREATE TABLE " + table + " (" + kBusinessColumns + ");";
    sql += "INSERT INTO " + table +
           " (TmpRno, Transfered, code, CashCountercode, cuscode, OPER_code, controlcode, METERIALcode, recissno, "
           "branch, yearcontrol, indentno, indentbranch, refno, billno, JobCardNo, JobCardBranch, RecIss, ADate, "
           "Ainout, Name) VALUES "
           "(0, NULL, 1, 1, 'C1', 1, 'K1', 1, 1, 7, '1920', 'I1', 7, 1, 'B1', 'J1', 7, 'R', '2020-03-05', 'I', 'one'),"
           "(2, 'N', 2, 2, 'C2', 2, 'K2', 2, 1, 7, '1920', 'I2', 7, 2, 'B2', 'J2', 7, 'R', '2020-03-05', 'O', 'two'),"
           "(3, 'Y', 3, 3, 'C3', 3, 'K3', 3, 1, 3, '1920', 'I3', 3, 3, 'B3', 'J3', 3, 'I', '2020-03-06', 'I', "
           "'three');";
  }
  return sql;
}

std::string mainDatabase() {
  return businessTables(std::begin(kMainTables), std::end(kMainTables)) +
         "CREATE TABLE Code (Rno INTEGER PRIMARY KEY AUTOINCREMENT, ParamCode VARCHAR(40) COLLATE NOCASE);"
         "INSERT INTO Code (ParamCode) VALUES ('A'), ('B');"
         "CREATE TABLE ERRTABLE (Rno INTEGER PRIMARY KEY AUTOINCREMENT, Module VARCHAR(50) COLLATE NOCASE, "
         "MESSAGE VARCHAR(2000) COLLATE NOCASE, UPDATED DATETIME, UPTIME DATETIME);"
         "CREATE TABLE Branch (Rno INTEGER PRIMARY KEY AUTOINCREMENT, BranchCode VARCHAR(10) COLLATE NOCASE, "
         "Branch VARCHAR(40) COLLATE NOCASE, CompCode VARCHAR(10) COLLATE NOCASE, ServerName VARCHAR(40) COLLATE "
         "NOCASE, PASSword VARCHAR(40), Ip1 VARCHAR(3), Ip2 VARCHAR(3), Ip3 VARCHAR(3), Ip4 VARCHAR(3), "
         "Flag VARCHAR(1) COLLATE NOCASE, active VARCHAR(1) COLLATE NOCASE, BranchOrder INTEGER);"
         "INSERT INTO Branch (BranchCode, Branch, CompCode, ServerName, Flag, active, BranchOrder) VALUES "
         "('7', 'Quarry', 'ABC', 'BR', 'B', 'Y', 2), ('3', 'Head office', 'HOA', 'HO1', 'h', NULL, 1);"
         "CREATE TABLE ParamControl (Rno INTEGER PRIMARY KEY AUTOINCREMENT, ParamCode VARCHAR(40) COLLATE NOCASE, "
         "ParamLONG NUMERIC(18,2));"
         "INSERT INTO ParamControl (ParamCode, ParamLONG) VALUES ('DEFAULTBRANCHCODE', 7);";
}

std::string yearDatabase() {
  return businessTables(std::begin(kYearTables), std::end(kYearTables)) +
         "CREATE TABLE BControl (Rno INTEGER PRIMARY KEY AUTOINCREMENT, Lok INTEGER);"
         "INSERT INTO BControl (Lok) VALUES (1);";
}

enum class Db { kBranchMain, kBranchYear, kHoMain, kHoYear };
enum class Mode {
  kExecute,             // Execute outside any transaction
  kInTransaction,       // Execute inside transactions on the branch and the head office of the pair
  kCursor,              // open a forward-only, read-only recordset and read it through
  kUpdatableCursor,     // open a static, optimistic recordset and read it through
};

struct Shape {
  std::string name;
  Db db;
  Mode mode;
  std::string text;
};

// Replaces {n} (branch 7), {c} (head office 3), {S} (site 0012), {L} ([HO1]),
// {cols} and, per pair, {D} (the head office's database).
std::string expand(std::string text, Db db) {
  const bool year = db == Db::kBranchYear || db == Db::kHoYear;
  const std::map<std::string, std::string> values = {
      {"{n}", "7"}, {"{c}", "3"}, {"{S}", "0012"}, {"{L}", "[HO1]"}, {"{cols}", kColumnList},
      {"{D}", year ? "HOA1920" : "HOAMAIN"}};
  for (const auto& [key, value] : values) {
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size())) {
      text.replace(at, key.size(), value);
    }
  }
  return text;
}

constexpr const char* kStagingDrop =
    "if exists (select * from sysobjects where type='v' and name='CentralizedData{S}') drop view "
    "CentralizedData{S} else if exists (select * from sysobjects where type='u' and name='CentralizedData{S}') "
    "drop table CentralizedData{S}";

struct MasterMember {
  const char* table;
  const char* key;
  const char* marker;
  const char* stampKey;  // "" when the member does not stamp the branch rows
};

constexpr MasterMember kMasterMembers[] = {
    {"BANKMASTER", "code", "de", ""},                 {"CATEGORY", "CATEGORYcode", "ACTIVE", ""},
    {"COLLECTIONMASTER", "code", "de", ""},           {"CUSTOMER", "cuscode", "de", "cuscode"},
    {"DEPARTMENT", "DEPARTMENTcode", "Active", ""},   {"DESIGNATION", "DESIGNATIONcode", "Active", ""},
    {"VEHICLEMAINTAIN", "code", "de", ""},            {"VEHICLEMAINTAINGROUP", "code", "de", ""},
    {"OPERATOR", "OPER_code", "de", "OPER_code"},     {"OPERDEPARTMENT", "OPER_code", "de", ""},
    {"SECURITYMAST", "", "de", ""},                   {"PCOUNTER", "COUNTERcode", "Active", ""},
    {"METERIAL", "METERIALcode", "de", "METERIALcode"}, {"PITMASTER", "PITcode", "Active", ""},
    {"SUBPITMASTER", "SUBPITcode", "Active", ""},     {"PITRATEMASTER", "RATEcode", "Active", ""},
    {"PitBataMaster", "RATEcode", "Active", ""},      {"Product", "ProCode", "Active", ""},
    {"SALARYMASTER", "cuscode", "de", "cuscode"},     {"VEHSALARYMASTER", "cuscode", "de", "cuscode"},
    {"SubProduct", "SubCode", "Active", ""},          {"TYREPOSITION", "SubCode", "Active", ""},
    {"VEHICLEMASTER", "SubCode", "Active", ""},
};

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::vector<Shape> startUpAndLogShapes() {
  return {
      {"StartUpCompanyBranch", Db::kBranchMain, Mode::kCursor, "Select * from Branch where compcode='ABC'"},
      {"StartUpBranchNumber", Db::kBranchMain, Mode::kCursor,
       "Select * from ParamControl where ParamCode='DEFAULTBRANCHCODE' "},
      {"StartUpHeadOffices", Db::kBranchMain, Mode::kCursor,
       "select 0 Sno1,* from Branch where isnull(active,'')<>'N' and isnull(CompCode,'')<>'' and isnull(Flag,'')='H' "
       "order by Sno1,BranchOrder"},
      {"ErrorRow", Db::kBranchMain, Mode::kExecute,
       "INSERT INTO ERRTABLE (Module,MESSAGE,UPDATED,UPTIME) VALUES('CONNECTION','HO1-Cannot open database "
       "''HOAMAIN''','07/Nov/2019','1:07:00 PM')"},
      {"ErrorRowAtHeadOffice", Db::kHoMain, Mode::kExecute,
       "INSERT INTO ERRTABLE (Module,MESSAGE,UPDATED,UPTIME) VALUES('BANKMASTERUPLOAD','3-failure','07/Nov/2019',"
       "'13:07:00')"},
      {"ErrorDisplay", Db::kBranchMain, Mode::kCursor,
       "Select LTrim(Right(CONVERT(VARCHAR(20), UpTime, 100),7)) UpTime,Module,Message,Updated,Rno from ErrTable "
       "with (nolock) where Updated='07/Nov/2019' order by Rno desc"},
      {"ColumnList", Db::kBranchMain, Mode::kCursor,
       "select COLUMN_NAME, TABLE_NAME from INFORMATION_SCHEMA.COLUMNS where TABLE_SCHEMA = 'dbo' and "
       "table_name='BANKMASTER' and COLUMNPROPERTY(object_id(TABLE_NAME), COLUMN_NAME, 'IsIdentity') <> 1 "},
      {"LockMainAtBranch", Db::kBranchMain, Mode::kInTransaction, "Update Code set ParamCode=ParamCode "},
      {"LockMainAtHeadOffice", Db::kHoMain, Mode::kInTransaction, "Update Code set ParamCode=ParamCode "},
      {"LockYear", Db::kBranchYear, Mode::kInTransaction, "Update BControl set Lok=Lok"},
      {"LockYearTrailingBlank", Db::kHoYear, Mode::kInTransaction, "Update BControl set Lok=Lok "},
      {"LockYearAccountHeads", Db::kBranchYear, Mode::kInTransaction, "Update Bcontrol set Lok=Lok "},
  };
}

std::vector<Shape> masterDownloadShapes() {
  std::vector<Shape> shapes;
  for (const MasterMember& m : kMasterMembers) {
    const std::string t = m.table;
    auto member = [&](std::string text) {
      text = replaceAll(replaceAll(std::move(text), "{T}", t), "{K}", m.key);
      return replaceAll(replaceAll(std::move(text), "{M}", m.marker), "{SK}", m.stampKey);
    };
    shapes.push_back({t + "Probe", Db::kHoMain, Mode::kCursor,
                      member("Select Top 1 Rno From {T}  with (nolock) Where isnull(BR{n},'')<>'Y' ")});
    shapes.push_back({t + "Hold", Db::kHoMain, Mode::kCursor,
                      member("Select count(*) From {T} with (TABLOCK, HOLDLOCK) Where isnull(BR{n},'')<>'Y' ")});
    if (t == "SECURITYMAST") {
      shapes.push_back({t + "Mark", Db::kBranchMain, Mode::kInTransaction,
                        "Update SECURITYMAST Set de='X' from SECURITYMAST A,{L}.{D}.Dbo.SECURITYMAST B Where "
                        "isnull(b.BR{n},'')<>'Y' and isnull(a.oper_code,0)=isnull(b.oper_code,0) and "
                        "isnull(a.controlcode,'')=isnull(b.controlcode,'') "});
    } else {
      shapes.push_back({t + "Mark", Db::kBranchMain, Mode::kInTransaction,
                        member("Update {T} set {M}='X' where {K} in(Select {K} From {L}.{D}.Dbo.{T} Where "
                               "isnull(BR{n},'')<>'Y')")});
    }
    shapes.push_back({t + "Insert", Db::kBranchMain, Mode::kInTransaction,
                      member("Insert into {T} ({cols}) Select {cols} From {L}.{D}.Dbo.{T} Where "
                             "isnull(BR{n},'')<>'Y' ")});
    shapes.push_back({t + "Delete", Db::kBranchMain, Mode::kInTransaction, member("Delete from {T} where {M}='X' ")});
    if (*m.stampKey != '\0') {
      shapes.push_back({t + "BranchStamp", Db::kBranchMain, Mode::kInTransaction,
                        member("Update {T} set Transfered='Y' where {SK} in(Select {SK} From {L}.{D}.Dbo.{T} "
                               "Where isnull(BR{n},'')<>'Y')")});
    }
    shapes.push_back({t + "Flag", Db::kHoMain, Mode::kInTransaction,
                      member("Update {T} set BR{n}='Y',Transfered='Y',TransferedDate='05/Mar/2020',"
                             "TransferedTime='14:07:09' Where isnull(BR{n},'')<>'Y'  ")});
  }
  return shapes;
}

// Mark and BR statements of the upload key forms, for their first member.
struct KeyForm {
  const char* name;
  Db db;
  const char* mark;
  const char* br;
};

const KeyForm kKeyForms[] = {
    {"CashCounter", Db::kHoMain,
     "Update CASHCOUNTER set ACTIVE='X' where CashCountercode in(Select CashCountercode From CentralizedData{S})",
     "Update CASHCOUNTER set BR{c}='Y' where CashCountercode in(Select CashCountercode From CentralizedData{S})"},
    {"Customer", Db::kHoMain, "Update CUSTOMER set de='X' where cuscode in(Select cuscode From CentralizedData{S})",
     "Update CUSTOMER set BR{n}='Y' where cuscode in(Select cuscode From CentralizedData{S})"},
    {"AccountHead", Db::kHoYear,
     "Update ACHEADMASTER set de='X' where cuscode in(Select cuscode From CentralizedData{S} Where "
     "isnull(Transfered,'')<>'Y')",
     "Update ACHEADMASTER set BR{n}='Y' where cuscode in(Select cuscode From CentralizedData{S} Where "
     "isnull(Transfered,'')<>'Y')"},
    {"Indent", Db::kHoYear,
     "Update INDENT set de='X' from INDENT A,CentralizedData{S} B Where isnull(B.Transfered,'')<>'Y' and "
     "isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and "
     "isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.indentno,'')=isnull(b.indentno,'') and "
     "isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ",
     "Update INDENT set BR{n}='Y' from INDENT A,CentralizedData{S} B  with (NoLock) Where "
     "isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and "
     "isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and "
     "isnull(a.indentno,'')=isnull(b.indentno,'') and isnull(a.refno,0)=isnull(b.refno,0) and  "
     "isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  "},
    {"Production", Db::kHoYear,
     "Update PRODUCTION set de='X' from PRODUCTION A,CentralizedData{S} B Where isnull(B.Transfered,'')<>'Y' and "
     "isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and "
     "isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.refno,0)=isnull(b.refno,0) and "
     "isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ",
     "Update PRODUCTION set BR{n}='Y' from PRODUCTION A,CentralizedData{S} B  with (NoLock) Where "
     "isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and "
     "isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and "
     "isnull(a.refno,0)=isnull(b.refno,0) and  isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  "},
    {"Tyre", Db::kHoYear,
     "Update TYRETRANS set de='X' from TYRETRANS A,CentralizedData{S} B Where isnull(B.Transfered,'')<>'Y' and "
     "isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.billno,0)=isnull(b.billno,0) and "
     "isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and "
     "isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ",
     "Update TYRETRANS set BR{n}='Y' from TYRETRANS A,CentralizedData{S} B  with (NoLock) Where "
     "isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0)  and "
     "isnull(a.billno,0)=isnull(b.billno,0) and isnull(a.branch,0)=isnull(b.branch,0) and "
     "isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.refno,0)=isnull(b.refno,0) and  "
     "isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  "},
    {"Purchase", Db::kHoYear,
     "Update DPURCHASE set de='X' from DPURCHASE A,CentralizedData{S} B Where isnull(B.Transfered,'')<>'Y' and "
     "isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and "
     "isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.Billno,'')=isnull(b.Billno,'') and "
     "isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ",
     "Update DPURCHASE set BR{n}='Y' from DPURCHASE A,CentralizedData{S} B  with (NoLock) Where "
     "isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and "
     "isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and "
     "isnull(a.Billno,'')=isnull(b.Billno,'') and isnull(a.refno,0)=isnull(b.refno,0) and  "
     "isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  "},
    {"Bill", Db::kHoYear,
     "Update OUTSTANDING set de='X' from OUTSTANDING A,CentralizedData{S} B Where isnull(B.Transfered,'')<>'Y' and "
     "isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and "
     "isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.billno,'')=isnull(b.billno,'') and "
     "isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ",
     "Update OUTSTANDING set BR{n}='Y' from OUTSTANDING A,CentralizedData{S} B  with (NoLock) Where "
     "isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and "
     "isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and "
     "isnull(a.billno,'')=isnull(b.billno,'') and isnull(a.refno,0)=isnull(b.refno,0) and  "
     "isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  "},
    {"JobCard", Db::kHoYear,
     "Update JOBWORK set de='X' from JOBWORK A,CentralizedData{S} B Where isnull(B.Transfered,'')<>'Y' and "
     "isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and "
     "isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.JobCardNo,'')=isnull(b.JobCardNo,'') and "
     "isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and "
     "isnull(a.RecIss,'')=isnull(B.RecIss,'') and isnull(B.TmpRno,0)<>0 ",
     "Update JOBWORK set BR{n}='Y' from JOBWORK A,CentralizedData{S} B  with (NoLock) Where "
     "isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and "
     "isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and "
     "isnull(a.JobCardNo,'')=isnull(b.JobCardNo,'') and isnull(a.refno,0)=isnull(b.refno,0) and  "
     "isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)   and isnull(a.RecIss,'')=isnull(B.RecIss,'')   "},
    {"Attendance", Db::kHoMain,
     "Update STAFFATTND set de='X' from STAFFATTND A,CentralizedData{S} B Where isnull(B.Transfered,'')<>'Y' and "
     "isnull(a.Oper_Code,0)=isnull(b.Oper_Code,0) and a.ADate=b.ADate and isnull(a.Ainout,'')=isnull(b.Ainout,'') "
     "and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) and isnull(B.TmpRno,0)<>0 ",
     "Update STAFFATTND set BR{n}='Y' from STAFFATTND A,CentralizedData{S} B  with (NoLock) Where  "
     "isnull(B.Transfered,'')<>'Y' and isnull(a.Oper_Code,0)=isnull(b.Oper_Code,0) and a.ADate=b.ADate and "
     "isnull(a.Ainout,'')=isnull(b.Ainout,'') and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) "},
    {"Operator", Db::kHoMain,
     "Update Operator set de='X' from Operator A,CentralizedData{S} B Where isnull(B.Transfered,'')<>'Y' and "
     "isnull(a.Oper_Code,0)=isnull(b.Oper_Code,0) ",
     "Update Operator set BR{n}='Y' from Operator A,CentralizedData{S} B  with (NoLock) Where  "
     "isnull(B.Transfered,'')<>'Y' and isnull(a.Oper_Code,0)=isnull(b.Oper_Code,0) "},
    {"Material", Db::kHoMain,
     "Update METERIAL set de='X' from METERIAL A,CentralizedData{S} B Where isnull(B.Transfered,'')<>'Y' and "
     "isnull(a.METERIALCODE,0)=isnull(b.METERIALCODE,0) ",
     "Update METERIAL set BR{n}='Y' from METERIAL A,CentralizedData{S} B  with (NoLock) Where  "
     "isnull(B.Transfered,'')<>'Y' and isnull(a.METERIALCODE,0)=isnull(b.METERIALCODE,0) "},
};

std::vector<Shape> stagedUploadShapes() {
  std::vector<Shape> shapes = {
      {"UploadProbeA", Db::kBranchMain, Mode::kCursor,
       "Select Top 1 Rno From CUSTOMER with (nolock)  Where isnull(Transfered,'')<>'Y' "},
      {"UploadProbeB", Db::kBranchYear, Mode::kCursor,
       "Select Top 1 Rno From INDENT  with (nolock) Where isnull(Transfered,'')<>'Y' "},
      {"UploadTmpRno", Db::kBranchYear, Mode::kExecute,
       "Update INDENT set TmpRno=Rno Where isnull(Transfered,'')<>'Y' and isnull(TmpRno,0)=0 "},
  };
  for (Db db : {Db::kBranchMain, Db::kBranchYear}) {
    const std::string t = db == Db::kBranchMain ? "CUSTOMER" : "INDENT";
    shapes.push_back({"SnapshotDrop" + t, db, Mode::kExecute, kStagingDrop});
    shapes.push_back({"Snapshot" + t, db, Mode::kExecute,
                      "Select * into CentralizedData{S} from " + t +
                          " with (nolock) Where isnull(Transfered,'')<>'Y' "});
    // A second run finds the snapshot and drops it first.
    shapes.push_back({"SnapshotDropAgain" + t, db, Mode::kExecute, kStagingDrop});
    shapes.push_back({"SnapshotAgain" + t, db, Mode::kExecute,
                      "Select * into CentralizedData{S} from " + t +
                          " with (nolock) Where isnull(Transfered,'')<>'Y' "});
  }
  for (Db db : {Db::kHoMain, Db::kHoYear}) {
    const std::string t = db == Db::kHoMain ? "CUSTOMER" : "INDENT";
    shapes.push_back({"StagingDrop" + t, db, Mode::kExecute, kStagingDrop});
    shapes.push_back({"Staging" + t, db, Mode::kExecute,
                      "Select * into CentralizedData{S} from " + t + " with (nolock) Where 1=2 "});
    shapes.push_back({"StagingRows" + t, db, Mode::kUpdatableCursor, "Select * from CentralizedData{S} "});
    // Rows for the merge statements to work on.
    shapes.push_back({"StagingFill" + t, db, Mode::kExecute,
                      "Insert into CentralizedData{S} ({cols}) Select {cols} From " + t + " "});
  }
  shapes.push_back({"SourceRows", Db::kBranchYear, Mode::kUpdatableCursor,
                    "Select * From INDENT Where isnull(Transfered,'')<>'Y' "});
  shapes.push_back({"SourceRowsTop1000", Db::kBranchYear, Mode::kUpdatableCursor,
                    "Select top 1000 * From INVENTORYTRANS Where isnull(Transfered,'')<>'Y' "});
  for (const KeyForm& form : kKeyForms) {
    shapes.push_back({std::string(form.name) + "MergeMark", form.db, Mode::kInTransaction, form.mark});
    shapes.push_back({std::string(form.name) + "MergeBR", form.db, Mode::kInTransaction, form.br});
  }
  shapes.push_back({"MergeInsertNoFilter", Db::kHoMain, Mode::kInTransaction,
                    "Insert into OPERATORLog ({cols}) Select {cols} From CentralizedData{S} "});
  shapes.push_back({"MergeInsertPending", Db::kHoMain, Mode::kInTransaction,
                    "Insert into CUSTOMER ({cols}) Select {cols} From CentralizedData{S} Where "
                    "isnull(Transfered,'')<>'Y' "});
  shapes.push_back({"MergeInsertPendingNoLock", Db::kHoYear, Mode::kInTransaction,
                    "Insert into INDENT ({cols}) Select {cols} From CentralizedData{S} with (NoLock) Where "
                    "isnull(Transfered,'')<>'Y' "});
  shapes.push_back({"MergeDeleteCashCounter", Db::kHoMain, Mode::kInTransaction,
                    "Delete from CASHCOUNTER where ACTIVE='X' "});
  shapes.push_back({"MergeDelete", Db::kHoYear, Mode::kInTransaction, "Delete from JOBWORKDETAILS where de='X' "});
  return shapes;
}

constexpr const char* kClauseI =
    " and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and "
    "isnull(a.indentbranch,0)=isnull(b.indentbranch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and "
    "isnull(a.indentno,'')=isnull(b.indentno,'') and isnull(a.refno,0)=isnull(b.refno,0) and "
    "isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ";
constexpr const char* kClauseJ =
    " and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and "
    "isnull(a.JobCardBranch,0)=isnull(b.JobCardBranch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and "
    "isnull(a.JobCardNo,'')=isnull(b.JobCardNo,'') and isnull(a.refno,0)=isnull(b.refno,0) and "
    "isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ";
constexpr const char* kClauseV =
    " and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and "
    "isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.indentno,'')=isnull(b.indentno,'') and "
    "isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ";
constexpr const char* kClauseO =
    " and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and "
    "isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.BillNo,'')=isnull(b.Billno,'') and "
    "isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ";
constexpr const char* kClauseOStamp =
    " and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and "
    "isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.billno,'')=isnull(b.billno,'') and "
    "isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ";
constexpr const char* kClauseE =
    " and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and "
    "isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'')  and isnull(a.billno,'')=isnull(b.billno,'') and "
    "isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ";

struct DownloadMember {
  const char* table;
  const char* filter;  // "" when none
  const char* markClause;
  const char* stampClause;
  const char* insertTail;
  const char* stagingBuild;
  const char* flagTail;
};

constexpr DownloadMember kDownloadMembers[] = {
    {"INDENT", "indentbranch", kClauseI, kClauseI,
     " B with (NoLock) Where isnull(B.BR{n},'')<>'Y' and isnull(indentbranch,0)={n} ", nullptr, nullptr},
    {"JOBWORK", "JobCardBranch", kClauseJ, kClauseJ,
     " B with (NoLock) Where isnull(B.BR{n},'')<>'Y' and isnull(JobCardBranch,0)={n} ", nullptr, nullptr},
    {"JOBWORKDETAILS", "JobCardBranch", kClauseJ, kClauseJ,
     " B with (NoLock) Where isnull(B.BR{n},'')<>'Y' and isnull(JobCardBranch,0)={n} ", nullptr, nullptr},
    {"BRANCHINDENT", "indentbranch", kClauseI, kClauseI,
     " b with (NoLock) Where isnull(B.BR{n},'')<>'Y' and isnull(indentbranch,0)={n} ", nullptr, nullptr},
    {"INVENTORYTRANS", "branch", kClauseV, kClauseV,
     " b with (NoLock) Where isnull(B.BR{n},'')<>'Y' and isnull(branch,0)={n} ", nullptr, nullptr},
    {"OUTSTANDING", "", kClauseO, kClauseOStamp, " b with (NoLock) Where isnull(B.BR{n},'')<>'Y' ",
     "Select * into CentralizedData{S} from OUTSTANDING with (NoLock) Where isnull(BR{n},'')<>'Y' ",
     "' Where isnull(BR{n},'')<>'Y' "},
    {"ACHEADMASTER", "", nullptr, nullptr, " Where isnull(BR{n},'')<>'Y' ",
     "Select * into CentralizedData{S} from ACHEADMASTER B with (NoLock) Where isnull(B.BR{n},'')<>'Y'  ",
     "' Where isnull(BR{n},'')<>'Y'  "},
    {"VEHICLEEXPENSES", "", kClauseE, kClauseE, " B with (NoLock) Where isnull(B.BR{n},'')<>'Y' ",
     "Select * into CentralizedData{S} from VEHICLEEXPENSES with (NoLock) Where isnull(BR{n},'')<>'Y' ",
     "' Where ISNULL(BR{n},'')<>'Y' "},
};

std::vector<Shape> stagedDownloadShapes() {
  std::vector<Shape> shapes;
  for (const DownloadMember& m : kDownloadMembers) {
    const std::string t = m.table;
    const std::string f = m.filter;
    auto add = [&](const std::string& step, Db db, Mode mode, const std::string& text) {
      shapes.push_back({"Download" + t + step, db, mode, text});
    };
    if (!f.empty()) {
      add("Probe", Db::kHoYear, Mode::kCursor,
          "Select Top 1 Rno From " + t + "  with (nolock) Where isnull(" + f + ",0)={n} and isnull(BR{n},'')<>'Y' ");
    } else {
      add("Probe", Db::kHoYear, Mode::kCursor, "Select Top 1 Rno From " + t + "  with (nolock) Where isnull(BR{n},'')<>'Y' ");
    }
    if (t == "VEHICLEEXPENSES") {
      add("Numbering", Db::kHoYear, Mode::kExecute,
          "Update VEHICLEEXPENSES set TmpRno=Rno where isnull(TmpRno,0)=0 ");
    }
    add("StagingDrop", Db::kHoYear, Mode::kExecute, kStagingDrop);
    if (t == "INDENT" || t == "JOBWORK" || t == "JOBWORKDETAILS") {
      add("Numbering", Db::kHoYear, Mode::kExecute,
          "Update " + t + " set TmpRno=Rno Where isnull(Transfered,'')<>'Y' and isnull(TmpRno,0)=0 ");
    }
    if (t == "OUTSTANDING") {
      add("Numbering", Db::kHoYear, Mode::kExecute, "Update OUTSTANDING set TmpRno=Rno Where isnull(TmpRno,0)=0 ");
    }
    if (m.stagingBuild != nullptr) {
      add("StagingBuild", Db::kHoYear, Mode::kExecute, m.stagingBuild);
    } else {
      add("StagingBuild", Db::kHoYear, Mode::kExecute,
          "Select * into CentralizedData{S} from " + t + " with (NoLock) Where isnull(" + f +
              ",0)={n} and isnull(BR{n},'')<>'Y' ");
    }
    if (t == "INDENT" || t == "JOBWORK" || t == "JOBWORKDETAILS") {
      add("StagedNumbering", Db::kHoYear, Mode::kExecute,
          "Update CentralizedData{S} set TmpRno=Rno Where isnull(Transfered,'')<>'Y' and isnull(TmpRno,0)=0 ");
    } else if (t == "OUTSTANDING") {
      add("StagedNumbering", Db::kHoYear, Mode::kExecute,
          "Update CentralizedData{S} set TmpRno=Rno Where isnull(TmpRno,0)=0 ");
    } else if (t == "VEHICLEEXPENSES") {
      add("StagedNumbering", Db::kHoYear, Mode::kExecute,
          "Update CentralizedData{S} set TmpRno=Rno where isnull(TmpRno,0)=0 ");
    }
    if (t == "ACHEADMASTER") {
      add("LockHeadOffice", Db::kHoYear, Mode::kInTransaction, "Update BControl set Lok=Lok ");
    } else {
      add("LockBranch", Db::kBranchYear, Mode::kInTransaction, "Update BControl set Lok=Lok");
      add("LockHeadOffice", Db::kHoYear, Mode::kInTransaction, "Update BControl set Lok=Lok");
    }
    if (t == "ACHEADMASTER") {
      add("Mark", Db::kBranchYear, Mode::kInTransaction,
          "Update ACHEADMASTER set de='X' where cuscode in(Select cuscode From {L}.{D}.Dbo.CentralizedData{S} Where "
          "isnull(BR{n},'')<>'Y')");
    } else {
      add("Mark", Db::kBranchYear, Mode::kInTransaction,
          "Update " + t + " set de='X' from " + t + " A,{L}.{D}.Dbo.CentralizedData{S} B  with (NoLock) Where "
          "isnull(B.BR{n},'')<>'Y'" + m.markClause);
    }
    add("Insert", Db::kBranchYear, Mode::kInTransaction,
        "Insert into " + t + " ({cols}) Select {cols} From {L}.{D}.Dbo.CentralizedData{S}" + m.insertTail);
    add("Delete", Db::kBranchYear, Mode::kInTransaction, "Delete from " + t + " where de='X' ");
    if (t == "ACHEADMASTER") {
      add("BranchStamp", Db::kBranchYear, Mode::kInTransaction,
          "Update ACHEADMASTER set Transfered='Y' where cuscode in(Select cuscode From {L}.{D}.Dbo.CentralizedData{S} "
          "Where isnull(BR{n},'')<>'Y')");
    } else {
      add("BranchStamp", Db::kBranchYear, Mode::kInTransaction,
          "Update " + t + " set Transfered='Y'  from " + t + " A,{L}.{D}.Dbo.CentralizedData{S} B  with (NoLock) "
          "Where isnull(B.BR{n},'')<>'Y'" + m.stampClause);
    }
    const std::string flagHead =
        "Update " + t + " set BR{n}='Y',Transfered='Y',TransferedDate='05/Mar/2020',TransferedTime='14:07:09";
    // Staged rows still holding their staged values in the business columns
    // (the column list without the transfer flags), Name as a text column.
    std::string current, staged;
    for (std::string_view rest = kColumnList; !rest.empty();) {
      const std::size_t comma = std::min(rest.find(','), rest.size());
      const std::string column(rest.substr(0, comma));
      rest.remove_prefix(std::min(comma + 1, rest.size()));
      if (column.starts_with("BR") || column.starts_with("Transfered")) continue;
      const bool text = column == "Name";
      current += std::string(current.empty() ? "" : ",") + (text ? "convert(varchar(max)," : "") + t + "." +
                 column + (text ? ")" : "");
      staged += std::string(staged.empty() ? "" : ",") + (text ? "convert(varchar(max),S." : "S.") + column +
                (text ? ")" : "");
    }
    const std::string stagedOnly = "and exists (Select " + current + " intersect Select " + staged +
                                   " From CentralizedData{S} S Where S.Rno=" + t + ".Rno)";
    if (m.flagTail != nullptr) {
      add("Flag", Db::kHoYear, Mode::kInTransaction, flagHead + m.flagTail + stagedOnly);
      add("FlagAll", Db::kHoYear, Mode::kInTransaction,
          flagHead + m.flagTail + "and Rno in (Select Rno From CentralizedData{S})");
    } else {
      add("Flag", Db::kHoYear, Mode::kInTransaction,
          flagHead + "' Where isnull(" + f + ",0)={n} and isnull(BR{n},'')<>'Y' " + stagedOnly);
    }
    add("UncomparableColumns", Db::kHoYear, Mode::kCursor,
        "select COLUMN_NAME, DATA_TYPE from INFORMATION_SCHEMA.COLUMNS where TABLE_SCHEMA = 'dbo' and "
        "table_name='" + t + "' and DATA_TYPE in ('text','ntext','image','xml') ");
  }
  return shapes;
}

class EmbeddedStatementsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    createDatabase(folder_.path() / "branch" / "ABCMAIN.db", mainDatabase());
    createDatabase(folder_.path() / "branch" / "ABC1920.db", yearDatabase());
    createDatabase(folder_.path() / "ho" / "HOAMAIN.db", mainDatabase());
    createDatabase(folder_.path() / "ho" / "hoa1920.db", yearDatabase());  // found without regard to case
    connector_ = std::make_shared<EmbeddedConnector>(std::vector<EmbeddedServer>{
        {"BR", folder_.path() / "branch"}, {"HO1", folder_.path() / "ho"}});
    auto open = [&](Db db, const std::string& server, const std::string& database) {
      sessions_[db] = connector_->connect("Provider=SQLOLEDB.1;UID=sa;pwd=x;Persist Security Info=False;"
                                          "Initial Catalog=" + database + ";Data Source=" + server,
                                          5);
    };
    open(Db::kBranchMain, "BR", "ABCMAIN");
    open(Db::kBranchYear, "BR", "ABC1920");
    open(Db::kHoMain, "HO1", "HOAMAIN");
    open(Db::kHoYear, "ho1,0", "HOA1920");  // port suffix ignored, name without regard to case
  }

  static void createDatabase(const std::filesystem::path& file, const std::string& sql) {
    embedded_testing::createDatabase(file, sql);
  }

  // Runs one shape; returns the failure's description, or "" on success.
  std::string run(const Shape& shape) {
    const std::string text = expand(shape.text, shape.db);
    Session& session = *sessions_.at(shape.db);
    const bool branch = shape.db == Db::kBranchMain || shape.db == Db::kBranchYear;
    const bool year = shape.db == Db::kBranchYear || shape.db == Db::kHoYear;
    Session& local = *sessions_.at(year ? Db::kBranchYear : Db::kBranchMain);
    Session& central = *sessions_.at(year ? Db::kHoYear : Db::kHoMain);
    try {
      switch (shape.mode) {
        case Mode::kExecute:
          session.execute(text);
          break;
        case Mode::kInTransaction:
          local.beginTransaction();
          central.beginTransaction();
          try {
            session.execute(text);
          } catch (...) {
            local.rollback();
            central.rollback();
            throw;
          }
          local.commit();
          central.commit();
          break;
        case Mode::kCursor:
        case Mode::kUpdatableCursor: {
          const bool updatable = shape.mode == Mode::kUpdatableCursor;
          auto cursor = session.openCursor(text, updatable ? CursorType::kStatic : CursorType::kForwardOnly,
                                           updatable ? LockType::kOptimistic : LockType::kReadOnly,
                                           branch ? CursorLocation::kServer : CursorLocation::kClient);
          while (!cursor->eof()) {
            for (std::size_t c = 0; c < cursor->columnCount(); ++c) cursor->get(c);
            cursor->moveNext();
          }
          break;
        }
      }
    } catch (const Failure& f) {
      return std::to_string(f.number()) + " " + f.description();
    }
    return "";
  }

  ScratchFolder folder_;
  std::shared_ptr<EmbeddedConnector> connector_;
  std::map<Db, std::unique_ptr<Session>> sessions_;
};

TEST_F(EmbeddedStatementsTest, EveryStatementTheAgentSendsRuns) {
  std::vector<Shape> shapes = startUpAndLogShapes();
  for (auto group : {stagedUploadShapes(), masterDownloadShapes(), stagedDownloadShapes()}) {
    shapes.insert(shapes.end(), group.begin(), group.end());
  }
  for (const Shape& shape : shapes) {
    EXPECT_EQ(run(shape), "") << shape.name << ": " << expand(shape.text, shape.db) << "\n  as: "
                              << translateTsql(expand(shape.text, shape.db), [](const std::string&,
                                                                                const std::string&) {
                                   return std::string("linked");
                                 }).sql;
  }
  EXPECT_GE(shapes.size(), 86u);
}

}  // namespace
}  // namespace velmora
