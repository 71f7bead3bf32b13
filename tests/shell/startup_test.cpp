#include "shell/startup.h"

#include <gtest/gtest.h>

#include <functional>

#include <fstream>

#include "sample_company.h"
#include "shell/backend_router.h"
#include "support/agent_harness.h"
#include "support/scripted_connector.h"
#include "transfer/failure.h"

namespace velmora::shell {
namespace {

using velmora::testing::ScriptedConnector;
using velmora::testing::ScriptedRows;
using velmora::testing::TempFolder;

const std::string kBaseCaption =
    "VELMORA " + std::string(70, ' ') + "31/Mar/2020      01:07:00 PM";

// A settings line: a caption padded to twelve characters, then the value.
std::string settingLine(std::string caption, const std::string& value) {
  caption.resize(12, ' ');
  return caption + value;
}

// Start-up over a scripted connector in a temporary program folder.
class ScriptedStartup {
 public:
  ScriptedStartup() : connector_(std::make_shared<ScriptedConnector>()), context_(connector_) {}

  void writeJewellers(const std::string& prefix, const std::string& server,
                      const std::optional<std::string>& password, const char* lineEnd = "\n") {
    std::ofstream out(folder_.path() / "jewellers.txt", std::ios::binary);
    out << settingLine("COMPANY    :", prefix) << lineEnd;
    for (int line = 2; line <= 11; ++line) out << settingLine("LINE" + std::to_string(line), "x") << lineEnd;
    out << settingLine("SERVER     :", server) << lineEnd;
    if (password) out << settingLine("PASSWORD   :", *password) << lineEnd;
  }
  void writeYear(const std::string& from, const std::string& to) {
    std::ofstream out(folder_.path() / "year.txt", std::ios::binary);
    out << settingLine("FROM DATE  :", from) << "\r\n" << settingLine("TO DATE    :", to) << "\r\n";
  }
  void writeStandardFiles() {
    writeJewellers("VEL", "BRANCHSRV", "secret");
    writeYear("01/04/2019", "31/03/2020");
  }
  void answerBranchCode(Value paramLong) {
    connector_->answer("ParamControl", ScriptedRows{{"ParamLONG"}, {{std::move(paramLong)}}});
  }
  void answerBranchName(Value name) {
    connector_->answer("compcode='", ScriptedRows{{"Branch"}, {{std::move(name)}}});
  }

  StartupResult run() {
    return runStartup(context_, {folder_.path(), [this](std::string_view name) {
                                   EXPECT_EQ(name, "QVID");
                                   return qvid;
                                 }});
  }

  std::optional<std::string> qvid = "BR0012";
  ScriptedConnector& connector() { return *connector_; }
  AgentContext& context() { return context_; }
  const std::filesystem::path& folder() const { return folder_.path(); }

