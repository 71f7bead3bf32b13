// Hostile and careless input: texts that look like SQL, odd letters and long
// texts travel byte for byte; numbers with letters, null texts and dates that
// are no dates are treated as the conversions say; odd head-office rows and
// settings give their messages or clear error rows; nothing injected runs.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>

#include "reliability/agent_process.h"
#include "support/agent_run.h"

namespace velmora {
namespace {

using sample::countRows;
using sample::execSql;
using sample::querySql;
using sample::sqlLiteral;
using testing::AgentRun;
using testing::TempFolder;

std::string longText() {
  const std::string pattern = "O'Hara; [x]] -- ";
  std::string text;
  while (text.size() < 4000) text += pattern;
  text.resize(4000);
  return text;
}

struct HostileText {
  const char* name;
  std::string text;
};

const std::vector<HostileText>& hostileTexts() {
  static const std::vector<HostileText> texts = {
      {"quotes", "O'Brien's \"double\" ''twice''"},
      {"drop", "x'); DROP TABLE CUSTOMER; --"},
      {"semicolons", "a;b; DELETE FROM Branch;"},
      {"brackets", "[HO1].HOAMAIN.Dbo.CUSTOMER ]] ["},
      {"comments", "-- not a comment /* nor this */"},
      {"letters", "Ñandú café Øre — ரமேஷ் 日本語"},
      {"blanks", "  leading and trailing  "},
      {"controls", "line one\r\nline two\ttab"},
      {"wildcards", "100% _under_ back\\slash"},
      {"long", longText()},
  };
  return texts;
}

std::string hex(std::string_view text) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// Names of the tables of a database file, to show that none disappeared.
std::vector<sample::TextRow> tableNames(const std::filesystem::path& file) {
  return querySql(file, "SELECT name FROM sqlite_master WHERE type='table' "
                        "AND name NOT LIKE 'CentralizedData%' ORDER BY name");
}

class HostileInput : public ::testing::Test {
 protected:
  void SetUp() override {
    layout_ = testing::defaultLayout(temp_.path() / "home", 7, false);
  }
  std::filesystem::path branchMain() const {
    return sample::branchDatabase(layout_, sample::SiteDatabase::kMain);
  }
  std::filesystem::path branchYear() const {
    return sample::branchDatabase(layout_, sample::SiteDatabase::kYear);
  }
  std::filesystem::path hoMain() const {
    return sample::headOfficeDatabase(layout_, layout_.headOffices[0].serverName,
                                      sample::SiteDatabase::kMain);
  }
  std::filesystem::path hoYear() const {
    return sample::headOfficeDatabase(layout_, layout_.headOffices[0].serverName,
                                      sample::SiteDatabase::kYear);
  }
  // Sets `column` of the rows of `table` in `file`, in Rno order, to `values`.
  static void setInOrder(const std::filesystem::path& file, std::string_view table,
                         std::string_view column, const std::vector<std::string>& values) {
    auto rnos = querySql(file, "SELECT Rno FROM " + std::string(table) + " ORDER BY Rno");
    ASSERT_GE(rnos.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      execSql(file, "UPDATE " + std::string(table) + " SET " + std::string(column) + "=" +
                        sqlLiteral(values[i]) + " WHERE Rno=" + rnos[i][0]);
    }
  }
  std::vector<sample::TextRow> errorRows() const {
    return querySql(branchMain(), "SELECT Module, MESSAGE FROM ERRTABLE ORDER BY Rno");
  }

