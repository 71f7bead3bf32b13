#include "transfer/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>

#include "support/child_process.h"
#include "transfer/conversions.h"

namespace velmora {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct ParseCase {
  const char* text;
  std::optional<double> expected;
};

class ParseNumberTextTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseNumberTextTest, ReadsOnlyWholeDecimalNumbers) {
  const ParseCase& c = GetParam();
  EXPECT_EQ(parseNumberText(c.text), c.expected) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseNumberTextTest,
    ::testing::Values(ParseCase{"12", 12}, ParseCase{"+5", 5}, ParseCase{"-7.25", -7.25},
                      ParseCase{".5", 0.5}, ParseCase{"5.", 5}, ParseCase{"1e3", 1000},
                      ParseCase{"2.5E-1", 0.25}, ParseCase{"1e400", kInf},
                      ParseCase{"-1e400", -kInf}, ParseCase{"1e-400", 0},
                      ParseCase{"0.0000e999", 0},
                      ParseCase{"", std::nullopt}, ParseCase{" 1", std::nullopt},
                      ParseCase{"1 ", std::nullopt}, ParseCase{"0x10", std::nullopt},
                      ParseCase{"inf", std::nullopt}, ParseCase{"nan", std::nullopt},
                      ParseCase{"12,5", std::nullopt}, ParseCase{"1e", std::nullopt},
                      ParseCase{"+", std::nullopt}, ParseCase{".", std::nullopt},
                      ParseCase{"--1", std::nullopt}, ParseCase{"1.2.3", std::nullopt}));

TEST(NumberText, FixedAndGeneralForms) {
  const struct {
    std::string actual;
    const char* expected;
  } cases[] = {
      {fixedNumberText(3.25, 2), "3.25"},      {fixedNumberText(10, 4), "10.0000"},
      {fixedNumberText(-0.001, 2), "0.00"},    {fixedNumberText(-1.5, 0), "-2"},
      {fixedNumberText(2.5, 0), "2"},          {generalNumberText(8080, 15), "8080"},
      {generalNumberText(1.5, 15), "1.5"},     {generalNumberText(1e20, 15), "1e+20"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected);
}

// Sets LC_NUMERIC for the life of the object and restores it afterwards.
class NumericLocale {
 public:
  explicit NumericLocale(const char* name) : saved_(std::setlocale(LC_NUMERIC, nullptr)) {
    active_ = std::setlocale(LC_NUMERIC, name) != nullptr;
  }
  ~NumericLocale() { std::setlocale(LC_NUMERIC, saved_.c_str()); }
  bool active() const { return active_; }

 private:
  std::string saved_;
  bool active_ = false;
};

// Compiles a locale whose decimal separator is a comma into a private folder,
// as the window's toolkit would adopt one from the user's settings.
std::filesystem::path commaLocaleFolder() {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / "velmora_locale_test";
  std::filesystem::create_directories(folder);
  const std::string command = "localedef -i de_DE -f UTF-8 '" + (folder / "de_DE.UTF-8").string() +
                              "' >/dev/null 2>&1";
  if (!std::filesystem::exists(folder / "de_DE.UTF-8")) std::system(command.c_str());
  return folder;
}

TEST(NumberText, CommaDecimalLocaleChangesNothing) {
  velmora::testing::setEnvironment("LOCPATH", commaLocaleFolder().string());
  NumericLocale locale("de_DE.UTF-8");
  velmora::testing::setEnvironment("LOCPATH", std::nullopt);
  ASSERT_TRUE(locale.active()) << "localedef could not build de_DE.UTF-8 (package locales)";
  // The C library itself now reads and writes with a comma.
  ASSERT_EQ(std::strtod("12.5", nullptr), 12.0);

  EXPECT_EQ(parseNumberText("12.5"), 12.5);
  EXPECT_EQ(readLeadingNumber(" 12.75 kg"), 12.75);
  EXPECT_EQ(fixedNumberText(3.25, 2), "3.25");
  EXPECT_EQ(generalNumberText(0.5, 15), "0.5");
  EXPECT_EQ(convertColumnValue(Conversion::kNumber, Value::decimal("10.50")), Value::real(10.5));
}

}  // namespace
}  // namespace velmora
