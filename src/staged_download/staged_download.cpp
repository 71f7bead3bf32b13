#include "staged_download/staged_download.h"

#include <string>
#include <vector>

#include "transfer/error_log.h"
#include "staged_download/download_members.h"
#include "staged_download/download_statements.h"
#include "transfer/column_list.h"
#include "transfer/compared_columns.h"
#include "transfer/transfer_conventions.h"

namespace velmora {
namespace {

// True when `probe` returns a row on `connection` (default cursor:
// forward-only, read-only). The recordset is closed before returning.
bool hasPendingRows(Connection& connection, const std::string& probe) {
  Recordset rows;
  rows.open(probe, connection);
  const bool pending = !rows.eof();
  rows.close();
  return pending;
}

// The number of rows the staging build put into the staging table: what the
// build reports, or else counted on `central`.
long long stagedRows(Connection& central, std::string_view site) {
  if (const long long reported = central.rowsAffected(); reported >= 0) return reported;
  Recordset count;
  count.open(stagedCountStatement(site), central);
  const long long rows = count.eof() ? 0 : std::stoll("0" + count.field(std::size_t{0}).toText());
  count.close();
  return rows;
}

std::string errorPrefix(const AgentContext& context, const DownloadMember& member) {
  return branchNumberText(member.prefix == ErrorPrefix::kBranchNo
                              ? context.settings.branchNo
                              : context.cycle.centralBranchNo);
}

}  // namespace

long long DownloadStaged(AgentContext& context, std::string_view table) {
  const DownloadMember* found = findDownloadMember(table);
  if (found == nullptr) {
    throw Failure(failure_number::kInvalidUse,
                  "No staged download is defined for table " + std::string(table));
  }
  const DownloadMember& member = *found;
  const ConnectionPair pair = connectionPair(context, Pair::kYear);
  Connection& local = pair.local;
  Connection& central = pair.central;
  const std::string n = branchNumberText(context.settings.branchNo);
  const std::string& site = context.settings.siteId;
  // The staging table as the branch reads it; the head office's database
  // name is read afresh for every statement that embeds it.
  auto staging = [&] { return fourPartName(context, central, stagingTableName(context.settings)); };
  auto runNumbering = [&] {
    if (auto numbering = numberingStatement(member)) central.execute(*numbering);
  };

  long long delivered = 0;
  runTransferStep(
      pair,
      [&](StepTransactions& transactions) {
        if (!hasPendingRows(central, probeStatement(member, n))) return;
        context.cycle.columnList = TableColumnList(context, member.table, local.defaultDatabase());
        // What the flag compares, read before the staging so that its types
        // are the head office's.
        const std::vector<ComparedColumn> compared =
            businessColumns(context.cycle.columnList, uncomparableColumns(central, member.table));

        // Staging, outside any transaction: it stays done whatever follows.
        if (member.numbering == DownloadNumbering::kAllFirst) runNumbering();
        central.execute(stagingDropStatement(context.settings));
        if (member.numbering == DownloadNumbering::kUntransferredBeforeBuild ||
            member.numbering == DownloadNumbering::kAllBeforeBuild) {
          runNumbering();
        }
        central.execute(stagingBuildStatement(member, n, site));
        const long long staged = stagedRows(central, site);
        if (auto numbering = stagedNumberingStatement(member, site)) {
          // A row entered at the head office after the numbering ran is staged
          // without its TmpRno and would reach the branch with 0, matching no
          // later delivery of it. Number the staged copy as the numbering
          // would have, then the head office's own rows again: both sides
          // then carry the same number.
          central.execute(*numbering);
          runNumbering();
        }

        transactions.begin();
        if (member.match == DownloadMatch::kCuscodeSubquery) {
          central.execute(std::string(kBControlLockBlank));
        } else {
          local.execute(std::string(kBControlLock));
          central.execute(std::string(kBControlLock));
        }
        local.execute(markStatement(member, n, staging()));
        local.execute(insertStatement(member, n, context.cycle.columnList, staging()));
        local.execute(deleteStatement(member));
        local.execute(branchStampStatement(member, n, staging()));
        const std::string date = dateText(context.clock->now());
        const std::string time = timeText(context.clock->now());
        central.execute(flagStatement(member, n, site, date, time, compared));
        transactions.commitLocal();
        transactions.commitCentral();
        delivered = staged;
      },
      [&](const Failure& failure) {
        writeErrorRow(context.localMain, member.label, errorPrefix(context, member),
                      failure.description(), *context.clock);
      });
  return delivered;
}

}  // namespace velmora