  TempFolder temp_;
  sample::CompanyLayout layout_;
};

// Every hostile text goes up as a customer name (a text conversion) and as a
// cash-counter code (the key the merge statements compare), and comes down
// as a bank name (master download) and an indent remark (staged download).
TEST_F(HostileInput, TextsArriveByteForByteAndNothingInjectedRuns) {
  sample::layOutCompany(layout_);
  const auto& texts = hostileTexts();
  const int n = static_cast<int>(texts.size());
  std::vector<std::string> values;
  for (const auto& t : texts) values.push_back(t.text);
  sample::addPendingRows(layout_, "CUSTOMER", n);
  setInOrder(branchMain(), "CUSTOMER", "CusName", values);
  sample::addPendingRows(layout_, "CASHCOUNTER", n);
  setInOrder(branchMain(), "CASHCOUNTER", "CashCountercode", values);
  sample::addUndeliveredRows(layout_, "HO1", "BANKMASTER", n);
  setInOrder(hoMain(), "BANKMASTER", "BankName", values);
  sample::addUndeliveredRows(layout_, "HO1", "INDENT", n);
  setInOrder(hoYear(), "INDENT", "Remarks", values);
  const std::vector<std::vector<sample::TextRow>> tablesBefore = {
      tableNames(branchMain()), tableNames(branchYear()), tableNames(hoMain()), tableNames(hoYear())};

  AgentRun agent(layout_.home, "0012");
  agent.ticks(2);

  EXPECT_TRUE(errorRows().empty()) << errorRows()[0][0] << " " << errorRows()[0][1];
  for (const auto& t : texts) {
    auto has = [&](const std::filesystem::path& file, const char* table, const char* column) {
      char clause[64];
      std::snprintf(clause, sizeof clause, "hex(%s)='", column);
      return countRows(file, table, std::string(clause) + hex(t.text) + "'");
    };
    EXPECT_EQ(has(hoMain(), "CUSTOMER", "CusName"), 1) << t.name;
    EXPECT_EQ(has(hoMain(), "CASHCOUNTER", "CashCountercode"), 1) << t.name;
    EXPECT_EQ(has(branchMain(), "BANKMASTER", "BankName"), 1) << t.name;
    EXPECT_EQ(has(branchYear(), "INDENT", "Remarks"), 1) << t.name;
  }
  // Every row went exactly once, the senders are flagged, and no table is gone.
  EXPECT_EQ(countRows(hoMain(), "CUSTOMER"), n);
  EXPECT_EQ(countRows(hoMain(), "CASHCOUNTER"), n);
  EXPECT_EQ(countRows(branchMain(), "CUSTOMER", "ifnull(Transfered,'')<>'Y'"), 0);
  EXPECT_EQ(countRows(branchMain(), "CASHCOUNTER", "ifnull(Transfered,'')<>'Y'"), 0);
  EXPECT_EQ(countRows(hoMain(), "BANKMASTER", "ifnull(BR7,'')<>'Y'"), 0);
  EXPECT_EQ(countRows(hoYear(), "INDENT", "ifnull(BR7,'')<>'Y'"), 0);
  EXPECT_EQ(countRows(branchMain(), "BANKMASTER"), n);
  EXPECT_EQ(countRows(branchYear(), "INDENT"), n);
  EXPECT_EQ(tableNames(branchMain()), tablesBefore[0]);
  EXPECT_EQ(tableNames(branchYear()), tablesBefore[1]);
  EXPECT_EQ(tableNames(hoMain()), tablesBefore[2]);
  EXPECT_EQ(tableNames(hoYear()), tablesBefore[3]);
  EXPECT_GT(countRows(branchMain(), "Branch"), 0);
}

struct NumberCase {
  const char* source;  // nullptr: null
  const char* expected;
};

// A number column of an upload reads the leading number of its text.
TEST_F(HostileInput, NumbersWithLettersReadAsTheirLeadingNumber) {
  sample::layOutCompany(layout_);
  const std::vector<NumberCase> cases = {
      {"12abc", "12"},  {"  3.5kg", "3.5"}, {"-7x", "-7"},   {"4 5", "45"}, {"1,234", "1"},
      {".5%", "0.5"},   {"abc", "0"},        {"", "0"},       {nullptr, "0"},
      {"7'; DROP TABLE CUSTOMER; --", "7"},
  };
  const int n = static_cast<int>(cases.size());
  sample::addPendingRows(layout_, "CUSTOMER", n);
  auto rnos = querySql(branchMain(), "SELECT Rno, CusCode FROM CUSTOMER ORDER BY Rno");
  for (int i = 0; i < n; ++i) {
    execSql(branchMain(), "UPDATE CUSTOMER SET WholeSaleRate=" +
                              (cases[i].source ? sqlLiteral(cases[i].source) : "NULL") +
                              ", CusName=NULL WHERE Rno=" + rnos[i][0]);
  }
  AgentRun agent(layout_.home, "0012");
  agent.tick();
  EXPECT_TRUE(errorRows().empty());
  for (int i = 0; i < n; ++i) {
    const std::string key = "CusCode=" + rnos[i][1];
    EXPECT_EQ(countRows(hoMain(), "CUSTOMER", key + " AND WholeSaleRate=" + cases[i].expected), 1)
        << (cases[i].source ? cases[i].source : "null") << " -> "
        << querySql(hoMain(), "SELECT WholeSaleRate FROM CUSTOMER WHERE " + key)[0][0];
    // A null text becomes the empty text.
    EXPECT_EQ(countRows(hoMain(), "CUSTOMER", key + " AND typeof(CusName)='text' AND CusName=''"), 1);
  }
  EXPECT_EQ(countRows(hoMain(), "CUSTOMER"), n);
}

// A date column that holds no date fails its step with an error row that
// names the value; the rows stay pending and nothing reaches the head office.
TEST_F(HostileInput, ADateThatIsNoDateFailsTheStepAndKeepsTheRowsPending) {
  sample::layOutCompany(layout_);
  const std::vector<std::string> notDates = {"soon", "x'); DROP TABLE CUSTOMER; --"};
  for (const std::string& notDate : notDates) {
    SCOPED_TRACE(notDate);
    execSql(branchMain(), "DELETE FROM CUSTOMER; DELETE FROM ERRTABLE");
    sample::addPendingRows(layout_, "CUSTOMER", 3);
    execSql(branchMain(), "UPDATE CUSTOMER SET Updated=" + sqlLiteral(notDate) +
                              " WHERE Rno=(SELECT max(Rno) FROM CUSTOMER)");
    AgentRun agent(layout_.home, "0012");
    agent.tick();
    auto rows = errorRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "CUSTOMERMASTERDOWNLOAD");
    EXPECT_EQ(rows[0][1].rfind("1-", 0), 0u) << rows[0][1];
    EXPECT_NE(rows[0][1].find(notDate), std::string::npos) << rows[0][1];
    EXPECT_EQ(countRows(branchMain(), "CUSTOMER", "ifnull(Transfered,'')<>'Y'"), 3);
    EXPECT_EQ(countRows(hoMain(), "CUSTOMER"), 0);
    EXPECT_EQ(countRows(hoMain(), "sqlite_master", "name='CUSTOMER'"), 1);
  }
}

// A step's error row is written whatever its description holds, and an
// error row that cannot be written is reported without skipping the steps
// after it: the INDENT upload (step 26) runs after the failed CUSTOMER upload.
struct UnwritableRowCase {
  const char* name;
  const char* badDate;  // SQL expression stored in CUSTOMER.Updated
  const char* trigger;  // a trigger that refuses error rows, or nullptr
  const char* expectedModule;
  const char* expectedText;
};

TEST_F(HostileInput, AnErrorRowThatCannotBeWrittenSkipsNoLaterStep) {
  const std::vector<UnwritableRowCase> cases = {
      {"NUL in the value", "'soon' || char(0) || 'later'", nullptr, "CUSTOMERMASTERDOWNLOAD",
       "soon\\x00later"},
      {"escape and CR LF in the value", "'a' || char(13,10,27) || '[2Jb'", nullptr,
       "CUSTOMERMASTERDOWNLOAD", "a\\x0D\\x0A\\x1B[2Jb"},
      {"error row refused", "'soon'",
       "CREATE TRIGGER refuse BEFORE INSERT ON ERRTABLE WHEN NEW.Module<>'MAINERROR' "
       "BEGIN SELECT RAISE(ABORT, 'ERRTABLE refuses the row'); END",
       "MAINERROR", "ERRTABLE refuses the row"},
  };
  sample::layOutCompany(layout_);
  const std::filesystem::path pristine = temp_.path() / "pristine";
  std::filesystem::copy(layout_.home, pristine, std::filesystem::copy_options::recursive);
  for (const UnwritableRowCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(layout_.home);
    std::filesystem::copy(pristine, layout_.home, std::filesystem::copy_options::recursive);
    sample::addPendingRows(layout_, "CUSTOMER", 2);
    execSql(branchMain(), std::string("UPDATE CUSTOMER SET Updated=") + c.badDate +
                              " WHERE Rno=(SELECT max(Rno) FROM CUSTOMER)");
    if (c.trigger) execSql(branchMain(), c.trigger);
    sample::addPendingRows(layout_, "INDENT", 3);
    AgentRun agent(layout_.home, "0012");
    agent.tick();
    auto rows = errorRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], c.expectedModule);
    EXPECT_NE(rows[0][1].find(c.expectedText), std::string::npos) << rows[0][1];
    EXPECT_EQ(rows[0][1].find('\0'), std::string::npos);
    EXPECT_EQ(countRows(hoMain(), "CUSTOMER"), 0);
    EXPECT_EQ(countRows(hoYear(), "INDENT"), 3);
  }
}

