#include "transfer/value.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

struct ParseCase {
  const char* text;
  bool valid;
  const char* iso;
};

class DateTimeParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(DateTimeParseTest, ReadsTheAcceptedForms) {
  auto parsed = DateTime::parse(GetParam().text);
  ASSERT_EQ(parsed.has_value(), GetParam().valid) << GetParam().text;
  if (parsed) {
    EXPECT_EQ(parsed->toIso(), GetParam().iso);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, DateTimeParseTest,
    ::testing::Values(ParseCase{"2019-04-01", true, "2019-04-01 00:00:00"},
                      ParseCase{"2019-04-01 13:05:09", true, "2019-04-01 13:05:09"},
                      ParseCase{"2019-04-01T13:05", true, "2019-04-01 13:05:00"},
                      ParseCase{"2019-04-01 13:05:09.120", true, "2019-04-01 13:05:09.120"},
                      ParseCase{"01/Apr/2019", true, "2019-04-01 00:00:00"},
                      ParseCase{"01/APR/2019", true, "2019-04-01 00:00:00"},
                      ParseCase{"01/04/2019", true, "2019-04-01 00:00:00"},
                      ParseCase{"31/03/2020", true, "2020-03-31 00:00:00"},
                      ParseCase{"07/Mar/2020 1:07:00 PM", true, "2020-03-07 13:07:00"},
                      ParseCase{"29/02/2019", false, ""}, ParseCase{"2020-13-01", false, ""},
                      ParseCase{"", false, ""}, ParseCase{"abc", false, ""},
                      ParseCase{"01/Foo/2019", false, ""}, ParseCase{"2019-04-01 25:00", false, ""}));

TEST(Value, TextForms) {
  EXPECT_EQ(Value().toText(), "");
  EXPECT_EQ(Value::integer(-3).toText(), "-3");
  EXPECT_EQ(Value::decimal("12.3400").toText(), "12.3400");
  EXPECT_EQ(Value::real(0.1).toText(), "0.1");
  EXPECT_EQ(Value::text("it's").toText(), "it's");
}

TEST(Value, FormatsDayMonthYear) {
  DateTime d;
  d.year = 2019;
  d.month = 11;
  d.day = 7;
  EXPECT_EQ(formatDayMonthYear(d), "07/Nov/2019");
}

TEST(Value, IntegerOrFallback) {
  EXPECT_EQ(Value::integer(5).asIntegerOr(-1), 5);
  EXPECT_EQ(Value::text("17").asIntegerOr(-1), 17);
  EXPECT_EQ(Value::text("x").asIntegerOr(-1), -1);
  EXPECT_EQ(Value().asIntegerOr(-1), -1);
}

}  // namespace
}  // namespace velmora
