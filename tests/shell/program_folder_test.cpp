#include "shell/program_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velmora::shell {
namespace {

// The tests are built beside the agent. The folder comes from the system,
// not from argv[0], which names no folder when the program is found on PATH.
TEST(ProgramFolder, IsTheFolderOfTheRunningExecutable) {
  const std::filesystem::path expected = std::filesystem::path(VELMORA_AGENT_BINARY).parent_path();
  EXPECT_TRUE(std::filesystem::equivalent(programFolder("elsewhere/velmora_tests"), expected));
}

}  // namespace
}  // namespace velmora::shell
