#include "shell/headless_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <fstream>
#include <sstream>
#include <thread>

#include "sample_company.h"
#include "support/agent_harness.h"
#include "support/child_process.h"

namespace velmora::shell {
namespace {

using velmora::testing::TempFolder;

TEST(HeadlessView, CaptionLinesAreJoinedOnOneLine) {
  EXPECT_EQ(oneLineCaption("HEAD OFFICE(1)\r\nHO1\r\nHOA\r\n\r\n\r\n Connection Verify  Success."),
            "HEAD OFFICE(1) | HO1 | HOA | Connection Verify  Success.");
  EXPECT_EQ(oneLineCaption(""), "");
}

TEST(HeadlessView, PrintsEachErrorRowOnceOldestFirst) {
  std::ostringstream out, err;
  HeadlessView view(out, err);
  ErrorDisplayRow older{"1:07PM", "CONNECTION", "HO3-cannot open", "07/Nov/2019", 4};
  ErrorDisplayRow newer{"1:08PM", "MAINERROR", "1-overflow", "07/Nov/2019", 5};
  view.showErrorRows({older});
  view.tickEnded(1);
  view.showErrorRows({newer, older});
  view.tickEnded(2);
  const std::string text = out.str();
  EXPECT_EQ(text,
            "error: 07/Nov/2019 1:07PM  CONNECTION  HO3-cannot open\n"
            "tick 1: 0 steps moved 0 rows, 1 error row\n"
            "error: 07/Nov/2019 1:08PM  MAINERROR  1-overflow\n"
            "tick 2: 0 steps moved 0 rows, 1 error row\n");
}

// Texts from the databases cannot forge a line or reach the terminal as
// control sequences.
TEST(HeadlessView, RowDataReachesTheTerminalWithItsControlCharactersVisible) {
  std::ostringstream out, err;
  HeadlessView view(out, err);
  const std::string forged = "x\r\ntick 9: 0 steps moved 0 rows, 0 error rows\r\n\x1b[2J";
  view.showServerCaption("HO" + forged + "(1)\r\nHO1\r\n Connection Verify ");
  view.showErrorRows({{"1:07PM", "MAINERROR", "1-" + forged, "07/Nov/2019", 4}});
  view.reportUnloggedFailure(Failure(failure_number::kStatementFailed, forged));
  for (const std::string& text : {out.str(), err.str()}) {
    EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
    EXPECT_EQ(text.find('\r'), std::string::npos) << text;
    EXPECT_EQ(text.find("\ntick 9"), std::string::npos) << text;
  }
  EXPECT_NE(out.str().find("1-x\\x0D\\x0Atick 9"), std::string::npos) << out.str();
}

TEST(HeadlessView, CountsTheStepsThatMovedRows) {
  std::ostringstream out, err;
  HeadlessView view(out, err);
  view.showServerCaption("HEAD OFFICE HO1(1)\r\nHO1\r\nHOA\r\n\r\n\r\n Connection Verify ");
  view.stepMoved("BANKMASTER", "download", 0);
  view.stepMoved("DPURCHASE", "upload", 12);
  view.stepMoved("INDENT", "download", 1);
  view.tickEnded(3);
  EXPECT_NE(out.str().find("  HEAD OFFICE HO1(1)  DPURCHASE upload: 12 rows\n"), std::string::npos);
  EXPECT_NE(out.str().find("  HEAD OFFICE HO1(1)  INDENT download: 1 row\n"), std::string::npos);
  EXPECT_EQ(out.str().find("BANKMASTER"), std::string::npos);
  EXPECT_NE(out.str().find("tick 3: 2 steps moved 13 rows, 0 error rows\n"), std::string::npos);
}

TEST(HeadlessView, UnchangedServerCaptionIsNotRepeated) {
  std::ostringstream out, err;
  HeadlessView view(out, err);
  view.showServerCaption("A(1)\r\n Connection Verify ");
  view.showServerCaption("A(1)\r\n Connection Verify ");
  view.showServerCaption("A(1)\r\n Connection Verify  Success.");
  EXPECT_EQ(out.str(), "server: A(1) | Connection Verify\nserver: A(1) | Connection Verify  Success.\n");
}

// --- The agent program ------------------------------------------------------

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

std::string readAll(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string lastLine(const std::string& text) {
  std::string trimmed = text;
  while (!trimmed.empty() && trimmed.back() == '\n') trimmed.pop_back();
  return trimmed.substr(trimmed.rfind('\n') == std::string::npos ? 0 : trimmed.rfind('\n') + 1);
}

// The words of a command line; '...' quotes a word holding blanks.
std::vector<std::string> splitArguments(const std::string& arguments) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, inWord = false;
  for (char c : arguments) {
    if (c == '\'') {
      quoted = !quoted;
      inWord = true;
    } else if (c == ' ' && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

// Runs the agent with `arguments` and QVID set to `qvid` (unset when empty).
RunResult runAgent(const std::string& arguments, const std::string& qvid) {
  TempFolder output;
  const auto outFile = output.path() / "out.txt";
  const auto errFile = output.path() / "err.txt";
  RunResult result;
  {
    velmora::testing::ChildProcess agent(
        VELMORA_AGENT_BINARY, splitArguments(arguments),
        {{"QVID", qvid.empty() ? std::nullopt : std::optional<std::string>(qvid)}}, outFile,
        errFile);
    result.status = agent.wait();
  }
  result.out = readAll(outFile);
  result.err = readAll(errFile);
  return result;
}

class AgentProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    layout_ = sample::defaultLayout(home_.path());
    layout_.sampleRows = false;
    sample::layOutCompany(layout_);
  }
  std::string home() const { return "--home '" + home_.path().string() + "'"; }

  TempFolder home_;
  sample::CompanyLayout layout_;
};

TEST_F(AgentProgramTest, RunsTheGivenTicksAndExitsZero) {
  RunResult run = runAgent("--headless --ticks 2 --interval-ms 0 " + home(), "BR0012");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("[VEL BRANCH 7]"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("server: HEAD OFFICE HO1(1) | HO1 | HOA | Connection Verify  Success."),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("step: Processing BANKMASTER DOWNLOAD"), std::string::npos);
  EXPECT_NE(run.out.find("  CONNECTION  HO3-"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("tick 2: "), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("tick 3: "), std::string::npos) << run.out;
}

// servers.txt naming its folders by absolute paths as the system writes them
// (on Windows with a drive letter and backslashes), with CR LF line ends,
// and --home given the same way.
TEST_F(AgentProgramTest, AbsoluteNativePathsInServersFileAndHome) {
  std::filesystem::path home = home_.path();
  home.make_preferred();
  {
    std::ofstream servers(home / "servers.txt", std::ios::binary | std::ios::trunc);
    for (const char* name : {"BRANCH", "HO1"}) {
      servers << name << " = " << (home / (name == std::string("BRANCH") ? "branch" : "ho1")).string()
              << "\r\n";
    }
  }
  RunResult run = runAgent("--headless --ticks 1 --interval-ms 0 --home '" + home.string() + "'",
                           "BR0012");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("| HO1 | HOA | Connection Verify  Success."), std::string::npos) << run.out;
}

TEST_F(AgentProgramTest, NeverPrintsAPasswordOrAConnectionString) {
  RunResult run = runAgent("--headless --ticks 1 --interval-ms 0 " + home(), "BR0012");
  ASSERT_EQ(run.status, 0) << run.err;
  for (const std::string& secret : {layout_.password, layout_.headOffices[0].password,
                                    std::string("Provider="), std::string("pwd=")}) {
    EXPECT_EQ(run.out.find(secret), std::string::npos) << secret;
    EXPECT_EQ(run.err.find(secret), std::string::npos) << secret;
  }
}

// Error rows that an earlier run wrote today are not this run's: they are
// neither printed nor counted.
TEST_F(AgentProgramTest, PrintsOnlyTheErrorRowsOfThisRun) {
  std::time_t now = std::time(nullptr);
  char today[32];
  std::strftime(today, sizeof today, "%d/%b/%Y", std::localtime(&now));
  sample::execSql(sample::branchDatabase(layout_, sample::SiteDatabase::kMain),
                  std::string("INSERT INTO ERRTABLE (Module,MESSAGE,UPDATED,UPTIME) VALUES "
                              "('MAINERROR','1-from an earlier run','") +
                      today + "','1:00:00 AM')");
  RunResult run = runAgent("--headless --ticks 1 --interval-ms 0 " + home(), "BR0012");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.find("from an earlier run"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("  CONNECTION  HO3-"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("tick 1: "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(", 1 error row\n"), std::string::npos) << run.out;
}

// QVID is checked before any settings file, servers.txt included.
TEST_F(AgentProgramTest, InvalidQvidComesBeforeABadServersFile) {
  std::ofstream(home_.path() / "servers.txt", std::ios::app) << "this line names no directory\n";
  RunResult run = runAgent("--headless " + home(), "");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(lastLine(run.err), "Invalid QVID");
}

struct StartupFailureCase {
  const char* qvid;
  const char* removeFile;  // relative to the program folder, or nullptr
  const char* lastLineContains;
};

class AgentStartupFailureTest : public AgentProgramTest,
                                public ::testing::WithParamInterface<StartupFailureCase> {};

TEST_P(AgentStartupFailureTest, PrintsTheMessageLastAndExitsOne) {
  if (GetParam().removeFile != nullptr) std::filesystem::remove(home_.path() / GetParam().removeFile);
  RunResult run = runAgent("--headless --ticks 1 --interval-ms 0 " + home(), GetParam().qvid);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(lastLine(run.err).find(GetParam().lastLineContains), std::string::npos) << run.err;
  EXPECT_EQ(run.out.find("tick "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Messages, AgentStartupFailureTest, ::testing::Values(
    StartupFailureCase{"",        nullptr,          "Invalid QVID"},
    StartupFailureCase{"    ",    nullptr,          "Invalid QVID"},
    StartupFailureCase{"BR0;12",  nullptr,          "Invalid QVID"},
    StartupFailureCase{"BR0012",  "jewellers.txt",  "jewellers.txt"},
    StartupFailureCase{"BR0012",  "year.txt",       "year.txt"}));

TEST_F(AgentProgramTest, InvalidQvidIsTheWholeLastLine) {
  RunResult run = runAgent("--headless " + home(), "");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(lastLine(run.err), "Invalid QVID");
}

TEST_F(AgentProgramTest, InvalidBranchCodeIsTheWholeLastLine) {
  sample::execSql(sample::branchDatabase(layout_, sample::SiteDatabase::kMain),
                  "UPDATE ParamControl SET ParamLONG=0 WHERE ParamCode='DEFAULTBRANCHCODE'");
  RunResult run = runAgent("--headless " + home(), "BR0012");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(lastLine(run.err), "INVALID DEFAULTBRANCHCODE");
}

// SIGTERM on POSIX, Ctrl+C on Windows: the agent waiting for its next
// tick ends at once with status 0.
TEST_F(AgentProgramTest, StopsWhenAskedBetweenTicks) {
  TempFolder output;
  const auto outFile = output.path() / "out.txt";
  velmora::testing::ChildProcess agent(
      VELMORA_AGENT_BINARY,
      {"--headless", "--interval-ms", "600000", "--home", home_.path().string()},
      {{"QVID", "BR0012"}}, outFile, output.path() / "err.txt");
  // Wait for the start-up lines, then ask it to stop.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (readAll(outFile).find("a tick every 600000 ms") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_NE(readAll(outFile).find("a tick every 600000 ms"), std::string::npos) << readAll(outFile);
  agent.askToStop();
  EXPECT_EQ(agent.waitFor(60000), std::optional<int>(0)) << "still running, or ended otherwise";
  EXPECT_EQ(readAll(outFile).find("tick 1:"), std::string::npos);
}

struct OptionCase {
  const char* arguments;
  int status;
  const char* outContains;
  const char* errContains;
};

class AgentOptionTest : public ::testing::TestWithParam<OptionCase> {};

TEST_P(AgentOptionTest, AnswersAsDocumented) {
  RunResult run = runAgent(GetParam().arguments, "BR0012");
  EXPECT_EQ(run.status, GetParam().status) << run.out << run.err;
  EXPECT_NE(run.out.find(GetParam().outContains), std::string::npos) << run.out;
  EXPECT_NE(run.err.find(GetParam().errContains), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Options, AgentOptionTest, ::testing::Values(
    OptionCase{"--help",              0, "Usage: velmora-agent [--home DIR]", ""},
    OptionCase{"--version",           0, "velmora-agent 1.0.0", ""},
    OptionCase{"--frobnicate",        2, "", "unknown argument"},
    OptionCase{"--headless --ticks",  2, "", "--ticks needs a value"},
    OptionCase{"--headless --ticks x", 2, "", "--ticks takes a whole number"},
    OptionCase{"--headless --interval-ms -5", 2, "", "--interval-ms takes a whole number"},
    OptionCase{"--headless=no",       2, "", "--headless takes no value"}));

}  // namespace
}  // namespace velmora::shell
