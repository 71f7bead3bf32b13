#include "shell/startup.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "shell/settings_files.h"
#include "transfer/text_rules.h"
#include "transfer/connection_string.h"
#include "transfer/conversions.h"
#include "transfer/failure.h"

namespace velmora::shell {

namespace {

constexpr std::size_t kSiteIdLength = 4;
constexpr std::size_t kPrefixLine = 1;
constexpr std::size_t kLocalServerLine = 12;
constexpr std::size_t kLocalPasswordLine = 13;
constexpr std::string_view kHeadOfficeUser = "sa";
constexpr std::string_view kHeadOfficeSelect = "Y";

// Thrown inside start-up for an outcome that ends it with a fixed message.
struct StartupStop {
  std::string message;
};

std::string lastTwo(std::string_view text) {
  return std::string(text.size() <= 2 ? text : text.substr(text.size() - 2));
}

std::string missingFileMessage(std::string_view name, const std::filesystem::path& folder) {
  return "The settings file " + std::string(name) + " was not found in " + folder.string();
}

DateTime yearDate(const std::vector<std::string>& lines, std::size_t lineNumber) {
  std::string text = settingValueOfLine(lines, lineNumber);
  auto date = parseYearDate(text);
  if (!date) {
    throw Failure(failure_number::kInvalidSettings,
                  std::string(kYearFile) + " line " + std::to_string(lineNumber) + ": \"" + text +
                      "\" is not a date (write dd/mm/yyyy, dd/MMM/yyyy or yyyy-mm-dd)");
  }
  return *date;
}

void readJewellers(Settings& settings, const std::filesystem::path& folder) {
  auto file = findFileIgnoringCase(folder, kJewellersFile);
  if (!file) throw StartupStop{missingFileMessage(kJewellersFile, folder)};
  auto lines = readSettingsLines(*file);
  settings.companyPrefix = settingValueOfLine(lines, kPrefixLine);
  settings.localServer = settingValueOfLine(lines, kLocalServerLine);
  // Without a prefix or a server no database can be named; say which file.
  const auto require = [&file](const std::string& value, std::size_t line, const char* what) {
    if (!trimBlanks(value).empty()) return;
    throw Failure(failure_number::kInvalidSettings, "The settings file " + file->string() +
                                                        " gives no " + what + " (line " +
                                                        std::to_string(line) + ")");
  };
  require(settings.companyPrefix, kPrefixLine, "company prefix");
  require(settings.localServer, kLocalServerLine, "local server");
  settings.localPassword = settingValueOfLine(lines, kLocalPasswordLine);
}

void readYear(Settings& settings, const std::filesystem::path& folder) {
  auto file = findFileIgnoringCase(folder, kYearFile);
  if (!file) throw StartupStop{missingFileMessage(kYearFile, folder)};
  auto lines = readSettingsLines(*file);
  settings.yearStart = yearDate(lines, 1);
  settings.yearEnd = yearDate(lines, 2);
}

std::string cellText(const Recordset& rows, std::string_view field) {
  return rows.field(field).toText();
}

HeadOfficeRow headOfficeRow(const Recordset& rows) {
  using enum HeadOfficeColumn;
  HeadOfficeRow row;
  auto cell = [&row](HeadOfficeColumn column) -> std::string& {
    return row[static_cast<std::size_t>(column)];
  };
  cell(kFlag) = upperTrimmed(cellText(rows, "Flag"));
  cell(kBranch) = upperTrimmed(cellText(rows, "BranchCode"));
  cell(kBranchName) = upperTrimmed(cellText(rows, "Branch"));
  cell(kServerName) = upperTrimmed(cellText(rows, "ServerName"));
  cell(kUserName) = std::string(kHeadOfficeUser);
  cell(kPassword) = trimBlanks(cellText(rows, "PASSword"));
  cell(kCompId) = upperTrimmed(cellText(rows, "COMPCODE"));
  cell(kIpAddress) = headOfficeAddress(
      {rows.field("Ip1"), rows.field("Ip2"), rows.field("Ip3"), rows.field("Ip4")});
  cell(kPortNo) = std::string();
  cell(kSelect) = std::string(kHeadOfficeSelect);
  return row;
}

void openLocal(Connection& connection, const std::string& connectionString) {
  connection.open(connectionString);
  connection.setCommandTimeout(kLocalCommandTimeoutSeconds);
}

void runSteps(AgentContext& context, const StartupOptions& options) {
  Settings& settings = context.settings;

  settings.siteId = siteIdFromQvid(options.environment(kSiteEnvironmentVariable));
  if (!isUsableSiteId(settings.siteId)) throw StartupStop{std::string(kInvalidQvidMessage)};

  readJewellers(settings, options.programFolder);
  readYear(settings, options.programFolder);
  settings.yearDatabase =
      yearDatabaseName(settings.companyPrefix, settings.yearStart, settings.yearEnd);

  openLocal(context.localMain, localMainConnectionString(settings));
  openLocal(context.localYear, localYearConnectionString(settings));

  context.headOffices.clear();

  {
    Recordset branch;
    branch.open(branchNameQuery(settings.companyPrefix), context.localMain);
    settings.branchDisplayName = branch.eof() ? std::string() : cellText(branch, "Branch");
  }

  settings.branchNo = 0;
  {
    Recordset param;
    param.open(std::string(kBranchCodeQuery), context.localMain);
    if (!param.eof()) {
      settings.branchNo = branchNumberFromParam(trimBlanks(cellText(param, "ParamLONG")));
    }
  }
  // A negative number would name columns such as BR-3 in every statement.
  if (settings.branchNo <= 0) throw StartupStop{std::string(kInvalidBranchCodeMessage)};

  Recordset offices;
  offices.open(std::string(kHeadOfficeQuery), context.localMain);
  while (!offices.eof()) {
    context.headOffices.push_back(headOfficeRow(offices));
    offices.moveNext();
  }
}

}  // namespace

std::optional<std::string> processEnvironment(std::string_view name) {
  const char* value = std::getenv(std::string(name).c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

StartupResult runStartup(AgentContext& context, const StartupOptions& options) {
  try {
    runSteps(context, options);
    return StartupResult::success(windowCaption(context.settings));
  } catch (const StartupStop& stop) {
    return StartupResult::failure(stop.message);
  } catch (const Failure& failure) {
    if (failure.description().empty()) {
      return StartupResult::failure("Start-up failed with error " +
                                    std::to_string(failure.number()));
    }
    return StartupResult::failure(failure.description());
  } catch (const std::exception& error) {
    return StartupResult::failure(error.what());
  }
}

std::string siteIdFromQvid(const std::optional<std::string>& qvid) {
  if (!qvid) return {};
  std::string_view value = *qvid;
  if (value.size() > kSiteIdLength) value = value.substr(value.size() - kSiteIdLength);
  return trimBlanks(value);
}

bool isUsableSiteId(std::string_view siteId) {
  if (siteId.empty()) return false;
  for (char c : siteId) {
    bool usable = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                  c == '_';
    if (!usable) return false;
  }
  return true;
}

std::string yearDatabaseName(std::string_view companyPrefix, const DateTime& start,
                             const DateTime& end) {
  return trimBlanks(companyPrefix) + lastTwo(trimBlanks(formatDayMonthYear(start))) +
         lastTwo(trimBlanks(formatDayMonthYear(end)));
}

std::string localMainConnectionString(const Settings& settings) {
  return "Provider=SQLOLEDB.1;password=" + connectionStringValue(settings.localPassword) +
         ";Persist Security Info=true;User ID=sa;Initial Catalog=" +
         connectionStringValue(settings.companyPrefix + "MAIN") +
         ";Data Source=" + connectionStringValue(trimBlanks(settings.localServer));
}

std::string localYearConnectionString(const Settings& settings) {
  return "Provider=SQLOLEDB.1;password=" + connectionStringValue(settings.localPassword) +
         ";Persist Security Info=true;User ID=sa;Initial Catalog=" +
         connectionStringValue(settings.yearDatabase) +
         ";Data Source=" + connectionStringValue(trimBlanks(settings.localServer));
}

std::int16_t branchNumberFromParam(std::string_view paramLong) {
  double value = readLeadingNumber(paramLong);
  double whole = std::floor(value);
  double fraction = value - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  if (whole < std::numeric_limits<std::int16_t>::min() ||
      whole > std::numeric_limits<std::int16_t>::max()) {
    throw Failure(failure_number::kOverflow,
                  "Overflow: DEFAULTBRANCHCODE " + std::string(paramLong) +
                      " is outside the range of a branch number");
  }
  return static_cast<std::int16_t>(whole);
}

std::string headOfficeAddress(const std::array<Value, 4>& parts) {
  std::string address;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (parts[i].isNull()) continue;
    address += upperTrimmed(parts[i].toText());
    if (i + 1 < parts.size()) address += '.';
  }
  return address;
}

std::string initialCaption(const Settings& settings) {
  return "VELMORA " + std::string(kCaptionBlanks, ' ') + settings.buildStamp;
}

std::string windowCaption(const Settings& settings) {
  return initialCaption(settings) + "   [" + settings.branchDisplayName + "]";
}

std::string branchNameQuery(std::string_view companyPrefix) {
  // A quote in the prefix is doubled, so that the literal holds the prefix.
  std::string prefix;
  for (char c : upperTrimmed(companyPrefix)) {
    prefix += c;
    if (c == '\'') prefix += '\'';
  }
  return "Select * from Branch where compcode='" + prefix + "'";
}

}  // namespace velmora::shell
