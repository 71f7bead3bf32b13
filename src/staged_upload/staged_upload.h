// The staged upload: a branch table's pending rows copied through its field
// map into a staging table at the head office, stamped at the branch, and
// merged into the head office's table.
#pragma once

#include <span>
#include <string_view>

#include "transfer/agent_context.h"

namespace velmora {

struct UploadMember;  // defined in staged_upload/upload_members.h

// Runs the upload of one member (its table name, exact spelling) against the
// current head office. Returns the number of rows staged (0 when nothing was
// pending, the site gate closed, or the step failed and recorded its error
// row). Failures that the step's handler cannot record leave as Failure.
long long UploadStaged(AgentContext& context, std::string_view table);

}  // namespace velmora
