#include "cycle/sync_cycle.h"

#include <cmath>
#include <optional>

#include "cycle/error_display.h"
#include "cycle/step_table.h"
#include "master_download/master_download.h"
#include "staged_download/staged_download.h"
#include "staged_upload/staged_upload.h"
#include "transfer/error_log.h"
#include "transfer/number_text.h"
#include "transfer/text_rules.h"

namespace velmora {
namespace {

constexpr std::string_view kRelax = "RELAX.............................";

const std::string& cell(const HeadOfficeRow& row, HeadOfficeColumn column) {
  return row[static_cast<std::size_t>(column)];
}

// "[" + name + "]" with every "]" inside the name doubled, so that a name
// holding one still forms a single bracketed identifier.
std::string bracketed(std::string_view name) {
  std::string out = "[";
  for (char c : name) {
    out += c;
    if (c == ']') out += ']';
  }
  return out + "]";
}

}  // namespace

std::optional<CentralArguments> centralArgumentsOf(const HeadOfficeRow& row) {
  using enum HeadOfficeColumn;
  CentralArguments args;
  args.user = trimBlanks(cell(row, kUserName));
  args.password = trimBlanks(cell(row, kPassword));
  args.mainDatabase = trimBlanks(cell(row, kCompId)) + "MAIN";
  args.port = "0";
  const std::string address = trimBlanks(cell(row, kIpAddress));
  const std::string server = trimBlanks(cell(row, kServerName));
  if (args.user.empty()) return std::nullopt;
  if (address.size() >= 10) {
    args.server = address;
    args.byAddress = true;
  } else if (!server.empty()) {
    args.server = server;
    args.byAddress = false;
  } else {
    return std::nullopt;
  }
  return args;
}

std::string centralYearDatabaseOf(const HeadOfficeRow& row, std::string_view localYearDatabase) {
  const std::string yearName = trimBlanks(localYearDatabase);
  return trimBlanks(cell(row, HeadOfficeColumn::kCompId)) +
         (yearName.size() > 4 ? yearName.substr(yearName.size() - 4) : yearName);
}

std::int16_t headOfficeBranchNumber(std::string_view text) {
  const std::string t = trimBlanks(text);
  const std::optional<double> value = parseNumberText(t);
  if (!value) {
    throw Failure(failure_number::kTypeMismatch,
                  "Type mismatch: the head office's branch number '" + t + "' is no number");
  }
  const double rounded = std::nearbyint(*value);  // halves to even
  if (rounded < -32768.0 || rounded > 32767.0) {
    throw Failure(failure_number::kOverflow,
                  "Overflow: the head office's branch number " + t + " is out of range");
  }
  return static_cast<std::int16_t>(rounded);
}

SyncCycle::SyncCycle(AgentContext& context, CycleView& view, ConnectCentralFn connectCentral)
    : context_(context), view_(view), connectCentral_(std::move(connectCentral)) {}

void SyncCycle::tick() {
  ++ticksRun_;
  if (!reopenLostLocalConnections()) {
    view_.tickEnded(ticksRun_);
    return;
  }
  const std::size_t rows = context_.headOffices.size();
  for (std::size_t i = 0; i < rows; ++i) processHeadOffice(context_.headOffices[i]);
  try {
    refreshErrorDisplay(context_, view_);
  } catch (const Failure& failure) {
    view_.reportUnloggedFailure(failure);
  }
  view_.tickEnded(ticksRun_);
}

bool SyncCycle::reopenLostLocalConnections() {
  Connection* failedOn = nullptr;
  std::optional<Failure> failure;
  for (Connection* local : {&context_.localMain, &context_.localYear}) {
    if (!local->linkLost()) continue;
    try {
      local->reopen();
    } catch (const Failure& f) {
      if (!failure) {
        failure = f;
        failedOn = local;
      }
    }
  }
  if (!failure) return true;
  // One report a tick while the branch server is away: an error row when
  // the main database can take it, otherwise the view's report.
  if (failedOn != &context_.localMain && context_.localMain.isOpen()) {
    try {
      writeErrorRow(context_.localMain, kMainErrorLabel, std::to_string(context_.cycle.centralBranchNo),
                    failure->description(), *context_.clock);
      return false;
    } catch (const Failure&) {
    }
  }
  view_.reportUnloggedFailure(*failure);
  return false;
}

void SyncCycle::processHeadOffice(const HeadOfficeRow& row) {
  using enum HeadOfficeColumn;
  serverCaption_ = upperTrimmed(cell(row, kBranchName)) + "(" + upperTrimmed(cell(row, kBranch)) +
                   ")";
  for (HeadOfficeColumn c : {kServerName, kCompId, kIpAddress, kPortNo}) {
    serverCaption_ += "\r\n" + upperTrimmed(cell(row, c));
  }
  serverCaption_ += "\r\n Connection Verify ";
  view_.showServerCaption(serverCaption_);

  context_.cycle.centralConnected = false;
  try {
    context_.centralMain = std::make_unique<Connection>(context_.connector);
    context_.centralMain->setCursorLocation(CursorLocation::kClient);
    context_.centralMain->setCommandTimeout(720);

    context_.cycle.centralYearDatabase =
        centralYearDatabaseOf(row, context_.localYear.defaultDatabase());
    if (const auto args = centralArgumentsOf(row)) connectCentral_(context_, *args);
    if (context_.cycle.centralConnected) runSteps(row);
    handleRowFailure(nullptr);
  } catch (const Failure& failure) {
    handleRowFailure(&failure);
  } catch (const std::exception& e) {
    const Failure failure(failure_number::kInvalidUse, e.what());
    handleRowFailure(&failure);
  }
}

void SyncCycle::runSteps(const HeadOfficeRow& row) {
  serverCaption_ += " Success.";
  view_.showServerCaption(serverCaption_);
  context_.cycle.linkedServer =
      bracketed(trimBlanks(cell(row, HeadOfficeColumn::kServerName)));
  for (const StepEntry& step : kStepTable) {
    view_.showStepStatus(std::string(step.status));
    context_.cycle.centralBranchNo = headOfficeBranchNumber(cell(row, HeadOfficeColumn::kBranch));
    for (std::string_view table : {step.table, step.secondTable}) {
      if (table.empty()) continue;
      long long moved = 0;
      const std::string direction = step.family == Family::kStagedUpload ? "upload" : "download";
      try {
        switch (step.family) {
          case Family::kMasterDownload:
            moved = DownloadMaster(context_, *findMasterMember(table));
            break;
          case Family::kStagedUpload:
            moved = UploadStaged(context_, table);
            break;
          case Family::kStagedDownload:
            moved = DownloadStaged(context_, table);
            break;
        }
      } catch (const ErrorRowFailure& unwritten) {
        // The step absorbed its failure but could not record it: reported
        // here, and the next step runs as after any absorbed failure.
        handleRowFailure(&unwritten);
      }
      view_.stepMoved(std::string(table), direction, moved);
    }
  }
  view_.showStepStatus(std::string(kRelax));
}

void SyncCycle::handleRowFailure(const Failure* failure) {
  if (failure == nullptr) return;
  if (failure->number() == failure_number::kLinkFailure) {
    serverCaption_ += " Failure.";
    view_.showServerCaption(serverCaption_);
    return;
  }
  if (failure->description().empty()) return;
  // An error row that could not be written is recorded in the MAINERROR row
  // together with the text the lost row held.
  const auto* unwritten = dynamic_cast<const ErrorRowFailure*>(failure);
  const std::string description =
      unwritten == nullptr ? failure->description()
                           : failure->description() + " (unwritten " + unwritten->module() +
                                 " row: " + unwritten->message() + ")";
  try {
    writeErrorRow(context_.localMain, kMainErrorLabel,
                  std::to_string(context_.cycle.centralBranchNo), description, *context_.clock);
  } catch (const Failure& unlogged) {
    if (unwritten != nullptr) {
      view_.reportUnloggedFailure(Failure(failure->number(), unwritten->module() + ": " +
                                                                 unwritten->message()));
    }
    view_.reportUnloggedFailure(*failure);
    view_.reportUnloggedFailure(unlogged);
  }
}

}  // namespace velmora
