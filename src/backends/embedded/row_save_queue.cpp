#include "backends/embedded/row_save_queue.h"

#include <bit>

#include "backends/embedded/sqlite_connection.h"

namespace velmora {
namespace {

void appendField(std::string& key, char kind, const std::string& text) {
  key += kind;
  key += std::to_string(text.size());
  key += ':';
  key += text;
}

// A text that is equal for two saves exactly when their target, columns and
// values are equal (kinds included: the integer 1 and the text "1" differ).
std::string groupKey(const std::string& target, const std::vector<std::string>& columns,
                     const std::vector<Value>& values) {
  std::string key;
  appendField(key, 't', target);
  for (const std::string& column : columns) appendField(key, 'c', column);
  for (const Value& value : values) {
    switch (value.kind()) {
      case Value::Kind::kNull:
        appendField(key, 'n', {});
        break;
      case Value::Kind::kInteger:
        appendField(key, 'i', std::to_string(value.asInteger()));
        break;
      case Value::Kind::kDecimal:
        appendField(key, 'd', value.asDecimal().text);
        break;
      case Value::Kind::kReal:
        appendField(key, 'r', std::to_string(std::bit_cast<std::uint64_t>(value.asReal())));
        break;
      case Value::Kind::kText:
        appendField(key, 's', value.asText());
        break;
      case Value::Kind::kDateTime:
        appendField(key, 'm', value.asDateTime().toIso());
        break;
    }
  }
  return key;
}

}  // namespace

void RowSaveQueue::add(const std::string& target, const std::vector<std::string>& columns,
                       std::vector<Value> values, std::int64_t rowid) {
  if (auto found = queuedRows_.find(target); found != queuedRows_.end() && found->second.count(rowid)) send();
  std::string key = groupKey(target, columns, values);
  auto [entry, added] = groupIndex_.try_emplace(std::move(key), groups_.size());
  if (added) groups_.push_back(Group{target, columns, std::move(values), {}});
  groups_[entry->second].rowids.push_back(rowid);
  queuedRows_[target].insert(rowid);
  ++rows_;
}

void RowSaveQueue::send() {
  if (rows_ == 0) return;
  // Emptied first: the statements below start on the same connection, which
  // would otherwise send this queue again.
  std::vector<Group> groups = std::move(groups_);
  drop();
  for (const Group& group : groups) {
    std::string sql = "UPDATE " + group.target + " SET ";
    for (std::size_t i = 0; i < group.columns.size(); ++i) sql += (i ? "," : "") + group.columns[i] + "=?";
    sql += " WHERE rowid IN (";
    for (std::size_t i = 0; i < group.rowids.size(); ++i) sql += i ? ",?" : "?";
    sql += ")";
    SqliteStatement statement = connection_.prepare(sql);
    int index = 1;
    for (const Value& value : group.values) statement.bind(index++, value);
    for (std::int64_t rowid : group.rowids) statement.bindInteger(index++, rowid);
    statement.run();
  }
}

void RowSaveQueue::drop() {
  groups_.clear();
  groupIndex_.clear();
  queuedRows_.clear();
  rows_ = 0;
}

}  // namespace velmora
