#include "transfer/column_list.h"

#include <gtest/gtest.h>

#include "support/agent_harness.h"

namespace velmora {
namespace {

using sample::execSql;
using testing::AgentHarness;
using testing::TempFolder;

// The list as the steps splice it into their inserts, for tables of the
// branch's main database.
TEST(TableColumnList, ListsTheNonIdentityColumnsInTheirOrder) {
  TempFolder temp;
  AgentHarness harness(testing::defaultLayout(temp.path()));
  execSql(harness.branchMain(),
          "CREATE TABLE WITHID (Rno INTEGER PRIMARY KEY AUTOINCREMENT, Code INTEGER, Name TEXT, "
          "Active TEXT);"
          "CREATE TABLE NOID (Code INTEGER, Name TEXT, Active TEXT);"
          "CREATE TABLE ONECOL (X INTEGER);");
  const std::string database = harness.context().localMain.defaultDatabase();
  const struct {
    const char* table;
    const char* expected;
  } cases[] = {
      {"WITHID", "Code,Name,Active"},
      {"NOID", "Code,Name,Active"},
      {"ONECOL", "X"},
      {"NOSUCHTABLE", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TableColumnList(harness.context(), c.table, database), c.expected) << c.table;
  }
}

}  // namespace
}  // namespace velmora
