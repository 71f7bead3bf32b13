#include "support/agent_harness.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "backends/embedded/embedded_connector.h"
#include "transfer/transfer_conventions.h"

namespace velmora::testing {
namespace {

std::string trim(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\t')) s.pop_back();
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  return s.substr(i);
}

std::string yearSuffix(const sample::CompanyLayout& layout) {
  return layout.yearStart.substr(layout.yearStart.size() - 2) +
         layout.yearEnd.substr(layout.yearEnd.size() - 2);
}

}  // namespace

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = std::filesystem::temp_directory_path() /
          ("velmora-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  if (std::getenv("VELMORA_KEEP_TEMP") == nullptr) {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
}

sample::CompanyLayout defaultLayout(const std::filesystem::path& home, std::int16_t branchNo,
                                    bool sampleRows) {
  sample::CompanyLayout layout;
  layout.home = home;
  layout.branchNo = branchNo;
  layout.sampleRows = sampleRows;
  sample::HeadOfficeSpec ho;
  ho.serverName = "HO1";
  ho.companyPrefix = "HOA";
  ho.branchNo = 1;
  layout.headOffices.push_back(ho);
  return layout;
}

std::vector<std::pair<std::string, std::filesystem::path>> readServersFile(
    const std::filesystem::path& home) {
  std::vector<std::pair<std::string, std::filesystem::path>> servers;
  std::ifstream in(home / "servers.txt");
  std::string line;
  while (std::getline(in, line)) {
    auto hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string name = trim(line.substr(0, eq));
    std::filesystem::path dir = trim(line.substr(eq + 1));
    if (name.empty() || name.find('-') != std::string::npos) continue;  // keys like odbc-driver
    servers.emplace_back(name, dir.is_absolute() ? dir : home / dir);
  }
  return servers;
}

AgentHarness::AgentHarness(sample::CompanyLayout layout, std::string siteId)
    : layout_(std::move(layout)) {
  sample::layOutCompany(layout_);
  std::vector<EmbeddedServer> servers;
  for (auto& [name, dir] : readServersFile(layout_.home)) servers.push_back({name, dir});
  auto connector = std::make_shared<EmbeddedConnector>(std::move(servers));
  context_ = std::make_unique<AgentContext>(connector);
  Settings& s = context_->settings;
  s.siteId = siteId;
  s.companyPrefix = layout_.companyPrefix;
  s.localServer = layout_.branchServer;
  s.localPassword = layout_.password;
  s.yearDatabase = layout_.companyPrefix + yearSuffix(layout_);
  s.branchNo = layout_.branchNo;
  auto open = [&](Connection& c, const std::string& db) {
    c.open("Provider=SQLOLEDB.1;password=" + s.localPassword +
           ";Persist Security Info=true;User ID=sa;Initial Catalog=" + db +
           ";Data Source=" + s.localServer);
    c.setCommandTimeout(60);
  };
  open(context_->localMain, s.companyPrefix + "MAIN");
  open(context_->localYear, s.yearDatabase);
}

void AgentHarness::connectHeadOffice(std::size_t index) {
  const sample::HeadOfficeSpec& ho = layout_.headOffices.at(index);
  AgentContext& c = *context_;
  c.cycle.centralConnected = false;
  c.centralMain = std::make_unique<Connection>(c.connector);
  if (c.centralYear.isOpen()) c.centralYear.close();
  c.cycle.centralYearDatabase = ho.companyPrefix + yearSuffix(layout_);
  auto open = [&](Connection& conn, const std::string& db) {
    conn.setCursorLocation(CursorLocation::kClient);
    conn.setCommandTimeout(30);
    conn.open("Provider=SQLOLEDB.1;UID=sa;pwd=" + ho.password +
              ";Persist Security Info=False;Initial Catalog=" + db + ";Data Source=" +
              ho.serverName);
    conn.setCommandTimeout(720);
  };
  open(*c.centralMain, ho.companyPrefix + "MAIN");
  open(c.centralYear, c.cycle.centralYearDatabase);
  c.cycle.centralConnected = true;
  c.cycle.linkedServer = "[" + ho.serverName + "]";
  c.cycle.centralBranchNo = ho.branchNo;
}

std::filesystem::path AgentHarness::branchMain() const {
  return sample::databaseFile(layout_, layout_.branchServer, layout_.companyPrefix + "MAIN");
}
std::filesystem::path AgentHarness::branchYear() const {
  return sample::databaseFile(layout_, layout_.branchServer,
                              layout_.companyPrefix + yearSuffix(layout_));
}
std::filesystem::path AgentHarness::headOfficeMain(std::size_t index) const {
  const auto& ho = layout_.headOffices.at(index);
  return sample::databaseFile(layout_, ho.serverName, ho.companyPrefix + "MAIN");
}
std::filesystem::path AgentHarness::headOfficeYear(std::size_t index) const {
  const auto& ho = layout_.headOffices.at(index);
  return sample::databaseFile(layout_, ho.serverName, ho.companyPrefix + yearSuffix(layout_));
}

std::vector<std::vector<std::string>> AgentHarness::branchErrorRows() const {
  return sample::querySql(branchMain(), "SELECT Module, MESSAGE FROM ERRTABLE ORDER BY Rno");
}

}  // namespace velmora::testing
