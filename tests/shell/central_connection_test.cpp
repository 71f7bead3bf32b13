#include "shell/central_connection.h"

#include <gtest/gtest.h>

#include "sample_company.h"
#include "shell/backend_router.h"
#include "support/agent_harness.h"
#include "support/scripted_connector.h"
#include "transfer/failure.h"

namespace velmora::shell {
namespace {

using velmora::testing::ScriptedConnector;

class FixedClock : public Clock {
 public:
  DateTime now() const override { return {2019, 11, 7, 13, 7, 0, 0}; }
};

CentralArguments arguments(std::string server, bool byAddress) {
  CentralArguments args;
  args.user = "sa";
  args.password = "hoPass";
  args.mainDatabase = "HOAMAIN";
  args.server = std::move(server);
  args.port = "0";
  args.byAddress = byAddress;
  return args;
}

struct StringCase {
  CentralArguments args;
  const char* database;
  const char* expected;
};

class CentralStringTest : public ::testing::TestWithParam<StringCase> {};

TEST_P(CentralStringTest, IsExact) {
  EXPECT_EQ(centralConnectionString(GetParam().args, GetParam().database), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Forms, CentralStringTest, ::testing::Values(
    StringCase{arguments("192.168.10.20", true), "HOAMAIN",
               "Provider=SQLOLEDB.1;UID=sa;pwd=hoPass;Persist Security Info=False;"
               "Initial Catalog=HOAMAIN;Data Source=192.168.10.20,0"},
    StringCase{arguments("HO1", false), "HOAMAIN",
               "Provider=SQLOLEDB.1;UID=sa;pwd=hoPass;Persist Security Info=False;"
               "Initial Catalog=HOAMAIN;Data Source=HO1"},
    StringCase{CentralArguments{" sa ", " p W ", "x", " HO1 ", "0", false}, " HOA1920 ",
               "Provider=SQLOLEDB.1;UID=sa;pwd= p W ;Persist Security Info=False;"
               "Initial Catalog=HOA1920;Data Source=HO1"},
    StringCase{CentralArguments{"sa", "", "x", " 10.1.1.100 ", "1433", true}, "HOAMAIN",
               "Provider=SQLOLEDB.1;UID=sa;pwd=;Persist Security Info=False;"
               "Initial Catalog=HOAMAIN;Data Source=10.1.1.100,1433"}));

struct PortCase {
  const char* port;
  const char* number;
};

class PortTest : public ::testing::TestWithParam<PortCase> {};

TEST_P(PortTest, IsWrittenAsANumber) {
  EXPECT_EQ(centralPortNumber(GetParam().port), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(Ports, PortTest, ::testing::Values(
    PortCase{"0", "0"}, PortCase{"", "0"}, PortCase{" 01433", "1433"}, PortCase{"x", "0"}));

// Over a scripted connector.
class ScriptedCentralTest : public ::testing::Test {
 protected:
  ScriptedCentralTest()
      : connector_(std::make_shared<ScriptedConnector>()),
        context_(connector_, std::make_shared<FixedClock>()) {
    context_.localMain.open(
        "Provider=SQLOLEDB.1;password=x;Persist Security Info=true;User ID=sa;"
        "Initial Catalog=VELMAIN;Data Source=BRANCH");
    context_.cycle.centralYearDatabase = "HOA1920";
    connector_->log.connectionStrings.clear();
  }

  std::shared_ptr<ScriptedConnector> connector_;
  AgentContext context_;
};

TEST_F(ScriptedCentralTest, OpensBothDatabasesAndRaisesTheirTimeouts) {
  connectCentral(context_, arguments("192.168.10.20", true));
  EXPECT_TRUE(context_.cycle.centralConnected);
  ASSERT_EQ(connector_->log.connectionStrings.size(), 2u);
  EXPECT_EQ(connector_->log.connectionStrings[0],
            "Provider=SQLOLEDB.1;UID=sa;pwd=hoPass;Persist Security Info=False;"
            "Initial Catalog=HOAMAIN;Data Source=192.168.10.20,0");
  EXPECT_EQ(connector_->log.connectionStrings[1],
            "Provider=SQLOLEDB.1;UID=sa;pwd=hoPass;Persist Security Info=False;"
            "Initial Catalog=HOA1920;Data Source=192.168.10.20,0");
  for (Connection* c : {context_.centralMain.get(), &context_.centralYear}) {
    EXPECT_TRUE(c->isOpen());
    EXPECT_EQ(c->commandTimeout(), 720);
    EXPECT_EQ(c->cursorLocation(), CursorLocation::kClient);
  }
  EXPECT_FALSE(connector_->log.contains("ERRTABLE"));
}

TEST_F(ScriptedCentralTest, ReopensAYearConnectionLeftOpen) {
  connectCentral(context_, arguments("HO1", false));
  context_.centralMain = std::make_unique<Connection>(context_.connector);
  context_.cycle.centralYearDatabase = "HOB1920";
  connectCentral(context_, arguments("HO2", false));
  EXPECT_TRUE(context_.cycle.centralConnected);
  EXPECT_EQ(context_.centralYear.session().currentDatabase(), "HOB1920");
}

TEST_F(ScriptedCentralTest, AFailureToOpenWritesOneConnectionRow) {
  context_.cycle.centralConnected = true;
  connector_->refuse("Initial Catalog=HOA1920",
                     Failure(failure_number::kLinkFailure, "Cannot open database 'HOA1920'."));
  connectCentral(context_, arguments(" 192.168.10.20 ", true));
  EXPECT_FALSE(context_.cycle.centralConnected);
  EXPECT_TRUE(context_.centralMain->isOpen());
  ASSERT_EQ(connector_->log.count("ERRTABLE"), 1u);
  EXPECT_TRUE(connector_->log.contains(
      "VELMAIN: INSERT INTO ERRTABLE (Module,MESSAGE,UPDATED,UPTIME) VALUES('CONNECTION',"
      "'192.168.10.20-Cannot open database ''HOA1920''.','07/Nov/2019','1:07:00 PM')"));
}

TEST_F(ScriptedCentralTest, AFailureToWriteTheConnectionRowEscapes) {
  connector_->refuse("Initial Catalog=HOAMAIN", Failure(failure_number::kLoginRefused, "Login failed"));
  connector_->fail("INSERT INTO ERRTABLE", Failure(failure_number::kStatementFailed, "no table"));
  EXPECT_THROW(connectCentral(context_, arguments("HO1", false)), Failure);
  EXPECT_FALSE(context_.cycle.centralConnected);
}

// On embedded servers.
class EmbeddedCentralTest : public ::testing::Test {
 protected:
  EmbeddedCentralTest() {
    layout_ = velmora::testing::defaultLayout(home_.path(), 7, false);
    sample::HeadOfficeSpec byAddress;
    byAddress.serverName = "HO2";
    byAddress.address = "192.168.10.20";
    byAddress.companyPrefix = "HOB";
    byAddress.branchNo = 2;
    layout_.headOffices.push_back(byAddress);
    sample::layOutCompany(layout_);
    context_ = std::make_unique<AgentContext>(makeAgentConnector(home_.path()),
                                              std::make_shared<FixedClock>());
    context_->localMain.open(
        "Provider=SQLOLEDB.1;password=secret;Persist Security Info=true;User ID=sa;"
        "Initial Catalog=VELMAIN;Data Source=BRANCH");
  }
  std::vector<sample::TextRow> errorRows() {
    return sample::querySql(sample::branchDatabase(layout_, sample::SiteDatabase::kMain),
                            "SELECT Module, MESSAGE, UPDATED, UPTIME FROM ERRTABLE ORDER BY Rno");
  }

  velmora::testing::TempFolder home_;
  sample::CompanyLayout layout_;
  std::unique_ptr<AgentContext> context_;
};

TEST_F(EmbeddedCentralTest, ConnectsByAddressWithItsPort) {
  context_->cycle.centralYearDatabase = "HOB1920";
  CentralArguments args = arguments("192.168.10.20", true);
  args.mainDatabase = "HOBMAIN";
  connectCentral(*context_, args);
  EXPECT_TRUE(context_->cycle.centralConnected);
  EXPECT_TRUE(errorRows().empty());
}

TEST_F(EmbeddedCentralTest, MissingYearDatabaseGivesAConnectionRowStartingWithTheServer) {
  std::filesystem::remove(sample::headOfficeDatabase(layout_, "HO1", sample::SiteDatabase::kYear));
  context_->cycle.centralYearDatabase = "HOA1920";
  connectCentral(*context_, arguments("HO1", false));
  EXPECT_FALSE(context_->cycle.centralConnected);
  EXPECT_TRUE(context_->centralMain->isOpen());
  auto rows = errorRows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "CONNECTION");
  EXPECT_EQ(rows[0][1].rfind("HO1-", 0), 0u) << rows[0][1];
  EXPECT_GT(rows[0][1].size(), 4u);
  EXPECT_EQ(rows[0][2], "07/Nov/2019");
  EXPECT_EQ(rows[0][3], "1:07:00 PM");
}

}  // namespace
}  // namespace velmora::shell
