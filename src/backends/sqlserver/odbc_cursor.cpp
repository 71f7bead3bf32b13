#include "backends/sqlserver/odbc_cursor.h"

#include <algorithm>
#include <unordered_map>

#include "backends/sqlserver/odbc_statement_text.h"
#include "transfer/failure.h"

namespace velmora {
namespace {

bool isIntegerType(SQLSMALLINT type) {
  return type == SQL_TINYINT || type == SQL_SMALLINT || type == SQL_INTEGER || type == SQL_BIGINT;
}

std::optional<std::size_t> identityColumn(const std::vector<ColumnInfo>& columns) {
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (columns[i].autoIncrement) return i;
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (equalsIgnoreCase(columns[i].name, "Rno")) return i;
  return std::nullopt;
}

std::int64_t keyOf(const Value& value) {
  return value.kind() == Value::Kind::kInteger ? value.asInteger() : 0;
}

const Value& nullValue() {
  static const Value kNull;
  return kNull;
}

}  // namespace

OdbcCursor::OdbcCursor(std::shared_ptr<OdbcLink> link, const std::string& sql, CursorType type,
                       LockType lock)
    : link_(std::move(link)), shape_(std::make_shared<TableShape>()),
      updatable_(lock != LockType::kReadOnly) {
  (void)type;  // every cursor is read to its end; forward-only ones simply never move back
  std::optional<std::string> checked;
  if (updatable_) checked = checkedSelect(sql);
  StatementHandle statement = link_->run(checked ? *checked : sql);
  std::vector<ColumnInfo> columns = describeColumns(statement);
  // Skip leading results without rows (row counts of earlier statements).
  while (columns.empty()) {
    SQLRETURN rc = SQLMoreResults(statement.get());
    if (rc == SQL_NO_DATA) break;
    statement.check(rc, "Reading the results of a statement");
    columns = describeColumns(statement);
  }
  readColumns_ = columns;
  if (checked && !columns.empty()) {
    shape_->rowChecksum = columns.back();
    columns.pop_back();
  }
  shape_->columns = std::move(columns);
  shape_->identity = identityColumn(shape_->columns);
  if (std::optional<std::string> table = selectBaseTable(sql)) shape_->table = *table;

  const bool pageable = selectsAllColumns(sql) && !shape_->table.empty() && shape_->identity &&
                        isIntegerType(shape_->columns[*shape_->identity].sqlType);
  if (!shape_->columns.empty()) {
    readResult(statement, pageable);
    OdbcLink::drainResults(statement);
  }
}

void OdbcCursor::readResult(const StatementHandle& statement, bool pageable) {
  const std::vector<ColumnInfo>& columns = readColumns_;
  for (;;) {
    SQLRETURN rc = SQLFetch(statement.get());
    if (rc == SQL_NO_DATA) break;
    statement.check(rc, "Reading a row");
    if (rowCount_ < kResidentRows || !pageable) {
      std::vector<Value> row;
      row.reserve(columns.size());
      for (std::size_t c = 0; c < columns.size(); ++c) row.push_back(readField(statement, c, columns[c]));
      if (pageable) keys_.push_back(keyOf(row[*shape_->identity]));
      page_.push_back(std::move(row));
    } else {
      std::size_t id = *shape_->identity;
      keys_.push_back(keyOf(readField(statement, id, columns[id])));
    }
    ++rowCount_;
  }
  paged_ = pageable && rowCount_ > kResidentRows;
  if (!paged_) keys_.clear();
}

std::optional<std::string> OdbcCursor::checkedSelect(const std::string& sql) {
  const std::optional<std::string> table = selectBaseTable(sql);
  if (!table || !withRowChecksum(sql, {"x"})) return std::nullopt;
  // The checksum names the table's columns, which the select itself does not.
  StatementHandle described = link_->run(describeTableStatement(*table));
  for (const ColumnInfo& column : describeColumns(described)) checksumColumns_.push_back(column.name);
  OdbcLink::drainResults(described);
  if (checksumColumns_.empty()) return std::nullopt;
  return withRowChecksum(sql, checksumColumns_);
}

const std::string& OdbcCursor::columnName(std::size_t column) const {
  requireColumn(column);
  return shape_->columns[column].name;
}

bool OdbcCursor::bof() const { return mode_ == Mode::kOnRow && rowCount_ == 0; }

bool OdbcCursor::eof() const { return mode_ == Mode::kOnRow && position_ >= rowCount_; }

void OdbcCursor::moveFirst() {
  if (mode_ == Mode::kAdding) update();
  saveChanges();
  mode_ = Mode::kOnRow;
  moveTo(0);
}

void OdbcCursor::moveNext() {
  if (mode_ == Mode::kAdding) update();
  if (mode_ == Mode::kOnAddedRow) {
    // The added row is the last one; leaving it reaches the end.
    mode_ = Mode::kOnRow;
    position_ = rowCount_;
    return;
  }
  if (position_ >= rowCount_) failNoCurrentRow();
  saveChanges();
  moveTo(position_ + 1);
}

void OdbcCursor::moveTo(std::size_t position) {
  position_ = position;
  if (paged_ && position < rowCount_ &&
      (position < pageStart_ || position >= pageStart_ + page_.size()))
    loadPage(position);
}

void OdbcCursor::loadPage(std::size_t position) {
  // A page whose rows were all deleted meanwhile leaves nothing: read on.
  do {
    readPage(position);
  } while (page_.empty() && position < rowCount_);
}

void OdbcCursor::readPage(std::size_t position) {
  const std::size_t end = std::min(position + kResidentRows, rowCount_);
  std::vector<std::int64_t> keys(keys_.begin() + static_cast<std::ptrdiff_t>(position),
                                 keys_.begin() + static_cast<std::ptrdiff_t>(end));
  const std::size_t identity = *shape_->identity;
  std::unordered_map<std::int64_t, std::size_t> slotOf;
  for (std::size_t i = 0; i < keys.size(); ++i) slotOf.emplace(keys[i], i);

  const std::size_t width = readColumns_.size();
  std::vector<std::optional<std::vector<Value>>> slots(keys.size());
  std::string select = selectByKeysStatement(shape_->table, shape_->columns[identity].name, keys);
  if (shape_->rowChecksum) select = *withRowChecksum(select, checksumColumns_);
  StatementHandle statement = link_->run(select);
  std::vector<ColumnInfo> columns = describeColumns(statement);
  if (columns.size() != width) {
    throw Failure(failure_number::kStatementFailed,
                  "The rows of " + shape_->table + " changed shape while the recordset was open.");
  }
  for (;;) {
    SQLRETURN rc = SQLFetch(statement.get());
    if (rc == SQL_NO_DATA) break;
    statement.check(rc, "Reading a row");
    std::vector<Value> row;
    row.reserve(width);
    for (std::size_t c = 0; c < width; ++c) row.push_back(readField(statement, c, columns[c]));
    auto slot = slotOf.find(keyOf(row[identity]));
    if (slot != slotOf.end()) slots[slot->second] = std::move(row);
  }
  OdbcLink::drainResults(statement);

  // A row deleted since the cursor opened is no longer part of the result:
  // handing it on as a row of nulls would copy a row that does not exist.
  page_.clear();
  std::vector<std::int64_t> kept;
  kept.reserve(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (!slots[i]) continue;
    page_.push_back(std::move(*slots[i]));
    kept.push_back(keys[i]);
  }
  if (kept.size() != keys.size()) {
    auto first = keys_.begin() + static_cast<std::ptrdiff_t>(position);
    std::copy(kept.begin(), kept.end(), first);
    keys_.erase(first + static_cast<std::ptrdiff_t>(kept.size()),
                keys_.begin() + static_cast<std::ptrdiff_t>(end));
    rowCount_ -= keys.size() - kept.size();
  }
  pageStart_ = position;
}

const Value& OdbcCursor::get(std::size_t column) const {
  requireColumn(column);
  switch (mode_) {
    case Mode::kAdding:
      return changes_[column] ? *changes_[column] : nullValue();
    case Mode::kOnAddedRow:
      return addedRow_[column];
    case Mode::kOnRow:
      break;
  }
  if (position_ >= rowCount_) failNoCurrentRow();
  return page_[position_ - pageStart_][column];
}

void OdbcCursor::set(std::size_t column, Value value) {
  requireColumn(column);
  requireUpdatable();
  switch (mode_) {
    case Mode::kAdding:
      changes_[column] = std::move(value);
      return;
    case Mode::kOnAddedRow:
      throw Failure(failure_number::kStatementFailed,
                    "A row just added cannot be changed before the recordset is reopened.");
    case Mode::kOnRow:
      break;
  }
  if (position_ >= rowCount_) failNoCurrentRow();
  std::vector<Value>& row = page_[position_ - pageStart_];
  const bool firstChange =
      std::none_of(changes_.begin(), changes_.end(), [](const auto& c) { return c.has_value(); });
  if (firstChange) {
    changes_.assign(shape_->columns.size(), std::nullopt);
    changedRowKey_ = shape_->identity ? row[*shape_->identity] : Value::null();
    changedRowChecksum_ = shape_->rowChecksum ? std::optional<Value>(row.back()) : std::nullopt;
  }
  changes_[column] = value;
  row[column] = std::move(value);
}

void OdbcCursor::addNew() {
  requireUpdatable();
  if (mode_ == Mode::kAdding) update();
  saveChanges();
  mode_ = Mode::kAdding;
  changes_.assign(shape_->columns.size(), std::nullopt);
}

void OdbcCursor::update() {
  if (mode_ == Mode::kOnRow) {
    saveChanges();
    return;
  }
  if (mode_ != Mode::kAdding) return;
  std::vector<std::optional<Value>> row = std::move(changes_);
  changes_.clear();
  mode_ = Mode::kOnAddedRow;
  addedRow_.clear();
  for (const std::optional<Value>& cell : row) addedRow_.push_back(cell ? *cell : Value::null());
  if (shape_->table.empty()) {
    throw Failure(failure_number::kStatementFailed,
                  "Insufficient base table information for updating or refreshing.");
  }
  link_->queueInsert(shape_, row);
}

void OdbcCursor::saveChanges() {
  if (mode_ != Mode::kOnRow ||
      std::none_of(changes_.begin(), changes_.end(), [](const auto& c) { return c.has_value(); }))
    return;
  std::vector<std::optional<Value>> changes = std::move(changes_);
  changes_.clear();
  if (shape_->table.empty() || !shape_->identity || changedRowKey_.isNull()) {
    throw Failure(failure_number::kStatementFailed,
                  "Insufficient key column information for updating or refreshing.");
  }
  link_->queueUpdate(shape_, changes, changedRowKey_, changedRowChecksum_);
}

void OdbcCursor::requireUpdatable() const {
  if (!updatable_) {
    throw Failure(failure_number::kStatementFailed,
                  "Current Recordset does not support updating. This may be a limitation of the "
                  "provider, or of the selected locktype.");
  }
}

void OdbcCursor::requireColumn(std::size_t column) const {
  if (column >= shape_->columns.size()) {
    throw Failure(failure_number::kStatementFailed,
                  "Item cannot be found in the collection corresponding to the requested name or "
                  "ordinal.");
  }
}

void OdbcCursor::failNoCurrentRow() {
  throw Failure(failure_number::kStatementFailed,
                "Either BOF or EOF is True, or the current record has been deleted. Requested "
                "operation requires a current record.");
}

}  // namespace velmora
