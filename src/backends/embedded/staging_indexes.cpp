#include "backends/embedded/staging_indexes.h"

#include <algorithm>
#include <cctype>

#include "backends/embedded/tsql_tokens.h"

namespace velmora {
namespace {

bool sameNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool hasColumn(const std::vector<std::string>& columns, std::string_view name) {
  return std::any_of(columns.begin(), columns.end(), [&](const std::string& c) { return sameNoCase(c, name); });
}

}  // namespace

bool readByJoins(std::string_view selectInto) {
  while (!selectInto.empty() && std::isspace(static_cast<unsigned char>(selectInto.back()))) {
    selectInto.remove_suffix(1);
  }
  const std::size_t n = kUnreadSnapshotSelection.size();
  return selectInto.size() < n || !sameNoCase(selectInto.substr(selectInto.size() - n), kUnreadSnapshotSelection);
}

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
