// The sync cycle: one tick visits every head office of the list, connects to
// it and runs the 48 transfer steps against it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "cycle/cycle_view.h"
#include "transfer/agent_context.h"

namespace velmora {

// The six arguments of the central connection routine.
struct CentralArguments {
  std::string user;
  std::string password;
  std::string mainDatabase;
  std::string server;
  std::string port;       // always "0"
  bool byAddress = false; // the address flag
};

// Opens context.centralMain and context.centralYear for one head office and
// sets context.cycle.centralConnected; writes a CONNECTION row on failure.
using ConnectCentralFn = std::function<void(AgentContext&, const CentralArguments&)>;

// The arguments a tick passes to the central connection routine for one
// head-office row: by address when the address cell holds at least ten
// characters, else by server name; nullopt when the row has neither (or no
// user name), in which case a tick does not connect to it.
std::optional<CentralArguments> centralArgumentsOf(const HeadOfficeRow& row);

// The head office's year database: its Comp_Id followed by the last four
// characters of the branch's year database name.
std::string centralYearDatabaseOf(const HeadOfficeRow& row, std::string_view localYearDatabase);

// The head office's branch number from the list's Branch cell: trimmed, read
// as a number and rounded to the nearest 16-bit integer (halves to even).
// Throws Failure (kTypeMismatch, kOverflow) when it is no number or out of range.
std::int16_t headOfficeBranchNumber(std::string_view text);

class SyncCycle {
 public:
  SyncCycle(AgentContext& context, CycleView& view, ConnectCentralFn connectCentral);

  // Runs one tick to its end. Never throws: every failure becomes an error
  // row, a verdict in the server caption, or a report to the view. A local
  // connection whose link was lost is reopened first.
  void tick();

  int ticksRun() const { return ticksRun_; }

 private:
  // Reopens each local connection whose link was lost.
  // False, after one error row or one report to the view, when one of them
  // cannot be reopened: the tick then visits no head office.
  bool reopenLostLocalConnections();
  void processHeadOffice(const HeadOfficeRow& row);
  void runSteps(const HeadOfficeRow& row);
  void handleRowFailure(const Failure* failure);

  AgentContext& context_;
  CycleView& view_;
  ConnectCentralFn connectCentral_;
  std::string serverCaption_;
  int ticksRun_ = 0;
};

}  // namespace velmora
