// The master download: a head office's new and changed rows of one master
// table copied into the branch's main database through the linked server,
// then flagged delivered to this branch at the head office.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "transfer/agent_context.h"

namespace velmora {

enum class MasterKeyForm { kSubquery, kSecurityJoin };

struct MasterMember {
  std::string_view table;   // T, spelled as the statements write it
  std::string_view key;     // K (subquery form)
  MasterKeyForm keyForm;
  std::string_view marker;  // M: de, ACTIVE or Active
  std::string_view stampKey;// key of the branch stamp (Transfered='Y' on the
                            // delivered rows at the branch); empty: no stamp
  std::string_view label;   // error-row module label
  bool errorRowAtHeadOffice;// the error row goes through the central main connection
};

std::span<const MasterMember> masterMembers();

// The statements of a member, byte for byte. n is the branch number text of
// this branch; headOfficeTable is LinkedServer + "." + D + ".Dbo." + T.
std::string masterProbe(const MasterMember& m, std::string_view n);
std::string masterHold(const MasterMember& m, std::string_view n);
std::string masterMark(const MasterMember& m, std::string_view n, std::string_view headOfficeTable);
std::string masterInsert(const MasterMember& m, std::string_view n,
                         std::string_view headOfficeTable, std::string_view columnList);
std::string masterDelete(const MasterMember& m);
std::string masterBranchStamp(const MasterMember& m, std::string_view n,
                              std::string_view headOfficeTable);
std::string masterFlag(const MasterMember& m, std::string_view n, std::string_view date,
                       std::string_view time);
// The condition that selects the head-office rows not yet delivered to this
// branch (n: its branch number text), as the probe, the insert and the flag
// statement write it after the table: " Where isnull(BR" + n + ",'')<>'Y'".
std::string masterUndelivered(const MasterMember& m, std::string_view n);

// The member of `table` (exact spelling), or nullptr.
const MasterMember* findMasterMember(std::string_view table);

// Runs the download of one member against the current head office. Returns
// the number of rows delivered (0 when nothing was pending or the step
// failed and recorded its error row). Failures that the step's handler
// cannot record leave as Failure (see runTransferStep).
long long DownloadMaster(AgentContext& context, const MasterMember& member);

}  // namespace velmora