 private:
  TempFolder folder_;
  std::shared_ptr<ScriptedConnector> connector_;
  AgentContext context_;
};

// --- QVID -------------------------------------------------------------------

struct QvidCase {
  std::optional<std::string> qvid;
  const char* siteId;  // nullptr: "Invalid QVID"
};

class QvidTest : public ::testing::TestWithParam<QvidCase> {};

TEST_P(QvidTest, SiteIdIsTheTrimmedLastFourCharacters) {
  ScriptedStartup startup;
  startup.qvid = GetParam().qvid;
  startup.writeStandardFiles();
  startup.answerBranchCode(Value::integer(7));
  StartupResult result = startup.run();
  if (GetParam().siteId == nullptr) {
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Invalid QVID");
    EXPECT_TRUE(startup.connector().log.connectionStrings.empty());
  } else {
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(startup.context().settings.siteId, GetParam().siteId);
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, QvidTest, ::testing::Values(
    QvidCase{"BR0012",        "0012"},
    QvidCase{"ABC",           "ABC"},
    QvidCase{"BR12  ",        "12"},
    QvidCase{"SITE_9",        "TE_9"},
    QvidCase{"    ",          nullptr},
    QvidCase{"",              nullptr},
    QvidCase{std::nullopt,    nullptr},
    QvidCase{"BR0'12",        nullptr},
    QvidCase{"X;--",          nullptr},
    QvidCase{"AB1 2",         nullptr},
    QvidCase{"AB]12",         nullptr}));

// --- Settings files ---------------------------------------------------------

TEST(Startup, MissingJewellersFileIsReportedWithItsFolder) {
  ScriptedStartup startup;
  startup.writeYear("01/04/2019", "31/03/2020");
  StartupResult result = startup.run();
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.message.find("jewellers.txt"), std::string::npos) << result.message;
  EXPECT_NE(result.message.find(startup.folder().string()), std::string::npos) << result.message;
  EXPECT_TRUE(startup.connector().log.connectionStrings.empty());
}

TEST(Startup, MissingYearFileIsReportedWithItsFolder) {
  ScriptedStartup startup;
  startup.writeJewellers("VEL", "BRANCHSRV", "secret");
  StartupResult result = startup.run();
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.message.find("year.txt"), std::string::npos) << result.message;
  EXPECT_NE(result.message.find(startup.folder().string()), std::string::npos) << result.message;
  EXPECT_TRUE(startup.connector().log.connectionStrings.empty());
}

// Settings that name no database: the message names the file and the line.
TEST(Startup, AJewellersFileWithoutPrefixOrServerIsNamed) {
  struct Case {
    const char* name;
    std::function<void(ScriptedStartup&)> write;
    const char* line;
  };
  const std::vector<Case> cases = {
      {"empty file",
       [](ScriptedStartup& s) { std::ofstream(s.folder() / "jewellers.txt", std::ios::trunc); },
       "line 1"},
      {"no server", [](ScriptedStartup& s) { s.writeJewellers("VEL", "", "secret"); }, "line 12"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedStartup startup;
    startup.writeYear("01/04/2019", "31/03/2020");
    c.write(startup);
    StartupResult result = startup.run();
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find((startup.folder() / "jewellers.txt").string()), std::string::npos)
        << result.message;
    EXPECT_NE(result.message.find(c.line), std::string::npos) << result.message;
    EXPECT_TRUE(startup.connector().log.connectionStrings.empty());
  }
}

TEST(Startup, AnUnreadableYearDateEndsStartUp) {
  ScriptedStartup startup;
  startup.writeJewellers("VEL", "BRANCHSRV", "secret");
  startup.writeYear("01/04/2019", "the end");
  StartupResult result = startup.run();
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.message.find("year.txt line 2"), std::string::npos) << result.message;
  EXPECT_TRUE(startup.connector().log.connectionStrings.empty());
}

TEST(Startup, SettingsFileNamesAreMatchedWithoutRegardToCase) {
  ScriptedStartup startup;
  startup.writeStandardFiles();
  std::filesystem::rename(startup.folder() / "jewellers.txt", startup.folder() / "Jewellers.TXT");
  std::filesystem::rename(startup.folder() / "year.txt", startup.folder() / "YEAR.txt");
  startup.answerBranchCode(Value::integer(7));
  StartupResult result = startup.run();
  EXPECT_TRUE(result.ok) << result.message;
  EXPECT_EQ(startup.context().settings.companyPrefix, "VEL");
}

TEST(Startup, LocalConnectionStringsAreExact) {
  ScriptedStartup startup;
  startup.writeJewellers("VEL", " BRANCHSRV", "Se cret");
  startup.writeYear("01/04/2019", "31/03/2020");
  startup.answerBranchCode(Value::integer(7));
  ASSERT_TRUE(startup.run().ok);
  const auto& strings = startup.connector().log.connectionStrings;
  ASSERT_EQ(strings.size(), 2u);
  EXPECT_EQ(strings[0],
            "Provider=SQLOLEDB.1;password=Se cret;Persist Security Info=true;User ID=sa;"
            "Initial Catalog=VELMAIN;Data Source=BRANCHSRV");
  EXPECT_EQ(strings[1],
            "Provider=SQLOLEDB.1;password=Se cret;Persist Security Info=true;User ID=sa;"
            "Initial Catalog=VEL1920;Data Source=BRANCHSRV");
  EXPECT_EQ(startup.context().localMain.commandTimeout(), 60);
  EXPECT_EQ(startup.context().localYear.commandTimeout(), 60);
}

TEST(Startup, TwelveLineJewellersFileLeavesThePasswordEmpty) {
  ScriptedStartup startup;
  startup.writeJewellers("VEL", "BRANCHSRV", std::nullopt, "\r\n");
  startup.writeYear("01/04/2019", "31/03/2020");
  startup.answerBranchCode(Value::integer(7));
  ASSERT_TRUE(startup.run().ok);
  EXPECT_EQ(startup.context().settings.localPassword, "");
  EXPECT_EQ(startup.context().settings.localServer, "BRANCHSRV");
  ASSERT_FALSE(startup.connector().log.connectionStrings.empty());
  EXPECT_EQ(startup.connector().log.connectionStrings[0].rfind(
                "Provider=SQLOLEDB.1;password=;Persist Security Info=true;", 0),
            0u);
}

