#include "backends/sqlserver/odbc_connector.h"

#include <cctype>

#include "backends/sqlserver/odbc_handles.h"
#include "backends/sqlserver/odbc_link.h"
#include "backends/sqlserver/odbc_session.h"

namespace velmora {
namespace {

bool containsIgnoreCase(std::string_view text, std::string_view part) {
  if (part.size() > text.size()) return false;
  for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
    if (equalsIgnoreCase(text.substr(i, part.size()), part)) return true;
  }
  return false;
}

// "{value}": the form that keeps ';', '=' and blanks inside a value. ODBC's
// rule doubles a '}' inside; FreeTDS does not undo that doubling but ends a
// braced value at the first "};", so for it the value goes in as it is.
std::string braced(std::string_view value, bool freeTds) {
  std::string out = "{";
  for (char c : value) {
    out += c;
    if (c == '}' && !freeTds) out += '}';
  }
  out += '}';
  return out;
}

// A braced value for FreeTDS cannot hold "};": such a value is refused
// rather than sent cut short.
void refuseUnsendable(std::string_view value, bool freeTds) {
  if (freeTds && value.find("};") != std::string_view::npos) {
    throw Failure(failure_number::kInvalidSettings,
                  "The FreeTDS driver cannot receive a server, database, login or password "
                  "that holds \"};\"");
  }
}

std::string attributeValue(std::string_view value, bool freeTds) {
  bool plain = !value.empty() && value.find_first_of(";{}=") == std::string_view::npos &&
               !std::isspace(static_cast<unsigned char>(value.front())) &&
               !std::isspace(static_cast<unsigned char>(value.back()));
  if (plain) return std::string(value);
  refuseUnsendable(value, freeTds);
  return braced(value, freeTds);
}

bool isFreeTds(std::string_view driver) {
  return containsIgnoreCase(driver, "freetds") || containsIgnoreCase(driver, "tdsodbc");
}

}  // namespace

std::string odbcConnectionString(const OdbcOptions& options, const ConnectionParams& params) {
  if (options.buildConnectionString) return options.buildConnectionString(params);
  const bool hasPort = params.port && *params.port > 0;
  const bool freeTds = isFreeTds(options.driver);
  const auto value = [freeTds](std::string_view v) { return attributeValue(v, freeTds); };
  std::string text = "Driver=" + value(options.driver) + ";";
  if (freeTds) {
    text += "Server=" + value(params.server) + ";";
    // FreeTDS (with "tds version = auto") has no default port: without one it
    // refuses to connect. A named instance finds its port through the browser.
    if (hasPort) {
      text += "Port=" + std::to_string(*params.port) + ";";
    } else if (params.server.find('\\') == std::string::npos) {
      text += "Port=1433;";
    }
  } else {
    std::string server = params.server;
    if (hasPort) server += "," + std::to_string(*params.port);
    text += "Server=" + value(server) + ";";
  }
  text += "Database=" + value(params.database) + ";";
  text += "UID=" + value(params.user) + ";";
  refuseUnsendable(params.password, freeTds);
  text += "PWD=" + braced(params.password, freeTds) + ";";
  if (freeTds) {
    text += "TDS_Version=7.4;ClientCharset=UTF-8;TextSize=2147483647;";
    if (options.encrypt) text += "Encryption=require;";
  } else {
    text += options.encrypt ? "Encrypt=yes;" : "Encrypt=no;";
  }
  return text;
}

OdbcConnector::OdbcConnector(OdbcOptions options) : options_(std::move(options)) {}

OdbcConnector::~OdbcConnector() = default;

std::unique_ptr<Session> OdbcConnector::connect(const std::string& connectionString,
                                                int timeoutSeconds) {
  if (!environment_) environment_ = std::make_shared<EnvironmentHandle>();
  ConnectionParams params = parseConnectionString(connectionString);
  OdbcLinkSettings settings;
  settings.odbcConnectionString = odbcConnectionString(options_, params);
  settings.fallbackDatabase = params.database;
  settings.loginTimeoutSeconds = timeoutSeconds;
  settings.batchRows = options_.batchRows;
  settings.rewriteStatement = options_.rewriteStatement;
  auto link = std::make_shared<OdbcLink>(environment_, std::move(settings));
  link->setCommandTimeout(timeoutSeconds);
  return std::make_unique<OdbcSession>(std::move(link));
}

}  // namespace velmora
