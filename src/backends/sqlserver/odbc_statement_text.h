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

// "UPDATE table SET [a]=?,[b]=? WHERE [key]=?".
std::string updateStatement(std::string_view table, const std::vector<std::string>& columns,
                            std::string_view key);

// "SELECT * FROM table WHERE [key] IN (1,2,3)".
std::string selectByKeysStatement(std::string_view table, std::string_view key,
                                  const std::vector<std::int64_t>& keys);

}  // namespace velmora
