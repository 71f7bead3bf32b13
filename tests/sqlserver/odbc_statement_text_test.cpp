#include "backends/sqlserver/odbc_statement_text.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

struct BaseTableCase {
  const char* sql;
  std::optional<std::string> table;
  bool allColumns;
};

class SelectBaseTableTest : public ::testing::TestWithParam<BaseTableCase> {};

TEST_P(SelectBaseTableTest, FindsTheOneTableASelectReads) {
  EXPECT_EQ(selectBaseTable(GetParam().sql), GetParam().table) << GetParam().sql;
  EXPECT_EQ(selectsAllColumns(GetParam().sql), GetParam().allColumns) << GetParam().sql;
}

INSTANTIATE_TEST_SUITE_P(
    Statements, SelectBaseTableTest,
    ::testing::Values(
        BaseTableCase{"Select * From CUSTOMER Where isnull(Transfered,'')<>'Y' ", "CUSTOMER", true},
        BaseTableCase{"Select top 1000 * From INVENTORYTRANS Where isnull(Transfered,'')<>'Y' ",
                      "INVENTORYTRANS", false},
        BaseTableCase{"Select * from CentralizedData0012 ", "CentralizedData0012", true},
        BaseTableCase{"select * from [My Table] with (nolock) where a='from x, y'", "[My Table]", true},
        BaseTableCase{"Select * From Dbo.T", "Dbo.T", true},
        BaseTableCase{"Select a,(select max(b) from U) m From T Where c=1", "T", false},
        BaseTableCase{"Select * From T A, U B Where A.x=B.x", std::nullopt, true},
        BaseTableCase{"Select * From T A join U B on A.x=B.x", std::nullopt, true},
        BaseTableCase{"Update T set a=1", std::nullopt, false},
        BaseTableCase{"Select 1", std::nullopt, false}));

TEST(OdbcStatementTextTest, QuotesIdentifiers) {
  EXPECT_EQ(quoteIdentifier("Name"), "[Name]");
  EXPECT_EQ(quoteIdentifier("a]b"), "[a]]b]");
}

TEST(OdbcStatementTextTest, BuildsInsertUpdateAndKeyedSelect) {
  EXPECT_EQ(insertStatement("CentralizedData0012", {"Code", "Name"}),
            "INSERT INTO CentralizedData0012 ([Code],[Name]) VALUES (?,?)");
  EXPECT_EQ(updateStatement("T", {"Transfered", "TransferedDate"}, "Rno"),
            "UPDATE T SET [Transfered]=?,[TransferedDate]=? WHERE [Rno]=?");
  EXPECT_EQ(selectByKeysStatement("T", "Rno", {3, 1, 2}), "SELECT * FROM T WHERE [Rno] IN (3,1,2)");
}

TEST(OdbcStatementTextTest, OptimisticSavesCarryTheRowChecksum) {
  EXPECT_EQ(updateStatement("T", {"Transfered"}, "Rno", {"Rno", "Transfered", "Notes"}),
            "UPDATE T SET [Transfered]=? WHERE [Rno]=? AND BINARY_CHECKSUM([Rno],[Transfered],[Notes])=?");
  const std::vector<std::string> columns = {"Rno", "Name"};
  EXPECT_EQ(withRowChecksum("Select * From T Where isnull(Transfered,'')<>'Y' ", columns),
            "Select *,BINARY_CHECKSUM([Rno],[Name]) From T Where isnull(Transfered,'')<>'Y' ");
  EXPECT_EQ(withRowChecksum("Select top 1000 * From INVENTORYTRANS Where x=1", columns),
            "Select top 1000 *,BINARY_CHECKSUM([Rno],[Name]) From INVENTORYTRANS Where x=1");
  EXPECT_EQ(withRowChecksum("Select Rno From T", columns), std::nullopt);
  EXPECT_EQ(withRowChecksum("Select count(*) From T", columns), std::nullopt);
}

}  // namespace
}  // namespace velmora
