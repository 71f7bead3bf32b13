#include "support/embedded_test_servers.h"

#include <sqlite3.h>

#include <atomic>
#include <random>
#include <stdexcept>
#include <system_error>

namespace velmora::embedded_testing {

namespace {

class Database {
 public:
  Database(const std::filesystem::path& file, bool create) {
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(file.string().c_str(), &db_, flags, nullptr) != SQLITE_OK) {
      const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
      sqlite3_close(db_);
      throw std::runtime_error("cannot open " + file.string() + ": " + message);
    }
    sqlite3_busy_timeout(db_, 5000);
  }
  ~Database() { sqlite3_close(db_); }
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  void run(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      const std::string message = error ? error : "unknown error";
      sqlite3_free(error);
      throw std::runtime_error(message + " in: " + sql);
    }
  }

  std::vector<std::string> rows(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
      throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in: " + sql);
    }
    std::vector<std::string> result;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      std::string row;
      for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        if (i) row += "|";
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
        row += text ? text : "<null>";
      }
      result.push_back(row);
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE) throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in: " + sql);
    return result;
  }

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace

ScratchFolder::ScratchFolder() {
  static std::atomic<int> counter{0};
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() /
          ("velmora-embedded-" + std::to_string(random()) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void createDatabase(const std::filesystem::path& file, const std::string& sql) {
  std::filesystem::create_directories(file.parent_path());
  Database db(file, true);
  db.run(sql);
}

void runSql(const std::filesystem::path& file, const std::string& sql) {
  Database db(file, false);
  db.run(sql);
}

std::vector<std::string> queryRows(const std::filesystem::path& file, const std::string& sql) {
  Database db(file, false);
  return db.rows(sql);
}

std::string queryText(const std::filesystem::path& file, const std::string& sql) {
  const auto rows = queryRows(file, sql);
  if (rows.empty()) return "";
  return rows.front().substr(0, rows.front().find('|'));
}

}  // namespace velmora::embedded_testing
