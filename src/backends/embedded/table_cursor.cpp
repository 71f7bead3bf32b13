#include "backends/embedded/table_cursor.h"

#include <unordered_map>

#include "backends/embedded/materialized_cursor.h"
#include "backends/embedded/tsql_tokens.h"

namespace velmora {

TableCursor::TableCursor(std::shared_ptr<SqliteConnection> connection, const std::string& schema,
                         const std::string& table, const std::string& rowidSql, bool updatable)
    : connection_(std::move(connection)), target_(quoteName(schema) + "." + quoteName(table)), updatable_(updatable) {
  {
    SqliteStatement ids = connection_->prepare(rowidSql);
    while (ids.step()) ids_.push_back(sqlite3_column_int64(ids.get(), 0));
    ids.reset();
  }
  std::string sql = "SELECT rowid, * FROM " + target_ + " WHERE rowid IN (";
  for (std::size_t i = 0; i < kChunkRows; ++i) sql += i == 0 ? "?" : ",?";
  sql += ")";
  fetch_ = connection_->prepare(sql);
  const int count = sqlite3_column_count(fetch_.get());
  for (int i = 1; i < count; ++i) {
    const char* name = sqlite3_column_name(fetch_.get(), i);
    columns_.emplace_back(name ? name : "");
    quotedColumns_.push_back(quoteName(columns_.back()));
    traits_.push_back(columnTraitsFor(sqlite3_column_decltype(fetch_.get(), i)));
  }
  chunkBegin_ = 0;
}

void TableCursor::load() const {
  while (position_ < ids_.size() && !(position_ >= chunkBegin_ && position_ < chunkBegin_ + chunk_.size())) {
    const std::size_t end = std::min(ids_.size(), position_ + kChunkRows);
    fetch_.clearBindings();
    for (std::size_t i = position_; i < end; ++i) fetch_.bindInteger(static_cast<int>(i - position_ + 1), ids_[i]);
    std::unordered_map<std::int64_t, std::vector<Value>> rows;
    while (fetch_.step()) {
      std::vector<Value> row;
      row.reserve(columns_.size());
      for (std::size_t c = 0; c < columns_.size(); ++c) {
        row.push_back(readColumn(fetch_.get(), static_cast<int>(c + 1), traits_[c]));
      }
      rows.emplace(sqlite3_column_int64(fetch_.get(), 0), std::move(row));
    }
    fetch_.reset();
    chunk_.clear();
    chunkBegin_ = position_;
    std::size_t kept = position_;
    for (std::size_t i = position_; i < end; ++i) {
      auto found = rows.find(ids_[i]);
      if (found == rows.end()) continue;  // deleted since the cursor opened
      chunk_.push_back(std::move(found->second));
      ids_[kept++] = ids_[i];
    }
    ids_.erase(ids_.begin() + static_cast<std::ptrdiff_t>(kept), ids_.begin() + static_cast<std::ptrdiff_t>(end));
  }
}

std::vector<Value>& TableCursor::currentRow() const {
  load();
  if (position_ >= ids_.size()) throw noCurrentRowFailure();
  return chunk_[position_ - chunkBegin_];
}

bool TableCursor::bof() const {
  if (adding_) return false;
  load();
  return ids_.empty();
}

bool TableCursor::eof() const {
  if (adding_) return false;
  load();
  return position_ >= ids_.size();
}

void TableCursor::moveFirst() {
  if (adding_) insertNewRow();
  savePendingChange();
  position_ = 0;
}

void TableCursor::moveNext() {
  if (adding_) {
    insertNewRow();
    return;
  }
  savePendingChange();
  if (eof()) throw noCurrentRowFailure();
  ++position_;
}

const Value& TableCursor::get(std::size_t column) const {
  if (adding_) return newRow_.at(column);
  return currentRow().at(column);
}

void TableCursor::set(std::size_t column, Value value) {
  if (!updatable_) throw notUpdatableFailure();
  if (column >= columns_.size()) throw Failure(failure_number::kStatementFailed, "Item cannot be found in the collection corresponding to the requested name or ordinal.");
  if (adding_) {
    newRow_[column] = std::move(value);
    return;
  }
  std::vector<Value>& row = currentRow();
  row[column] = value;
  pending_[column] = std::move(value);
}

void TableCursor::addNew() {
  if (!updatable_) throw notUpdatableFailure();
  if (adding_) insertNewRow();
  savePendingChange();
  adding_ = true;
  newRow_.assign(columns_.size(), Value::null());
}

void TableCursor::update() {
  if (adding_) {
    insertNewRow();
  } else {
    savePendingChange();
  }
}

void TableCursor::savePendingChange() {
  if (pending_.empty()) return;
  std::vector<std::string> names;
  std::vector<Value> values;
  names.reserve(pending_.size());
  values.reserve(pending_.size());
  for (auto& [column, value] : pending_) {
    names.push_back(quotedColumns_[column]);
    values.push_back(std::move(value));
  }
  pending_.clear();
  RowSaveQueue& saves = connection_->queuedSaves();
  saves.add(target_, names, std::move(values), ids_.at(position_));
  // Held back only inside a transaction, which the embedded backend begins
  // IMMEDIATE: it holds the database's write lock from its start, so no other
  // writer can change the row between its read and the sending of its save.
  // Outside one, nothing would send the save in time.
  if (!connection_->inTransaction() || saves.rows() >= RowSaveQueue::kBatchRows) saves.send();
}

void TableCursor::insertNewRow() {
  adding_ = false;
  if (!insert_) {
    std::string names;
    std::string marks;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      names += (i ? "," : "") + quoteName(columns_[i]);
      marks += i ? ",?" : "?";
    }
    insert_ = connection_->prepare("INSERT INTO " + target_ + " (" + names + ") VALUES (" + marks + ")");
  }
  // Every parameter is bound anew for each row, and newRow_ stays as it is
  // until the next addNew: its texts need no copy.
  for (std::size_t i = 0; i < newRow_.size(); ++i) insert_.bindUnowned(static_cast<int>(i + 1), newRow_[i]);
  insert_.run();
  ids_.push_back(sqlite3_last_insert_rowid(connection_->handle()));
  position_ = ids_.size() - 1;
}

}  // namespace velmora
