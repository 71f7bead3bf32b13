#include "sample_sql.h"

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace velmora::sample {
namespace {

constexpr int kBusyTimeoutMs = 10000;

struct StatementCloser {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

[[noreturn]] void fail(const std::filesystem::path& file, std::string_view what,
                       std::string_view message) {
  throw std::runtime_error(file.string() + ": " + std::string(what) + ": " +
                           std::string(message));
}

}  // namespace

SqliteFile::SqliteFile(const std::filesystem::path& file, Mode mode) : path_(file) {
  if (mode == Mode::kExisting && !std::filesystem::exists(file)) {
    fail(file, "cannot open", "no such database file");
  }
  const int flags = SQLITE_OPEN_READWRITE | (mode == Mode::kCreate ? SQLITE_OPEN_CREATE : 0);
  const int rc = sqlite3_open_v2(file.string().c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    const std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close(db_);
    db_ = nullptr;
    fail(file, "cannot open", message);
  }
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  // Sample and test files need no protection against a machine crash; not
  // waiting for the disk keeps layouts and test set-ups fast.
  exec("PRAGMA synchronous=OFF");
}

SqliteFile::~SqliteFile() { sqlite3_close(db_); }

void SqliteFile::exec(std::string_view sql) {
  const std::string text(sql);
  char* error = nullptr;
  if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error != nullptr ? error : sqlite3_errmsg(db_);
    sqlite3_free(error);
    fail(path_, message, text.substr(0, 400));
  }
}

std::vector<TextRow> SqliteFile::query(std::string_view sql) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &raw, nullptr) !=
      SQLITE_OK) {
    fail(path_, sqlite3_errmsg(db_), sql);
  }
  Statement statement(raw);
  std::vector<TextRow> rows;
  const int columnCount = sqlite3_column_count(raw);
  for (;;) {
    const int rc = sqlite3_step(raw);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) fail(path_, sqlite3_errmsg(db_), sql);
    TextRow row;
    row.reserve(static_cast<std::size_t>(columnCount));
    for (int column = 0; column < columnCount; ++column) {
      if (sqlite3_column_type(raw, column) == SQLITE_NULL) {
        row.emplace_back(kNullText);
      } else {
        const auto* text = sqlite3_column_text(raw, column);
        row.emplace_back(reinterpret_cast<const char*>(text),
                         static_cast<std::size_t>(sqlite3_column_bytes(raw, column)));
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<ColumnInfo> SqliteFile::columns(std::string_view table) {
  std::vector<ColumnInfo> result;
  for (auto& row : query("select name, type from pragma_table_info(" + sqlLiteral(table) + ")")) {
    result.push_back({std::move(row[0]), std::move(row[1])});
  }
  return result;
}

void execSql(const std::filesystem::path& dbFile, std::string_view sql) {
  SqliteFile(dbFile, SqliteFile::Mode::kExisting).exec(sql);
}

std::vector<TextRow> querySql(const std::filesystem::path& dbFile, std::string_view sql) {
  return SqliteFile(dbFile, SqliteFile::Mode::kExisting).query(sql);
}

long long countRows(const std::filesystem::path& dbFile, std::string_view table,
                    std::string_view whereClause) {
  std::string sql = "select count(*) from " + std::string(table);
  if (!whereClause.empty()) sql += " where " + std::string(whereClause);
  const auto rows = querySql(dbFile, sql);
  return std::stoll(rows.at(0).at(0));
}

std::string sqlLiteral(std::string_view text) {
  std::string literal = "'";
  for (const char c : text) {
    literal += c;
    if (c == '\'') literal += '\'';
  }
  literal += '\'';
  return literal;
}

}  // namespace velmora::sample
