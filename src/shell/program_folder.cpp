#include "shell/program_folder.h"

#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace velmora::shell {

std::filesystem::path programFolder(const char* argv0) {
  std::error_code ec;
#ifdef _WIN32
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) break;
    if (length < name.size()) {
      name.resize(length);
      return std::filesystem::path(name).parent_path();
    }
    name.resize(name.size() * 2);
  }
#else
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) return self.parent_path();
#endif
  return std::filesystem::absolute(argv0, ec).parent_path();
}

}  // namespace velmora::shell
