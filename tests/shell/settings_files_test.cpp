#include "shell/settings_files.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/agent_harness.h"
#include "transfer/failure.h"

namespace velmora::shell {
namespace {

using velmora::testing::TempFolder;

void writeFile(const std::filesystem::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary);
  out << text;
}

struct YearDateCase {
  const char* text;
  bool valid;
  int year, month, day;
};

class YearDateTest : public ::testing::TestWithParam<YearDateCase> {};

TEST_P(YearDateTest, ReadsDayFirstForms) {
  const YearDateCase& c = GetParam();
  auto date = parseYearDate(c.text);
  ASSERT_EQ(date.has_value(), c.valid) << c.text;
  if (!c.valid) return;
  EXPECT_EQ(date->year, c.year) << c.text;
  EXPECT_EQ(date->month, c.month) << c.text;
  EXPECT_EQ(date->day, c.day) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Forms, YearDateTest, ::testing::Values(
    YearDateCase{"01/04/2019",   true,  2019, 4, 1},
    YearDateCase{"31/03/2020",   true,  2020, 3, 31},
    YearDateCase{"1/4/2019",     true,  2019, 4, 1},
    YearDateCase{"01/Apr/2019",  true,  2019, 4, 1},
    YearDateCase{"31/MAR/2020",  true,  2020, 3, 31},
    YearDateCase{"2026-04-01",   true,  2026, 4, 1},
    YearDateCase{"  01/04/2019 ", true, 2019, 4, 1},
    YearDateCase{"29/02/2020",   true,  2020, 2, 29},
    YearDateCase{"29/02/2019",   false, 0, 0, 0},
    YearDateCase{"04/31/2019",   false, 0, 0, 0},   // day first: month 31
    YearDateCase{"01/Avr/2019",  false, 0, 0, 0},
    YearDateCase{"01/04/19",     false, 0, 0, 0},
    YearDateCase{"",             false, 0, 0, 0},
    YearDateCase{"April 2019",   false, 0, 0, 0},
    YearDateCase{"01/04/2019x",  false, 0, 0, 0}));

struct ValueCase {
  const char* line;
  const char* value;
};

class SettingValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(SettingValueTest, StartsAtTheThirteenthCharacter) {
  EXPECT_EQ(settingValue(GetParam().line), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Lines, SettingValueTest, ::testing::Values(
    ValueCase{"Company    :ABC", "ABC"},
    ValueCase{"Company    : ABC", " ABC"},
    ValueCase{"Password   :", ""},
    ValueCase{"123456789012", ""},
    ValueCase{"1234567890123", "3"},
    ValueCase{"COMPA\xC3\x91\xC3\x8D""A   :ZEMRA", "ZEMRA"},  // UTF-8: twelve characters, fourteen bytes
    ValueCase{"COMPA\xD1\xCD""A   :ZEMRA", "ZEMRA"},          // a single-byte code page
    ValueCase{"", ""}),
    [](const ::testing::TestParamInfo<ValueCase>& info) { return "line" + std::to_string(info.index); });

TEST(SettingsFiles, LinesLoseBlanksAndTheirCarriageReturn) {
  TempFolder folder;
  writeFile(folder.path() / "jewellers.txt", "  Company    : ABC  \r\nServer     : SRV\r\n\r\nlast");
  auto lines = readSettingsLines(folder.path() / "jewellers.txt");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Company    : ABC");
  EXPECT_EQ(lines[1], "Server     : SRV");
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[3], "last");
  EXPECT_EQ(settingValueOfLine(lines, 1), " ABC");
  EXPECT_EQ(settingValueOfLine(lines, 13), "");
}

TEST(SettingsFiles, AByteOrderMarkIsNotPartOfTheFirstLine) {
  TempFolder folder;
  writeFile(folder.path() / "jewellers.txt", "\xEF\xBB\xBF""Company    :ZEMRA\r\n");
  auto lines = readSettingsLines(folder.path() / "jewellers.txt");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(settingValueOfLine(lines, 1), "ZEMRA");
}

TEST(SettingsFiles, FindsAFileWhateverTheCaseOfItsName) {
  TempFolder folder;
  writeFile(folder.path() / "JEWELLERS.TXT", "x");
  auto found = findFileIgnoringCase(folder.path(), "jewellers.txt");
  ASSERT_TRUE(found.has_value());
  // The name as written on a case-sensitive file system; on Windows the
  // name asked for opens the same file.
  EXPECT_TRUE(std::filesystem::equivalent(*found, folder.path() / "JEWELLERS.TXT"));
  EXPECT_FALSE(findFileIgnoringCase(folder.path(), "year.txt").has_value());
  EXPECT_FALSE(findFileIgnoringCase(folder.path() / "absent", "year.txt").has_value());
}

TEST(SettingsFiles, AFolderNamedLikeTheFileIsNotTheFile) {
  TempFolder folder;
  std::filesystem::create_directory(folder.path() / "Year.txt");
  EXPECT_FALSE(findFileIgnoringCase(folder.path(), "year.txt").has_value());
}

TEST(SettingsFiles, AnUnreadableFileFails) {
  TempFolder folder;
  EXPECT_THROW(readSettingsLines(folder.path() / "missing.txt"), Failure);
}

}  // namespace
}  // namespace velmora::shell
