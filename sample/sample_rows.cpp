#include "sample_rows.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::sample {
namespace {

constexpr std::size_t kKeyPrefixLength = 3;

// Columns an untouched row leaves null: the edit and delete trail.
constexpr std::array<std::string_view, 8> kEditTrailColumns = {
    "edi", "edidated", "editime", "edistaff", "de", "dedated", "detime", "destaff"};

// Document dates that the upload maps convert without a presence test, and
// the attendance date that its key compares: always set.
constexpr std::array<std::string_view, 3> kRequiredDateColumns = {"rdate", "trandate", "adate"};

struct KnownText {
  std::string_view column;  // lower case
  std::string_view text;
};

// clang-format off
constexpr std::array<KnownText, 20> kKnownTexts = {{
  {"add1",     "12 Quarry Road"},
  {"add2",     "Karuppur"},
  {"add3",     "Salem District"},
  {"area",     "Omalur"},
  {"city",     "Salem"},
  {"state",    "Tamil Nadu"},
  {"pincode",  "636455"},
  {"phone",    "0427 245 1100"},
  {"cell",     "98430 11223"},
  {"email",    "office@velmora.example"},
  {"remarks",  "Sample entry"},
  {"unit",     "TON"},
  {"node_id",  "NODE1"},
  {"upstaff",  "ADMIN"},
  {"category", "GENERAL"},
  {"brand",    "MRF"},
  {"inout",    "IN"},
  {"ainout",   "IN"},
  {"recpay",   "R"},
  {"flag",     "N"},
}};
// clang-format on

std::string lower(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return result;
}

std::string upper(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return result;
}

template <std::size_t N>
bool contains(const std::array<std::string_view, N>& names, std::string_view name) {
  return std::ranges::find(names, name) != names.end();
}

std::vector<std::string> splitKeys(std::string_view keys) {
  std::vector<std::string> result;
  while (!keys.empty()) {
    const auto comma = keys.find(',');
    result.push_back(lower(keys.substr(0, comma)));
    keys = comma == std::string_view::npos ? std::string_view() : keys.substr(comma + 1);
  }
  return result;
}

// Declared length of a VARCHAR(n) type; 0 when the type has none.
std::size_t varcharLength(std::string_view type) {
  const auto open = type.find('(');
  if (open == std::string_view::npos) return 0;
  std::size_t length = 0;
  for (std::size_t i = open + 1; i < type.size() && std::isdigit(static_cast<unsigned char>(type[i]));
       ++i) {
    length = length * 10 + static_cast<std::size_t>(type[i] - '0');
  }
  return length;
}

std::string twoDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value % 100);
  return text;
}

// Everything one row's values depend on.
struct RowContext {
  const SampleTable& table;
  const RowPlan& plan;
  int key;
  int index;  // 0 for the first row of the plan

  std::string date() const {
    return "'" + std::to_string(plan.year) + "-" + twoDigits(4 + key % 9) + "-" +
           twoDigits(1 + key % 28) + "'";
  }
  std::string time() const {
    return "'" + twoDigits(8 + key % 10) + ":" + twoDigits(key % 60) + ":00'";
  }
  std::string keyText() const {
    return upper(table.name.substr(0, kKeyPrefixLength)) + std::to_string(key);
  }
  bool flaggedY() const {
    return plan.state == RowState::kTransferred || plan.state == RowState::kDelivered;
  }
};

// The value of a branch delivery flag column BR<n>.
std::optional<std::string> deliveryFlag(int n, const RowPlan& plan) {
  const bool atHeadOffice =
      plan.state == RowState::kUndelivered || plan.state == RowState::kDelivered;
  if (plan.state == RowState::kDelivered && n == plan.branchNo) return "'Y'";
  if (atHeadOffice && n == plan.enteredAt && n != plan.branchNo) return "'Y'";
  return std::nullopt;
}

// The number n of a column named BR<n>, or 0.
int deliveryFlagNumber(std::string_view column) {
  if (column.size() < 3 || column.size() > 4 || column.substr(0, 2) != "br") return 0;
  int n = 0;
  for (const char c : column.substr(2)) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
    n = n * 10 + (c - '0');
  }
  return n;
}

std::optional<std::string> descriptiveText(std::string_view column, std::size_t length,
                                           const RowContext& row) {
  std::string text;
  if (length == 1) {
    text = column == "active" ? "Y" : "N";
  } else if (const auto known = std::ranges::find(kKnownTexts, column, &KnownText::column);
             known != kKnownTexts.end()) {
    text = known->text;
  } else if (column.find("name") != std::string_view::npos || column == lower(row.table.name) ||
             column == "position" || column == "vehicleno") {
    text = std::string(row.table.noun) + " " + std::to_string(row.key);
  } else {
    text = upper(column.substr(0, kKeyPrefixLength)) + std::to_string(row.key);
  }
  if (length > 0 && text.size() > length) text.resize(length);
  return sqlLiteral(text);
}