// A CONNECTION row that cannot be written still shows why the head office
// could not be opened: in the MAINERROR row, or, if that fails too, in what
// the view reports.
TEST_F(HostileInput, AnUnwritableConnectionRowStillShowsTheConnectionFailure) {
  layout_.headOffices[0].reachable = false;
  sample::layOutCompany(layout_);
  const std::filesystem::path pristine = temp_.path() / "pristine";
  std::filesystem::copy(layout_.home, pristine, std::filesystem::copy_options::recursive);
  for (const char* refused : {"NEW.Module='CONNECTION'", "1=1"}) {
    SCOPED_TRACE(refused);
    std::filesystem::remove_all(layout_.home);
    std::filesystem::copy(pristine, layout_.home, std::filesystem::copy_options::recursive);
    execSql(branchMain(), std::string("CREATE TRIGGER refuse BEFORE INSERT ON ERRTABLE WHEN ") +
                              refused + " BEGIN SELECT RAISE(ABORT, 'ERRTABLE refuses the row'); END");
    AgentRun agent(layout_.home, "0012");
    agent.tick();
    std::string shown;
    for (const auto& row : errorRows()) shown += row[0] + " " + row[1] + "\n";
    for (const std::string& text : agent.view.unlogged) shown += text + "\n";
    EXPECT_NE(shown.find("CONNECTION"), std::string::npos) << shown;
    EXPECT_NE(shown.find("HO1-Cannot open database"), std::string::npos) << shown;
  }
}

