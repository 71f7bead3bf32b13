// Helpers shared by the agent benchmark: timing, medians, folder copies and
// a plain SQLite connection for the floor measurements. Header only: every
// bench/*.cpp is its own program.
#pragma once

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/failure.h"

namespace velmora::bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Replaces `to` by a copy of the folder `from` (database files and their
// write-ahead logs included).
inline void copyFolder(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::filesystem::remove_all(to);
  std::filesystem::create_directories(to.parent_path());
  std::filesystem::copy(from, to, std::filesystem::copy_options::recursive);
}

// One SQLite connection on an existing file, for the floor: statements run
// directly, without the agent's access layer.
class Sqlite {
 public:
  explicit Sqlite(const std::filesystem::path& file) {
    if (sqlite3_open_v2(file.string().c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
      const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
      sqlite3_close_v2(db_);
      throw std::runtime_error("cannot open " + file.string() + ": " + message);
    }
    sqlite3_busy_timeout(db_, 60000);
    exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL");
  }
  ~Sqlite() { sqlite3_close_v2(db_); }
  Sqlite(const Sqlite&) = delete;
  Sqlite& operator=(const Sqlite&) = delete;

  sqlite3* handle() const { return db_; }

  // Runs every statement of `sql`, discarding rows. Counts executions.
  void exec(const std::string& sql) {
    char* error = nullptr;
    ++executions_;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      const std::string message = error ? error : "unknown error";
      sqlite3_free(error);
      throw std::runtime_error(message + "\n  in: " + sql);
    }
  }

  // The rows of one query, every value as text ("" for null).
  std::vector<std::vector<std::string>> query(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    ++executions_;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
      throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + "\n  in: " + sql);
    }
    std::vector<std::vector<std::string>> rows;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int c = 0; c < sqlite3_column_count(statement); ++c) {
        const unsigned char* text = sqlite3_column_text(statement, c);
        row.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
      }
      rows.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE) throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + "\n  in: " + sql);
    return rows;
  }

  long long scalar(const std::string& sql) {
    auto rows = query(sql);
    return rows.empty() || rows[0].empty() ? 0 : std::stoll("0" + rows[0][0]);
  }

  std::size_t executions() const { return executions_; }

 private:
  sqlite3* db_ = nullptr;
  std::size_t executions_ = 0;
};

// `name` in double quotes, quotes inside doubled.
inline std::string sqlName(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

// Runs a bench's `run` as its main(): a failure that escapes it is printed
// on standard error and gives status 1.
inline int benchMain(int (*run)(int, char**), int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const Failure& failure) {
    std::fprintf(stderr, "failed: %d - %s\n", failure.number(), failure.description().c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "failed: %s\n", e.what());
  }
  return 1;
}

}  // namespace velmora::bench
