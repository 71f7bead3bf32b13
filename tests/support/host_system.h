// What the tests need to know about the system they run on when that is
// Windows emulated by Wine on a Linux host.
#pragma once

#include <filesystem>
#include <string>

namespace velmora::testing {

// True when the tests run as a Windows program under Wine.
bool runningUnderWine();

// `path` as a driver of the host sees it: under Wine, where ODBC is bridged
// to the host's unixODBC and Linux drivers, the Linux path of a Windows path;
// elsewhere the path itself.
std::string hostPath(const std::filesystem::path& path);

}  // namespace velmora::testing
