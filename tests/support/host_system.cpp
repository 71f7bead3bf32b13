#include "support/host_system.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace velmora::testing {

#ifdef _WIN32

namespace {

FARPROC wineExport(const char* module, const char* name) {
  HMODULE handle = GetModuleHandleA(module);
  return handle != nullptr ? GetProcAddress(handle, name) : nullptr;
}

}  // namespace

bool runningUnderWine() { return wineExport("ntdll.dll", "wine_get_version") != nullptr; }

std::string hostPath(const std::filesystem::path& path) {
  using ToUnix = char* (*)(const wchar_t*);
  auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(wineExport("kernel32.dll", "wine_get_unix_file_name")));
  if (toUnix == nullptr) return path.string();
  char* unixName = toUnix(std::filesystem::absolute(path).wstring().c_str());
  if (unixName == nullptr) return path.string();
  std::string result(unixName);
  HeapFree(GetProcessHeap(), 0, unixName);
  return result;
}

#else

bool runningUnderWine() { return false; }

std::string hostPath(const std::filesystem::path& path) { return path.string(); }

#endif

}  // namespace velmora::testing
