#include "staged_upload/upload_members.h"

#include <algorithm>
#include <cctype>

namespace velmora {
namespace {

// The pending condition every branch-side statement uses.
constexpr std::string_view kPending = "isnull(Transfered,'')<>'Y' ";

// A code form matches head-office rows whose code occurs among the staged
// rows; a join form matches rows equal to a staged row in the compared columns.
enum class KeyShape { kCode, kJoin };

struct KeyFormText {
  KeyForm form;
  KeyShape shape;
  std::string_view marker;        // code forms: the column set to 'X'
  std::string_view code;          // code forms: the code column
  std::string_view stagedFilter;  // code forms: what follows the staging table in the subquery
  std::string_view markMatch;     // join forms: the mark statement's condition
  std::string_view brMatch;       // join forms: the BR statement's condition
};

// Join conditions, byte for byte (doubled and trailing blanks included).
constexpr std::string_view kIndentMark =
    "isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.indentno,'')=isnull(b.indentno,'') and isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ";
constexpr std::string_view kIndentBr =
    "isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.indentno,'')=isnull(b.indentno,'') and isnull(a.refno,0)=isnull(b.refno,0) and  isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  ";
constexpr std::string_view kProductionMark =
    "isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ";
constexpr std::string_view kProductionBr =
    "isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.refno,0)=isnull(b.refno,0) and  isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  ";
constexpr std::string_view kTyreMark =
    "isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.billno,0)=isnull(b.billno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ";
constexpr std::string_view kTyreBr =
    "isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0)  and isnull(a.billno,0)=isnull(b.billno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.refno,0)=isnull(b.refno,0) and  isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  ";
constexpr std::string_view kPurchaseMark =
    "isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.Billno,'')=isnull(b.Billno,'') and isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ";
constexpr std::string_view kPurchaseBr =
    "isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.Billno,'')=isnull(b.Billno,'') and isnull(a.refno,0)=isnull(b.refno,0) and  isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  ";
constexpr std::string_view kBillMark =
    "isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.billno,'')=isnull(b.billno,'') and isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(B.TmpRno,0)<>0 ";
constexpr std::string_view kBillBr =
    "isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.billno,'')=isnull(b.billno,'') and isnull(a.refno,0)=isnull(b.refno,0) and  isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  ";
constexpr std::string_view kJobCardMark =
    "isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.JobCardNo,'')=isnull(b.JobCardNo,'') and isnull(a.refno,0)=isnull(b.refno,0) and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)  and isnull(a.RecIss,'')=isnull(B.RecIss,'') and isnull(B.TmpRno,0)<>0 ";
constexpr std::string_view kJobCardBr =
    "isnull(B.Transfered,'')<>'Y' and isnull(a.recissno,0)=isnull(b.recissno,0) and isnull(a.branch,0)=isnull(b.branch,0) and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'') and isnull(a.JobCardNo,'')=isnull(b.JobCardNo,'') and isnull(a.refno,0)=isnull(b.refno,0) and  isnull(a.TmpRNo,0)=isnull(B.TmpRno,0)   and isnull(a.RecIss,'')=isnull(B.RecIss,'')   ";
constexpr std::string_view kAttendanceMark =
    "isnull(B.Transfered,'')<>'Y' and isnull(a.Oper_Code,0)=isnull(b.Oper_Code,0) and a.ADate=b.ADate and isnull(a.Ainout,'')=isnull(b.Ainout,'') and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) and isnull(B.TmpRno,0)<>0 ";
constexpr std::string_view kAttendanceBr =
    " isnull(B.Transfered,'')<>'Y' and isnull(a.Oper_Code,0)=isnull(b.Oper_Code,0) and a.ADate=b.ADate and isnull(a.Ainout,'')=isnull(b.Ainout,'') and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ";
constexpr std::string_view kOperatorMark =
    "isnull(B.Transfered,'')<>'Y' and isnull(a.Oper_Code,0)=isnull(b.Oper_Code,0) ";
constexpr std::string_view kOperatorBr =
    " isnull(B.Transfered,'')<>'Y' and isnull(a.Oper_Code,0)=isnull(b.Oper_Code,0) ";
constexpr std::string_view kMaterialMark =
    "isnull(B.Transfered,'')<>'Y' and isnull(a.METERIALCODE,0)=isnull(b.METERIALCODE,0) ";
constexpr std::string_view kMaterialBr =
    " isnull(B.Transfered,'')<>'Y' and isnull(a.METERIALCODE,0)=isnull(b.METERIALCODE,0) ";

using enum KeyShape;

constexpr KeyFormText kKeyForms[] = {
    // form                       shape  marker    code               staged filter                        mark match       BR match
    {KeyForm::kCashCounterCode, kCode, "ACTIVE", "CashCountercode", "",                                  "",              ""},
    {KeyForm::kCustomerCode,    kCode, "de",     "cuscode",         "",                                  "",              ""},
    {KeyForm::kAccountHeadCode, kCode, "de",     "cuscode",         " Where isnull(Transfered,'')<>'Y'", "",              ""},
    {KeyForm::kIndentKey,       kJoin, "",       "",                "",                                  kIndentMark,     kIndentBr},
    {KeyForm::kProductionKey,   kJoin, "",       "",                "",                                  kProductionMark, kProductionBr},
    {KeyForm::kTyreKey,         kJoin, "",       "",                "",                                  kTyreMark,       kTyreBr},
    {KeyForm::kPurchaseKey,     kJoin, "",       "",                "",                                  kPurchaseMark,   kPurchaseBr},
    {KeyForm::kBillKey,         kJoin, "",       "",                "",                                  kBillMark,       kBillBr},
    {KeyForm::kJobCardKey,      kJoin, "",       "",                "",                                  kJobCardMark,    kJobCardBr},
    {KeyForm::kAttendanceKey,   kJoin, "",       "",                "",                                  kAttendanceMark, kAttendanceBr},
    {KeyForm::kOperatorKey,     kJoin, "",       "",                "",                                  kOperatorMark,   kOperatorBr},
    {KeyForm::kMaterialKey,     kJoin, "",       "",                "",                                  kMaterialMark,   kMaterialBr},
};

const KeyFormText* keyFormText(KeyForm form) {
  for (const KeyFormText& text : kKeyForms) {
    if (text.form == form) return &text;
  }
  return nullptr;
}

std::string str(std::string_view s) { return std::string(s); }

// Mark and BR statements share everything but what they set.
std::string keyFormStatement(const UploadMember& member, const Settings& settings,
                             const std::string& assignment, bool mark) {
  const KeyFormText* text = keyFormText(member.headOffice.keyForm);
  if (text == nullptr) return {};
  const std::string table = str(member.table());
  const std::string staging = stagingTableName(settings);
  if (text->shape == kCode) {
    return "Update " + table + " set " + assignment + " where " + str(text->code) +
           " in(Select " + str(text->code) + " From " + staging + str(text->stagedFilter) + ")";
  }
  return "Update " + table + " set " + assignment + " from " + table + " A," + staging +
         (mark ? " B Where " + str(text->markMatch) : " B  with (NoLock) Where " + str(text->brMatch));
}

}  // namespace

const UploadMember* findUploadMember(std::string_view table) {
  for (const UploadMember& member : kUploadMembers) {
    if (member.table() == table) return &member;
  }
  return nullptr;
}

bool siteGateOpen(const UploadMember& member, std::string_view companyPrefix) {
  if (!member.branch.siteGate) return true;
  while (!companyPrefix.empty() && companyPrefix.front() == ' ') companyPrefix.remove_prefix(1);
  while (!companyPrefix.empty() && companyPrefix.back() == ' ') companyPrefix.remove_suffix(1);
  std::string folded(companyPrefix);
  std::ranges::transform(folded, folded.begin(),
                         [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return folded == "ZEMRA";
}

std::string_view pendingCondition(const UploadMember& /*member*/) { return kPending; }

std::string probeStatement(const UploadMember& member) {
  const std::string table = str(member.table());
  const std::string pending = str(pendingCondition(member));
  if (member.branch.probe == ProbeForm::kA) {
    return "Select Top 1 Rno From " + table + " with (nolock)  Where " + pending;
  }
  return "Select Top 1 Rno From " + table + "  with (nolock) Where " + pending;
}

std::string tmpRnoStatement(const UploadMember& member) {
  return "Update " + str(member.table()) + " set TmpRno=Rno Where isnull(Transfered,'')<>'Y' and isnull(TmpRno,0)=0 ";
}

std::string branchSnapshotStatement(const UploadMember& member, const Settings& settings) {
  return "Select * into " + stagingTableName(settings) + " from " + str(member.table()) +
         " with (nolock) Where " + str(pendingCondition(member));
}

std::string headOfficeStagingStatement(const UploadMember& member, const Settings& settings) {
  return "Select * into " + stagingTableName(settings) + " from " + str(member.table()) +
         " with (nolock) Where 1=2 ";
}

std::string sourceStatement(const UploadMember& member) {
  const std::string rows = member.branch.sourceRows == SourceRows::kFirstThousand ? "top 1000 *" : "*";
  return "Select " + rows + " From " + str(member.table()) + " Where " +
         str(pendingCondition(member));
}

std::string stagingRowsStatement(const Settings& settings) {
  return "Select * from " + stagingTableName(settings) + " ";
}

std::string markStatement(const UploadMember& member, const Settings& settings) {
  const KeyFormText* text = keyFormText(member.headOffice.keyForm);
  if (text == nullptr) return {};
  const std::string marker = text->shape == kCode ? str(text->marker) : "de";
  return keyFormStatement(member, settings, marker + "='X'", true);
}

std::string insertStatement(const UploadMember& member, const Settings& settings,
                            std::string_view columnList) {
  std::string filter;
  switch (member.headOffice.insertFilter) {
    case InsertFilter::kNoFilter:
      filter = " ";
      break;
    case InsertFilter::kPending:
      filter = " Where " + str(kPending);
      break;
    case InsertFilter::kPendingWithoutLocks:
      filter = " with (NoLock) Where " + str(kPending);
      break;
  }
  const std::string columns(columnList);
  return "Insert into " + str(member.table()) + " (" + columns + ") Select " + columns +
         " From " + stagingTableName(settings) + filter;
}

std::string brStatement(const UploadMember& member, const Settings& settings,
                        std::string_view branchNumberText) {
  return keyFormStatement(member, settings, "BR" + str(branchNumberText) + "='Y'", false);
}

std::int16_t branchNumberOf(BranchNumber which, const AgentContext& context) {
  switch (which) {
    case BranchNumber::kBranchNo:
      return context.settings.branchNo;
    case BranchNumber::kCentralBranchNo:
      return context.cycle.centralBranchNo;
    case BranchNumber::kNoNumber:
      break;
  }
  return 0;
}

}  // namespace velmora
