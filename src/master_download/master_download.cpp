#include "master_download/master_download.h"

#include <array>
#include <string>

#include "transfer/error_log.h"
#include "transfer/column_list.h"
#include "transfer/transfer_conventions.h"

namespace velmora {
namespace {

using enum MasterKeyForm;

// T, K, key form, M, branch-stamp key, label, error row at the head office.
constexpr std::array<MasterMember, 23> kMembers = {{
    {"BANKMASTER",           "code",            kSubquery,     "de",     "",             "BANKMASTERUPLOAD",           true},
    {"CATEGORY",             "CATEGORYcode",    kSubquery,     "ACTIVE", "",             "CATEGORYUPLOAD",             false},
    {"COLLECTIONMASTER",     "code",            kSubquery,     "de",     "",             "COLLECTIONMASTERUPLOAD",     false},
    {"CUSTOMER",             "cuscode",         kSubquery,     "de",     "cuscode",      "CUSTOMERMASTERUPLOAD",       false},
    {"DEPARTMENT",           "DEPARTMENTcode",  kSubquery,     "Active", "",             "DEPARTMENTUPLOAD",           false},
    {"DESIGNATION",          "DESIGNATIONcode", kSubquery,     "Active", "",             "DESIGNATIONUPLOAD",          false},
    {"VEHICLEMAINTAIN",      "code",            kSubquery,     "de",     "",             "VEHICLEMAINTAINUPLOAD",      false},
    {"VEHICLEMAINTAINGROUP", "code",            kSubquery,     "de",     "",             "VEHICLEMAINTAINGROUPUPLOAD", false},
    {"OPERATOR",             "OPER_code",       kSubquery,     "de",     "OPER_code",    "OPERATORUPLOAD",             false},
    {"OPERDEPARTMENT",       "OPER_code",       kSubquery,     "de",     "",             "OPERDEPARTMENTUPLOAD",       false},
    {"SECURITYMAST",         "",                kSecurityJoin, "de",     "",             "SECURITYMASTERUPLOAD",       false},
    {"PCOUNTER",             "COUNTERcode",     kSubquery,     "Active", "",             "PCOUNTERUPLOAD",             false},
    {"METERIAL",             "METERIALcode",    kSubquery,     "de",     "METERIALcode", "METERIALUPLOAD",             false},
    {"PITMASTER",            "PITcode",         kSubquery,     "Active", "",             "PITMASTERUPLOAD",            false},
    {"SUBPITMASTER",         "SUBPITcode",      kSubquery,     "Active", "",             "SUBPITMASTERUPLOAD",         false},
    {"PITRATEMASTER",        "RATEcode",        kSubquery,     "Active", "",             "PITRATEMASTERUPLOAD",        false},
    {"PitBataMaster",        "RATEcode",        kSubquery,     "Active", "",             "PitBataMasterUPLOAD",        false},
    {"Product",              "ProCode",         kSubquery,     "Active", "",             "PRODUCTMASTERUPLOAD",        false},
    {"SALARYMASTER",         "cuscode",         kSubquery,     "de",     "cuscode",      "SALARYMASTERUPLOAD",         false},
    {"VEHSALARYMASTER",      "cuscode",         kSubquery,     "de",     "cuscode",      "VEHSALARYMASTERUPLOAD",      false},
    {"SubProduct",           "SubCode",         kSubquery,     "Active", "",             "SUBPRODUCTMASTERUPLOAD",     false},
    {"TYREPOSITION",         "SubCode",         kSubquery,     "Active", "",             "TYREPOSITIONUPLOAD",         false},
    {"VEHICLEMASTER",        "SubCode",         kSubquery,     "Active", "",             "VEHICLEMASTERUPLOAD",        false},
}};
static_assert(kMembers.size() == 23);

}  // namespace

std::span<const MasterMember> masterMembers() { return kMembers; }

const MasterMember* findMasterMember(std::string_view table) {
  for (const MasterMember& m : kMembers) {
    if (m.table == table) return &m;
  }
  return nullptr;
}

namespace {

std::string undelivered(std::string_view n) {
  return " Where isnull(BR" + std::string(n) + ",'')<>'Y'";
}

}  // namespace

std::string masterUndelivered(const MasterMember& /*m*/, std::string_view n) {
  return undelivered(n);
}

std::string masterProbe(const MasterMember& m, std::string_view n) {
  return "Select Top 1 Rno From " + std::string(m.table) + "  with (nolock)" + undelivered(n) +
         " ";
}

std::string masterHold(const MasterMember& m, std::string_view n) {
  return "Select count(*) From " + std::string(m.table) + " with (TABLOCK, HOLDLOCK)" +
         undelivered(n) + " ";
}

std::string masterMark(const MasterMember& m, std::string_view n,
                       std::string_view headOfficeTable) {
  const std::string L(headOfficeTable);
  if (m.keyForm == kSecurityJoin) {
    return "Update SECURITYMAST Set de='X' from SECURITYMAST A," + L + " B Where isnull(b.BR" +
           std::string(n) +
           ",'')<>'Y' and isnull(a.oper_code,0)=isnull(b.oper_code,0) and "
           "isnull(a.controlcode,'')=isnull(b.controlcode,'') ";
  }
  const std::string K(m.key);
  return "Update " + std::string(m.table) + " set " + std::string(m.marker) + "='X' where " + K +
         " in(Select " + K + " From " + L + undelivered(n) + ")";
}

std::string masterInsert(const MasterMember& m, std::string_view n,
                         std::string_view headOfficeTable, std::string_view columnList) {
  const std::string C(columnList);
  return "Insert into " + std::string(m.table) + " (" + C + ") Select " + C + " From " +
         std::string(headOfficeTable) + undelivered(n) + " ";
}

std::string masterDelete(const MasterMember& m) {
  return "Delete from " + std::string(m.table) + " where " + std::string(m.marker) + "='X' ";
}

std::string masterBranchStamp(const MasterMember& m, std::string_view n,
                              std::string_view headOfficeTable) {
  const std::string K(m.stampKey);
  return "Update " + std::string(m.table) + " set Transfered='Y' where " + K + " in(Select " + K +
         " From " + std::string(headOfficeTable) + undelivered(n) + ")";
}

std::string masterFlag(const MasterMember& m, std::string_view n, std::string_view date,
                       std::string_view time) {
  return "Update " + std::string(m.table) + " set BR" + std::string(n) +
         "='Y',Transfered='Y',TransferedDate='" + std::string(date) + "',TransferedTime='" +
         std::string(time) + "'" + undelivered(n) + "  ";
}

long long DownloadMaster(AgentContext& context, const MasterMember& member) {
  ConnectionPair pair = connectionPair(context, Pair::kMain);
  const std::string n = branchNumberText(context.settings.branchNo);
  long long delivered = 0;

  // D is read from the central connection each time a statement naming it is built.
  auto headOfficeTable = [&] { return fourPartName(context, pair.central, member.table); };
  auto body = [&](StepTransactions& tx) {
    {
      Recordset pending;
      pending.open(masterProbe(member, n), pair.central);
      if (pending.eof()) return;
    }
    context.cycle.columnList =
        TableColumnList(context, member.table, pair.local.defaultDatabase());
    const std::string& columns = context.cycle.columnList;

    tx.begin();
    pair.central.execute(std::string(kCodeLock));
    pair.local.execute(std::string(kCodeLock));
    {
      // Holds the undelivered head-office rows until commit, so that the
      // flag statement finds exactly the rows that the insert copied.
      Recordset held;
      held.open(masterHold(member, n), pair.central);
      if (!held.eof()) delivered = held.field(std::size_t{0}).asIntegerOr(0);
    }
    pair.local.execute(masterMark(member, n, headOfficeTable()));
    pair.local.execute(masterInsert(member, n, headOfficeTable(), columns));
    pair.local.execute(masterDelete(member));
    if (!member.stampKey.empty()) {
      pair.local.execute(masterBranchStamp(member, n, headOfficeTable()));
    }
    const std::string date = dateText(context.clock->now());
    const std::string time = timeText(context.clock->now());
    pair.central.execute(masterFlag(member, n, date, time));
    tx.commitLocal();
    tx.commitCentral();
  };
  auto record = [&](const Failure& failure) {
    delivered = 0;
    Connection& errorConnection = member.errorRowAtHeadOffice ? pair.central : context.localMain;
    writeErrorRow(errorConnection, member.label, branchNumberText(context.cycle.centralBranchNo),
                  failure.description(), *context.clock);
  };
  runTransferStep(pair, body, record);
  return delivered;
}

}  // namespace velmora
