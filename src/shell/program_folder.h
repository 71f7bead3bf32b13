// Where the running program lives: its settings files are looked up there
// unless --home names another folder.
#pragma once

#include <filesystem>

namespace velmora::shell {

// The folder of the running executable: asked of the system (/proc/self/exe,
// GetModuleFileNameW), else derived from `argv0`.
std::filesystem::path programFolder(const char* argv0);

}  // namespace velmora::shell
