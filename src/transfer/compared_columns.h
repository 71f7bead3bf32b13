// The columns by which a step tells whether a row still holds the values it
// was copied with, and how each is compared. SQL Server refuses text, ntext,
// image and xml values in comparisons and in INTERSECT; those columns are
// compared through a lossless conversion to a comparable type instead.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "transfer/db_access.h"

namespace velmora {

// One compared column: its name and, for a column SQL Server cannot compare,
// the type it is converted to first ("varchar(max)", ...); empty otherwise.
struct ComparedColumn {
  std::string name;
  std::string comparableType;
};

// The query that lists the columns of `table` (dbo schema, database of the
// connection it runs on) whose types cannot be compared: COLUMN_NAME and
// DATA_TYPE.
std::string uncomparableColumnQuery(std::string_view table);

// The comparable type a value of SQL type `dataType` converts to without
// loss (text: varchar(max), ntext and xml: nvarchar(max), image:
// varbinary(max)); empty for a type that compares as it is.
std::string comparableTypeOf(std::string_view dataType);

// The uncomparable columns of `table` at the database of `connection`, with
// the types they convert to. Throws Failure when the query fails.
std::vector<ComparedColumn> uncomparableColumns(Connection& connection, std::string_view table);

// The columns of `columnList` (comma-separated) that carry a row's business
// values: every one but the transfer flags (BR followed by digits,
// Transfered, TransferedDate, TransferedTime), which other agents set on
// the same rows. Each takes its conversion from `uncomparable` (names
// compared without regard to case).
std::vector<ComparedColumn> businessColumns(std::string_view columnList,
                                            const std::vector<ComparedColumn>& uncomparable);

}  // namespace velmora
