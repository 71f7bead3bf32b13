// How far behind the branch is: the rows each transfer step would move now,
// counted with the step's own selection and without writing anything.
//
// Every count is one "Select count(*)" statement whose condition is the one
// the member's step writes (taken from the family beside its member table),
// so that a count and the step cannot drift apart.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cycle/step_table.h"
#include "master_download/master_download.h"
#include "staged_download/download_members.h"
#include "staged_upload/upload_members.h"
#include "transfer/agent_context.h"

namespace velmora {

// One table's count, the table named as the member's statements write it.
struct TableCount {
  std::string table;
  long long rows = 0;
  Family family = Family::kStagedUpload;  // the family whose step would move them
};

// The count statements, byte for byte. n is this branch's number text.
// Upload: every pending branch row (also INVENTORYTRANS's, whose step takes
// at most 1000 a run). Master: the head-office rows the insert would copy.
// Staged download: the head-office rows the staging build would stage.
std::string pendingUploadCountStatement(const UploadMember& member);
std::string masterUndeliveredCountStatement(const MasterMember& member, std::string_view n);
std::string stagedUndeliveredCountStatement(const DownloadMember& member, std::string_view n);

// The pending rows of every upload member whose site gate is open for the
// branch's company, in member order, counted on the local connection of the
// member's pair. Throws Failure when a count fails.
std::vector<TableCount> countPendingUploads(AgentContext& context);

// The upload members that the site gate keeps out for this company.
std::vector<std::string> gatedUploads(const AgentContext& context);

// The rows of the 23 master tables and then of the 8 staged-download tables
// that the current head office (context.centralMain and centralYear, open)
// would deliver to this branch now. Throws Failure when a count fails; the
// description then starts with the table's name.
std::vector<TableCount> countUndelivered(AgentContext& context);

}  // namespace velmora
