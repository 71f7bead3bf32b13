#include "transfer/transfer_conventions.h"

#include <cstdio>
#include <optional>

namespace velmora {

ConnectionPair connectionPair(AgentContext& context, Pair pair) {
  if (pair == Pair::kMain) return {context.localMain, *context.centralMain};
  return {context.localYear, context.centralYear};
}

std::string branchNumberText(std::int16_t number) { return std::to_string(number); }

std::string dateText(const DateTime& when) { return formatDayMonthYear(when); }

std::string timeText(const DateTime& when) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", when.hour, when.minute, when.second);
  return buf;
}

std::string stagingTableName(const Settings& settings) {
  return "CentralizedData" + settings.siteId;
}

std::string stagingDropStatement(const Settings& settings) {
  const std::string& s = settings.siteId;
  return "if exists (select * from sysobjects where type='v' and name='CentralizedData" + s +
         "') drop view CentralizedData" + s +
         " else if exists (select * from sysobjects where type='u' and name='CentralizedData" + s +
         "') drop table CentralizedData" + s;
}

std::string databaseNameText(std::string_view name) {
  const auto letter = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
  };
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  bool plain = !name.empty() && letter(name.front());
  for (char c : name) plain = plain && (letter(c) || digit(c) || c == '@' || c == '$' || c == '#');
  if (plain) return std::string(name);
  std::string out = "[";
  for (char c : name) {
    out += c;
    if (c == ']') out += ']';
  }
  return out + "]";
}

std::string fourPartName(const AgentContext& context, Connection& central,
                         std::string_view table) {
  return context.cycle.linkedServer + "." + databaseNameText(central.defaultDatabase()) +
         ".Dbo." + std::string(table);
}

void StepTransactions::begin() {
  pair_.local.beginTrans();
  localOpen_ = true;
  pair_.central.beginTrans();
  centralOpen_ = true;
}

void StepTransactions::flushBeforeFirstCommit() {
  if (flushed_) return;
  flushed_ = true;
  pair_.local.flushPendingWrites();
  pair_.central.flushPendingWrites();
}

void StepTransactions::commitLocal() {
  flushBeforeFirstCommit();
  pair_.local.commitTrans();
  localOpen_ = false;
}

void StepTransactions::commitCentral() {
  flushBeforeFirstCommit();
  pair_.central.commitTrans();
  centralOpen_ = false;
}

void runTransferStep(ConnectionPair pair, const std::function<void(StepTransactions&)>& body,
                     const std::function<void(const Failure&)>& recordFailure) {
  StepTransactions transactions(pair);
  try {
    body(transactions);
  } catch (const Failure& failure) {
    // With the local transaction not open, its rollback could only fail with
    // "no transaction" and hide the cause; the cause itself leaves the step.
    if (!transactions.localOpen()) {
      if (transactions.centralOpen()) {
        try {
          pair.central.rollbackTrans();
        } catch (const Failure&) {
        }
      }
      throw;
    }
    std::optional<Failure> localRollbackFailure;
    try {
      pair.local.rollbackTrans();
    } catch (const Failure& rollbackFailure) {
      localRollbackFailure = rollbackFailure;
    }
    if (transactions.centralOpen()) {
      try {
        pair.central.rollbackTrans();
      } catch (const Failure&) {
        if (!localRollbackFailure) throw;
      }
    }
    if (localRollbackFailure) throw *localRollbackFailure;
    if (!transactions.centralOpen()) throw;
    recordFailure(failure);
  } catch (...) {
    // Not a database failure (out of memory, a file-system error): it leaves
    // the step as it is, but not with the transactions still open, which
    // would hold the databases' locks for as long as the agent runs.
    if (transactions.localOpen()) {
      try {
        pair.local.rollbackTrans();
      } catch (...) {
      }
    }
    if (transactions.centralOpen()) {
      try {
        pair.central.rollbackTrans();
      } catch (...) {
      }
    }
    throw;
  }
}

}  // namespace velmora
