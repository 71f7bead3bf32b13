#include "staged_download/download_members.h"

namespace velmora {

const DownloadMember* findDownloadMember(std::string_view table) {
  for (const DownloadMember& member : kDownloadMembers) {
    if (member.table == table) return &member;
  }
  return nullptr;
}

}  // namespace velmora