// Head offices whose server names hold brackets, quotes, semicolons and
// dashes are reached through their linked-server names like any other.
class OddServerName : public HostileInput,
                      public ::testing::WithParamInterface<const char*> {};

TEST_P(OddServerName, IsServedLikeAnyOther) {
  layout_.headOffices[0].serverName = GetParam();
  sample::layOutCompany(layout_);
  sample::addPendingRows(layout_, "CUSTOMER", 2);
  sample::addUndeliveredRows(layout_, GetParam(), "BANKMASTER", 2);
  sample::addUndeliveredRows(layout_, GetParam(), "INDENT", 2);
  AgentRun agent(layout_.home, "0012");
  agent.ticks(2);
  auto rows = errorRows();
  EXPECT_TRUE(rows.empty()) << rows[0][0] << " " << rows[0][1];
  EXPECT_EQ(countRows(hoMain(), "CUSTOMER"), 2);
  EXPECT_EQ(countRows(branchMain(), "BANKMASTER"), 2);
  EXPECT_EQ(countRows(branchYear(), "INDENT"), 2);
  EXPECT_EQ(countRows(hoYear(), "INDENT", "ifnull(BR7,'')<>'Y'"), 0);
}

INSTANTIATE_TEST_SUITE_P(Names, OddServerName,
                         ::testing::Values("HO]1", "HO'1", "HO1--", "HO]1'--", "[HO1]"));

// Company prefixes that are no plain identifiers: the branch's own (in the
// start-up query and the connection strings) and a head office's (in the
// four-part names, where it goes in brackets).
struct OddPrefixCase {
  const char* branch;
  const char* headOffice;
};