// The SQL literal for one column of one row, or nullopt for null.
std::optional<std::string> valueFor(const ColumnInfo& info, const RowContext& row,
                                    const std::vector<std::string>& keyColumns) {
  const std::string column = lower(info.name);
  const std::string type = upper(info.type);
  const bool isInteger = type.starts_with("INTEGER");
  const bool isNumeric = type.starts_with("NUMERIC");
  const bool isDate = type.starts_with("DATETIME");
  const RowPlan& plan = row.plan;

  if (column == "rno" || column == "tmprno") return std::nullopt;
  if (column == "transfered") {
    if (row.flaggedY()) return "'Y'";
    if (plan.state == RowState::kPending) {
      constexpr std::array<std::optional<std::string_view>, 3> kPendingFlags = {
          std::nullopt, "''", "'N'"};
      if (const auto flag = kPendingFlags[static_cast<std::size_t>(row.index) % 3]) {
        return std::string(*flag);
      }
    }
    return std::nullopt;
  }
  if (column == "transfereddate") return row.flaggedY() ? std::optional(row.date()) : std::nullopt;
  if (column == "transferedtime") return row.flaggedY() ? std::optional(row.time()) : std::nullopt;
  if (const int n = deliveryFlagNumber(column); n > 0) return deliveryFlag(n, plan);
  if (column == lower(row.table.marker)) {
    return column == "de" ? std::nullopt : std::optional<std::string>("'Y'");
  }
  if (std::ranges::find(keyColumns, column) != keyColumns.end()) {
    return isInteger ? std::to_string(row.key) : sqlLiteral(row.keyText());
  }
  if (!row.table.branchColumn.empty() && column == lower(row.table.branchColumn)) {
    return std::to_string(plan.addressedTo);
  }
  if (column == "indentbranch" || column == "jobcardbranch") return std::to_string(plan.addressedTo);
  if (isInteger && (column == "branchcode" || column.ends_with("branch"))) {
    return std::to_string(plan.enteredAt);
  }
  if (column == "yearcontrol") return sqlLiteral(plan.yearControl);
  if (column == "recissno") return "1";
  if (column == "reciss") return "'R'";
  if (contains(kRequiredDateColumns, column)) return row.date();

  if (!plan.descriptive || contains(kEditTrailColumns, column)) return std::nullopt;
  if (isDate) return row.date();
  if (isInteger) return std::to_string(row.key % 7 + 1);
  if (isNumeric) return std::to_string(row.key * 12) + ".5";
  if (column.ends_with("time")) return row.time();
  return descriptiveText(column, varcharLength(type), row);
}

bool hasIntegerColumn(const std::vector<ColumnInfo>& columns, std::string_view name) {
  return std::ranges::any_of(columns, [name](const ColumnInfo& column) {
    return lower(column.name) == name && upper(column.type).starts_with("INTEGER");
  });
}

long long maxRno(SqliteFile& file, std::string_view table) {
  const auto rows = file.query("select ifnull(max(Rno),0) from " + std::string(table));
  return std::stoll(rows.at(0).at(0));
}

}  // namespace

void insertSampleRows(SqliteFile& file, const SampleTable& table, const RowPlan& plan) {
  const auto columns = file.columns(table.name);
  if (columns.empty()) {
    throw std::runtime_error(file.path().string() + ": no table " + std::string(table.name));
  }
  const auto keyColumns = splitKeys(table.keyColumns);
  const long long rnoBefore = maxRno(file, table.name);

  std::string sql;
  for (int index = 0; index < plan.count; ++index) {
    const RowContext row{table, plan, plan.firstKey + index, index};
    std::string names;
    std::string values;
    for (const auto& column : columns) {
      const auto value = valueFor(column, row, keyColumns);
      if (!value) continue;
      if (!names.empty()) {
        names += ',';
        values += ',';
      }
      names += column.name;
      values += *value;
    }
    sql += "INSERT INTO " + std::string(table.name) + " (" + names + ") VALUES (" + values + ");\n";
  }
  file.exec(sql);

  const bool numbered = plan.state == RowState::kTransferred || plan.state == RowState::kDelivered;
  if (numbered && hasIntegerColumn(columns, "tmprno")) {
    file.exec("UPDATE " + std::string(table.name) + " SET TmpRno=Rno WHERE Rno>" +
              std::to_string(rnoBefore));
  }
}

int nextSampleKey(SqliteFile& file, const SampleTable& table) {
  const auto columns = file.columns(table.name);
  std::string terms = "ifnull(max(Rno),0)";
  for (const auto& key : splitKeys(table.keyColumns)) {
    if (hasIntegerColumn(columns, key)) {
      terms += ",ifnull(max(" + key + "),0)";
    } else {
      terms += ",ifnull(max(cast(substr(" + key + "," + std::to_string(kKeyPrefixLength + 1) +
               ") as integer)),0)";
    }
  }
  const auto rows = file.query("select max(" + terms + ") from " + std::string(table.name));
  return std::stoi(rows.at(0).at(0)) + 1;
}

}  // namespace velmora::sample
