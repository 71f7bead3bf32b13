// Parsing of the ADO-style connection strings that the agent builds, for
// example "Provider=SQLOLEDB.1;password=x;Persist Security Info=true;
// User ID=sa;Initial Catalog=ABCMAIN;Data Source=SERVER" or
// "Provider=SQLOLEDB.1;UID=sa;pwd=x;Persist Security Info=False;
// Initial Catalog=ABCMAIN;Data Source=192.168.10.20,0".
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

struct ConnectionParams {
  std::string server;    // Data Source without its ",port" suffix
  std::optional<int> port;  // the ",port" suffix; 0 means the default port
  std::string database;  // Initial Catalog
  std::string user;      // User ID / UID
  std::string password;  // password / pwd (may be empty)
};

// Splits `text` at ';' into key=value pairs; keys are matched without regard
// to letter case and surrounding blanks; values are kept as written (a value
// may itself be empty). A value that starts with a double or single quote
// runs to the matching quote, a doubled quote inside standing for one, so
// that it may hold ';'. Unknown keys are ignored.
ConnectionParams parseConnectionString(std::string_view text);

// `value` as it is written after "key=" so that parseConnectionString reads
// it back whole: unchanged when it holds no ';' and starts with no quote,
// otherwise between double quotes with every double quote doubled.
std::string connectionStringValue(std::string_view value);

// A text safe to show: the connection string with the password replaced.
std::string redactConnectionString(std::string_view text);

}  // namespace velmora
