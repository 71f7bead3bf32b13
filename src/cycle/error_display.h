// The error log's display: today's rows of ERRTABLE, newest first, for the
// window's grid and the headless runner.
#pragma once

#include <string>

#include "cycle/cycle_view.h"
#include "transfer/agent_context.h"

namespace velmora {

// The display query for today's rows, byte for byte.
std::string errorDisplayQuery(const DateTime& today);

// Reads today's error rows, newest first, on the local main connection and
// hands them to the view. Throws Failure when the query fails.
void refreshErrorDisplay(AgentContext& context, CycleView& view);

}  // namespace velmora
