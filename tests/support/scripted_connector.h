// A connector whose sessions record every statement and answer queries from
// a script: tests of statement texts and control flow without a database.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transfer/db_access.h"

namespace velmora::testing {

struct ScriptedLog {
  // "<database>: <statement>" for executes, "<database>? <query>" for cursors,
  // "<database>: BEGIN|COMMIT|ROLLBACK" for transactions.
  std::vector<std::string> entries;
  std::vector<std::string> connectionStrings;
  bool contains(const std::string& fragment) const;
  std::size_t count(const std::string& fragment) const;
};

struct ScriptedRows {
  std::vector<std::string> columns;
  std::vector<std::vector<Value>> rows;
};

class ScriptedConnector : public Connector {
 public:
  std::unique_ptr<Session> connect(const std::string& connectionString, int timeoutSeconds) override;

  // Answers for queries containing a fragment (first match wins); others
  // return no rows.
  void answer(std::string fragment, ScriptedRows rows) { answers_.emplace_back(std::move(fragment), std::move(rows)); }
  // Statements containing a fragment throw this failure.
  void fail(std::string fragment, Failure failure) { failures_.emplace_back(std::move(fragment), std::move(failure)); }
  // Connection strings containing a fragment fail to open.
  void refuse(std::string fragment, Failure failure) { refusals_.emplace_back(std::move(fragment), std::move(failure)); }

  ScriptedLog log;

 private:
  friend class ScriptedSession;
  std::vector<std::pair<std::string, ScriptedRows>> answers_;
  std::vector<std::pair<std::string, Failure>> failures_;
  std::vector<std::pair<std::string, Failure>> refusals_;
};

}  // namespace velmora::testing
