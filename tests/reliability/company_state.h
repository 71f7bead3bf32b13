// The state of a laid-out company that a run of the agent must reproduce:
// every business table at the branch and at the head office as a sorted
// multiset of rows, compared between a run with a fault and one without.
#pragma once

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "sample_company.h"
#include "sample_tables.h"

namespace velmora::reliability {

// Columns whose values depend on when or in which order rows were written:
// the identity, and the date and time texts of the transfer stamp.
inline bool isVolatileColumn(std::string_view name) {
  return sample::equalsNoCase(name, "Rno") || sample::equalsNoCase(name, "TransferedDate") ||
         sample::equalsNoCase(name, "TransferedTime");
}

// Rows of one table, each as its quoted values joined by '|', sorted.
using TableRows = std::vector<std::string>;

// "branch OPERATOR", "HO1 INDENT", ... to the rows of that table.
using CompanyState = std::map<std::string, TableRows>;

// Reads `table` of `dbFile` without its volatile columns.
inline TableRows readTableRows(const std::filesystem::path& dbFile, std::string_view table) {
  sample::SqliteFile file(dbFile, sample::SqliteFile::Mode::kExisting);
  std::string select;
  for (const sample::ColumnInfo& column : file.columns(table)) {
    if (isVolatileColumn(column.name)) continue;
    if (!select.empty()) select += "||'|'||";
    select += "quote(\"" + column.name + "\")";
  }
  TableRows rows;
  if (select.empty()) return rows;
  for (const sample::TextRow& row :
       file.query("SELECT " + select + " FROM \"" + std::string(table) + "\"")) {
    rows.push_back(row.at(0));
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

// The 38 business tables at the branch and at every reachable head office
// of `layout` (staging tables and ERRTABLE are not part of the state).
inline CompanyState readCompanyState(const sample::CompanyLayout& layout) {
  CompanyState state;
  auto readSite = [&](const std::string& site, const std::filesystem::path& mainFile,
                      const std::filesystem::path& yearFile) {
    for (const sample::SampleTable& table : sample::kSampleTables) {
      const auto& file = table.database == sample::SiteDatabase::kMain ? mainFile : yearFile;
      state[site + " " + std::string(table.name)] = readTableRows(file, table.name);
    }
  };
  readSite("branch", sample::branchDatabase(layout, sample::SiteDatabase::kMain),
           sample::branchDatabase(layout, sample::SiteDatabase::kYear));
  for (const sample::HeadOfficeSpec& office : layout.headOffices) {
    if (!office.reachable) continue;
    readSite(office.serverName,
             sample::headOfficeDatabase(layout, office.serverName, sample::SiteDatabase::kMain),
             sample::headOfficeDatabase(layout, office.serverName, sample::SiteDatabase::kYear));
  }
  return state;
}

// How the rows of one table differ: rows only in `actual` (extra) and rows
// only in `expected` (missing), multiset-wise.
struct TableDifference {
  TableRows extra;
  TableRows missing;
};

inline std::map<std::string, TableDifference> differences(const CompanyState& expected,
                                                          const CompanyState& actual) {
  std::map<std::string, TableDifference> out;
  for (const auto& [name, rows] : expected) {
    auto it = actual.find(name);
    const TableRows empty;
    const TableRows& other = it == actual.end() ? empty : it->second;
    TableDifference d;
    std::set_difference(other.begin(), other.end(), rows.begin(), rows.end(),
                        std::back_inserter(d.extra));
    std::set_difference(rows.begin(), rows.end(), other.begin(), other.end(),
                        std::back_inserter(d.missing));
    if (!d.extra.empty() || !d.missing.empty()) out[name] = std::move(d);
  }
  return out;
}

// A readable account of `diffs` (a few rows per table).
inline std::string describe(const std::map<std::string, TableDifference>& diffs) {
  std::string text;
  for (const auto& [name, d] : diffs) {
    text += name + ": " + std::to_string(d.extra.size()) + " extra, " +
            std::to_string(d.missing.size()) + " missing\n";
    for (std::size_t i = 0; i < d.extra.size() && i < 3; ++i) text += "  + " + d.extra[i] + "\n";
    for (std::size_t i = 0; i < d.missing.size() && i < 3; ++i) text += "  - " + d.missing[i] + "\n";
  }
  return text;
}

// True when `d` is only rows sent a second time: nothing missing, and every
// extra row also present in `expected`.
inline bool onlyRepeatedRows(const TableDifference& d, const TableRows& expected) {
  if (!d.missing.empty() || d.extra.empty()) return false;
  return std::all_of(d.extra.begin(), d.extra.end(), [&](const std::string& row) {
    return std::binary_search(expected.begin(), expected.end(), row);
  });
}

}  // namespace velmora::reliability
