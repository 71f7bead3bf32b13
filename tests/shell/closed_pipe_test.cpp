// A reader of the progress lines that goes away must not kill the agent in
// the middle of a tick. (SIGPIPE is POSIX's; the pipe is closed by a shell.)
#ifndef _WIN32
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "sample_company.h"
#include "support/agent_harness.h"

namespace velmora::shell {
namespace {

TEST(AgentProgram, AClosedOutputPipeDoesNotStopTheTicks) {
  velmora::testing::TempFolder home;
  sample::CompanyLayout layout = sample::defaultLayout(home.path());
  layout.sampleRows = false;
  sample::layOutCompany(layout);
  const std::string command = "bash -c \"QVID=BR0012 '" + std::string(VELMORA_AGENT_BINARY) +
                              "' --headless --ticks 2 --interval-ms 0 --home '" +
                              home.path().string() +
                              "' 2>/dev/null | head -c 1 >/dev/null; exit \\${PIPESTATUS[0]}\"";
  const int raw = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 0);
}

}  // namespace
}  // namespace velmora::shell
#endif
