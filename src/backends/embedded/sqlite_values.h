// Reading SQLite result columns as the agent's values. A value is read by its
// stored type (integer, real, text, null); a text in a column declared with
// DATE or TIME in its type is a date-time when DateTime::parse reads it; a
// number in a column declared DECIMAL(p,s), NUMERIC(p,s) or MONEY is an exact
// decimal with the column's scale, as SQL Server returns it.
#pragma once

#include <sqlite3.h>

#include <string_view>

#include "transfer/value.h"

namespace velmora {

struct ColumnTraits {
  bool dateTime = false;  // declared type mentions DATE or TIME
  int decimalScale = -1;  // digits after the point of a decimal column; -1 if none
};

// Traits of a column from its declared type (null or empty: no traits).
ColumnTraits columnTraitsFor(const char* declaredType);

// The value of column `column` of the current row of `statement`.
Value readColumn(sqlite3_stmt* statement, int column, const ColumnTraits& traits);

}  // namespace velmora
