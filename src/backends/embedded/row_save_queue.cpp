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

RowSaveQueue::RowSaveQueue(SqliteConnection& connection) : connection_(connection) {}

RowSaveQueue::~RowSaveQueue() = default;

void RowSaveQueue::add(const std::string& target, const std::vector<std::string>& columns,
                       std::vector<Value> values, std::int64_t rowid) {
  std::unordered_set<std::int64_t>& queued = queuedRows_[target];
  if (queued.count(rowid)) {
    send();
    add(target, columns, std::move(values), rowid);
    return;
  }
  // Most rows change what the row before them changed: no key is needed then.
  Group* group = groups_.empty() ? nullptr : &groups_.back();
  if (group == nullptr || group->target != target || group->columns != columns || group->values != values) {
    auto [entry, added] = groupIndex_.try_emplace(groupKey(target, columns, values), groups_.size());
    if (added) groups_.push_back(Group{target, columns, std::move(values), {}});
    group = &groups_[entry->second];
  }
  group->rowids.push_back(rowid);
  queued.insert(rowid);
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
    SqliteStatement& statement = statementFor(sql);
    int index = 1;
    for (const Value& value : group.values) statement.bindUnowned(index++, value);
    for (std::int64_t rowid : group.rowids) statement.bindInteger(index++, rowid);
    try {
      statement.run();
    } catch (...) {
      statement.clearBindings();
      throw;
    }
    statement.clearBindings();  // the group's texts go with it
  }
}

SqliteStatement& RowSaveQueue::statementFor(const std::string& sql) {
  auto found = statements_.find(sql);
  if (found != statements_.end()) return *found->second;
  if (statements_.size() >= kKeptStatements) statements_.clear();
  auto statement = std::make_unique<SqliteStatement>(connection_.prepare(sql));
  return *statements_.emplace(sql, std::move(statement)).first->second;
}

void RowSaveQueue::drop() {
  groups_.clear();
  groupIndex_.clear();
  queuedRows_.clear();
  rows_ = 0;
}

}  // namespace velmora
