// A read-only cursor over rows read in full when it opens: probes, start-up
// queries, the column list, the error display and every result that is not a
// plain single-table select.
#pragma once

#include <string>
#include <vector>

#include "backends/embedded/sqlite_connection.h"
#include "transfer/db_access.h"

namespace velmora {

class MaterializedCursor : public Cursor {
 public:
  // Runs `statement` to its end and keeps its columns and rows. Throws Failure.
  explicit MaterializedCursor(SqliteStatement& statement);
  // A cursor without columns or rows (a statement that returns none).
  MaterializedCursor() = default;

  std::size_t columnCount() const override { return columns_.size(); }
  const std::string& columnName(std::size_t column) const override { return columns_.at(column); }
  bool bof() const override { return rows_.empty(); }
  bool eof() const override { return position_ >= rows_.size(); }
  void moveFirst() override { position_ = 0; }
  void moveNext() override;
  const Value& get(std::size_t column) const override;
  void set(std::size_t column, Value value) override;
  void addNew() override;
  void update() override;

 private:
  std::vector<std::string> columns_;
  std::vector<std::vector<Value>> rows_;
  std::size_t position_ = 0;
};

// "Either BOF or EOF is True ..." (an operation that needs a current row).
Failure noCurrentRowFailure();
// The recordset cannot be changed.
Failure notUpdatableFailure();

}  // namespace velmora
