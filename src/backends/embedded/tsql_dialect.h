// The embedded backend's T-SQL dialect layer: rewrites the statements the
// agent builds for SQL Server into statements that SQLite runs with the same
// effect. A pure translator: it touches no database. Linked-server names are
// handed to a resolver that names the attached schema to read them from.
//
// Rewrites (never inside string literals or quoted names):
// - four-part names [S].D.Dbo.T  ->  <schema>.T (the resolver's schema);
// - table hints: with (nolock), with (TABLOCK, HOLDLOCK) ...  ->  removed;
// - isnull(a,b)                  ->  (ifnull(a,b) COLLATE NOCASE);
// - Right( / Left(               ->  vel_right( / vel_left(;
// - CONVERT(type, x, style)      ->  vel_convert(x, style, length);
// - BINARY_CHECKSUM(a, b, ...)   ->  (quote(a)||char(31)||quote(b)...), the
//                                    row's exact image: it changes with any value;
// - select top n ...             ->  select ... LIMIT n;
// - Update T set ... from T A, X B where ...  ->  UPDATE T AS A SET ... FROM X B WHERE ...;
// - Select * into X from T ...   ->  a SelectInto action (new table like T, then
//                                    INSERT INTO X SELECT * FROM T ...);
// - the sysobjects view/table drop  ->  a DropIfExists action;
// - the INFORMATION_SCHEMA.COLUMNS identity query  ->  pragma_table_info;
// - the INFORMATION_SCHEMA.COLUMNS query by DATA_TYPE in (...)  ->  pragma_table_info
//   filtered by declared type;
// - unqualified table names after FROM, JOIN, UPDATE and INTO  ->  main.T, so
//   that a missing local table is never looked up in an attached file.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace velmora {

// Names the schema under which database `database` of linked server `server`
// is attached (and attaches it). Throws Failure when the server is unknown or
// the database does not exist.
using LinkedSchemaResolver =
    std::function<std::string(const std::string& server, const std::string& database)>;

struct Translation {
  enum class Kind {
    kStatement,     // run `sql` (one or more statements separated by ';')
    kSelectInto,    // create `objectName` like sourceSchema.sourceTable, then run `sql`
    kDropIfExists,  // drop the view or table `objectName` of main, whichever exists
  };
  Kind kind = Kind::kStatement;
  std::string sql;
  std::string objectName;
  std::string sourceSchema;
  std::string sourceTable;
  // For a single-table "select [top n] * from T ..." statement: the schema and
  // table it reads and the same statement selecting only the rowid of each
  // row (the rows' identities, in the statement's order and limit).
  std::string baseSchema;
  std::string baseTable;
  std::string rowidSql;
  // True when the statement named a linked server.
  bool usesLinkedServer = false;
};

// Translates one T-SQL statement. Throws what `resolver` throws; never fails
// otherwise (a text it cannot make sense of passes through for SQLite to
// report).
Translation translateTsql(std::string_view tsql, const LinkedSchemaResolver& resolver);

// Names of the application-defined functions the rewritten statements call.
inline constexpr const char* kRightFunction = "vel_right";
inline constexpr const char* kLeftFunction = "vel_left";
inline constexpr const char* kConvertFunction = "vel_convert";

}  // namespace velmora
