#include "transfer/conversions.h"

#include <gtest/gtest.h>

#include "transfer/failure.h"

namespace velmora {
namespace {

struct NumberCase {
  const char* text;
  double expected;
};

class ReadLeadingNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ReadLeadingNumberTest, ReadsTheLeadingNumber) {
  EXPECT_DOUBLE_EQ(readLeadingNumber(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, ReadLeadingNumberTest,
                         ::testing::Values(NumberCase{"12A", 12}, NumberCase{"", 0},
                                           NumberCase{"abc", 0}, NumberCase{"  42  ", 42},
                                           NumberCase{"1 2 3", 123}, NumberCase{"-7.25x", -7.25},
                                           NumberCase{"3.14.15", 3.14}, NumberCase{"+5", 5},
                                           NumberCase{"1e3", 1000}, NumberCase{"12e", 12},
                                           NumberCase{"--5", 0}, NumberCase{".5", 0.5},
                                           NumberCase{"12-3", 12}));

struct ConversionCase {
  const char* name;
  Conversion conversion;
  Value source;
  std::optional<Value> expected;  // nullopt: not assigned
};

class ConvertColumnValueTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(ConvertColumnValueTest, ConvertsAsTheMapSays) {
  const ConversionCase& c = GetParam();
  EXPECT_EQ(convertColumnValue(c.conversion, c.source), c.expected) << c.name;
}

DateTime date(int y, int m, int d, int hh = 0, int mm = 0) {
  DateTime t;
  t.year = y;
  t.month = m;
  t.day = d;
  t.hour = hh;
  t.minute = mm;
  return t;
}

INSTANTIATE_TEST_SUITE_P(
    Conversions, ConvertColumnValueTest,
    ::testing::Values(
        ConversionCase{"text of null", Conversion::kText, Value(), Value::text("")},
        ConversionCase{"text keeps blanks", Conversion::kText, Value::text(" a "), Value::text(" a ")},
        ConversionCase{"text of integer", Conversion::kText, Value::integer(57), Value::text("57")},
        ConversionCase{"trimmed text", Conversion::kTrimmedText, Value::text("  Ravi "), Value::text("Ravi")},
        ConversionCase{"trimmed null", Conversion::kTrimmedText, Value(), Value::text("")},
        ConversionCase{"number 12A", Conversion::kNumber, Value::text("12A"), Value::integer(12)},
        ConversionCase{"number null", Conversion::kNumber, Value(), Value::integer(0)},
        ConversionCase{"number fraction", Conversion::kNumber, Value::text("2.5"), Value::real(2.5)},
        ConversionCase{"number of decimal", Conversion::kNumber, Value::decimal("10.50"), Value::real(10.5)},
        ConversionCase{"number null fails given value", Conversion::kNumberNullFails, Value::text("3"), Value::integer(3)},
        ConversionCase{"as is null", Conversion::kAsIs, Value(), Value()},
        ConversionCase{"as is keeps type", Conversion::kAsIs, Value::decimal("1.25"), Value::decimal("1.25")},
        ConversionCase{"date of datetime", Conversion::kDate, Value::dateTime(date(2020, 3, 7, 14, 30)), Value::text("07/Mar/2020")},
        ConversionCase{"date of iso text", Conversion::kDate, Value::text("2019-11-07"), Value::text("07/Nov/2019")},
        ConversionCase{"date of null stays null", Conversion::kDate, Value(), Value()},
        ConversionCase{"date if present blank", Conversion::kDateIfPresent, Value::text("   "), std::nullopt},
        ConversionCase{"date if present null", Conversion::kDateIfPresent, Value(), std::nullopt},
        ConversionCase{"date if present", Conversion::kDateIfPresent, Value::text("07/Mar/2020"), Value::text("07/Mar/2020")},
        ConversionCase{"text if present empty", Conversion::kTextIfPresent, Value::text(""), std::nullopt},
        ConversionCase{"text if present", Conversion::kTextIfPresent, Value::text("1:07 PM "), Value::text("1:07 PM ")},
        ConversionCase{"value if present blank", Conversion::kValueIfPresent, Value::text(" "), std::nullopt},
        ConversionCase{"value if present keeps value", Conversion::kValueIfPresent, Value::dateTime(date(2020, 1, 2)), Value::dateTime(date(2020, 1, 2))},
        ConversionCase{"blank ignores source", Conversion::kBlank, Value::text("Y"), Value::text("")}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& c : n) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return n;
    });

TEST(ConvertColumnValue, NullFailsWithAnAgentNumber) {
  try {
    convertColumnValue(Conversion::kNumberNullFails, Value());
    FAIL() << "a null source must fail";
  } catch (const Failure& f) {
    EXPECT_NE(f.number(), failure_number::kLinkFailure);
    EXPECT_GT(f.number(), 0);
    EXPECT_FALSE(f.description().empty());
  }
}

TEST(ConvertColumnValue, TextThatIsNoDateFailsTheDateConversions) {
  for (Conversion c : {Conversion::kDate, Conversion::kDateIfPresent}) {
    EXPECT_THROW(convertColumnValue(c, Value::text("31/Feb/2020")), Failure);
    EXPECT_THROW(convertColumnValue(c, Value::text("soon")), Failure);
  }
}

}  // namespace
}  // namespace velmora
