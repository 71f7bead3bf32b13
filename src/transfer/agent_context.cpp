#include "transfer/agent_context.h"

#include <chrono>
#include <ctime>

namespace velmora {

DateTime SystemClock::now() const {
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &t);
#else
  localtime_r(&t, &local);
#endif
  DateTime d;
  d.year = local.tm_year + 1900;
  d.month = local.tm_mon + 1;
  d.day = local.tm_mday;
  d.hour = local.tm_hour;
  d.minute = local.tm_min;
  d.second = local.tm_sec;
  return d;
}

}  // namespace velmora
