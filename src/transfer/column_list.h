// Lists a table's non-identity columns at the branch.
#pragma once

#include <string>
#include <string_view>

#include "transfer/agent_context.h"

namespace velmora {

// The names of all columns of `table` in the dbo schema of `database` on the
// branch's server, except the identity column, joined by "," (no blanks, no
// brackets). Opens a connection of its own for the call and closes it again.
// An unknown table gives the empty text. Throws Failure when the connection
// or the query fails.
std::string TableColumnList(const AgentContext& context, std::string_view table,
                            std::string_view database);

// The column query, byte for byte.
std::string columnListQuery(std::string_view table);

}  // namespace velmora
