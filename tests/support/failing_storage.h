// Storage that fails on write: a SQLite VFS over the default one whose writes
// to chosen files fail with SQLITE_FULL (a full disk) until healed. While an
// object lives it is the default VFS, so every connection opened meanwhile
// goes through it; it must outlive those connections.
#pragma once

#include <string>

namespace velmora::testing {

class FailingStorage {
 public:
  FailingStorage();
  ~FailingStorage();
  FailingStorage(const FailingStorage&) = delete;
  FailingStorage& operator=(const FailingStorage&) = delete;

  // Every later write to a file whose path contains `part` (a database file
  // and its -wal and -journal files) fails as on a full disk.
  void failWritesTo(std::string part);
  // Files whose path contains `part` open as a file the process may read
  // but not write does (SQLite falls back to reading it), from now on.
  void denyWritingTo(std::string part);
  // Writes succeed again; files open for writing again.
  void heal();
  // How many writes have failed so far.
  int failedWrites() const;
};

}  // namespace velmora::testing
