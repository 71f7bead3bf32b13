#include "cycle/error_display.h"
#include "transfer/error_log.h"

#include <gtest/gtest.h>

#include "sample_company.h"
#include "support/agent_harness.h"

namespace velmora {
namespace {

class SettableClock : public Clock {
 public:
  DateTime now() const override { return when; }
  DateTime when{2019, 11, 7, 13, 7, 0, 0};
};

struct TimeCase {
  int hour, minute, second;
  const char* text;
};

class ErrorTimeTest : public ::testing::TestWithParam<TimeCase> {};

TEST_P(ErrorTimeTest, TwelveHourClockWithoutLeadingZero) {
  DateTime when{2020, 3, 31, GetParam().hour, GetParam().minute, GetParam().second, 0};
  EXPECT_EQ(errorTimeText(when), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Times, ErrorTimeTest, ::testing::Values(
    TimeCase{13, 7,  0,  "1:07:00 PM"},
    TimeCase{0,  5,  9,  "12:05:09 AM"},
    TimeCase{12, 0,  0,  "12:00:00 PM"},
    TimeCase{9,  30, 45, "9:30:45 AM"},
    TimeCase{11, 59, 59, "11:59:59 AM"},
    TimeCase{23, 59, 59, "11:59:59 PM"}));

TEST(ErrorLog, InsertStatementIsExactAndDoublesQuotes) {
  EXPECT_EQ(errorRowInsert("MAINERROR", "7", "Invalid object name 'dbo.X'.",
                           DateTime{2019, 11, 7, 13, 7, 0, 0}),
            "INSERT INTO ERRTABLE (Module,MESSAGE,UPDATED,UPTIME) VALUES('MAINERROR',"
            "'7-Invalid object name ''dbo.X''.','07/Nov/2019','1:07:00 PM')");
  EXPECT_EQ(errorRowInsert("CONNECTION", "O'HARA", "x", DateTime{2020, 1, 5, 0, 0, 1, 0}),
            "INSERT INTO ERRTABLE (Module,MESSAGE,UPDATED,UPTIME) VALUES('CONNECTION',"
            "'O''HARA-x','05/Jan/2020','12:00:01 AM')");
}

struct MessageCase {
  const char* name;
  std::string description;
  std::string expected;  // the whole MESSAGE
};

// MESSAGE takes any description: control characters made visible, cut to
// what the column holds at a whole character, with a marker.
TEST(ErrorLog, MessageTakesAnyDescription) {
  const std::string marker(kCutMarker);
  // "7-" + 3991 letters + four two-byte letters: the cut (at 3994 bytes, to
  // leave room for the marker) falls inside the first of them.
  const std::string accents = std::string(3991, 'a') + "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9";
  const std::vector<MessageCase> cases = {
      {"NUL", std::string("soon\0later", 10), "7-soon\\x00later"},
      {"controls", "a\tb\r\n\x1b[2J\x7f", "7-a\\x09b\\x0D\\x0A\\x1B[2J\\x7F"},
      {"fits", std::string(3998, 'y'), "7-" + std::string(3998, 'y')},
      {"long", std::string(5000, 'x'), "7-" + std::string(3998 - marker.size(), 'x') + marker},
      {"cut inside a character", accents, "7-" + std::string(3991, 'a') + marker},
  };
  for (const MessageCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string message = errorMessage("7", c.description);
    EXPECT_EQ(message, c.expected);
    EXPECT_LE(message.size(), kErrorMessageLimit);
  }
  // The quotes of a cut message are still doubled in the statement.
  const std::string insert =
      errorRowInsert("X", "7", std::string(5000, '\''), DateTime{2019, 11, 7, 13, 7, 0, 0});
  EXPECT_NE(insert.find("'7-''''"), std::string::npos);
  EXPECT_NE(insert.find(marker + "','07/Nov/2019'"), std::string::npos);
}

TEST(ErrorLog, DisplayQueryIsExact) {
  EXPECT_EQ(errorDisplayQuery(DateTime{2019, 11, 7, 23, 0, 0, 0}),
            "Select LTrim(Right(CONVERT(VARCHAR(20), UpTime, 100),7)) UpTime,Module,Message,"
            "Updated,Rno from ErrTable with (nolock) where Updated='07/Nov/2019' order by Rno desc");
}

class EmbeddedErrorLogTest : public ::testing::Test {
 protected:
  EmbeddedErrorLogTest()
      : harness_(velmora::testing::defaultLayout(home_.path(), 7, false)),
        clock_(std::make_shared<SettableClock>()) {
    harness_.context().clock = clock_;
  }

  velmora::testing::TempFolder home_;
  velmora::testing::AgentHarness harness_;
  std::shared_ptr<SettableClock> clock_;
};

TEST_F(EmbeddedErrorLogTest, QuotesInADescriptionRoundTrip) {
  const std::string description = "Invalid column name 'BR7'. Can't continue; it''s \"odd\"";
  writeErrorRow(harness_.context().localMain, "INDENTUPLOAD", "7", description, *clock_);
  auto rows = harness_.branchErrorRows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "INDENTUPLOAD");
  EXPECT_EQ(rows[0][1], "7-" + description);
}

TEST_F(EmbeddedErrorLogTest, DisplayShowsTodaysRowsNewestFirst) {
  Connection& local = harness_.context().localMain;
  clock_->when = DateTime{2019, 11, 6, 23, 59, 0, 0};
  writeErrorRow(local, "MAINERROR", "1", "yesterday", *clock_);
  clock_->when = DateTime{2019, 11, 7, 13, 7, 0, 0};
  writeErrorRow(local, "MAINERROR", "1", "first", *clock_);
  writeErrorRow(local, "CONNECTION", "HO1", "second", *clock_);
  clock_->when = DateTime{2019, 11, 7, 0, 5, 0, 0};
  writeErrorRow(local, "INDENTUPLOAD", "7", "third", *clock_);
  clock_->when = DateTime{2019, 11, 7, 18, 0, 0, 0};

  velmora::testing::RecordingView view;
  refreshErrorDisplay(harness_.context(), view);
  ASSERT_EQ(view.refreshes, 1);
  ASSERT_EQ(view.errorRows.size(), 3u);
  EXPECT_EQ(view.errorRows[0].message, "7-third");
  EXPECT_EQ(view.errorRows[1].message, "HO1-second");
  EXPECT_EQ(view.errorRows[2].message, "1-first");
  EXPECT_GT(view.errorRows[0].rno, view.errorRows[1].rno);
  EXPECT_GT(view.errorRows[1].rno, view.errorRows[2].rno);
  EXPECT_EQ(view.errorRows[0].module, "INDENTUPLOAD");
  EXPECT_EQ(view.errorRows[0].upTime, "12:05AM");
  EXPECT_EQ(view.errorRows[2].upTime, "1:07PM");
  EXPECT_EQ(view.errorRows[2].updated, "07/Nov/2019");
}

TEST_F(EmbeddedErrorLogTest, AFailingDisplayQueryEscapes) {
  sample::execSql(harness_.branchMain(), "DROP TABLE ERRTABLE");
  velmora::testing::RecordingView view;
  EXPECT_THROW(refreshErrorDisplay(harness_.context(), view), Failure);
  EXPECT_EQ(view.refreshes, 0);
}

}  // namespace
}  // namespace velmora
