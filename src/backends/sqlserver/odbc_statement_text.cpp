#include "backends/sqlserver/odbc_statement_text.h"

#include <cctype>

#include "transfer/db_access.h"

namespace velmora {
namespace {

bool isWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '@' || c == '#' || c == '$';
}

// Splits the text into tokens: words, bracketed or quoted names, string
// literals and single punctuation characters. Parenthesised parts are kept
// as one "(" token each so that only the top level is seen.
std::vector<std::string_view> topLevelTokens(std::string_view sql) {
  std::vector<std::string_view> tokens;
  std::size_t i = 0;
  while (i < sql.size()) {
    char c = sql[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '[' || c == '"' || c == '\'') {
      char close = c == '[' ? ']' : c;
      std::size_t j = i + 1;
      while (j < sql.size()) {
        if (sql[j] == close) {
          if (j + 1 < sql.size() && sql[j + 1] == close) {
            j += 2;
            continue;
          }
          break;
        }
        ++j;
      }
      std::size_t end = j < sql.size() ? j + 1 : sql.size();
      tokens.push_back(sql.substr(i, end - i));
      i = end;
    } else if (c == '(') {
      int depth = 0;
      std::size_t j = i;
      for (; j < sql.size(); ++j) {
        if (sql[j] == '\'') {
          std::size_t k = sql.find('\'', j + 1);
          j = k == std::string_view::npos ? sql.size() - 1 : k;
        } else if (sql[j] == '(') {
          ++depth;
        } else if (sql[j] == ')' && --depth == 0) {
          break;
        }
      }
      tokens.push_back(sql.substr(i, 1));
      i = j < sql.size() ? j + 1 : sql.size();
    } else if (isWordChar(c)) {
      std::size_t j = i;
      while (j < sql.size() && isWordChar(sql[j])) ++j;
      tokens.push_back(sql.substr(i, j - i));
      i = j;
    } else {
      tokens.push_back(sql.substr(i, 1));
      ++i;
    }
  }
  return tokens;
}

bool isNamePart(std::string_view token) {
  return !token.empty() && (token.front() == '[' || token.front() == '"' || isWordChar(token.front()));
}

}  // namespace

std::optional<std::string> selectBaseTable(std::string_view sql) {
  std::vector<std::string_view> tokens = topLevelTokens(sql);
  if (tokens.empty() || !equalsIgnoreCase(tokens[0], "select")) return std::nullopt;
  std::size_t i = 1;
  while (i < tokens.size() && !equalsIgnoreCase(tokens[i], "from")) ++i;
  if (++i >= tokens.size()) return std::nullopt;
  // A dotted name: part(.part)*
  std::size_t start = i;
  if (!isNamePart(tokens[i])) return std::nullopt;
  ++i;
  while (i + 1 < tokens.size() && tokens[i] == "." && isNamePart(tokens[i + 1])) i += 2;
  std::size_t end = i;
  // Nothing up to WHERE / ORDER / GROUP may name a second table.
  for (; i < tokens.size(); ++i) {
    std::string_view t = tokens[i];
    if (equalsIgnoreCase(t, "where") || equalsIgnoreCase(t, "order") || equalsIgnoreCase(t, "group"))
      break;
    if (t == "," || equalsIgnoreCase(t, "join") || equalsIgnoreCase(t, "apply")) return std::nullopt;
  }
  std::string name;
  for (std::size_t k = start; k < end; ++k) name += tokens[k];
  return name;
}

bool selectsAllColumns(std::string_view sql) {
  std::vector<std::string_view> tokens = topLevelTokens(sql);
  return tokens.size() >= 3 && equalsIgnoreCase(tokens[0], "select") && tokens[1] == "*" &&
         equalsIgnoreCase(tokens[2], "from");
}

std::string quoteIdentifier(std::string_view name) {
  std::string out = "[";
  for (char c : name) {
    out += c;
    if (c == ']') out += ']';
  }
  out += ']';
  return out;
}

std::string insertStatement(std::string_view table, const std::vector<std::string>& columns) {
  std::string sql = "INSERT INTO ";
  sql += table;
  sql += " (";
  std::string values;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) {
      sql += ',';
      values += ',';
    }
    sql += quoteIdentifier(columns[i]);
    values += '?';
  }
  sql += ") VALUES (" + values + ")";
  return sql;
}

std::string rowChecksumExpression(const std::vector<std::string>& columns) {
  std::string sql = "BINARY_CHECKSUM(";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) sql += ',';
    sql += quoteIdentifier(columns[i]);
  }
  return sql + ")";
}

std::string updateStatement(std::string_view table, const std::vector<std::string>& columns,
                            std::string_view key, const std::vector<std::string>& checksumColumns) {
  std::string sql = "UPDATE ";
  sql += table;
  sql += " SET ";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) sql += ',';
    sql += quoteIdentifier(columns[i]) + "=?";
  }
  sql += " WHERE " + quoteIdentifier(key) + "=?";
  if (!checksumColumns.empty()) sql += " AND " + rowChecksumExpression(checksumColumns) + "=?";
  return sql;
}

std::optional<std::string> withRowChecksum(std::string_view sql,
                                           const std::vector<std::string>& checksumColumns) {
  std::vector<std::string_view> tokens = topLevelTokens(sql);
  std::size_t star = 1;
  if (tokens.size() > 3 && equalsIgnoreCase(tokens[1], "top")) star = 3;
  if (tokens.size() < star + 2 || !equalsIgnoreCase(tokens[0], "select") || tokens[star] != "*" ||
      !equalsIgnoreCase(tokens[star + 1], "from"))
    return std::nullopt;
  const std::size_t at = static_cast<std::size_t>(tokens[star].data() - sql.data()) + 1;
  return std::string(sql.substr(0, at)) + "," + rowChecksumExpression(checksumColumns) +
         std::string(sql.substr(at));
}

std::string describeTableStatement(std::string_view table) {
  return "SELECT * FROM " + std::string(table) + " WHERE 1=0";
}

std::string selectByKeysStatement(std::string_view table, std::string_view key,
                                  const std::vector<std::int64_t>& keys) {
  std::string sql = "SELECT * FROM ";
  sql += table;
  sql += " WHERE " + quoteIdentifier(key) + " IN (";
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (i > 0) sql += ',';
    sql += std::to_string(keys[i]);
  }
  sql += ')';
  return sql;
}

}  // namespace velmora
