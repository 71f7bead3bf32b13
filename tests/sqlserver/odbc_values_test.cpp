#include "backends/sqlserver/odbc_values.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace velmora
