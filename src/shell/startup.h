// Start-up: reads the settings (QVID, jewellers.txt, year.txt), opens the two
// local connections, reads this branch's name and number and loads the
// head-office list. Runs once, before the window or the headless runner
// starts; a failure ends the program with a message.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "transfer/agent_context.h"
#include "transfer/db_access.h"

namespace velmora::shell {

inline constexpr std::string_view kInvalidQvidMessage = "Invalid QVID";
inline constexpr std::string_view kInvalidBranchCodeMessage = "INVALID DEFAULTBRANCHCODE";
inline constexpr std::string_view kSiteEnvironmentVariable = "QVID";
inline constexpr int kLocalCommandTimeoutSeconds = 60;
inline constexpr std::size_t kCaptionBlanks = 70;

// The header row of the head-office list: its text and its width in twips.
struct HeadOfficeHeaderCell {
  std::string_view text;
  int widthTwips;
};

inline constexpr std::array<HeadOfficeHeaderCell, kHeadOfficeColumnCount> kHeadOfficeHeader = {{
    {"Flag",       0},
    {"Branch",     500},
    {"BranchName", 1500},
    {"ServerName", 1100},
    {"UserName",   500},
    {"Password",   500},
    {"Comp_Id",    500},
    {"IpAddress",  1500},
    {"PortNo",     500},
    {"Select",     300},
}};

// Reads one environment variable; nullopt when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(std::string_view name)>;

// The process environment.
std::optional<std::string> processEnvironment(std::string_view name);

struct StartupOptions {
  std::filesystem::path programFolder;
  EnvironmentLookup environment = processEnvironment;
};

// Either success (with the window caption) or the message to show before the
// program ends.
struct StartupResult {
  bool ok = false;
  std::string message;  // when !ok
  std::string caption;  // when ok

  static StartupResult success(std::string caption) { return {true, {}, std::move(caption)}; }
  static StartupResult failure(std::string message) { return {false, std::move(message), {}}; }
};

// Runs start-up on `context`: fills context.settings, opens context.localMain
// and context.localYear (command timeout 60 s) and fills
// context.headOffices. Never throws: every failure becomes the result's
// message ("Invalid QVID", "INVALID DEFAULTBRANCHCODE", a missing settings
// file, or the description of a failure of the database or the files).
StartupResult runStartup(AgentContext& context, const StartupOptions& options);

// --- The rules start-up applies, one each. ---------------------------------

// The site id: the last four characters of QVID, trimmed. An unset variable
// gives the empty text.
std::string siteIdFromQvid(const std::optional<std::string>& qvid);

// A site id is usable when it is not empty and holds only letters, digits and
// underscores (it becomes part of table names).
bool isUsableSiteId(std::string_view siteId);

// The trimmed prefix followed by the two-digit years of the start and end.
std::string yearDatabaseName(std::string_view companyPrefix, const DateTime& start,
                             const DateTime& end);

// The local connection strings, byte for byte.
std::string localMainConnectionString(const Settings& settings);
std::string localYearConnectionString(const Settings& settings);

// The branch number of a ParamLONG text: the leading numeric part of the
// trimmed text (0 when there is none), rounded to the nearest integer with
// an exact half going to the even neighbour. Throws Failure (kOverflow)
// outside the 16-bit range.
std::int16_t branchNumberFromParam(std::string_view paramLong);

// The address cell: the four parts, upper-cased and trimmed, each of the
// first three followed by "."; a null part contributes nothing.
std::string headOfficeAddress(const std::array<Value, 4>& parts);

// The caption before the branch is known, and after.
std::string initialCaption(const Settings& settings);
std::string windowCaption(const Settings& settings);

// The statements of start-up, byte for byte.
std::string branchNameQuery(std::string_view companyPrefix);
inline constexpr std::string_view kBranchCodeQuery =
    "Select * from ParamControl where ParamCode='DEFAULTBRANCHCODE' ";
inline constexpr std::string_view kHeadOfficeQuery =
    "select 0 Sno1,* from Branch where isnull(active,'')<>'N' and isnull(CompCode,'')<>'' "
    "and isnull(Flag,'')='H' order by Sno1,BranchOrder";

}  // namespace velmora::shell
