// Whole ticks over a sample company: the driver, the central connection and
// the three families together.
#include <gtest/gtest.h>

#include "support/agent_run.h"

namespace velmora {
namespace {

using sample::countRows;
using sample::execSql;
using sample::querySql;
using testing::AgentRun;
using testing::TempFolder;

sample::CompanyLayout twoHeadOffices(const std::filesystem::path& home, bool secondReachable) {
  sample::CompanyLayout layout = testing::defaultLayout(home);
  sample::HeadOfficeSpec second;
  second.serverName = "HO2";
  second.companyPrefix = "HOB";
  second.branchNo = 2;
  second.reachable = secondReachable;
  // The unreachable one comes first, so the next is served after it fails.
  layout.headOffices.insert(layout.headOffices.begin(), second);
  return layout;
}

std::filesystem::path file(const sample::CompanyLayout& l, std::string_view server,
                           std::string_view db) {
  return sample::databaseFile(l, server, db);
}

TEST(Tick, UnreachableHeadOfficeWritesOneConnectionRowPerTickAndTheNextIsServed) {
  TempFolder temp;
  sample::CompanyLayout layout = twoHeadOffices(temp.path(), false);
  sample::layOutCompany(layout);
  execSql(file(layout, "HO1", "HOAMAIN"), "INSERT INTO BANKMASTER (code, de) VALUES (1, '')");
  AgentRun agent(layout.home, "BR0012");
  agent.ticks(2);
  const auto main = file(layout, "BRANCH", "VELMAIN");
  EXPECT_EQ(countRows(main, "ERRTABLE", "Module='CONNECTION' AND MESSAGE LIKE 'HO2-%'"), 2);
  EXPECT_EQ(countRows(main, "ERRTABLE", "Module<>'CONNECTION'"), 0);
  EXPECT_EQ(countRows(main, "BANKMASTER", "code=1"), 1);
  EXPECT_EQ(agent.view.refreshes, 2);
  EXPECT_EQ(agent.view.errorRows.size(), 2u);
}

TEST(Tick, SalaryFailureDoesNotStopVehicleSalary) {
  TempFolder temp;
  sample::CompanyLayout layout = testing::defaultLayout(temp.path());
  sample::layOutCompany(layout);
  const auto ho = file(layout, "HO1", "HOAMAIN");
  const auto main = file(layout, "BRANCH", "VELMAIN");
  execSql(ho, "INSERT INTO SALARYMASTER (cuscode, de) VALUES (1, '')");
  execSql(ho, "INSERT INTO VEHSALARYMASTER (cuscode, de) VALUES (2, '')");
  execSql(main, "ALTER TABLE SALARYMASTER ADD COLUMN OnlyAtBranch INTEGER");
  AgentRun agent(layout.home, "0012");
  agent.tick();
  EXPECT_EQ(countRows(main, "ERRTABLE", "Module='SALARYMASTERUPLOAD' AND MESSAGE LIKE '1-%'"), 1);
  EXPECT_EQ(countRows(main, "VEHSALARYMASTER", "cuscode=2"), 1);
  EXPECT_EQ(agent.view.statuses.back(), "RELAX.............................");
}

TEST(Tick, MissingBranchTableSkipsTheRestOfThatHeadOffice) {
  TempFolder temp;
  sample::CompanyLayout layout = testing::defaultLayout(temp.path());
  sample::layOutCompany(layout);
  const auto ho = file(layout, "HO1", "HOAMAIN");
  const auto main = file(layout, "BRANCH", "VELMAIN");
  execSql(main, "INSERT INTO CASHCOUNTER (CashCountercode, Active) VALUES ('C1', '')");
  execSql(ho, "DROP TABLE CATEGORY");
  execSql(ho, "INSERT INTO DEPARTMENT (DEPARTMENTcode, Active) VALUES (1, '')");
  AgentRun agent(layout.home, "0012");
  agent.tick();
  auto rows = querySql(main, "SELECT Module, MESSAGE FROM ERRTABLE");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "MAINERROR");
  EXPECT_NE(rows[0][1].find("CATEGORY"), std::string::npos) << rows[0][1];
  EXPECT_EQ(rows[0][1].rfind("1-", 0), 0u);
  // Step 2 ran before the failure at step 3; step 7 never ran.
  EXPECT_EQ(countRows(ho, "CASHCOUNTER", "CashCountercode='C1'"), 1);
  EXPECT_EQ(countRows(main, "DEPARTMENT"), 0);
  EXPECT_EQ(agent.view.statuses.back(), " Processing CATEGORY DOWNLOAD ");
}

TEST(Tick, DownloadedOperatorAndMaterialRowsStayPut) {
  TempFolder temp;
  sample::CompanyLayout layout = testing::defaultLayout(temp.path());
  layout.companyPrefix = "ZEMRA";  // lets the material upload run
  sample::layOutCompany(layout);
  const auto ho = file(layout, "HO1", "HOAMAIN");
  const auto main = file(layout, "BRANCH", "ZEMRAMAIN");
  execSql(ho, "INSERT INTO OPERATOR (Oper_Code, OperName, de, BR1, BR2) VALUES (77, 'Ravi', '', 'Y', 'Y')");
  execSql(ho, "INSERT INTO METERIAL (METERIALCODE, METERIALNAME, de, BR1) VALUES (88, 'Bolt', '', 'Y')");
  AgentRun agent(layout.home, "0012");
  agent.ticks(3);
  EXPECT_EQ(countRows(main, "OPERATOR", "Oper_Code=77 AND Transfered='Y'"), 1);
  EXPECT_EQ(countRows(main, "METERIAL", "METERIALCODE=88 AND Transfered='Y'"), 1);
  // The head office's rows were not bounced back: their other flags survive.
  EXPECT_EQ(countRows(ho, "OPERATOR", "Oper_Code=77"), 1);
  EXPECT_EQ(countRows(ho, "OPERATOR", "Oper_Code=77 AND BR1='Y' AND BR2='Y' AND BR7='Y'"), 1);
  EXPECT_EQ(countRows(ho, "METERIAL", "METERIALCODE=88 AND BR1='Y' AND BR7='Y'"), 1);
  EXPECT_EQ(countRows(main, "ERRTABLE"), 0);
}

TEST(Tick, TwoTicksBringEveryMasterRowOfTwoHeadOffices) {
  TempFolder temp;
  sample::CompanyLayout layout = twoHeadOffices(temp.path(), true);
  layout.sampleRows = true;
  sample::layOutCompany(layout);
  AgentRun agent(layout.home, "0012");
  agent.ticks(2);
  const auto main = file(layout, "BRANCH", "VELMAIN");
  EXPECT_EQ(countRows(main, "ERRTABLE"), 0)
      << (querySql(main, "SELECT Module, MESSAGE FROM ERRTABLE").empty()
              ? ""
              : querySql(main, "SELECT Module, MESSAGE FROM ERRTABLE")[0][1]);
  for (const char* server : {"HO1", "HO2"}) {
    const auto ho = file(layout, server, std::string(server) == "HO1" ? "HOAMAIN" : "HOBMAIN");
    for (const char* table : {"BANKMASTER", "CATEGORY", "CUSTOMER", "SECURITYMAST", "Product",
                              "VEHSALARYMASTER", "VEHICLEMASTER"}) {
      EXPECT_EQ(countRows(ho, table, "ifnull(BR7,'')<>'Y'"), 0) << server << " " << table;
    }
  }
}

}  // namespace
}  // namespace velmora
