#include "shell/servers_file.h"

#include <fstream>
#include <sstream>

#include "shell/settings_files.h"
#include "transfer/text_rules.h"
#include "transfer/db_access.h"
#include "transfer/failure.h"

namespace velmora::shell {

namespace {

constexpr std::string_view kDriverKey = "odbc-driver";
constexpr std::string_view kEncryptKey = "odbc-encrypt";

std::string trimWhitespace(std::string_view text) {
  std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(" \t\r");
  return std::string(text.substr(first, last - first + 1));
}

[[noreturn]] void fail(int lineNumber, const std::string& what) {
  throw Failure(failure_number::kInvalidSettings,
                std::string(kServersFile) + " line " + std::to_string(lineNumber) + ": " + what);
}

}  // namespace

ServersFile parseServersFile(const std::string& text, const std::filesystem::path& programFolder) {
  ServersFile result;
  std::istringstream in(text.starts_with(kUtf8ByteOrderMark) ? text.substr(kUtf8ByteOrderMark.size())
                                                             : text);
  std::string line;
  int lineNumber = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    std::size_t hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    std::string content = trimWhitespace(line);
    if (content.empty()) continue;
    std::size_t eq = content.find('=');
    if (eq == std::string::npos) fail(lineNumber, "expected NAME = DIRECTORY");
    std::string key = trimWhitespace(std::string_view(content).substr(0, eq));
    std::string value = trimWhitespace(std::string_view(content).substr(eq + 1));
    if (key.empty()) fail(lineNumber, "the name before \"=\" is empty");
    if (value.empty()) fail(lineNumber, "the value after \"=\" is empty");

    if (equalsIgnoreCase(key, kDriverKey)) {
      if (result.odbcDriver) fail(lineNumber, std::string(kDriverKey) + " is given twice");
      result.odbcDriver = value;
    } else if (equalsIgnoreCase(key, kEncryptKey)) {
      if (result.odbcEncrypt) fail(lineNumber, std::string(kEncryptKey) + " is given twice");
      if (equalsIgnoreCase(value, "yes")) {
        result.odbcEncrypt = true;
      } else if (equalsIgnoreCase(value, "no")) {
        result.odbcEncrypt = false;
      } else {
        fail(lineNumber, "odbc-encrypt takes yes or no");
      }
    } else if (equalsIgnoreCase(key.substr(0, 4), "odbc")) {
      // A misspelt option would otherwise quietly declare a server.
      fail(lineNumber, "unknown option " + key + " (the options are " + std::string(kDriverKey) +
                           " and " + std::string(kEncryptKey) + ")");
    } else if (key.find_first_of(";,") != std::string::npos) {
      // A data source is cut at ';' and loses its port after ','.
      fail(lineNumber, "a server name cannot hold \";\" or \",\": " + key);
    } else {
      for (const ServerEntry& known : result.servers) {
        if (equalsIgnoreCase(known.name, key)) fail(lineNumber, "server " + key + " is named twice");
      }
      std::filesystem::path directory(value);
      if (directory.is_relative()) directory = programFolder / directory;
      result.servers.push_back({key, directory.lexically_normal()});
    }
  }
  return result;
}

ServersFile readServersFile(const std::filesystem::path& programFolder) {
  auto file = findFileIgnoringCase(programFolder, kServersFile);
  if (!file) return {};
  std::ifstream in(*file, std::ios::binary);
  if (!in) {
    throw Failure(failure_number::kInvalidSettings, "Cannot read " + file->string());
  }
  std::ostringstream text;
  text << in.rdbuf();
  return parseServersFile(text.str(), programFolder);
}

}  // namespace velmora::shell
