#include "shell/servers_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/agent_harness.h"
#include "transfer/failure.h"

namespace velmora::shell {
namespace {

TEST(ServersFile, ReadsServersCommentsAndOdbcKeys) {
  const std::filesystem::path home = "/opt/velmora";
  ServersFile file = parseServersFile(
      "# embedded servers\n"
      "\n"
      "BRANCHSRV = servers/branch\r\n"
      "  HO1=/var/lib/ho1   # the head office\n"
      "odbc-driver = ODBC Driver 18 for SQL Server\n"
      "ODBC-Encrypt = yes\n",
      home);
  ASSERT_EQ(file.servers.size(), 2u);
  EXPECT_EQ(file.servers[0].name, "BRANCHSRV");
  EXPECT_EQ(file.servers[0].directory, home / "servers/branch");
  EXPECT_EQ(file.servers[1].name, "HO1");
  EXPECT_EQ(file.servers[1].directory, std::filesystem::path("/var/lib/ho1"));
  ASSERT_TRUE(file.odbcDriver.has_value());
  EXPECT_EQ(*file.odbcDriver, "ODBC Driver 18 for SQL Server");
  ASSERT_TRUE(file.odbcEncrypt.has_value());
  EXPECT_TRUE(*file.odbcEncrypt);
}

TEST(ServersFile, NoOptionsWithoutTheirKeys) {
  ServersFile file = parseServersFile("A = a\n", "/home");
  EXPECT_FALSE(file.odbcDriver.has_value());
  EXPECT_FALSE(file.odbcEncrypt.has_value());
}

class ServersFileErrorTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ServersFileErrorTest, NamesTheLine) {
  try {
    parseServersFile(std::string("# first\n") + GetParam(), "/home");
    FAIL() << "accepted: " << GetParam();
  } catch (const Failure& failure) {
    EXPECT_NE(failure.description().find("servers.txt line 2"), std::string::npos)
        << failure.description();
  }
}

INSTANTIATE_TEST_SUITE_P(Lines, ServersFileErrorTest, ::testing::Values(
    "HO1 /var/ho1\n",
    "= /var/ho1\n",
    "HO1 =\n",
    "odbc-encrypt = maybe\n",
    "odbc_driver = FreeTDS\n",
    "ODBC Encrypt = yes\n",
    "H;O = /var/ho1\n",
    "192.168.10.20,1433 = /var/ho1\n"));

TEST(ServersFile, AServerOrAnOptionNamedTwiceIsRefused) {
  EXPECT_THROW(parseServersFile("HO1 = a\nho1 = b\n", "/home"), Failure);
  EXPECT_THROW(parseServersFile("odbc-driver = a\nodbc-driver = b\n", "/home"), Failure);
  EXPECT_THROW(parseServersFile("odbc-encrypt = no\nodbc-encrypt = yes\n", "/home"), Failure);
}

TEST(ServersFile, AByteOrderMarkAtTheStartIsIgnored) {
  ServersFile file = parseServersFile("\xEF\xBB\xBFHO1 = a\n", "/home");
  ASSERT_EQ(file.servers.size(), 1u);
  EXPECT_EQ(file.servers[0].name, "HO1");
}

TEST(ServersFile, AnAbsentFileGivesNothing) {
  velmora::testing::TempFolder folder;
  ServersFile file = readServersFile(folder.path());
  EXPECT_TRUE(file.servers.empty());
  EXPECT_FALSE(file.odbcDriver.has_value());
}

TEST(ServersFile, TheFileIsFoundWhateverTheCaseOfItsName) {
  velmora::testing::TempFolder folder;
  std::ofstream(folder.path() / "Servers.TXT") << "BR = data\n";
  ServersFile file = readServersFile(folder.path());
  ASSERT_EQ(file.servers.size(), 1u);
  EXPECT_EQ(file.servers[0].directory, folder.path() / "data");
}

}  // namespace
}  // namespace velmora::shell
