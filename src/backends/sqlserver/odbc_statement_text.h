// The statement texts the ODBC backend builds itself: the inserts and
// updates that save recordset rows, and the reads that page a large static
// cursor back in by identity. Also the little reading of a select text that
// these need (which table a "Select * From T ..." reads).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The table a select reads when it reads exactly one: the name after the
// first FROM, as written (brackets and dots kept), when no join or second
// table follows. nullopt otherwise.
std::optional<std::string> selectBaseTable(std::string_view sql);

// True when the select list is a bare "*" ("Select * From ..."); a TOP or a
// column list makes it false.
bool selectsAllColumns(std::string_view sql);

// "[name]" with each ']' doubled.
std::string quoteIdentifier(std::string_view name);

// "INSERT INTO table ([a],[b]) VALUES (?,?)".
std::string insertStatement(std::string_view table, const std::vector<std::string>& columns);

// The server's checksum of a row over `columns` (all of its table's):
// "BINARY_CHECKSUM([a],[b],...)". SQL Server computes it where the row is,
// gives the same value for as long as the row is not changed, and leaves out
// the columns it cannot compare (text, ntext, image) instead of failing.
std::string rowChecksumExpression(const std::vector<std::string>& columns);

// "UPDATE table SET [a]=?,[b]=? WHERE [key]=?", and with `checksumColumns`
// " AND <row checksum over them>=?": the row is saved only while it still
// holds what was read with it (a row changed meanwhile is left as it is).
std::string updateStatement(std::string_view table, const std::vector<std::string>& columns,
                            std::string_view key,
                            const std::vector<std::string>& checksumColumns = {});

// `sql` ("Select [top n] * From T ...") with the row checksum over
// `checksumColumns` added to its select list after the "*"; nullopt when the
// select list is not a bare "*".
std::optional<std::string> withRowChecksum(std::string_view sql,
                                           const std::vector<std::string>& checksumColumns);

// "SELECT * FROM table WHERE 1=0": the table's columns without its rows.
std::string describeTableStatement(std::string_view table);

// "SELECT * FROM table WHERE [key] IN (1,2,3)".
std::string selectByKeysStatement(std::string_view table, std::string_view key,
                                  const std::vector<std::int64_t>& keys);

}  // namespace velmora
