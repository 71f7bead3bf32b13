#include "transfer/compared_columns.h"

#include <algorithm>
#include <cctype>

#include "transfer/text_rules.h"

namespace velmora {
namespace {

bool isTransferFlag(std::string_view name) {
  if (name.size() > 2 && equalsIgnoreCase(name.substr(0, 2), "BR") &&
      std::all_of(name.begin() + 2, name.end(),
                  [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; })) {
    return true;
  }
  return equalsIgnoreCase(name, "Transfered") || equalsIgnoreCase(name, "TransferedDate") ||
         equalsIgnoreCase(name, "TransferedTime");
}

}  // namespace

std::string uncomparableColumnQuery(std::string_view table) {
  return "select COLUMN_NAME, DATA_TYPE from INFORMATION_SCHEMA.COLUMNS where TABLE_SCHEMA = "
         "'dbo' and table_name='" +
         std::string(table) + "' and DATA_TYPE in ('text','ntext','image','xml') ";
}

std::string comparableTypeOf(std::string_view dataType) {
  const std::string type = trimBlanks(dataType);
  if (equalsIgnoreCase(type, "text")) return "varchar(max)";
  if (equalsIgnoreCase(type, "ntext") || equalsIgnoreCase(type, "xml")) return "nvarchar(max)";
  if (equalsIgnoreCase(type, "image")) return "varbinary(max)";
  return {};
}

std::vector<ComparedColumn> uncomparableColumns(Connection& connection, std::string_view table) {
  Recordset rows;
  rows.open(uncomparableColumnQuery(table), connection);
  std::vector<ComparedColumn> columns;
  // By position: the names the server gives the two columns vary in case.
  for (; !rows.eof(); rows.moveNext()) {
    std::string type = comparableTypeOf(rows.field(std::size_t{1}).toText());
    if (!type.empty()) columns.push_back({rows.field(std::size_t{0}).toText(), std::move(type)});
  }
  rows.close();
  return columns;
}

std::vector<ComparedColumn> businessColumns(std::string_view columnList,
                                            const std::vector<ComparedColumn>& uncomparable) {
  std::vector<ComparedColumn> columns;
  while (!columnList.empty()) {
    const std::size_t comma = std::min(columnList.find(','), columnList.size());
    const std::string_view name = columnList.substr(0, comma);
    columnList.remove_prefix(std::min(comma + 1, columnList.size()));
    if (name.empty() || isTransferFlag(name)) continue;
    const auto found = std::find_if(uncomparable.begin(), uncomparable.end(),
                                    [&](const ComparedColumn& c) { return equalsIgnoreCase(c.name, name); });
    columns.push_back({std::string(name), found == uncomparable.end() ? "" : found->comparableType});
  }
  return columns;
}

}  // namespace velmora
