#include "support/scripted_connector.h"

#include "transfer/connection_string.h"

namespace velmora::testing {
namespace {

class ScriptedCursor : public Cursor {
 public:
  explicit ScriptedCursor(ScriptedRows rows) : rows_(std::move(rows)) {}
  std::size_t columnCount() const override { return rows_.columns.size(); }
  const std::string& columnName(std::size_t c) const override { return rows_.columns.at(c); }
  bool bof() const override { return rows_.rows.empty(); }
  bool eof() const override { return position_ >= rows_.rows.size(); }
  void moveFirst() override { position_ = 0; }
  void moveNext() override { ++position_; }
  const Value& get(std::size_t c) const override { return rows_.rows.at(position_).at(c); }
  void set(std::size_t c, Value v) override { rows_.rows.at(position_).at(c) = std::move(v); }
  void addNew() override {
    rows_.rows.emplace_back(rows_.columns.size());
    position_ = rows_.rows.size() - 1;
  }
  void update() override {}

 private:
  ScriptedRows rows_;
  std::size_t position_ = 0;
};

}  // namespace

class ScriptedSession : public Session {
 public:
  ScriptedSession(ScriptedConnector& owner, std::string database)
      : owner_(owner), database_(std::move(database)) {}
  void setCommandTimeout(int) override {}
  void execute(const std::string& sql) override {
    owner_.log.entries.push_back(database_ + ": " + sql);
    check(database_ + ": " + sql);
  }
  void beginTransaction() override {
    owner_.log.entries.push_back(database_ + ": BEGIN");
    check(database_ + ": BEGIN");
    open_ = true;
  }
  void commit() override {
    owner_.log.entries.push_back(database_ + ": COMMIT");
    check(database_ + ": COMMIT");
    open_ = false;
  }
  void rollback() override {
    owner_.log.entries.push_back(database_ + ": ROLLBACK");
    if (!open_) {
      throw Failure(failure_number::kStatementFailed,
                    "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION.");
    }
    open_ = false;
  }
  std::string currentDatabase() override { return database_; }
  std::unique_ptr<Cursor> openCursor(const std::string& sql, CursorType, LockType,
                                     CursorLocation) override {
    owner_.log.entries.push_back(database_ + "? " + sql);
    check(database_ + "? " + sql);
    for (auto& [fragment, rows] : owner_.answers_) {
      if (sql.find(fragment) != std::string::npos) return std::make_unique<ScriptedCursor>(rows);
    }
    return std::make_unique<ScriptedCursor>(ScriptedRows{});
  }

 private:
  void check(const std::string& sql) {
    for (auto& [fragment, failure] : owner_.failures_) {
      if (sql.find(fragment) != std::string::npos) throw failure;
    }
  }
  ScriptedConnector& owner_;
  std::string database_;
  bool open_ = false;
};

std::unique_ptr<Session> ScriptedConnector::connect(const std::string& connectionString, int) {
  log.connectionStrings.push_back(connectionString);
  for (auto& [fragment, failure] : refusals_) {
    if (connectionString.find(fragment) != std::string::npos) throw failure;
  }
  return std::make_unique<ScriptedSession>(*this, parseConnectionString(connectionString).database);
}

bool ScriptedLog::contains(const std::string& fragment) const { return count(fragment) > 0; }

std::size_t ScriptedLog::count(const std::string& fragment) const {
  std::size_t n = 0;
  for (const std::string& e : entries) n += e.find(fragment) != std::string::npos ? 1 : 0;
  return n;
}

}  // namespace velmora::testing
