#include "support/failing_storage.h"

#include <sqlite3.h>

#include <atomic>
#include <mutex>
#include <stdexcept>

namespace velmora::testing {
namespace {

struct ShimFile {
  sqlite3_file base;
  sqlite3_file* real;
  const char* name;  // valid until the file is closed
};

std::mutex gMutex;
std::string gPart;  // guarded by gMutex; empty: nothing fails
std::string gReadOnlyPart;  // guarded by gMutex; empty: every file is writable
std::atomic<bool> gArmed{false};
std::atomic<int> gFailed{0};
sqlite3_vfs* gReal = nullptr;
sqlite3_vfs gShim;

bool matches(const char* name) {
  std::lock_guard lock(gMutex);
  return name != nullptr && !gPart.empty() && std::string(name).find(gPart) != std::string::npos;
}

sqlite3_file* real(sqlite3_file* file) { return reinterpret_cast<ShimFile*>(file)->real; }

int shimClose(sqlite3_file* f) {
  return real(f)->pMethods ? real(f)->pMethods->xClose(real(f)) : SQLITE_OK;
}
int shimRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
  return real(f)->pMethods->xRead(real(f), buffer, amount, offset);
}
int shimWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
  if (gArmed && matches(reinterpret_cast<ShimFile*>(f)->name)) {
    ++gFailed;
    return SQLITE_FULL;
  }
  return real(f)->pMethods->xWrite(real(f), buffer, amount, offset);
}
int shimTruncate(sqlite3_file* f, sqlite3_int64 size) {
  return real(f)->pMethods->xTruncate(real(f), size);
}
int shimSync(sqlite3_file* f, int flags) { return real(f)->pMethods->xSync(real(f), flags); }
int shimFileSize(sqlite3_file* f, sqlite3_int64* size) {
  return real(f)->pMethods->xFileSize(real(f), size);
}
int shimLock(sqlite3_file* f, int lock) { return real(f)->pMethods->xLock(real(f), lock); }
int shimUnlock(sqlite3_file* f, int lock) { return real(f)->pMethods->xUnlock(real(f), lock); }
int shimCheckReservedLock(sqlite3_file* f, int* out) {
  return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int shimFileControl(sqlite3_file* f, int op, void* arg) {
  return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int shimSectorSize(sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); }
int shimDeviceCharacteristics(sqlite3_file* f) {
  return real(f)->pMethods->xDeviceCharacteristics(real(f));
}
int shimShmMap(sqlite3_file* f, int page, int size, int extend, void volatile** out) {
  return real(f)->pMethods->xShmMap(real(f), page, size, extend, out);
}
int shimShmLock(sqlite3_file* f, int offset, int n, int flags) {
  return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void shimShmBarrier(sqlite3_file* f) { real(f)->pMethods->xShmBarrier(real(f)); }
int shimShmUnmap(sqlite3_file* f, int deleteFlag) {
  return real(f)->pMethods->xShmUnmap(real(f), deleteFlag);
}
int shimFetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
  return real(f)->pMethods->xFetch(real(f), offset, amount, out);
}
int shimUnfetch(sqlite3_file* f, sqlite3_int64 offset, void* page) {
  return real(f)->pMethods->xUnfetch(real(f), offset, page);
}

const sqlite3_io_methods kShimMethods = {
    3,           shimClose,  shimRead,        shimWrite,          shimTruncate,
    shimSync,    shimFileSize, shimLock,      shimUnlock,         shimCheckReservedLock,
    shimFileControl, shimSectorSize, shimDeviceCharacteristics, shimShmMap, shimShmLock,
    shimShmBarrier, shimShmUnmap, shimFetch,  shimUnfetch,
};

int shimOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
  auto* shim = reinterpret_cast<ShimFile*>(file);
  shim->real = reinterpret_cast<sqlite3_file*>(shim + 1);
  shim->name = name;
  bool readOnly = false;
  {
    std::lock_guard lock(gMutex);
    readOnly = name != nullptr && !gReadOnlyPart.empty() && (flags & SQLITE_OPEN_MAIN_DB) &&
               std::string(name).find(gReadOnlyPart) != std::string::npos;
  }
  if (readOnly && (flags & SQLITE_OPEN_READWRITE)) {
    // What the operating system's refusal makes SQLite do: open it for reading.
    flags = (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_READONLY;
  }
  const int rc = gReal->xOpen(gReal, name, shim->real, flags, outFlags);
  // The methods are set even when the open failed, so that SQLite's close
  // reaches the real file's (which it requires when they are set).
  file->pMethods = shim->real->pMethods ? &kShimMethods : nullptr;
  return rc;
}

int shimDelete(sqlite3_vfs*, const char* name, int syncDir) { return gReal->xDelete(gReal, name, syncDir); }
int shimAccess(sqlite3_vfs*, const char* name, int flags, int* out) {
  return gReal->xAccess(gReal, name, flags, out);
}
int shimFullPathname(sqlite3_vfs*, const char* name, int n, char* out) {
  return gReal->xFullPathname(gReal, name, n, out);
}
void* shimDlOpen(sqlite3_vfs*, const char* name) { return gReal->xDlOpen(gReal, name); }
void shimDlError(sqlite3_vfs*, int n, char* out) { gReal->xDlError(gReal, n, out); }
void (*shimDlSym(sqlite3_vfs*, void* handle, const char* symbol))(void) {
  return gReal->xDlSym(gReal, handle, symbol);
}
void shimDlClose(sqlite3_vfs*, void* handle) { gReal->xDlClose(gReal, handle); }
int shimRandomness(sqlite3_vfs*, int n, char* out) { return gReal->xRandomness(gReal, n, out); }
int shimSleep(sqlite3_vfs*, int micros) { return gReal->xSleep(gReal, micros); }
int shimCurrentTime(sqlite3_vfs*, double* out) { return gReal->xCurrentTime(gReal, out); }
int shimGetLastError(sqlite3_vfs*, int n, char* out) { return gReal->xGetLastError(gReal, n, out); }
int shimCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out) {
  return gReal->xCurrentTimeInt64(gReal, out);
}

}  // namespace

