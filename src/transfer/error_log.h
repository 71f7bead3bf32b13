// The error log's writing side: every failure the agent absorbs becomes one
// row of ERRTABLE. (Reading today's rows for the display is the cycle's, in
// cycle/error_display.h.)
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "transfer/agent_context.h"
#include "transfer/db_access.h"

namespace velmora {

inline constexpr std::string_view kConnectionLabel = "CONNECTION";
inline constexpr std::string_view kMainErrorLabel = "MAINERROR";

// What ERRTABLE.MESSAGE holds (varchar(4000)), and what ends a cut message.
inline constexpr std::size_t kErrorMessageLimit = 4000;
inline constexpr std::string_view kCutMarker = " [cut]";

// An error row that could not be written: the insert's failure (its number
// and description) and the message the row would have held. A lost link is
// never one of these; it leaves the writer as the plain Failure it is.
class ErrorRowFailure : public Failure {
 public:
  ErrorRowFailure(const Failure& insertFailure, std::string module, std::string message)
      : Failure(insertFailure.number(), insertFailure.description()),
        module_(std::move(module)),
        message_(std::move(message)) {}
  const std::string& module() const noexcept { return module_; }
  const std::string& message() const noexcept { return message_; }

 private:
  std::string module_;
  std::string message_;
};

// The time text of an error row, e.g. "1:07:00 PM".
std::string errorTimeText(const DateTime& when);

// A text as an error row or a terminal may show it: NUL, the other control
// characters and DEL written as \xHH, everything else unchanged.
std::string visibleText(std::string_view text);

// MESSAGE of an error row: prefix + "-" + description, made visible, and cut
// (at a whole UTF-8 character, ending in kCutMarker) to kErrorMessageLimit
// bytes.
std::string errorMessage(std::string_view prefix, std::string_view description);

// The insert statement of one error row, whatever the texts hold: MESSAGE is
// errorMessage(prefix, description), single quotes are doubled so that the
// statement stays valid and the row reads back with that text.
std::string errorRowInsert(std::string_view module, std::string_view prefix,
                           std::string_view description, const DateTime& when);

// Writes one error row through `connection`, outside any transaction of its
// own. Throws the insert's Failure unchanged when the link is lost
// (kLinkFailure), and ErrorRowFailure for any other failure of the insert.
void writeErrorRow(Connection& connection, std::string_view module, std::string_view prefix,
                   std::string_view description, const Clock& clock);

}  // namespace velmora