TEST(Startup, LeadingBlankOfThePrefixStaysInTheMainDatabaseName) {
  ScriptedStartup startup;
  startup.writeJewellers(" vel", "BRANCHSRV", "secret");
  startup.writeYear("01/Apr/2025", "2026-03-31");
  startup.answerBranchCode(Value::integer(7));
  ASSERT_TRUE(startup.run().ok);
  const Settings& settings = startup.context().settings;
  EXPECT_EQ(settings.companyPrefix, " vel");
  EXPECT_EQ(settings.yearDatabase, "vel2526");
  const auto& log = startup.connector().log;
  ASSERT_EQ(log.connectionStrings.size(), 2u);
  EXPECT_NE(log.connectionStrings[0].find(";Initial Catalog= velMAIN;"), std::string::npos);
  EXPECT_NE(log.connectionStrings[1].find(";Initial Catalog=vel2526;"), std::string::npos);
  EXPECT_TRUE(log.contains("Select * from Branch where compcode='VEL'"));
}

TEST(Startup, AConnectionThatCannotOpenEndsStartUpWithItsDescription) {
  ScriptedStartup startup;
  startup.writeStandardFiles();
  startup.connector().refuse("Initial Catalog=VEL1920",
                             Failure(failure_number::kLinkFailure, "Cannot open database VEL1920"));
  StartupResult result = startup.run();
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, "Cannot open database VEL1920");
}

// --- Branch number ----------------------------------------------------------

struct BranchNumberCase {
  const char* text;
  int expected;  // -99999: overflow
};

class BranchNumberTest : public ::testing::TestWithParam<BranchNumberCase> {};

TEST_P(BranchNumberTest, LeadingNumberRoundedHalfToEven) {
  const BranchNumberCase& c = GetParam();
  if (c.expected == -99999) {
    EXPECT_THROW(branchNumberFromParam(c.text), Failure) << c.text;
  } else {
    EXPECT_EQ(branchNumberFromParam(c.text), c.expected) << c.text;
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, BranchNumberTest, ::testing::Values(
    BranchNumberCase{"7",        7},
    BranchNumberCase{"12.6",     13},
    BranchNumberCase{"12.5",     12},
    BranchNumberCase{"13.5",     14},
    BranchNumberCase{"12.4",     12},
    BranchNumberCase{"-2.5",     -2},
    BranchNumberCase{"9abc",     9},
    BranchNumberCase{"abc",      0},
    BranchNumberCase{"",         0},
    BranchNumberCase{"0.4",      0},
    BranchNumberCase{"32767",    32767},
    BranchNumberCase{"-32768",   -32768},
    BranchNumberCase{"32767.5",  -99999},
    BranchNumberCase{"40000",    -99999}));

struct ParamCase {
  Value paramLong;
  const char* message;  // nullptr: success
  int branchNo;
};

class BranchCodeStartupTest : public ::testing::TestWithParam<ParamCase> {};

TEST_P(BranchCodeStartupTest, ZeroOrNegativeEndsStartUp) {
  ScriptedStartup startup;
  startup.writeStandardFiles();
  startup.answerBranchCode(GetParam().paramLong);
  StartupResult result = startup.run();
  if (GetParam().message == nullptr) {
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(startup.context().settings.branchNo, GetParam().branchNo);
  } else {
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, GetParam().message);
    EXPECT_FALSE(startup.connector().log.contains("select 0 Sno1"));
  }
}

INSTANTIATE_TEST_SUITE_P(Values, BranchCodeStartupTest, ::testing::Values(
    ParamCase{Value::text("12.6"),   nullptr, 13},
    ParamCase{Value::real(12.6),     nullptr, 13},
    ParamCase{Value::text(" 7 "),    nullptr, 7},
    ParamCase{Value::integer(3),     nullptr, 3},
    ParamCase{Value::text("seven"),  "INVALID DEFAULTBRANCHCODE", 0},
    ParamCase{Value::null(),         "INVALID DEFAULTBRANCHCODE", 0},
    ParamCase{Value::text("0.2"),    "INVALID DEFAULTBRANCHCODE", 0},
    ParamCase{Value::integer(-3),    "INVALID DEFAULTBRANCHCODE", 0},
    ParamCase{Value::text("-0.6"),   "INVALID DEFAULTBRANCHCODE", 0}));

TEST(Startup, NoParamControlRowEndsStartUp) {
  ScriptedStartup startup;
  startup.writeStandardFiles();
  StartupResult result = startup.run();
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, "INVALID DEFAULTBRANCHCODE");
  EXPECT_TRUE(startup.connector().log.contains(
      "Select * from ParamControl where ParamCode='DEFAULTBRANCHCODE' "));
}