TEST_F(HostileInput, OddCompanyPrefixesAreServedLikeAnyOther) {
  const std::vector<OddPrefixCase> cases = {
      {"VEL", "HO-A"}, {"VEL", "9HO A"}, {"VEL", "HO]A"}, {"ZEM'RA", "HOA"}, {"V;L", "HOA"}};
  for (const OddPrefixCase& c : cases) {
    SCOPED_TRACE(std::string(c.branch) + " / " + c.headOffice);
    std::filesystem::remove_all(layout_.home);
    layout_.companyPrefix = c.branch;
    layout_.headOffices[0].companyPrefix = c.headOffice;
    sample::layOutCompany(layout_);
    sample::addPendingRows(layout_, "CUSTOMER", 2);
    sample::addUndeliveredRows(layout_, "HO1", "BANKMASTER", 2);
    sample::addUndeliveredRows(layout_, "HO1", "INDENT", 2);
    AgentRun agent(layout_.home, "0012");
    agent.tick();
    auto rows = errorRows();
    EXPECT_TRUE(rows.empty()) << rows[0][0] << " " << rows[0][1];
    EXPECT_EQ(countRows(hoMain(), "CUSTOMER"), 2);
    EXPECT_EQ(countRows(branchMain(), "BANKMASTER"), 2);
    EXPECT_EQ(countRows(branchYear(), "INDENT"), 2);
  }
}

// A semicolon travels whole in the data source, but servers.txt cannot name
// such a server: the head office is a SQL Server nobody can find, and every
// tick says so in one CONNECTION row that starts with its name.
class SemicolonServerName : public HostileInput,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(SemicolonServerName, GivesOneConnectionRowPerTickAndMovesNothing) {
  layout_.headOffices[0].serverName = GetParam();
  sample::layOutCompany(layout_);
  sample::addPendingRows(layout_, "CUSTOMER", 2);
  sample::addUndeliveredRows(layout_, GetParam(), "BANKMASTER", 2);
  AgentRun agent(layout_.home, "0012");
  agent.ticks(2);
  auto rows = errorRows();
  ASSERT_EQ(rows.size(), 2u);
  for (const auto& row : rows) {
    EXPECT_EQ(row[0], "CONNECTION");
    EXPECT_EQ(row[1].rfind(std::string(GetParam()) + "-", 0), 0u) << row[1];
  }
  EXPECT_EQ(countRows(hoMain(), "CUSTOMER"), 0);
  EXPECT_EQ(countRows(branchMain(), "CUSTOMER", "ifnull(Transfered,'')<>'Y'"), 2);
  EXPECT_EQ(countRows(branchMain(), "BANKMASTER"), 0);
  EXPECT_EQ(countRows(hoMain(), "BANKMASTER"), 2);
}

INSTANTIATE_TEST_SUITE_P(Names, SemicolonServerName,
                         ::testing::Values("HO;1", "HO]1';--"));

// Careless head-office rows: an empty or null password, an address with a
// null part, and an unreachable server whose name looks like SQL.
TEST_F(HostileInput, CarelessHeadOfficeRowsConnectOrGiveOneConnectionRow) {
  sample::HeadOfficeSpec byAddress;
  byAddress.serverName = "HO2";
  byAddress.companyPrefix = "HOB";
  byAddress.branchNo = 2;
  byAddress.address = "192.168.10.20";
  sample::HeadOfficeSpec nowhere;
  nowhere.serverName = "NO'WHERE;]--";
  nowhere.companyPrefix = "HOC";
  nowhere.branchNo = 3;
  nowhere.reachable = false;
  layout_.headOffices.push_back(byAddress);
  layout_.headOffices.insert(layout_.headOffices.begin(), nowhere);
  sample::layOutCompany(layout_);
  // HO1 has an empty password, HO2 a null one and an address whose second
  // part is null: 192.168.10 (10 characters), which servers.txt names.
  execSql(branchMain(), "UPDATE Branch SET PASSword='' WHERE ServerName='HO1'");
  execSql(branchMain(),
          "UPDATE Branch SET PASSword=NULL, Ip1='192', Ip2=NULL, Ip3='168', Ip4='10' "
          "WHERE ServerName='HO2'");
  {
    std::ofstream servers(layout_.home / "servers.txt", std::ios::app);
    const auto ho2 = sample::headOfficeDatabase(layout_, "HO2", sample::SiteDatabase::kMain);
    servers << "192.168.10 = " << ho2.parent_path().string() << "\n";
  }
  sample::addUndeliveredRows(layout_, "HO1", "BANKMASTER", 2);
  sample::addUndeliveredRows(layout_, "HO2", "CATEGORY", 3);
  AgentRun agent(layout_.home, "0012");
  agent.tick();
  auto rows = errorRows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "CONNECTION");
  EXPECT_EQ(rows[0][1].rfind("NO'WHERE;]---", 0), 0u) << rows[0][1];
  EXPECT_EQ(countRows(branchMain(), "BANKMASTER"), 2);
  EXPECT_EQ(countRows(branchMain(), "CATEGORY"), 3);
  EXPECT_GT(countRows(branchMain(), "Branch"), 0);
}

