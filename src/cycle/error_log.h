// The error log: every failure the agent absorbs becomes one row of ERRTABLE,
// and the window shows today's rows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cycle/cycle_view.h"
#include "transfer/agent_context.h"
#include "transfer/db_access.h"

namespace velmora {

inline constexpr std::string_view kConnectionLabel = "CONNECTION";
inline constexpr std::string_view kMainErrorLabel = "MAINERROR";

// The time text of an error row, e.g. "1:07:00 PM".
std::string errorTimeText(const DateTime& when);

// The insert statement of one error row. Single quotes inside the texts are
// doubled so that the statement stays valid and the row reads back with the
// original text.
std::string errorRowInsert(std::string_view module, std::string_view prefix,
                           std::string_view description, const DateTime& when);

// Writes one error row through `connection`, outside any transaction of its
// own: MESSAGE = prefix + "-" + description. Throws Failure when the insert
// fails.
void writeErrorRow(Connection& connection, std::string_view module, std::string_view prefix,
                   std::string_view description, const Clock& clock);

// The display query for today's rows, byte for byte.
std::string errorDisplayQuery(const DateTime& today);

// Reads today's error rows, newest first, on the local main connection and
// hands them to the view. Throws Failure when the query fails.
void refreshErrorDisplay(AgentContext& context, CycleView& view);

}  // namespace velmora
