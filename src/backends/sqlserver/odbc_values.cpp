#include "backends/sqlserver/odbc_values.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "transfer/failure.h"
#include "transfer/number_text.h"

namespace velmora {
namespace {

// Texts travel as UTF-8 narrow characters where the driver can be told the
// client character set (FreeTDS: ClientCharset=UTF-8, the SQLite driver:
// always UTF-8); the Windows driver manager would convert narrow text to the
// ANSI code page, so there they travel as UTF-16.
#ifdef _WIN32
constexpr bool kWideClientText = true;
#else
constexpr bool kWideClientText = false;
#endif

constexpr SQLLEN kTextChunk = 8192;

bool isWideSqlType(SQLSMALLINT type) {
  return type == SQL_WCHAR || type == SQL_WVARCHAR || type == SQL_WLONGVARCHAR;
}

bool isIntegerSqlType(SQLSMALLINT type) {
  return type == SQL_TINYINT || type == SQL_SMALLINT || type == SQL_INTEGER || type == SQL_BIGINT;
}

bool isCharacterSqlType(SQLSMALLINT type) {
  return type == SQL_CHAR || type == SQL_VARCHAR || type == SQL_LONGVARCHAR || isWideSqlType(type);
}

bool isNumericSqlType(SQLSMALLINT type) {
  return isIntegerSqlType(type) || type == SQL_DECIMAL || type == SQL_NUMERIC || type == SQL_REAL ||
         type == SQL_FLOAT || type == SQL_DOUBLE;
}

enum class FieldKind { kInteger, kDecimal, kReal, kDateTime, kText };

FieldKind fieldKindOf(SQLSMALLINT type) {
  switch (type) {
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
    case SQL_BIT:
      return FieldKind::kInteger;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      return FieldKind::kDecimal;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return FieldKind::kReal;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TIMESTAMP:
    case SQL_DATE:
      return FieldKind::kDateTime;
    default:
      return FieldKind::kText;
  }
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string utf16ToUtf8(const std::vector<SQLWCHAR>& units) {
  std::string out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    appendUtf8(out, c);
  }
  return out;
}

std::vector<SQLWCHAR> utf8ToUtf16(std::string_view text) {
  std::vector<SQLWCHAR> out;
  for (std::size_t i = 0; i < text.size();) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    char32_t c = b;
    std::size_t extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (extra > 0) {
      c = b & (0x3F >> extra);
      for (std::size_t k = 1; k <= extra && i + k < text.size(); ++k)
        c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    i += extra + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<SQLWCHAR>(0xD800 + (c >> 10)));
      out.push_back(static_cast<SQLWCHAR>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<SQLWCHAR>(c));
    }
  }
  return out;
}

// Reads a character field in chunks; nullopt for null.
std::optional<std::string> readText(const StatementHandle& statement, SQLUSMALLINT column) {
  if constexpr (kWideClientText) {
    std::vector<SQLWCHAR> units;
    std::vector<SQLWCHAR> buffer(kTextChunk / sizeof(SQLWCHAR));
    const SQLLEN bufferBytes = static_cast<SQLLEN>(buffer.size() * sizeof(SQLWCHAR));
    for (;;) {
      SQLLEN indicator = 0;
      SQLRETURN rc = SQLGetData(statement.get(), column, SQL_C_WCHAR, buffer.data(), bufferBytes,
                                &indicator);
      if (rc == SQL_NO_DATA) break;
      statement.check(rc, "Reading a field");
      if (indicator == SQL_NULL_DATA) return std::nullopt;
      std::size_t got = buffer.size() - 1;
      if (indicator != SQL_NO_TOTAL && indicator < bufferBytes)
        got = static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR);
      units.insert(units.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
      if (rc == SQL_SUCCESS) break;
    }
    return utf16ToUtf8(units);
  } else {
    std::string text;
    std::vector<char> buffer(kTextChunk);
    for (;;) {
      SQLLEN indicator = 0;
      SQLRETURN rc = SQLGetData(statement.get(), column, SQL_C_CHAR, buffer.data(),
                                static_cast<SQLLEN>(buffer.size()), &indicator);
      if (rc == SQL_NO_DATA) break;
      statement.check(rc, "Reading a field");
      if (indicator == SQL_NULL_DATA) return std::nullopt;
      std::size_t got = buffer.size() - 1;
      if (indicator != SQL_NO_TOTAL && indicator < static_cast<SQLLEN>(buffer.size()))
        got = static_cast<std::size_t>(indicator);
      text.append(buffer.data(), got);
      if (rc == SQL_SUCCESS) break;
    }
    return text;
  }
}