TEST(Startup, ABranchNumberOutOfRangeIsAFailureOfItsOwn) {
  ScriptedStartup startup;
  startup.writeStandardFiles();
  startup.answerBranchCode(Value::text("40000"));
  StartupResult result = startup.run();
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.message, "INVALID DEFAULTBRANCHCODE");
  EXPECT_NE(result.message.find("Overflow"), std::string::npos) << result.message;
}

// --- Caption and head-office list -------------------------------------------

TEST(Startup, CaptionEndsInEmptyBracketsWithoutABranchRow) {
  ScriptedStartup startup;
  startup.writeStandardFiles();
  startup.answerBranchCode(Value::integer(7));
  StartupResult result = startup.run();
  ASSERT_TRUE(result.ok) << result.message;
  EXPECT_EQ(result.caption, kBaseCaption + "   []");
  EXPECT_EQ(startup.context().settings.branchDisplayName, "");
}

TEST(Startup, CaptionNamesTheBranch) {
  ScriptedStartup startup;
  startup.writeStandardFiles();
  startup.answerBranchCode(Value::integer(7));
  startup.answerBranchName(Value::text("Velmora Salem"));
  StartupResult result = startup.run();
  ASSERT_TRUE(result.ok) << result.message;
  EXPECT_EQ(result.caption, kBaseCaption + "   [Velmora Salem]");
}

TEST(Startup, HeadOfficeCellsFollowTheirRules) {
  ScriptedStartup startup;
  startup.writeStandardFiles();
  startup.answerBranchCode(Value::integer(7));
  startup.connector().answer(
      "select 0 Sno1",
      ScriptedRows{{"Sno1", "Flag", "BranchCode", "Branch", "ServerName", "UserName", "PASSword",
                    "COMPCODE", "Ip1", "Ip2", "Ip3", "Ip4", "PortNo"},
                   {{Value::integer(0), Value::text(" h "), Value::text(" 1 "),
                     Value::text(" head office "), Value::text(" ho1 "), Value::text("admin"),
                     Value::text(" PaSs "), Value::text(" hoa "), Value::text("192"),
                     Value::null(), Value::text(" 5 "), Value::integer(10), Value::text("1433")},
                    {Value::integer(0), Value::text("H"), Value::integer(2), Value::null(),
                     Value::text("ho2"), Value::null(), Value::null(), Value::text("hob"),
                     Value::null(), Value::null(), Value::null(), Value::null(), Value::null()}}});
  ASSERT_TRUE(startup.run().ok);
  const auto& offices = startup.context().headOffices;
  ASSERT_EQ(offices.size(), 2u);
  EXPECT_EQ(offices[0], (HeadOfficeRow{"H", "1", "HEAD OFFICE", "HO1", "sa", "PaSs", "HOA",
                                       "192.5.10", "", "Y"}));
  EXPECT_EQ(offices[1], (HeadOfficeRow{"H", "2", "", "HO2", "sa", "", "HOB", "", "", "Y"}));
  EXPECT_TRUE(startup.connector().log.contains(std::string(kHeadOfficeQuery)));
}

struct AddressCase {
  std::array<Value, 4> parts;
  const char* address;
};

class AddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(AddressTest, NullPartsContributeNothing) {
  EXPECT_EQ(headOfficeAddress(GetParam().parts), GetParam().address);
}

INSTANTIATE_TEST_SUITE_P(Parts, AddressTest, ::testing::Values(
    AddressCase{{Value::text("192"), Value::text("168"), Value::text("10"), Value::text("20")},
                "192.168.10.20"},
    AddressCase{{Value::text("192"), Value::null(), Value::text("5"), Value::text("10")},
                "192.5.10"},
    AddressCase{{Value::text("10"), Value::text("0"), Value::text("0"), Value::null()},
                "10.0.0."},
    AddressCase{{Value::text(" a "), Value::text(""), Value::text("b"), Value::text("c")},
                "A..B.C"},
    AddressCase{{Value::null(), Value::null(), Value::null(), Value::null()}, ""}));

TEST(Startup, HeadOfficeHeaderHoldsTheListsTextsAndWidths) {
  const char* texts[] = {"Flag", "Branch", "BranchName", "ServerName", "UserName",
                         "Password", "Comp_Id", "IpAddress", "PortNo", "Select"};
  const int widths[] = {0, 500, 1500, 1100, 500, 500, 500, 1500, 500, 300};
  for (std::size_t i = 0; i < kHeadOfficeHeader.size(); ++i) {
    EXPECT_EQ(kHeadOfficeHeader[i].text, texts[i]);
    EXPECT_EQ(kHeadOfficeHeader[i].widthTwips, widths[i]);
  }
}

