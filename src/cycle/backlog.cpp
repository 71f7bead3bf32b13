#include "cycle/backlog.h"

#include "staged_download/download_statements.h"
#include "transfer/failure.h"
#include "transfer/transfer_conventions.h"

namespace velmora {
namespace {

std::string str(std::string_view text) { return std::string(text); }

long long countOf(Connection& connection, const std::string& statement, std::string_view table) {
  try {
    Recordset rows;
    rows.open(statement, connection);
    return rows.eof() ? 0 : rows.field(std::size_t{0}).asIntegerOr(0);
  } catch (const Failure& failure) {
    // Which table failed is what the reader needs first.
    throw Failure(failure.number(), str(table) + ": " + failure.description());
  }
}

}  // namespace

std::string pendingUploadCountStatement(const UploadMember& member) {
  return "Select count(*) From " + str(member.table()) + " with (nolock) Where " +
         str(pendingCondition(member));
}

std::string masterUndeliveredCountStatement(const MasterMember& member, std::string_view n) {
  return "Select count(*) From " + str(member.table) + " with (nolock)" +
         masterUndelivered(member, n);
}

std::string stagedUndeliveredCountStatement(const DownloadMember& member, std::string_view n) {
  return "Select count(*) From " + str(member.table) + stagingSelection(member, n);
}

std::vector<TableCount> countPendingUploads(AgentContext& context) {
  std::vector<TableCount> counts;
  for (const UploadMember& member : kUploadMembers) {
    if (!siteGateOpen(member, context.settings.companyPrefix)) continue;
    Connection& local = connectionPair(context, member.branch.pair).local;
    counts.push_back({str(member.table()),
                      countOf(local, pendingUploadCountStatement(member), member.table()),
                      Family::kStagedUpload});
  }
  return counts;
}

std::vector<std::string> gatedUploads(const AgentContext& context) {
  std::vector<std::string> gated;
  for (const UploadMember& member : kUploadMembers) {
    if (!siteGateOpen(member, context.settings.companyPrefix)) gated.push_back(str(member.table()));
  }
  return gated;
}

std::vector<TableCount> countUndelivered(AgentContext& context) {
  const std::string n = branchNumberText(context.settings.branchNo);
  std::vector<TableCount> counts;
  Connection& centralMain = connectionPair(context, Pair::kMain).central;
  for (const MasterMember& member : masterMembers()) {
    counts.push_back({str(member.table),
                      countOf(centralMain, masterUndeliveredCountStatement(member, n), member.table),
                      Family::kMasterDownload});
  }
  Connection& centralYear = connectionPair(context, Pair::kYear).central;
  for (const DownloadMember& member : kDownloadMembers) {
    counts.push_back({str(member.table),
                      countOf(centralYear, stagedUndeliveredCountStatement(member, n), member.table),
                      Family::kStagedDownload});
  }
  return counts;
}

}  // namespace velmora