// ISO "yyyy-mm-dd..." or "dd/MMM/yyyy...": the forms a stored date text takes.
bool looksLikeDateText(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (text.size() >= 10 && text[4] == '-') return true;
  std::size_t slash = text.find('/');
  return slash != std::string_view::npos && slash + 1 < text.size() &&
         std::isalpha(static_cast<unsigned char>(text[slash + 1]));
}

}  // namespace

std::vector<ColumnInfo> describeColumns(const StatementHandle& statement) {
  SQLSMALLINT count = 0;
  statement.check(SQLNumResultCols(statement.get(), &count), "Describing a result");
  std::vector<ColumnInfo> columns;
  columns.reserve(static_cast<std::size_t>(count));
  for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
    std::vector<SQLCHAR> name(256);
    SQLSMALLINT nameLength = 0;
    ColumnInfo info;
    SQLSMALLINT nullable = 0;
    statement.check(SQLDescribeCol(statement.get(), i, name.data(),
                                   static_cast<SQLSMALLINT>(name.size()), &nameLength,
                                   &info.sqlType, &info.size, &info.decimalDigits, &nullable),
                    "Describing a column");
    if (nameLength >= static_cast<SQLSMALLINT>(name.size())) {
      name.resize(static_cast<std::size_t>(nameLength) + 1);
      statement.check(SQLDescribeCol(statement.get(), i, name.data(),
                                     static_cast<SQLSMALLINT>(name.size()), &nameLength,
                                     &info.sqlType, &info.size, &info.decimalDigits, &nullable),
                      "Describing a column");
    }
    info.name.assign(reinterpret_cast<const char*>(name.data()),
                     std::min<std::size_t>(static_cast<std::size_t>(nameLength), name.size() - 1));
    SQLLEN autoUnique = SQL_FALSE;
    if (SQL_SUCCEEDED(SQLColAttribute(statement.get(), i, SQL_DESC_AUTO_UNIQUE_VALUE, nullptr, 0,
                                      nullptr, &autoUnique)))
      info.autoIncrement = autoUnique == SQL_TRUE;
    columns.push_back(std::move(info));
  }
  return columns;
}

std::optional<std::string> canonicalDecimal(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::size_t dot = text.find('.');
  std::string_view whole = text.substr(0, dot);
  std::string_view fraction = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
  auto digitsOnly = [](std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if ((whole.empty() && fraction.empty()) || !digitsOnly(whole) || !digitsOnly(fraction))
    return std::nullopt;
  while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);
  std::string out;
  bool zero = std::all_of(whole.begin(), whole.end(), [](char c) { return c == '0'; }) &&
              std::all_of(fraction.begin(), fraction.end(), [](char c) { return c == '0'; });
  if (negative && !zero) out += '-';
  out += whole.empty() ? std::string_view("0") : whole;
  if (dot != std::string_view::npos && !fraction.empty()) {
    out += '.';
    out += fraction;
  }
  return out;
}

