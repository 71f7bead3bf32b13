#include "staged_download/download_statements.h"

namespace velmora {
namespace {

// The match clauses. Each follows the staging table's flag condition; a is
// the branch's table, b and B the staging table.
constexpr std::string_view kClauseI =
    " and isnull(a.recissno,0)=isnull(b.recissno,0)"
    " and isnull(a.branch,0)=isnull(b.branch,0)"
    " and isnull(a.indentbranch,0)=isnull(b.indentbranch,0)"
    " and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'')"
    " and isnull(a.indentno,'')=isnull(b.indentno,'')"
    " and isnull(a.refno,0)=isnull(b.refno,0)"
    " and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ";
constexpr std::string_view kClauseJ =
    " and isnull(a.recissno,0)=isnull(b.recissno,0)"
    " and isnull(a.branch,0)=isnull(b.branch,0)"
    " and isnull(a.JobCardBranch,0)=isnull(b.JobCardBranch,0)"
    " and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'')"
    " and isnull(a.JobCardNo,'')=isnull(b.JobCardNo,'')"
    " and isnull(a.refno,0)=isnull(b.refno,0)"
    " and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ";
constexpr std::string_view kClauseV =
    " and isnull(a.recissno,0)=isnull(b.recissno,0)"
    " and isnull(a.branch,0)=isnull(b.branch,0)"
    " and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'')"
    " and isnull(a.indentno,'')=isnull(b.indentno,'')"
    " and isnull(a.refno,0)=isnull(b.refno,0)"
    " and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ";
constexpr std::string_view kClauseO =
    " and isnull(a.recissno,0)=isnull(b.recissno,0)"
    " and isnull(a.branch,0)=isnull(b.branch,0)"
    " and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'')"
    " and isnull(a.BillNo,'')=isnull(b.Billno,'')"
    " and isnull(a.refno,0)=isnull(b.refno,0)"
    " and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ";
constexpr std::string_view kClauseOLower =
    " and isnull(a.recissno,0)=isnull(b.recissno,0)"
    " and isnull(a.branch,0)=isnull(b.branch,0)"
    " and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'')"
    " and isnull(a.billno,'')=isnull(b.billno,'')"
    " and isnull(a.refno,0)=isnull(b.refno,0)"
    " and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ";
constexpr std::string_view kClauseE =
    " and isnull(a.recissno,0)=isnull(b.recissno,0)"
    " and isnull(a.branch,0)=isnull(b.branch,0)"
    " and isnull(a.yearcontrol,'')=isnull(b.yearcontrol,'')"
    "  and isnull(a.billno,'')=isnull(b.billno,'')"
    " and isnull(a.refno,0)=isnull(b.refno,0)"
    " and isnull(a.TmpRNo,0)=isnull(B.TmpRno,0) ";

std::string str(std::string_view text) { return std::string(text); }

bool hasFilter(const DownloadMember& member) { return !member.filter.empty(); }

bool isSubqueryForm(const DownloadMember& member) {
  return member.match == DownloadMatch::kCuscodeSubquery;
}

// "Update " + T + " set " + assignment + " from " + T + " A," + staging + ...
// for the join form; "... where cuscode in(Select cuscode From ...)" for the
// subquery form.
std::string branchUpdate(const DownloadMember& member, std::string_view n,
                         std::string_view staging, std::string_view joinAssignment,
                         std::string_view subqueryAssignment, std::string_view clause) {
  const std::string t = str(member.table);
  if (isSubqueryForm(member)) {
    return "Update " + t + " set " + str(subqueryAssignment) +
           " where cuscode in(Select cuscode From " + str(staging) + " Where isnull(BR" +
           str(n) + ",'')<>'Y')";
  }
  return "Update " + t + " set " + str(joinAssignment) + " from " + t + " A," + str(staging) +
         " B  with (NoLock) Where isnull(B.BR" + str(n) + ",'')<>'Y'" + str(clause);
}

}  // namespace

std::string_view markClause(DownloadMatch match) {
  switch (match) {
    case DownloadMatch::kClauseI: return kClauseI;
    case DownloadMatch::kClauseJ: return kClauseJ;
    case DownloadMatch::kClauseV: return kClauseV;
    case DownloadMatch::kClauseO: return kClauseO;
    case DownloadMatch::kClauseE: return kClauseE;
    case DownloadMatch::kCuscodeSubquery: return {};
  }
  return {};
}

std::string_view stampClause(DownloadMatch match) {
  return match == DownloadMatch::kClauseO ? kClauseOLower : markClause(match);
}

std::string probeStatement(const DownloadMember& member, std::string_view n) {
  std::string sql = "Select Top 1 Rno From " + str(member.table) + "  with (nolock) Where isnull(";
  if (hasFilter(member)) sql += str(member.filter) + ",0)=" + str(n) + " and isnull(";
  return sql + "BR" + str(n) + ",'')<>'Y' ";
}

namespace {

std::optional<std::string> numberingOf(const DownloadMember& member, const std::string& t) {
  switch (member.numbering) {
    case DownloadNumbering::kNone:
      return std::nullopt;
    case DownloadNumbering::kUntransferredBeforeBuild:
      return "Update " + t + " set TmpRno=Rno Where isnull(Transfered,'')<>'Y' and isnull(TmpRno,0)=0 ";
    case DownloadNumbering::kAllBeforeBuild:
      return "Update " + t + " set TmpRno=Rno Where isnull(TmpRno,0)=0 ";
    case DownloadNumbering::kAllFirst:
      return "Update " + t + " set TmpRno=Rno where isnull(TmpRno,0)=0 ";
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> numberingStatement(const DownloadMember& member) {
  return numberingOf(member, str(member.table));
}

std::optional<std::string> stagedNumberingStatement(const DownloadMember& member,
                                                    std::string_view site) {
  return numberingOf(member, "CentralizedData" + str(site));
}

std::string stagingSelection(const DownloadMember& member, std::string_view n) {
  if (isSubqueryForm(member)) return " B with (NoLock) Where isnull(B.BR" + str(n) + ",'')<>'Y'  ";
  std::string sql = " with (NoLock) Where isnull(";
  if (hasFilter(member)) sql += str(member.filter) + ",0)=" + str(n) + " and isnull(";
  return sql + "BR" + str(n) + ",'')<>'Y' ";
}

std::string stagingBuildStatement(const DownloadMember& member, std::string_view n,
                                  std::string_view site) {
  return "Select * into CentralizedData" + str(site) + " from " + str(member.table) +
         stagingSelection(member, n);
}

std::string stagedCountStatement(std::string_view site) {
  return "Select count(*) From CentralizedData" + str(site);
}

std::string markStatement(const DownloadMember& member, std::string_view n,
                          std::string_view staging) {
  return branchUpdate(member, n, staging, "de='X'", "de='X'", markClause(member.match));
}

std::string insertStatement(const DownloadMember& member, std::string_view n,
                            std::string_view columnList, std::string_view staging) {
  std::string sql = "Insert into " + str(member.table) + " (" + str(columnList) + ") Select " +
                    str(columnList) + " From " + str(staging);
  if (member.insertAlias.empty()) return sql + " Where isnull(BR" + str(n) + ",'')<>'Y' ";
  sql += " " + str(member.insertAlias) + " with (NoLock) Where isnull(B.BR" + str(n) + ",'')<>'Y' ";
  if (hasFilter(member)) sql += "and isnull(" + str(member.filter) + ",0)=" + str(n) + " ";
  return sql;
}

std::string deleteStatement(const DownloadMember& member) {
  return "Delete from " + str(member.table) + " where de='X' ";
}

std::string branchStampStatement(const DownloadMember& member, std::string_view n,
                                 std::string_view staging) {
  return branchUpdate(member, n, staging, "Transfered='Y' ", "Transfered='Y'",
                      stampClause(member.match));
}

std::string flagStatement(const DownloadMember& member, std::string_view n,
                          std::string_view site, std::string_view date, std::string_view time,
                          const std::vector<ComparedColumn>& compared) {
  const std::string t = str(member.table);
  std::string sql = "Update " + t + " set BR" + str(n) + "='Y',Transfered='Y',TransferedDate='" +
                    str(date) + "',TransferedTime='" + str(time) + "' Where ";
  if (hasFilter(member)) {
    // The staging build's condition: a row addressed to this branch whose
    // Transfered is already 'Y' is flagged once it is delivered, not
    // delivered again on every run.
    sql += "isnull(" + str(member.filter) + ",0)=" + str(n) + " and isnull(BR" + str(n) + ",'')<>'Y' ";
  } else {
    sql += str(member.flagIsnull) + "(BR" + str(n) + ",'')<>'Y' ";
    if (isSubqueryForm(member)) sql += " ";
  }
  const std::string staging = "CentralizedData" + str(site);
  if (compared.empty()) return sql + "and Rno in (Select Rno From " + staging + ")";
  // Only rows this run staged that still hold the values they were staged
  // with: a row that appeared or changed after the staging build stays
  // undelivered. INTERSECT holds two nulls equal.
  std::string current, stagedCopy;
  for (const ComparedColumn& column : compared) {
    current += current.empty() ? "" : ",";
    stagedCopy += stagedCopy.empty() ? "" : ",";
    if (column.comparableType.empty()) {
      current += t + "." + column.name;
      stagedCopy += "S." + column.name;
    } else {
      current += "convert(" + column.comparableType + "," + t + "." + column.name + ")";
      stagedCopy += "convert(" + column.comparableType + ",S." + column.name + ")";
    }
  }
  return sql + "and exists (Select " + current + " intersect Select " + stagedCopy + " From " +
         staging + " S Where S.Rno=" + t + ".Rno)";
}

}  // namespace velmora
