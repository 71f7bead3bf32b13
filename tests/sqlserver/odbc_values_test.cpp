#include "backends/sqlserver/odbc_values.h"

#include <gtest/gtest.h>

#include <cstring>

namespace velmora {
namespace {

struct DecimalCase {
  const char* driverText;
  std::optional<std::string> canonical;
};

class CanonicalDecimalTest : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(CanonicalDecimalTest, NormalisesTheDriversNumberText) {
  EXPECT_EQ(canonicalDecimal(GetParam().driverText), GetParam().canonical) << GetParam().driverText;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CanonicalDecimalTest,
    ::testing::Values(DecimalCase{"12.3400", "12.3400"},  // money keeps its scale
                      DecimalCase{"-12.50", "-12.50"},
                      DecimalCase{".5", "0.5"},
                      DecimalCase{"-.5", "-0.5"},
                      DecimalCase{"+7", "7"},
                      DecimalCase{"007.10", "7.10"},
                      DecimalCase{"  42  ", "42"},
                      DecimalCase{"-0.00", "0.00"},
                      DecimalCase{"5.", "5"},
                      DecimalCase{"1e-05", std::nullopt},
                      DecimalCase{"", std::nullopt},
                      DecimalCase{"-", std::nullopt},
                      DecimalCase{"1,5", std::nullopt}));

// The type a batch of values travels as depends on the values and the target
// column only, not on which kinds of number happen to share a batch.
struct ParameterCase {
  const char* name;
  std::vector<std::optional<Value>> values;
  SQLSMALLINT target;
  SQLSMALLINT expectedSqlType;
  std::vector<std::string> expectedTexts;  // for text parameters: the texts sent
};

void PrintTo(const ParameterCase& c, std::ostream* os) { *os << c.name; }

class ParameterTypeTest : public ::testing::TestWithParam<ParameterCase> {};

TEST_P(ParameterTypeTest, ChoosesOneTypeForTheBatch) {
  const ParameterCase& c = GetParam();
  ColumnInfo target;
  target.sqlType = c.target;
  target.size = 50;
  const ParameterArrays arrays({c.values}, {target}, c.values.size());
  const ParameterColumn& column = arrays.column(0);
  EXPECT_EQ(column.sqlType, c.expectedSqlType) << c.name;
  for (std::size_t r = 0; r < c.expectedTexts.size(); ++r) {
    // Texts go as UTF-8, or as UTF-16 where the driver manager would turn
    // narrow text into the ANSI code page (Windows).
    ASSERT_TRUE(column.cType == SQL_C_CHAR || column.cType == SQL_C_WCHAR) << c.name;
    const char* cell = column.data.data() + r * static_cast<std::size_t>(column.elementSize);
    const auto bytes = static_cast<std::size_t>(column.indicators[r]);
    std::string text;
    if (column.cType == SQL_C_CHAR) {
      text.assign(cell, bytes);
    } else {
      for (std::size_t at = 0; at < bytes; at += sizeof(SQLWCHAR)) {
        SQLWCHAR unit = 0;
        std::memcpy(&unit, cell + at, sizeof unit);
        text += unit < 0x80 ? static_cast<char>(unit) : '?';
      }
    }
    EXPECT_EQ(text, c.expectedTexts[r]) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Batches, ParameterTypeTest,
    ::testing::Values(
        ParameterCase{"integers", {Value::integer(5), Value::integer(7)}, SQL_INTEGER, SQL_INTEGER, {}},
        ParameterCase{"reals", {Value::real(0.5), Value::real(2.25)}, SQL_DECIMAL, SQL_DOUBLE, {}},
        ParameterCase{"whole and fractional", {Value::integer(5), Value::real(0.0001)}, SQL_DECIMAL,
                      SQL_DOUBLE, {}},
        ParameterCase{"whole and fractional to int", {Value::integer(5), Value::real(12.5)}, SQL_INTEGER,
                      SQL_DOUBLE, {}},
        ParameterCase{"integers and decimals", {Value::integer(5), Value::decimal("1.25")}, SQL_DECIMAL,
                      SQL_DECIMAL, {"5", "1.25"}},
        ParameterCase{"reals to a text column", {Value::real(1234.5678), Value::real(0.0001)}, SQL_VARCHAR,
                      SQL_VARCHAR, {"1234.5678", "0.0001"}},
        ParameterCase{"reals and texts", {Value::real(0.0001), Value::text("x")}, SQL_VARCHAR, SQL_VARCHAR,
                      {"0.0001", "x"}},
        ParameterCase{"nulls only", {std::nullopt, Value()}, SQL_INTEGER, SQL_INTEGER, {}}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return n;
    });

}  // namespace
}  // namespace velmora