Value readField(const StatementHandle& statement, std::size_t column, const ColumnInfo& info) {
  const SQLUSMALLINT number = static_cast<SQLUSMALLINT>(column + 1);
  switch (fieldKindOf(info.sqlType)) {
    case FieldKind::kInteger: {
      SQLBIGINT v = 0;
      SQLLEN indicator = 0;
      statement.check(SQLGetData(statement.get(), number, SQL_C_SBIGINT, &v, sizeof v, &indicator),
                      "Reading a field");
      if (indicator == SQL_NULL_DATA) return Value::null();
      return Value::integer(static_cast<std::int64_t>(v));
    }
    case FieldKind::kReal: {
      double v = 0;
      SQLLEN indicator = 0;
      statement.check(SQLGetData(statement.get(), number, SQL_C_DOUBLE, &v, sizeof v, &indicator),
                      "Reading a field");
      if (indicator == SQL_NULL_DATA) return Value::null();
      return Value::real(v);
    }
    case FieldKind::kDecimal: {
      std::optional<std::string> text = readText(statement, number);
      if (!text) return Value::null();
      if (std::optional<std::string> canonical = canonicalDecimal(*text))
        return Value::decimal(std::move(*canonical));
      if (std::optional<double> v = parseNumberText(*text)) return Value::real(*v);
      return Value::text(std::move(*text));
    }
    case FieldKind::kDateTime: {
      std::optional<std::string> text = readText(statement, number);
      if (!text) return Value::null();
      if (looksLikeDateText(*text)) {
        if (std::optional<DateTime> d = DateTime::parse(*text)) return Value::dateTime(*d);
      }
      return Value::text(std::move(*text));
    }
    case FieldKind::kText:
      break;
  }
  std::optional<std::string> text = readText(statement, number);
  if (!text) return Value::null();
  return Value::text(std::move(*text));
}

namespace {

using Cells = std::vector<std::optional<Value>>;

bool isPresent(const Cells& cells, std::size_t r) { return cells[r] && !cells[r]->isNull(); }

// Copies fixed-size elements made by `make` into the column's buffer.
template <typename Element, typename Make>
void fillFixed(ParameterColumn& column, const Cells& cells, std::size_t rows, Make make) {
  column.elementSize = sizeof(Element);
  column.data.assign(rows * sizeof(Element), '\0');
  for (std::size_t r = 0; r < rows; ++r) {
    if (!isPresent(cells, r)) continue;
    Element element = make(*cells[r]);
    std::memcpy(column.data.data() + r * sizeof(Element), &element, sizeof(Element));
    column.indicators[r] = sizeof(Element);
  }
}

// Copies the texts into equal-sized elements, as UTF-8 or UTF-16 (see
// kWideClientText).
void fillTexts(ParameterColumn& column, const Cells& cells, const std::vector<std::string>& texts) {
  const std::size_t rows = texts.size();
  if constexpr (kWideClientText) {
    std::vector<std::vector<SQLWCHAR>> units(rows);
    std::size_t longest = 0;
    for (std::size_t r = 0; r < rows; ++r) {
      units[r] = utf8ToUtf16(texts[r]);
      longest = std::max(longest, units[r].size());
    }
    column.cType = SQL_C_WCHAR;
    column.elementSize = static_cast<SQLLEN>((longest + 1) * sizeof(SQLWCHAR));
    column.data.assign(rows * static_cast<std::size_t>(column.elementSize), '\0');
    for (std::size_t r = 0; r < rows; ++r) {
      if (!isPresent(cells, r)) continue;
      std::memcpy(column.data.data() + r * static_cast<std::size_t>(column.elementSize),
                  units[r].data(), units[r].size() * sizeof(SQLWCHAR));
      column.indicators[r] = static_cast<SQLLEN>(units[r].size() * sizeof(SQLWCHAR));
    }
  } else {
    std::size_t longest = 0;
    for (const std::string& text : texts) longest = std::max(longest, text.size());
    column.cType = SQL_C_CHAR;
    column.elementSize = static_cast<SQLLEN>(longest + 1);
    column.data.assign(rows * static_cast<std::size_t>(column.elementSize), '\0');
    for (std::size_t r = 0; r < rows; ++r) {
      if (!isPresent(cells, r)) continue;
      std::memcpy(column.data.data() + r * static_cast<std::size_t>(column.elementSize),
                  texts[r].data(), texts[r].size());
      column.indicators[r] = static_cast<SQLLEN>(texts[r].size());
    }
  }
}

// A floating value as text keeps fifteen significant digits and needs no
// exponent for the usual magnitudes ("0.0001", "1234.5678").
std::string parameterText(const Value& value) {
  return value.kind() == Value::Kind::kReal ? generalNumberText(value.asReal(), 15) : value.toText();
}

std::vector<std::string> textsOf(const Cells& cells, std::size_t rows) {
  std::vector<std::string> texts(rows);
  for (std::size_t r = 0; r < rows; ++r)
    if (isPresent(cells, r)) texts[r] = parameterText(*cells[r]);
  return texts;
}

double numberOf(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::kInteger: return static_cast<double>(value.asInteger());
    case Value::Kind::kReal: return value.asReal();
    default: return parseNumberText(value.toText()).value_or(0.0);
  }
}

