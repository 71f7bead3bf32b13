// A static cursor over the rows of one table, for "select [top n] * from T
// where ..." statements. It keeps only the identities (rowids) of the rows the
// statement selected when it opened and reads the rows themselves in chunks as
// it moves, so memory stays bounded by a chunk however many rows match.
//
// When updatable, a change of the current row is saved when the cursor
// leaves the row: queued on the connection (RowSaveQueue) and sent with the
// saves of other rows before the connection's next statement, and AddNew/Update
// inserts into the table with one reused INSERT of all columns (unassigned
// ones null), inside the connection's open transaction. No statement stays
// open between calls, so other statements of the connection are never
// blocked.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "backends/embedded/sqlite_connection.h"
#include "backends/embedded/sqlite_values.h"
#include "transfer/db_access.h"

namespace velmora {

class TableCursor : public Cursor {
 public:
  // Rows fetched per round trip.
  static constexpr std::size_t kChunkRows = 500;

  // Opens over table `table` of schema `schema`, the rows being those whose
  // rowids `rowidSql` selects, in its order. Throws Failure.
  TableCursor(std::shared_ptr<SqliteConnection> connection, const std::string& schema, const std::string& table,
              const std::string& rowidSql, bool updatable);

  std::size_t columnCount() const override { return columns_.size(); }
  const std::string& columnName(std::size_t column) const override { return columns_.at(column); }
  bool bof() const override;
  bool eof() const override;
  void moveFirst() override;
  void moveNext() override;
  const Value& get(std::size_t column) const override;
  void set(std::size_t column, Value value) override;
  void addNew() override;
  void update() override;

 private:
  // Makes the row at position_ available in chunk_ (drops identities of rows
  // that no longer exist).
  void load() const;
  std::vector<Value>& currentRow() const;
  void savePendingChange();
  void insertNewRow();

  std::shared_ptr<SqliteConnection> connection_;
  std::string target_;  // "schema"."table"
  bool updatable_;
  std::vector<std::string> columns_;
  std::vector<std::string> quotedColumns_;
  std::vector<ColumnTraits> traits_;

  mutable std::vector<std::int64_t> ids_;
  std::size_t position_ = 0;
  mutable std::size_t chunkBegin_ = 0;
  mutable std::vector<std::vector<Value>> chunk_;
  mutable SqliteStatement fetch_;

  std::map<std::size_t, Value> pending_;
  bool adding_ = false;
  std::vector<Value> newRow_;
  SqliteStatement insert_;
};

}  // namespace velmora
