#include "shell/central_connection.h"

#include <cmath>

#include "transfer/error_log.h"
#include "transfer/text_rules.h"
#include "transfer/connection_string.h"
#include "transfer/conversions.h"
#include "transfer/failure.h"
#include "transfer/number_text.h"

namespace velmora::shell {

namespace {

void prepare(Connection& connection) {
  if (connection.isOpen()) connection.close();
  connection.setCursorLocation(CursorLocation::kClient);
  connection.setCommandTimeout(kCentralOpenTimeoutSeconds);
}

}  // namespace

std::string centralPortNumber(const std::string& port) {
  double number = readLeadingNumber(port);
  if (number == std::floor(number) && std::fabs(number) < 1e15) {
    return std::to_string(static_cast<long long>(number));
  }
  return generalNumberText(number, 15);
}

std::string centralConnectionString(const CentralArguments& arguments, const std::string& database) {
  std::string source = trimBlanks(arguments.server);
  if (arguments.byAddress) source += "," + centralPortNumber(arguments.port);
  return "Provider=SQLOLEDB.1;UID=" + connectionStringValue(trimBlanks(arguments.user)) +
         ";pwd=" + connectionStringValue(arguments.password) +
         ";Persist Security Info=False;Initial Catalog=" + connectionStringValue(trimBlanks(database)) +
         ";Data Source=" + connectionStringValue(source);
}

std::optional<Failure> openCentral(AgentContext& context, const CentralArguments& arguments) {
  context.cycle.centralConnected = false;
  Connection& centralMain = *context.centralMain;
  Connection& centralYear = context.centralYear;
  prepare(centralMain);
  prepare(centralYear);

  try {
    centralMain.open(centralConnectionString(arguments, arguments.mainDatabase));
    centralYear.open(centralConnectionString(arguments, context.cycle.centralYearDatabase));
    centralMain.setCommandTimeout(kCentralCommandTimeoutSeconds);
    centralYear.setCommandTimeout(kCentralCommandTimeoutSeconds);
    context.cycle.centralConnected = true;
  } catch (const Failure& failure) {
    return failure;
  }
  return std::nullopt;
}

void connectCentral(AgentContext& context, const CentralArguments& arguments) {
  if (const auto failure = openCentral(context, arguments)) {
    writeErrorRow(context.localMain, kConnectionLabel, trimBlanks(arguments.server),
                  failure->description(), *context.clock);
  }
}

}  // namespace velmora::shell
