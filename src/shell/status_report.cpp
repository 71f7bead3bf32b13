#include "shell/status_report.h"

#include <exception>

#include "cycle/error_display.h"
#include "cycle/sync_cycle.h"
#include "shell/central_connection.h"
#include "transfer/failure.h"
#include "transfer/text_rules.h"

namespace velmora::shell {
namespace {

constexpr std::string_view kNoDataSource =
    "the Branch row names neither a server nor an address to connect to";

const std::string& cell(const HeadOfficeRow& row, HeadOfficeColumn column) {
  return row[static_cast<std::size_t>(column)];
}

// Keeps the error grid's rows instead of showing them.
class ErrorRowsReader : public CycleView {
 public:
  void showServerCaption(const std::string&) override {}
  void showStepStatus(const std::string&) override {}
  void showErrorRows(const std::vector<ErrorDisplayRow>& shown) override { rows = shown; }
  void reportUnloggedFailure(const Failure&) override {}

  std::vector<ErrorDisplayRow> rows;
};

// Reaches one head office as a tick does, and counts what it would deliver.
HeadOfficeStatus headOfficeStatus(AgentContext& context, const HeadOfficeRow& row) {
  using enum HeadOfficeColumn;
  HeadOfficeStatus status;
  status.name = trimBlanks(cell(row, kBranchName));
  status.server = trimBlanks(cell(row, kServerName));
  try {
    status.number = headOfficeBranchNumber(cell(row, kBranch));
  } catch (const Failure&) {
    status.number = std::nullopt;
  }
  try {
    context.cycle.centralConnected = false;
    context.centralMain = std::make_unique<Connection>(context.connector);
    context.centralMain->setCursorLocation(CursorLocation::kClient);
    context.centralMain->setCommandTimeout(kCentralCommandTimeoutSeconds);
    context.cycle.centralYearDatabase =
        centralYearDatabaseOf(row, context.localYear.defaultDatabase());
    const std::optional<CentralArguments> arguments = centralArgumentsOf(row);
    if (!arguments) {
      status.failure = std::string(kNoDataSource);
      return status;
    }
    if (const std::optional<Failure> failure = openCentral(context, *arguments)) {
      status.failure = failure->description();
      return status;
    }
    status.reachable = true;
    status.undelivered = countUndelivered(context);
  } catch (const Failure& failure) {
    status.undelivered = std::nullopt;
    status.failure = failure.description();
  } catch (const std::exception& error) {
    status.undelivered = std::nullopt;
    status.failure = error.what();
  }
  if (status.failure && status.failure->empty()) status.failure = "unknown failure";
  return status;
}

}  // namespace

bool StatusReport::everyHeadOfficeReached() const {
  for (const HeadOfficeStatus& office : headOffices) {
    if (!office.reachable || !office.undelivered) return false;
  }
  return true;
}

StatusReport collectStatusReport(AgentContext& context) {
  StatusReport report;
  report.branchNo = context.settings.branchNo;
  report.prefix = trimBlanks(context.settings.companyPrefix);
  report.mainDatabase = context.localMain.defaultDatabase();
  report.yearDatabase = context.localYear.defaultDatabase();
  report.site = context.settings.siteId;
  report.pendingUpload = countPendingUploads(context);
  report.gatedUploads = gatedUploads(context);

  for (const HeadOfficeRow& row : context.headOffices) {
    report.headOffices.push_back(headOfficeStatus(context, row));
  }

  ErrorRowsReader today;
  refreshErrorDisplay(context, today);
  report.errorRowsToday = static_cast<long long>(today.rows.size());
  for (const ErrorDisplayRow& row : today.rows) {  // newest first
    bool seen = false;
    for (const NewestErrorRow& newest : report.newestErrorRows) seen |= newest.module == row.module;
    if (!seen) report.newestErrorRows.push_back({row.module, row.upTime, row.message});
  }
  return report;
}

}  // namespace velmora::shell
