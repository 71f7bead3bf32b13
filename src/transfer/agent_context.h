// The agent's process-wide state: the settings read at start-up, the four
// connections, the state of the head office being processed, and the clock
// and view that the cycle reports through. Start-up fills it once; the cycle
// and the transfer steps read it and update the per-head-office part.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "transfer/db_access.h"
#include "transfer/value.h"

namespace velmora {

struct Settings {
  std::string siteId;         // last four characters of QVID, trimmed
  std::string companyPrefix;  // jewellers.txt line 1 value (untrimmed)
  std::string localServer;    // jewellers.txt line 12 value
  std::string localPassword;  // jewellers.txt line 13 value
  DateTime yearStart;         // year.txt line 1
  DateTime yearEnd;           // year.txt line 2
  std::string yearDatabase;   // trimmed prefix + yy(start) + yy(end)
  std::string buildStamp = "31/Mar/2020      01:07:00 PM";
  std::string branchDisplayName;
  std::int16_t branchNo = 0;
};

// One row of the head-office list: ten text cells, in this order.
enum class HeadOfficeColumn {
  kFlag = 0, kBranch, kBranchName, kServerName, kUserName,
  kPassword, kCompId, kIpAddress, kPortNo, kSelect,
};
inline constexpr std::size_t kHeadOfficeColumnCount = 10;
using HeadOfficeRow = std::array<std::string, kHeadOfficeColumnCount>;

struct CycleState {
  bool centralConnected = false;
  std::string linkedServer;         // "[" + server name + "]"
  std::int16_t centralBranchNo = 0; // the head office's branch number
  std::string centralYearDatabase;
  std::string columnList;           // written by every step with pending rows
};

// Source of the current local date and time.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime now() const = 0;
};

// The local wall clock.
class SystemClock : public Clock {
 public:
  DateTime now() const override;
};

struct AgentContext {
  explicit AgentContext(std::shared_ptr<Connector> connector,
                        std::shared_ptr<const Clock> clockSource = std::make_shared<SystemClock>())
      : connector(connector), clock(std::move(clockSource)),
        localMain(connector), localYear(connector),
        centralMain(std::make_unique<Connection>(connector)), centralYear(connector) {}

  std::shared_ptr<Connector> connector;
  std::shared_ptr<const Clock> clock;
  Settings settings;
  std::vector<HeadOfficeRow> headOffices;  // rows 1..n of the list (no header)

  Connection localMain;
  Connection localYear;
  // Replaced by a fresh connection object for every head office.
  std::unique_ptr<Connection> centralMain;
  Connection centralYear;

  CycleState cycle;
};

}  // namespace velmora
