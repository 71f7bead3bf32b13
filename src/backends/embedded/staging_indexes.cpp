#include "backends/embedded/staging_indexes.h"

#include <algorithm>
#include <cctype>

#include "backends/embedded/tsql_tokens.h"

namespace velmora {
namespace {

bool hasColumn(const std::vector<std::string>& columns, std::string_view name) {
  return std::any_of(columns.begin(), columns.end(), [&](const std::string& c) {
    return c.size() == name.size() && std::equal(c.begin(), c.end(), name.begin(), [](char x, char y) {
             return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
  });
}

}  // namespace

std::optional<std::string> stagingIndexStatement(std::string_view schema, std::string_view table,
                                                 const std::vector<std::string>& columns) {
  for (const JoinKey& key : kStagingJoinKeys) {
    std::string expressions;
    for (const JoinColumn& column : key.columns) {
      if (column.column.empty() || !hasColumn(columns, column.column)) break;
      expressions += (expressions.empty() ? "" : ", ") + std::string("ifnull(") + quoteName(column.column) + "," +
                     std::string(column.nullValue) + ") COLLATE NOCASE";
    }
    if (expressions.empty()) continue;
    const std::string index = "vel_" + std::string(table) + "_" + std::string(key.name);
    // A table's joins all compare the first key it has.
    return "CREATE INDEX " + quoteName(schema) + "." + quoteName(index) + " ON " + quoteName(table) + " (" +
           expressions + ")";
  }
  return std::nullopt;
}

}  // namespace velmora
