// The staged download: head-office rows of one transaction table addressed
// to this branch (or undelivered to it) staged at the head office, copied
// into the branch's year database through the linked server, and flagged.
#pragma once

#include <string_view>

#include "transfer/agent_context.h"

namespace velmora {

// Runs the download of one member (its table name, exact spelling) against
// the current head office. Returns the number of rows staged for delivery (0
// when nothing was pending or the step failed and recorded its error row).
// Failures that the step's handler cannot record leave as Failure.
long long DownloadStaged(AgentContext& context, std::string_view table);

}  // namespace velmora
