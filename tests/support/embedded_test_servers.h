// Helpers for tests of the embedded backend: temporary server folders and
// SQLite files built and inspected directly, beside the backend under test.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace velmora::embedded_testing {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Creates the SQLite file `file` (and its folder) and runs `sql`, which may
// hold several statements. Throws std::runtime_error on a failure.
void createDatabase(const std::filesystem::path& file, const std::string& sql);

// Runs `sql` on the existing file `file`. Throws std::runtime_error.
void runSql(const std::filesystem::path& file, const std::string& sql);

// The rows of query `sql` on `file`, each column as text ("<null>" for null),
// columns joined by "|". Throws std::runtime_error.
std::vector<std::string> queryRows(const std::filesystem::path& file, const std::string& sql);

// The first column of the first row of `sql` on `file` ("" if no row).
std::string queryText(const std::filesystem::path& file, const std::string& sql);

}  // namespace velmora::embedded_testing
