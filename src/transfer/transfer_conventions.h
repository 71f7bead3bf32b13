// What every transfer step shares: connection pairs, the texts written into
// statements (branch numbers, dates, times, four-part names, the staging
// table), the lock statements, and the step skeleton with its error handler.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "transfer/agent_context.h"
#include "transfer/db_access.h"

namespace velmora {

enum class Pair { kMain, kYear };

struct ConnectionPair {
  Connection& local;
  Connection& central;
};

// The local and central connection of `pair`.
ConnectionPair connectionPair(AgentContext& context, Pair pair);

// Lock statements, byte for byte.
inline constexpr std::string_view kCodeLock = "Update Code set ParamCode=ParamCode ";
inline constexpr std::string_view kBControlLock = "Update BControl set Lok=Lok";
inline constexpr std::string_view kBControlLockBlank = "Update BControl set Lok=Lok ";
inline constexpr std::string_view kBcontrolLockBlank = "Update Bcontrol set Lok=Lok ";

// A branch number as it appears in SQL: plain decimal digits, '-' if negative.
std::string branchNumberText(std::int16_t number);
// "dd/MMM/yyyy" with English month abbreviations, e.g. 05/Mar/2020.
std::string dateText(const DateTime& when);
// "hh:mm:ss" on the 24-hour clock, e.g. 14:07:09.
std::string timeText(const DateTime& when);

// "CentralizedData" + site id.
std::string stagingTableName(const Settings& settings);
// Drops the view or the table named like the staging table, whichever exists.
std::string stagingDropStatement(const Settings& settings);

// A database name as a statement writes it: a plain identifier (a letter or
// '_', then letters, digits, '_', '@', '$', '#') as it is, any other name in
// square brackets with ']' doubled, e.g. [HO-AMAIN].
std::string databaseNameText(std::string_view name);

// LinkedServer + "." + D + ".Dbo." + table, D read afresh from `central` and
// written by databaseNameText.
std::string fourPartName(const AgentContext& context, Connection& central,
                         std::string_view table);

// Tracks the two transactions of a step so that its handler knows which of
// them are open. Begin local then central; commits in the family's order.
// Before the first commit, the writes either backend still holds back are
// sent on both connections (local, then central): a write that fails then
// fails the step with both transactions open, so that both roll back.
class StepTransactions {
 public:
  explicit StepTransactions(ConnectionPair pair) : pair_(pair) {}
  void begin();  // local, then central
  void commitLocal();
  void commitCentral();
  bool localOpen() const { return localOpen_; }
  bool centralOpen() const { return centralOpen_; }
  Connection& local() { return pair_.local; }
  Connection& central() { return pair_.central; }

 private:
  void flushBeforeFirstCommit();

  ConnectionPair pair_;
  bool flushed_ = false;
  bool localOpen_ = false;
  bool centralOpen_ = false;
};

// Runs one transfer step: `body` probes, lists columns, stages, begins the
// transactions through the StepTransactions it is given, runs its statements
// and commits. On a failure inside `body` the handler rolls back the local
// then the central transaction and calls `recordFailure` (which writes the
// step's error row); the step then ends normally.
//
// Failures that leave the step (to the cycle's row handler): a failure of a
// rollback or of `recordFailure` itself; and a failure of `body` while the
// local transaction is not open (before the transactions began, or after the
// local commit) - then the original failure leaves, with its own number and
// description, and no error row of the step is written. Any other exception
// leaves as it is, after the open transactions are rolled back. Both
// rollbacks are always tried: when the local one fails, the central one still
// runs (an open head-office transaction would hold its locks against every
// other branch), and the first failure is the one that leaves.
void runTransferStep(ConnectionPair pair,
                     const std::function<void(StepTransactions&)>& body,
                     const std::function<void(const Failure&)>& recordFailure);

}  // namespace velmora
