// servers.txt: the embedded servers of the program folder and the options of
// the ODBC backend.
//
//   # comment
//   NAME = DIRECTORY          an embedded server; DIRECTORY relative to the
//                             program folder unless absolute
//   odbc-driver = NAME        the ODBC driver for every other data source
//   odbc-encrypt = yes|no     whether ODBC connections ask for encryption
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velmora::shell {

struct ServerEntry {
  std::string name;
  std::filesystem::path directory;  // absolute (made so against the program folder)
};

struct ServersFile {
  std::vector<ServerEntry> servers;     // in file order
  std::optional<std::string> odbcDriver;
  std::optional<bool> odbcEncrypt;
};

// Reads the text of servers.txt; directories are resolved against
// `programFolder`. Throws Failure (kInvalidSettings) naming the line for a
// line without "=", an empty name or directory, a server named twice, or an
// odbc-encrypt value other than yes or no.
ServersFile parseServersFile(const std::string& text, const std::filesystem::path& programFolder);

// Reads servers.txt from `programFolder` (its name matched without regard to
// letter case); an absent file gives no servers and no options. Throws
// Failure as parseServersFile, and when the file cannot be read.
ServersFile readServersFile(const std::filesystem::path& programFolder);

}  // namespace velmora::shell
