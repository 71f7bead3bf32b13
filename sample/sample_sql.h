// Direct access to the SQLite files of the sample company: running statements,
// reading rows as text and listing a table's columns. Used to lay out a
// program folder and by tests that prepare or inspect its databases.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace velmora::sample {

// How a null value reads in the rows that querySql returns.
inline constexpr std::string_view kNullText = "<null>";

using TextRow = std::vector<std::string>;

// One column of a table: its name and declared type, as the table declares them.
struct ColumnInfo {
  std::string name;
  std::string type;
};

// An open SQLite database file; closed when the object goes.
class SqliteFile {
 public:
  enum class Mode { kExisting, kCreate };

  // Opens `file`. kExisting fails when the file does not exist; kCreate
  // creates it if needed. Throws std::runtime_error on failure.
  SqliteFile(const std::filesystem::path& file, Mode mode);
  ~SqliteFile();
  SqliteFile(const SqliteFile&) = delete;
  SqliteFile& operator=(const SqliteFile&) = delete;

  // Runs one or more statements, discarding their rows. Throws
  // std::runtime_error with SQLite's message and the failing text.
  void exec(std::string_view sql);

  // Runs one statement and returns its rows, every value as text and null as
  // kNullText. Throws std::runtime_error on failure.
  std::vector<TextRow> query(std::string_view sql);

  // The columns of `table` in table order; empty when there is no such table.
  std::vector<ColumnInfo> columns(std::string_view table);

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  sqlite3* db_ = nullptr;
};

// Runs `sql` (one or more statements) on the existing database file `dbFile`.
// Throws std::runtime_error on failure.
void execSql(const std::filesystem::path& dbFile, std::string_view sql);

// Runs one query on the existing database file `dbFile` and returns its rows
// as text, null as kNullText. Throws std::runtime_error on failure.
std::vector<TextRow> querySql(const std::filesystem::path& dbFile, std::string_view sql);

// Number of rows of `table` in `dbFile`, optionally restricted by
// `whereClause` (the condition only, without the word where). Throws
// std::runtime_error on failure.
long long countRows(const std::filesystem::path& dbFile, std::string_view table,
                    std::string_view whereClause = "");

// `text` as an SQL string literal: in single quotes, quotes inside doubled.
std::string sqlLiteral(std::string_view text);

}  // namespace velmora::sample
