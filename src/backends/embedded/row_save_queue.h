// Row saves of the updatable table cursors of one connection, held back and
// sent as set-based statements: every saved row whose table, changed columns
// and new values are the same as another's goes into the same
// "UPDATE t SET c=?,... WHERE rowid IN (?,...)". A transfer step stamps each
// source row with the same flag and, within a second, the same date and time
// texts, so a batch of stamps costs a statement or two instead of one row
// rewrite per row. Rows whose values differ (a number given to each row)
// form groups of their own; no value is ever shared between rows that did
// not have it.
//
// The connection sends the queue before any other statement starts on it,
// before it commits, and once the queue holds kBatchRows rows; it drops the
// queue when it rolls back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "transfer/value.h"

namespace velmora {

class SqliteConnection;
class SqliteStatement;

class RowSaveQueue {
 public:
  // Rows held back before the queue is sent.
  static constexpr std::size_t kBatchRows = 1000;

  explicit RowSaveQueue(SqliteConnection& connection);
  ~RowSaveQueue();
  RowSaveQueue(const RowSaveQueue&) = delete;
  RowSaveQueue& operator=(const RowSaveQueue&) = delete;

  bool empty() const { return rows_ == 0; }
  std::size_t rows() const { return rows_; }

  // Queues the change of row `rowid` of `target` (a quoted "schema"."table"):
  // columns[i] (quoted names) = values[i]. A row already queued is sent first,
  // so that its saves reach the table in the order they were made. Throws
  // what that sending throws.
  void add(const std::string& target, const std::vector<std::string>& columns, std::vector<Value> values,
           std::int64_t rowid);
  // Sends the queued saves, one statement per group, in the order each group
  // was first queued. The queue is empty afterwards whether or not a
  // statement failed. Throws Failure for the first statement that fails
  // (SQLite undoes that whole statement).
  void send();
  // Forgets the queued saves (their transaction is being rolled back).
  void drop();

 private:
  // Prepared statements kept for reuse: a batch of stamps whose rows all
  // share their values sends the same text every time.
  static constexpr std::size_t kKeptStatements = 8;

  struct Group {
    std::string target;
    std::vector<std::string> columns;
    std::vector<Value> values;
    std::vector<std::int64_t> rowids;
  };

  // The prepared statement for `sql`, kept for the next batch.
  SqliteStatement& statementFor(const std::string& sql);

  SqliteConnection& connection_;
  std::map<std::string, std::unique_ptr<SqliteStatement>> statements_;
  std::vector<Group> groups_;
  std::unordered_map<std::string, std::size_t> groupIndex_;                    // group key -> groups_ index
  std::unordered_map<std::string, std::unordered_set<std::int64_t>> queuedRows_;  // target -> rowids
  std::size_t rows_ = 0;
};

}  // namespace velmora