void fillDoubles(ParameterColumn& column, const Cells& cells, std::size_t rows) {
  column.cType = SQL_C_DOUBLE;
  column.sqlType = SQL_DOUBLE;
  column.columnSize = 15;
  fillFixed<double>(column, cells, rows, numberOf);
}

// Exact numbers for a number column: decimal texts typed DECIMAL with the
// precision and scale they need, so that the driver converts them as numbers.
void fillDecimals(ParameterColumn& column, const Cells& cells, std::size_t rows) {
  std::vector<std::string> texts = textsOf(cells, rows);
  std::size_t wholeDigits = 1, scale = 0;
  for (std::size_t r = 0; r < rows; ++r) {
    std::string_view digits = texts[r];
    if (!digits.empty() && digits.front() == '-') digits.remove_prefix(1);
    std::size_t dot = digits.find('.');
    wholeDigits = std::max(wholeDigits, std::min(dot, digits.size()));
    if (dot != std::string_view::npos) scale = std::max(scale, digits.size() - dot - 1);
  }
  scale = std::min<std::size_t>(scale, 38);
  column.cType = SQL_C_CHAR;
  column.sqlType = SQL_DECIMAL;
  column.columnSize = std::min<std::size_t>(wholeDigits + scale, 38);
  column.decimalDigits = static_cast<SQLSMALLINT>(scale);
  std::size_t longest = 0;
  for (const std::string& text : texts) longest = std::max(longest, text.size());
  column.elementSize = static_cast<SQLLEN>(longest + 1);
  column.data.assign(rows * static_cast<std::size_t>(column.elementSize), '\0');
  for (std::size_t r = 0; r < rows; ++r) {
    if (!isPresent(cells, r)) continue;
    std::memcpy(column.data.data() + r * static_cast<std::size_t>(column.elementSize),
                texts[r].data(), texts[r].size());
    column.indicators[r] = static_cast<SQLLEN>(texts[r].size());
  }
}

SQL_TIMESTAMP_STRUCT timestampOf(const Value& value) {
  const DateTime& d = value.asDateTime();
  SQL_TIMESTAMP_STRUCT ts{};
  ts.year = static_cast<SQLSMALLINT>(d.year);
  ts.month = static_cast<SQLUSMALLINT>(d.month);
  ts.day = static_cast<SQLUSMALLINT>(d.day);
  ts.hour = static_cast<SQLUSMALLINT>(d.hour);
  ts.minute = static_cast<SQLUSMALLINT>(d.minute);
  ts.second = static_cast<SQLUSMALLINT>(d.second);
  ts.fraction = static_cast<SQLUINTEGER>(d.millisecond) * 1000000u;
  return ts;
}

