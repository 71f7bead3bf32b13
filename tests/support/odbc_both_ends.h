// A test mode in which every connection of the agent, the branch's too, goes
// through the SQL Server backend's ODBC code: the SQLite ODBC driver behind
// it, each database the SQLite file that servers.txt names, the T-SQL the
// agent sends rewritten for SQLite by the embedded backend's dialect layer.
// The branch's four-part names [S].D.Dbo.T are served by attaching file D of
// server S to the branch's connection, as a linked server would serve them.
//
// The mode is chosen for a whole test run with VELMORA_TEST_BACKEND=odbc;
// AgentRun then builds the agent on this connector instead of the embedded
// one (CMake registers the reliability and end-to-end suites a second time
// in this mode).
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>

#include "transfer/db_access.h"

namespace velmora::testing {

// True when VELMORA_TEST_BACKEND is "odbc".
bool odbcAtBothEnds();

// The schema name under which the branch's connection attaches database
// `database` of linked server `server`.
std::string linkedSchemaName(const std::string& server, const std::string& database);

// A statement as SQLite runs it through the SQLite ODBC driver, at the branch
// or at a head office: the dialect layer's rewrite, four-part names read
// from linkedSchemaName's schemas, the staging build as CREATE TABLE AS, the
// staging drop as DROP TABLE IF EXISTS, and the error display's time
// formatting with SQLite's own functions.
std::string odbcSqliteDialect(const std::string& sql);

// A connector that reaches every server of `home`/servers.txt through the
// SQLite ODBC driver, sending recordset rows in batches of `batchRows`.
std::shared_ptr<Connector> makeOdbcBothEndsConnector(const std::filesystem::path& home,
                                                     std::size_t batchRows = 1000);

}  // namespace velmora::testing
