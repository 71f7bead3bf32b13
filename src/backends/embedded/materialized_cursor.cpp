#include "backends/embedded/materialized_cursor.h"

#include "backends/embedded/sqlite_values.h"

namespace velmora {

Failure noCurrentRowFailure() {
  return Failure(failure_number::kStatementFailed,
                 "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires "
                 "a current record.");
}

Failure notUpdatableFailure() {
  return Failure(failure_number::kStatementFailed,
                 "Current Recordset does not support updating. This may be a limitation of the provider, or of the "
                 "selected locktype.");
}

MaterializedCursor::MaterializedCursor(SqliteStatement& statement) {
  sqlite3_stmt* s = statement.get();
  const int count = sqlite3_column_count(s);
  std::vector<ColumnTraits> traits;
  for (int i = 0; i < count; ++i) {
    const char* name = sqlite3_column_name(s, i);
    columns_.emplace_back(name ? name : "");
    traits.push_back(columnTraitsFor(sqlite3_column_decltype(s, i)));
  }
  while (statement.step()) {
    std::vector<Value> row;
    row.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) row.push_back(readColumn(s, i, traits[static_cast<std::size_t>(i)]));
    rows_.push_back(std::move(row));
  }
  statement.reset();
}

void MaterializedCursor::moveNext() {
  if (eof()) throw noCurrentRowFailure();
  ++position_;
}

const Value& MaterializedCursor::get(std::size_t column) const {
  if (eof()) throw noCurrentRowFailure();
  return rows_[position_].at(column);
}

void MaterializedCursor::set(std::size_t, Value) { throw notUpdatableFailure(); }

void MaterializedCursor::addNew() { throw notUpdatableFailure(); }

void MaterializedCursor::update() { throw notUpdatableFailure(); }

}  // namespace velmora
