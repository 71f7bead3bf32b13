// Moving values between ODBC and Value: describing a result's columns,
// reading one field of the current row, and parameter arrays (column-wise
// bound) for batched inserts and updates.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "backends/sqlserver/odbc_api.h"
#include "backends/sqlserver/odbc_handles.h"
#include "transfer/value.h"

namespace velmora {

struct ColumnInfo {
  std::string name;
  SQLSMALLINT sqlType = SQL_VARCHAR;
  SQLULEN size = 0;
  SQLSMALLINT decimalDigits = 0;
  bool autoIncrement = false;
};

// The columns of the result open on `statement` (none when the statement
// returned no result set).
std::vector<ColumnInfo> describeColumns(const StatementHandle& statement);

// Reads field `column` (0-based) of the fetched row: integers as integers,
// decimal and money as decimals (canonical text), float and real as reals,
// date-times as date-times when their text reads as one, everything else as
// UTF-8 text; null as null. Fields must be read in increasing column order.
Value readField(const StatementHandle& statement, std::size_t column, const ColumnInfo& info);

// Canonical decimal text ("-12.50", "0.5") for a driver's number text, or
// nullopt when the text is not a plain decimal number.
std::optional<std::string> canonicalDecimal(std::string_view text);

// One parameter's buffers for every parameter set.
struct ParameterColumn {
  SQLSMALLINT cType = SQL_C_CHAR;
  SQLSMALLINT sqlType = SQL_VARCHAR;
  SQLULEN columnSize = 1;
  SQLSMALLINT decimalDigits = 0;
  SQLLEN elementSize = 1;
  std::vector<char> data;
  std::vector<SQLLEN> indicators;
};

// Column-wise parameter buffers for `rows` parameter sets of one statement.
// Each parameter gets one C type for all its rows, chosen from its values and
// its target column: integers and date-times keep their type when every
// non-null value has it; reals travel as DOUBLE, except to a text column;
// integers with decimals for a number column travel as DECIMAL, and numbers
// of mixed kinds for a number column as DOUBLE; everything else travels as
// text (reals with fifteen significant digits). nullopt and null values are
// sent as NULL.
class ParameterArrays {
 public:
  // `values[p][r]` is parameter p of row r; `targets[p]` describes the column
  // the parameter is written to (wide text columns get wide parameters).
  ParameterArrays(const std::vector<std::vector<std::optional<Value>>>& values,
                  const std::vector<ColumnInfo>& targets, std::size_t rows);

  // Binds every parameter to `statement` and sets the parameter-set size.
  void bind(const StatementHandle& statement);

  std::size_t rows() const { return rows_; }
  const ParameterColumn& column(std::size_t parameter) const { return columns_.at(parameter); }

 private:
  std::vector<ParameterColumn> columns_;
  std::size_t rows_;
};

}  // namespace velmora
