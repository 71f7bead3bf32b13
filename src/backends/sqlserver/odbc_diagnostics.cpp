#include "backends/sqlserver/odbc_diagnostics.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "transfer/failure.h"

namespace velmora {
namespace {

constexpr std::int32_t kNativeLoginFailed = 18456;
constexpr std::int32_t kNativeCannotOpenDatabase = 4060;

bool isLinkFailure(const DiagnosticRecord& r) {
  return r.sqlState.rfind("08", 0) == 0 || r.sqlState == "HYT01" ||
         r.nativeError == kNativeCannotOpenDatabase;
}

bool isLoginRefused(const DiagnosticRecord& r) {
  return r.sqlState == "28000" || r.nativeError == kNativeLoginFailed;
}

bool isTimeout(const DiagnosticRecord& r) { return r.sqlState == "HYT00"; }

std::string_view stripDriverPrefixes(std::string_view message) {
  std::string_view rest = message;
  while (!rest.empty() && rest.front() == '[') {
    std::size_t close = rest.find(']');
    if (close == std::string_view::npos) break;
    rest.remove_prefix(close + 1);
  }
  while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.front()))) rest.remove_prefix(1);
  while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.back()))) rest.remove_suffix(1);
  return rest.empty() ? message : rest;
}

}  // namespace

std::int32_t failureNumberFor(const std::vector<DiagnosticRecord>& records, FailurePhase phase) {
  auto any = [&](auto predicate) { return std::any_of(records.begin(), records.end(), predicate); };
  if (any(isLinkFailure)) return failure_number::kLinkFailure;
  if (any(isLoginRefused)) return failure_number::kLoginRefused;
  if (phase == FailurePhase::kConnect) return failure_number::kLinkFailure;
  if (any(isTimeout)) return failure_number::kTimeout;
  return failure_number::kStatementFailed;
}

std::string describeDiagnostics(const std::vector<DiagnosticRecord>& records,
                                const std::string& fallback) {
  std::vector<std::string_view> seen;
  std::string description;
  for (const DiagnosticRecord& r : records) {
    std::string_view message = stripDriverPrefixes(r.message);
    if (message.empty()) continue;
    if (std::find(seen.begin(), seen.end(), message) != seen.end()) continue;
    seen.push_back(message);
    if (!description.empty()) description += "; ";
    description += message;
  }
  return description.empty() ? fallback : description;
}

}  // namespace velmora
