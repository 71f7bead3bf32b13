#include "transfer/column_list.h"

#include "transfer/connection_string.h"
#include "transfer/text_rules.h"

namespace velmora {
std::string columnListQuery(std::string_view table) {
  return "select COLUMN_NAME, TABLE_NAME from INFORMATION_SCHEMA.COLUMNS where TABLE_SCHEMA = "
         "'dbo' and table_name='" +
         std::string(table) +
         "' and COLUMNPROPERTY(object_id(TABLE_NAME), COLUMN_NAME, 'IsIdentity') <> 1 ";
}

std::string TableColumnList(const AgentContext& context, std::string_view table,
                            std::string_view database) {
  Connection connection(context.connector);
  connection.open("Provider=SQLOLEDB.1;password=" +
                  connectionStringValue(context.settings.localPassword) +
                  ";Persist Security Info=true;User ID=sa;Initial Catalog=" +
                  connectionStringValue(database) + ";Data Source=" +
                  connectionStringValue(trimBlanks(context.settings.localServer)));
  Recordset columns;
  connection.setCursorLocation(CursorLocation::kClient);
  columns.open(columnListQuery(table), connection, CursorType::kStatic,
               LockType::kBatchOptimistic);
  std::string list;
  if (!columns.eof()) {
    const std::size_t nameIndex = columns.fieldIndex("column_Name");
    for (columns.moveFirst(); !columns.eof(); columns.moveNext()) {
      list += columns.field(nameIndex).toText();
      list += ',';
    }
  }
  if (list.size() > 1) list.pop_back();
  return list;
}

}  // namespace velmora
