// The connection to one head office: opens the central main and year
// connections, or writes a CONNECTION error row when they cannot be opened.
#pragma once

#include <optional>
#include <string>

#include "cycle/sync_cycle.h"
#include "transfer/agent_context.h"
#include "transfer/failure.h"

namespace velmora::shell {

inline constexpr int kCentralOpenTimeoutSeconds = 30;
inline constexpr int kCentralCommandTimeoutSeconds = 720;

// The connection string of one central database, byte for byte: the address
// form ends in "Data Source=" + server + "," + port number, the name form in
// "Data Source=" + server. User, database and server are trimmed here; the
// password is used as given.
std::string centralConnectionString(const CentralArguments& arguments, const std::string& database);

// The port argument as the number written into the address form ("0" gives
// "0"; no leading digits give "0").
std::string centralPortNumber(const std::string& port);

// Opens context.centralMain and then context.centralYear (on the trimmed
// context.cycle.centralYearDatabase) as connectCentral does and sets
// context.cycle.centralConnected, but writes nothing anywhere: a failure to
// open or configure them leaves centralConnected false and is returned.
std::optional<Failure> openCentral(AgentContext& context, const CentralArguments& arguments);

// Opens context.centralMain and then context.centralYear (on the trimmed
// context.cycle.centralYearDatabase) and sets context.cycle.centralConnected.
// A failure to open or configure them is written as one CONNECTION row
// through context.localMain (message = trimmed server + "-" + description)
// and leaves centralConnected false. Throws Failure only when closing or
// configuring the connections beforehand fails, or when the CONNECTION row
// cannot be written. Matches ConnectCentralFn.
void connectCentral(AgentContext& context, const CentralArguments& arguments);

}  // namespace velmora::shell
