// The failure value that every database operation and every step of the agent
// reports: a signed 32-bit number and a description. It travels as an
// exception inside a step and is turned into an error row where it is absorbed.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace velmora {

namespace failure_number {
// Cannot connect: server unknown or unreachable, database missing, link lost.
inline constexpr std::int32_t kLinkFailure = -2147467259;
// Login refused.
inline constexpr std::int32_t kLoginRefused = -2147217843;
// Statement timeout.
inline constexpr std::int32_t kTimeout = -2147217871;
// Any other statement error (syntax, missing object, constraint, conversion).
inline constexpr std::int32_t kStatementFailed = -2147217900;
// The agent's own failures: small positive numbers.
inline constexpr std::int32_t kInvalidSettings = 5;
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kInvalidUse = 94;  // e.g. a null where a value is required
}  // namespace failure_number

class Failure : public std::exception {
 public:
  Failure(std::int32_t number, std::string description)
      : number_(number), description_(std::move(description)) {}

  std::int32_t number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  std::int32_t number_;
  std::string description_;
};

}  // namespace velmora
