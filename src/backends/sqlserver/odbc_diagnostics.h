// ODBC diagnostic records and how they map to failure numbers and
// descriptions. Free of vendor headers, so that the mapping can be tested on
// its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

struct DiagnosticRecord {
  std::string sqlState;  // five characters, e.g. "08001"
  std::int32_t nativeError = 0;
  std::string message;
};

// Where a failure happened: while opening a connection every failure that is
// not a refused login means the server or database cannot be reached.
enum class FailurePhase { kConnect, kStatement };

// The failure number for a set of records, looked at as a whole (drivers put
// them in different orders): a lost or impossible link (SQLSTATE 08xxx,
// HYT01, or native 4060 "cannot open database") wins over a refused login
// (28000, native 18456), which wins over a statement timeout (HYT00); anything
// else is a statement failure, or a link failure in the connect phase.
std::int32_t failureNumberFor(const std::vector<DiagnosticRecord>& records, FailurePhase phase);

// The messages joined with "; ", each without the driver's leading bracketed
// prefixes ("[unixODBC][FreeTDS][SQL Server]"); duplicates are dropped.
// `fallback` is returned when no record carries a message.
std::string describeDiagnostics(const std::vector<DiagnosticRecord>& records,
                                const std::string& fallback);

}  // namespace velmora
