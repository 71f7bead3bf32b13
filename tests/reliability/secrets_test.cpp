// Secrets: no password reaches the headless output, the status report, an
// error row or any file the agent writes, and no connection string is printed
// whole, also when head offices cannot be reached and steps fail.
#include <gtest/gtest.h>

#include <fstream>

#include "reliability/agent_process.h"
#include "support/agent_run.h"

namespace velmora {
namespace {

using sample::querySql;
using testing::TempFolder;

constexpr const char* kLocalMarker = "Loc4lPw-7f3a9c";
constexpr const char* kHeadOfficeMarker = "HoPw-51be02d8";
constexpr const char* kUnreachableMarker = "FarPw-c0ffee11";
constexpr const char* kServerMarker = "SqlPw-9d7e3b21";

// Pieces of connection strings that must never be shown.
constexpr const char* kConnectionPieces[] = {"Provider=", "pwd=",          "password=",
                                             "PWD=",      "Persist Security", "UID=sa",
                                             "User ID="};

std::vector<std::string> secrets() {
  return {kLocalMarker, kHeadOfficeMarker, kUnreachableMarker, kServerMarker};
}

// Every file of `home` that is not a database or a settings file the test
// wrote: whatever the agent may have logged.
std::string otherFiles(const std::filesystem::path& home) {
  std::string text;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(home)) {
    if (!entry.is_regular_file()) continue;
    const std::string name = entry.path().filename().string();
    if (name == "jewellers.txt" || name.ends_with(".db") || name.ends_with(".db-wal") ||
        name.ends_with(".db-shm") || name.ends_with(".db-journal")) {
      continue;
    }
    text += reliability::readWholeFile(entry.path());
  }
  return text;
}

TEST(Secrets, NoPasswordOrConnectionStringInOutputErrorRowsOrFiles) {
  TempFolder temp;
  sample::CompanyLayout layout = testing::defaultLayout(temp.path() / "home", 7, true);
  layout.password = kLocalMarker;
  layout.headOffices[0].password = kHeadOfficeMarker;
  sample::HeadOfficeSpec unreachable;
  unreachable.serverName = "HO3";
  unreachable.companyPrefix = "HOC";
  unreachable.branchNo = 3;
  unreachable.reachable = false;
  unreachable.password = kUnreachableMarker;
  layout.headOffices.push_back(unreachable);
  // A head office that servers.txt does not name is a SQL Server reached
  // over ODBC; on this machine nothing listens for it, so it fails there.
  sample::HeadOfficeSpec server;
  server.serverName = "127.0.0.1";
  server.companyPrefix = "HOD";
  server.branchNo = 4;
  server.reachable = false;
  server.password = kServerMarker;
  layout.headOffices.push_back(server);
  sample::layOutCompany(layout);
  {
    // Drop the servers.txt line of 127.0.0.1, so that the ODBC backend has it.
    std::ifstream in(layout.home / "servers.txt");
    std::string kept, line;
    while (std::getline(in, line)) {
      if (line.find("127.0.0.1") == std::string::npos) kept += line + "\n";
    }
    in.close();
    std::ofstream(layout.home / "servers.txt", std::ios::trunc) << kept;
  }
  // A step that fails inside its transactions, and one that fails before.
  const auto branchMain = sample::branchDatabase(layout, sample::SiteDatabase::kMain);
  sample::execSql(branchMain, "UPDATE CUSTOMER SET Updated='not a date' WHERE "
                              "ifnull(Transfered,'')<>'Y'");
  sample::execSql(sample::headOfficeDatabase(layout, "HO1", sample::SiteDatabase::kMain),
                  "DROP TABLE PCOUNTER");

  std::string out, err;
  ASSERT_EQ(reliability::runAgent({"--home", layout.home.string(), "--headless", "--ticks", "2",
                                   "--interval-ms", "0"},
                                  "BR0012", temp.path(), out, err),
            0)
      << err;
  // The status report meets the same head offices and says why they failed.
  for (const char* json : {"", "--json"}) {
    std::vector<std::string> args{"--home", layout.home.string(), "--status"};
    if (*json != '\0') args.emplace_back(json);
    std::string statusOut, statusErr;
    EXPECT_EQ(reliability::runAgent(args, "BR0012", temp.path(), statusOut, statusErr), 3)
        << statusErr;
    EXPECT_NE(statusOut.find("127.0.0.1"), std::string::npos) << statusOut;
    out += statusOut;
    err += statusErr;
  }

  std::string rows;
  for (const auto& row : querySql(branchMain, "SELECT Module, MESSAGE FROM ERRTABLE")) {
    rows += row[0] + " " + row[1] + "\n";
  }
  for (const auto& row : querySql(sample::headOfficeDatabase(layout, "HO1",
                                                             sample::SiteDatabase::kMain),
                                  "SELECT Module, MESSAGE FROM ERRTABLE")) {
    rows += row[0] + " " + row[1] + "\n";
  }
  // The run did meet the failures it is meant to report.
  EXPECT_NE(rows.find("CONNECTION HO3-"), std::string::npos) << rows;
  EXPECT_NE(rows.find("CONNECTION 127.0.0.1-"), std::string::npos) << rows;
  EXPECT_NE(rows.find("CUSTOMERMASTERDOWNLOAD"), std::string::npos) << rows;
  EXPECT_NE(rows.find("MAINERROR"), std::string::npos) << rows;
  EXPECT_NE(out.find("CONNECTION"), std::string::npos) << out;

  const std::string files = otherFiles(layout.home);
  for (const std::string& secret : secrets()) {
    EXPECT_EQ(out.find(secret), std::string::npos) << "stdout shows " << secret << "\n" << out;
    EXPECT_EQ(err.find(secret), std::string::npos) << "stderr shows " << secret << "\n" << err;
    EXPECT_EQ(rows.find(secret), std::string::npos) << "error rows show " << secret << "\n" << rows;
    EXPECT_EQ(files.find(secret), std::string::npos) << "a file shows " << secret;
  }
  for (const char* piece : kConnectionPieces) {
    EXPECT_EQ(out.find(piece), std::string::npos) << piece << "\n" << out;
    EXPECT_EQ(err.find(piece), std::string::npos) << piece << "\n" << err;
    EXPECT_EQ(rows.find(piece), std::string::npos) << piece << "\n" << rows;
  }
}

// A start-up that cannot open the local databases says why without the
// local password or its connection string.
TEST(Secrets, StartupFailureShowsNoPassword) {
  TempFolder temp;
  sample::CompanyLayout layout = testing::defaultLayout(temp.path() / "home", 7, false);
  layout.password = kLocalMarker;
  sample::layOutCompany(layout);
  std::filesystem::remove(sample::branchDatabase(layout, sample::SiteDatabase::kYear));
  std::string out, err;
  EXPECT_EQ(reliability::runAgent({"--home", layout.home.string(), "--headless", "--ticks", "1"},
                                  "BR0012", temp.path(), out, err),
            1);
  EXPECT_FALSE(err.empty());
  for (const std::string& text : {out, err}) {
    EXPECT_EQ(text.find(kLocalMarker), std::string::npos) << text;
    for (const char* piece : kConnectionPieces) EXPECT_EQ(text.find(piece), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace velmora
