// The T-SQL functions that SQLite lacks, as application-defined functions
// under the names the dialect layer rewrites their calls to.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "transfer/value.h"

struct sqlite3;

namespace velmora {

// Registers vel_right(x,n), vel_left(x,n) and vel_convert(x,style,length) on
// `db`. Returns false when SQLite refuses a registration.
bool registerTsqlFunctions(sqlite3* db);

// The last (first) `count` characters of UTF-8 `text`; the empty text for a
// count of 0 or less.
std::string rightCharacters(std::string_view text, long long count);
std::string leftCharacters(std::string_view text, long long count);

// Reads a date-time as DateTime::parse does, and also a bare time of day
// "h:mm[:ss[.fff]][ ]AM|PM" or "hh:mm[:ss]" (on 1 January 1900).
std::optional<DateTime> readDateTimeOrTime(std::string_view text);

// A date-time in CONVERT style 100 (and 0): "mon dd yyyy hh:miAM", the day and
// the hour padded with a blank, for example "Jan  1 1900  1:07PM".
std::string formatStyle100(const DateTime& value);

}  // namespace velmora