ParameterColumn makeParameterColumn(const Cells& cells, const ColumnInfo& target, std::size_t rows) {
  ParameterColumn column;
  column.indicators.assign(rows, SQL_NULL_DATA);
  bool anyValue = false;
  bool allInteger = true, allReal = true, allDateTime = true, allExactNumbers = true, allNumbers = true;
  for (std::size_t r = 0; r < rows; ++r) {
    if (!isPresent(cells, r)) continue;
    const Value::Kind kind = cells[r]->kind();
    anyValue = true;
    allInteger = allInteger && kind == Value::Kind::kInteger;
    allReal = allReal && kind == Value::Kind::kReal;
    allDateTime = allDateTime && kind == Value::Kind::kDateTime;
    allExactNumbers =
        allExactNumbers && (kind == Value::Kind::kInteger || kind == Value::Kind::kDecimal);
    allNumbers = allNumbers && (kind == Value::Kind::kInteger || kind == Value::Kind::kDecimal ||
                                kind == Value::Kind::kReal);
  }

  if (!anyValue) {
    // Only NULLs: typed as the target column so that the server accepts them.
    column.cType = SQL_C_CHAR;
    column.sqlType = target.sqlType != 0 ? target.sqlType : SQL_VARCHAR;
    column.columnSize = std::max<SQLULEN>(target.size, 1);
    column.decimalDigits = target.decimalDigits;
    column.elementSize = 1;
    column.data.assign(rows, '\0');
  } else if (allInteger) {
    column.cType = SQL_C_SBIGINT;
    column.sqlType = isIntegerSqlType(target.sqlType) ? target.sqlType : SQL_BIGINT;
    column.columnSize = 19;
    fillFixed<SQLBIGINT>(column, cells, rows, [](const Value& v) { return SQLBIGINT(v.asInteger()); });
  } else if (allReal && !isCharacterSqlType(target.sqlType)) {
    // A text column gets them as text below: the server's own conversion of a
    // float to text keeps only six digits.
    fillDoubles(column, cells, rows);
  } else if (allDateTime) {
    column.cType = SQL_C_TYPE_TIMESTAMP;
    column.sqlType = SQL_TYPE_TIMESTAMP;
    column.columnSize = 23;
    column.decimalDigits = 3;
    fillFixed<SQL_TIMESTAMP_STRUCT>(column, cells, rows, timestampOf);
  } else if (allExactNumbers && isNumericSqlType(target.sqlType)) {
    fillDecimals(column, cells, rows);
  } else if (allNumbers && isNumericSqlType(target.sqlType)) {
    // Whole and fractional numbers in one batch: as numbers, whatever mix a
    // batch happens to hold, never as texts the server may refuse.
    fillDoubles(column, cells, rows);
  } else {
    // Texts, decimals for other columns and mixed kinds travel as text.
    std::vector<std::string> texts = textsOf(cells, rows);
    std::size_t longest = 0;
    for (const std::string& text : texts) longest = std::max(longest, text.size());
    const bool wideColumn = isWideSqlType(target.sqlType);
    const std::size_t longLimit = wideColumn ? 4000 : 8000;
    column.sqlType = wideColumn ? (longest > longLimit ? SQL_WLONGVARCHAR : SQL_WVARCHAR)
                                : (longest > longLimit ? SQL_LONGVARCHAR : SQL_VARCHAR);
    column.columnSize = std::max<SQLULEN>(longest, 1);
    fillTexts(column, cells, texts);
  }
  return column;
}

}  // namespace

ParameterArrays::ParameterArrays(const std::vector<std::vector<std::optional<Value>>>& values,
                                 const std::vector<ColumnInfo>& targets, std::size_t rows)
    : rows_(rows) {
  columns_.reserve(values.size());
  for (std::size_t p = 0; p < values.size(); ++p)
    columns_.push_back(makeParameterColumn(values[p], targets[p], rows));
}

void ParameterArrays::bind(const StatementHandle& statement) {
  statement.check(SQLSetStmtAttr(statement.get(), SQL_ATTR_PARAM_BIND_TYPE,
                                 reinterpret_cast<SQLPOINTER>(SQL_PARAM_BIND_BY_COLUMN), 0),
                  "Binding parameters");
  statement.check(SQLSetStmtAttr(statement.get(), SQL_ATTR_PARAMSET_SIZE,
                                 reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(rows_)), 0),
                  "Binding parameters");
  for (std::size_t p = 0; p < columns_.size(); ++p) {
    ParameterColumn& column = columns_[p];
    statement.check(
        SQLBindParameter(statement.get(), static_cast<SQLUSMALLINT>(p + 1), SQL_PARAM_INPUT,
                         column.cType, column.sqlType, column.columnSize, column.decimalDigits,
                         column.data.data(), column.elementSize, column.indicators.data()),
        "Binding parameters");
  }
}

}  // namespace velmora
