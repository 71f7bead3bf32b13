// The read-only status report: start-up as a tick does it, then for every
// head office of the list, in the tick's order, its central connections
// opened with the tick's strings, and the backlog counted in both
// directions. Nothing is written anywhere: no error row, no numbering, no
// staging table, no stamp and no lock statement.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cycle/backlog.h"
#include "transfer/agent_context.h"

namespace velmora::shell {

struct HeadOfficeStatus {
  std::optional<std::int16_t> number;  // the Branch cell; nullopt when it is no number
  std::string name;                    // the BranchName cell
  std::string server;                  // the ServerName cell
  bool reachable = false;              // both central connections opened
  // Why the head office was not reached or not counted; never a password or
  // a connection string (the backends' descriptions carry neither).
  std::optional<std::string> failure;
  // The 23 master and the 8 staged-download tables; nullopt when not counted.
  std::optional<std::vector<TableCount>> undelivered;
};

// The newest of today's error rows of one label.
struct NewestErrorRow {
  std::string module;
  std::string time;  // as the error grid shows it, e.g. "1:07PM"
  std::string message;
};

struct StatusReport {
  std::int16_t branchNo = 0;
  std::string prefix;        // the company prefix, trimmed
  std::string mainDatabase;  // as the local connections report them
  std::string yearDatabase;
  std::string site;
  std::vector<TableCount> pendingUpload;   // upload members whose gate is open
  std::vector<std::string> gatedUploads;   // upload members left out by the site gate
  std::vector<HeadOfficeStatus> headOffices;
  long long errorRowsToday = 0;
  std::vector<NewestErrorRow> newestErrorRows;  // one per label, newest first

  // Every head office was reached and counted.
  bool everyHeadOfficeReached() const;
};

// Builds the report on a context that start-up has filled. A head office
// that cannot be reached or counted is reported as such; the context's
// central connections are replaced for every head office, as a tick does.
// Throws Failure when a count at the branch or today's error rows cannot be
// read.
StatusReport collectStatusReport(AgentContext& context);

}  // namespace velmora::shell