FailingStorage::FailingStorage() {
  sqlite3_initialize();
  gReal = sqlite3_vfs_find(nullptr);
  if (gReal == nullptr) throw std::runtime_error("no default SQLite VFS");
  gShim = sqlite3_vfs{};
  gShim.iVersion = 2;
  gShim.szOsFile = static_cast<int>(sizeof(ShimFile)) + gReal->szOsFile;
  gShim.mxPathname = gReal->mxPathname;
  gShim.zName = "velmora-failing-storage";
  gShim.xOpen = shimOpen;
  gShim.xDelete = shimDelete;
  gShim.xAccess = shimAccess;
  gShim.xFullPathname = shimFullPathname;
  gShim.xDlOpen = shimDlOpen;
  gShim.xDlError = shimDlError;
  gShim.xDlSym = shimDlSym;
  gShim.xDlClose = shimDlClose;
  gShim.xRandomness = shimRandomness;
  gShim.xSleep = shimSleep;
  gShim.xCurrentTime = shimCurrentTime;
  gShim.xGetLastError = shimGetLastError;
  gShim.xCurrentTimeInt64 = shimCurrentTimeInt64;
  gFailed = 0;
  sqlite3_vfs_register(&gShim, 1);
}

FailingStorage::~FailingStorage() {
  heal();
  sqlite3_vfs_unregister(&gShim);
  sqlite3_vfs_register(gReal, 1);
}

void FailingStorage::failWritesTo(std::string part) {
  {
    std::lock_guard lock(gMutex);
    gPart = std::move(part);
  }
  gArmed = true;
}

void FailingStorage::denyWritingTo(std::string part) {
  std::lock_guard lock(gMutex);
  gReadOnlyPart = std::move(part);
}

void FailingStorage::heal() {
  gArmed = false;
  std::lock_guard lock(gMutex);
  gReadOnlyPart.clear();
}

int FailingStorage::failedWrites() const { return gFailed; }

}  // namespace velmora::testing