// Settings oddities, through the program itself: the documented message as
// the last line on standard error, or a clean start.
struct SettingsCase {
  const char* name;
  const char* qvid;
  std::function<void(const std::filesystem::path& home)> edit;
  int status;
  const char* lastLineContains;  // for status 1
};

std::string lastLine(const std::string& text) {
  std::string t = text;
  while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
  const auto nl = t.rfind('\n');
  return nl == std::string::npos ? t : t.substr(nl + 1);
}

void rewriteLine(const std::filesystem::path& file, int lineNo, const std::string& text,
                 const char* ending = "\n") {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  in.close();
  if (lineNo >= 1) lines.at(lineNo - 1) = text;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  for (const auto& l : lines) out << l << ending;
}

TEST_F(HostileInput, SettingsOdditiesGiveTheirMessages) {
  sample::layOutCompany(layout_);
  const std::filesystem::path pristine = temp_.path() / "pristine";
  std::filesystem::copy(layout_.home, pristine, std::filesystem::copy_options::recursive);
  const std::vector<SettingsCase> cases = {
      {"blank QVID", "   ", nullptr, 1, "Invalid QVID"},
      {"QVID with a quote", "BR0'12", nullptr, 1, "Invalid QVID"},
      {"QVID with a semicolon", "X;--", nullptr, 1, "Invalid QVID"},
      {"QVID with a bracket", "AB]12", nullptr, 1, "Invalid QVID"},
      {"no QVID", nullptr, nullptr, 1, "Invalid QVID"},
      {"CR LF line ends", "BR0012",
       [](const std::filesystem::path& h) { rewriteLine(h / "jewellers.txt", 0, "", "\r\n"); }, 0,
       nullptr},
      {"prefix that looks like SQL", "BR0012",
       [](const std::filesystem::path& h) {
         rewriteLine(h / "jewellers.txt", 1, "COMPANY     VEL'; DROP TABLE Branch; --");
       },
       // The whole prefix names the catalog, which does not exist.
       1, "Cannot open database \"VEL'; DROP TABLE Branch; --MAIN\""},
      {"year that is no date", "BR0012",
       [](const std::filesystem::path& h) { rewriteLine(h / "year.txt", 2, "TO DATE     soon"); },
       1, "year.txt"},
      {"no password line", "BR0012",
       [](const std::filesystem::path& h) {
         std::ifstream in(h / "jewellers.txt");
         std::string all, l;
         for (int i = 0; i < 12 && std::getline(in, l); ++i) all += l + "\n";
         in.close();
         std::ofstream(h / "jewellers.txt", std::ios::trunc) << all;
       },
       0, nullptr},
  };
  for (const SettingsCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(layout_.home);
    std::filesystem::copy(pristine, layout_.home, std::filesystem::copy_options::recursive);
    if (c.edit) c.edit(layout_.home);
    std::string out, err;
    const int status = reliability::runAgent(
        {"--home", layout_.home.string(), "--headless", "--ticks", "1", "--interval-ms", "0"},
        c.qvid, temp_.path(), out, err);
    EXPECT_EQ(status, c.status) << err;
    if (c.status == 1) {
      EXPECT_NE(lastLine(err).find(c.lastLineContains), std::string::npos) << err;
      EXPECT_EQ(out.find("tick "), std::string::npos) << out;
    } else {
      EXPECT_NE(out.find("tick 1: "), std::string::npos) << out << err;
    }
    // Nothing ran that the settings spelled: Branch is still there.
    EXPECT_GT(countRows(branchMain(), "Branch"), 0);
  }
}

}  // namespace
}  // namespace velmora