// --- On embedded servers ----------------------------------------------------

class EmbeddedStartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    layout_ = velmora::testing::defaultLayout(home_.path(), 7, false);
    sample::layOutCompany(layout_);
  }
  StartupResult run(AgentContext& context) {
    return runStartup(context, {home_.path(), [](std::string_view) {
                                  return std::optional<std::string>("BR0012");
                                }});
  }
  std::filesystem::path branchMain() const {
    return sample::branchDatabase(layout_, sample::SiteDatabase::kMain);
  }

  TempFolder home_;
  sample::CompanyLayout layout_;
};

TEST_F(EmbeddedStartupTest, OpensTheBranchAndListsItsHeadOffice) {
  AgentContext context(makeAgentConnector(home_.path()));
  StartupResult result = run(context);
  ASSERT_TRUE(result.ok) << result.message;
  EXPECT_EQ(context.settings.branchNo, 7);
  EXPECT_EQ(context.settings.yearDatabase, "VEL1920");
  EXPECT_TRUE(context.localMain.isOpen());
  EXPECT_TRUE(context.localYear.isOpen());
  EXPECT_EQ(result.caption, kBaseCaption + "   [VEL BRANCH 7]");
  ASSERT_EQ(context.headOffices.size(), 1u);
  EXPECT_EQ(context.headOffices[0][static_cast<std::size_t>(HeadOfficeColumn::kServerName)],
            "HO1");
  EXPECT_EQ(context.headOffices[0][static_cast<std::size_t>(HeadOfficeColumn::kCompId)], "HOA");
}

TEST_F(EmbeddedStartupTest, ListsOnlyActiveHeadOfficesWithACompanyInBranchOrder) {
  sample::execSql(branchMain(),
                  "INSERT INTO Branch (CompCode,Branch,BranchCode,ServerName,PASSword,Ip1,Ip2,Ip3,"
                  "Ip4,Flag,active,BranchOrder) VALUES "
                  "('HOX','INACTIVE','21','HOX','p',NULL,NULL,NULL,NULL,'H','N',2),"
                  "('','NO COMPANY','22','HOY','p',NULL,NULL,NULL,NULL,'H','Y',3),"
                  "(NULL,'NULL COMPANY','23','HOY','p',NULL,NULL,NULL,NULL,'H','Y',3),"
                  "('HOZ','A BRANCH','24','HOZ','p',NULL,NULL,NULL,NULL,'B','Y',4),"
                  "('HOW','NO FLAG','25','HOW','p',NULL,NULL,NULL,NULL,NULL,'Y',5),"
                  "('hoq','first by order','26','hoq','p','192',NULL,'5','10','h',NULL,0);");
  AgentContext context(makeAgentConnector(home_.path()));
  ASSERT_TRUE(run(context).ok);
  ASSERT_EQ(context.headOffices.size(), 2u);
  EXPECT_EQ(context.headOffices[0], (HeadOfficeRow{"H", "26", "FIRST BY ORDER", "HOQ", "sa", "p",
                                                   "HOQ", "192.5.10", "", "Y"}));
  EXPECT_EQ(context.headOffices[1][static_cast<std::size_t>(HeadOfficeColumn::kServerName)],
            "HO1");
}

TEST_F(EmbeddedStartupTest, BranchCodeOfTwelvePointSixGivesThirteen) {
  sample::execSql(branchMain(),
                  "UPDATE ParamControl SET ParamLONG=12.6 WHERE ParamCode='DEFAULTBRANCHCODE'");
  AgentContext context(makeAgentConnector(home_.path()));
  ASSERT_TRUE(run(context).ok);
  EXPECT_EQ(context.settings.branchNo, 13);
}

TEST_F(EmbeddedStartupTest, BranchCodeWithoutDigitsEndsStartUp) {
  sample::execSql(branchMain(),
                  "UPDATE ParamControl SET ParamLONG='none' WHERE ParamCode='DEFAULTBRANCHCODE'");
  AgentContext context(makeAgentConnector(home_.path()));
  StartupResult result = run(context);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, "INVALID DEFAULTBRANCHCODE");
}

TEST_F(EmbeddedStartupTest, AMissingYearDatabaseEndsStartUp) {
  std::filesystem::remove(sample::branchDatabase(layout_, sample::SiteDatabase::kYear));
  AgentContext context(makeAgentConnector(home_.path()));
  StartupResult result = run(context);
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.message.empty());
}

}  // namespace
}  // namespace velmora::shell
