#include "shell/status_output.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "cycle/step_table.h"
#include "transfer/db_access.h"
#include "transfer/text_rules.h"

namespace velmora::shell {
namespace {

constexpr std::string_view kZero = ".";
constexpr std::string_view kNotMoved = "-";
constexpr std::string_view kNotCounted = "?";

// One row of the table: a table and its counts, nullopt where it does not
// move in that direction.
struct TableRow {
  std::string table;
  std::optional<long long> up;
  std::vector<std::optional<long long>> down;  // one per head office
};

std::optional<long long> countOf(const std::vector<TableCount>& counts, std::string_view table) {
  for (const TableCount& count : counts) {
    if (equalsIgnoreCase(count.table, table)) return count.rows;
  }
  return std::nullopt;
}

// The tables in the order in which a tick first moves them.
std::vector<TableRow> tableRows(const StatusReport& report) {
  std::vector<TableRow> rows;
  auto add = [&](std::string_view table) {
    for (const TableRow& row : rows) {
      if (equalsIgnoreCase(row.table, table)) return;
    }
    TableRow row{std::string(table), countOf(report.pendingUpload, table), {}};
    bool anyCount = row.up.has_value();
    for (const HeadOfficeStatus& office : report.headOffices) {
      row.down.push_back(office.undelivered ? countOf(*office.undelivered, table) : std::nullopt);
      anyCount |= row.down.back().has_value();
    }
    // A table that moves only up, through a gate that is closed, has no row.
    const bool gated = std::ranges::any_of(
        report.gatedUploads, [&](const std::string& g) { return equalsIgnoreCase(g, table); });
    if (anyCount || !gated) rows.push_back(std::move(row));
  };
  for (const StepEntry& step : kStepTable) {
    for (std::string_view table : {step.table, step.secondTable}) {
      if (!table.empty()) add(table);
    }
  }
  return rows;
}

std::string countText(std::optional<long long> count) {
  if (!count) return std::string(kNotMoved);
  if (*count == 0) return std::string(kZero);
  return std::to_string(*count);
}

std::string headOfficeLabel(const HeadOfficeStatus& office, std::size_t index) {
  if (!office.server.empty()) return office.server;
  if (!office.name.empty()) return office.name;
  return "#" + std::to_string(index + 1);
}

void writeCounts(std::ostream& out, std::string_view name, const std::vector<TableCount>& counts,
                 std::string_view indent) {
  out << indent << jsonString(name) << ": {";
  for (std::size_t i = 0; i < counts.size(); ++i) {
    out << (i == 0 ? "" : ", ") << jsonString(counts[i].table) << ": " << counts[i].rows;
  }
  out << "}";
}

}  // namespace

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
      ++i;
    } else if (c < 0x20 || c == 0x7f) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
      ++i;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else {
      // A whole, shortest-form UTF-8 sequence passes; anything else is replaced.
      const std::size_t length = c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : c >= 0xc2 ? 2 : 0;
      bool valid = length != 0 && c <= 0xf4 && i + length <= text.size();
      for (std::size_t k = 1; valid && k < length; ++k) {
        valid = (static_cast<unsigned char>(text[i + k]) & 0xc0) == 0x80;
      }
      if (valid && length >= 3) {
        const auto second = static_cast<unsigned char>(text[i + 1]);
        valid = !(c == 0xe0 && second < 0xa0) && !(c == 0xed && second >= 0xa0) &&
                !(c == 0xf0 && second < 0x90) && !(c == 0xf4 && second >= 0x90);
      }
      if (valid) {
        out.append(text.substr(i, length));
        i += length;
      } else {
        out += "\\ufffd";
        ++i;
      }
    }
  }
  return out + "\"";
}

void writeStatusTable(std::ostream& out, const StatusReport& report) {
  const std::vector<TableRow> rows = tableRows(report);
  const std::size_t offices = report.headOffices.size();

  // Cells as text, the totals last.
  std::vector<std::vector<std::string>> cells;
  std::optional<long long> upTotal;
  std::vector<std::optional<long long>> downTotals(offices);
  for (const TableRow& row : rows) {
    std::vector<std::string> line{row.table, countText(row.up)};
    if (row.up) upTotal = upTotal.value_or(0) + *row.up;
    for (std::size_t i = 0; i < offices; ++i) {
      if (!report.headOffices[i].undelivered) {
        line.emplace_back(kNotCounted);
        continue;
      }
      line.push_back(countText(row.down[i]));
      if (row.down[i]) downTotals[i] = downTotals[i].value_or(0) + *row.down[i];
    }
    cells.push_back(std::move(line));
  }
  std::vector<std::string> total{"total", countText(upTotal.value_or(0))};
  for (std::size_t i = 0; i < offices; ++i) {
    total.push_back(report.headOffices[i].undelivered ? countText(downTotals[i].value_or(0))
                                                      : std::string(kNotCounted));
  }

  std::vector<std::string> header{"table", "pending up"};
  for (std::size_t i = 0; i < offices; ++i) {
    header.push_back(headOfficeLabel(report.headOffices[i], i));
  }
  std::vector<std::size_t> widths(header.size(), 0);
  for (const auto* line : {&header, &total}) {
    for (std::size_t c = 0; c < line->size(); ++c) widths[c] = std::max(widths[c], (*line)[c].size());
  }
  for (const auto& line : cells) {
    for (std::size_t c = 0; c < line.size(); ++c) widths[c] = std::max(widths[c], line[c].size());
  }
  for (std::size_t c = 2; c < widths.size(); ++c) widths[c] = std::max<std::size_t>(widths[c], 5);

  auto writeLine = [&](const std::vector<std::string>& line) {
    std::string text = line[0] + std::string(widths[0] - line[0].size(), ' ');
    for (std::size_t c = 1; c < line.size(); ++c) {
      text += "  " + std::string(widths[c] - line[c].size(), ' ') + line[c];
    }
    out << text << '\n';
  };
  std::size_t ruleWidth = widths[0];
  for (std::size_t c = 1; c < widths.size(); ++c) ruleWidth += 2 + widths[c];

  out << "Branch " << report.branchNo << " (" << report.prefix << "), site " << report.site
      << ", databases " << report.mainDatabase << " and " << report.yearDatabase << '\n';
  if (offices > 0) {
    const std::size_t before = widths[0] + 2 + widths[1] + 2;
    out << std::string(before, ' ') << "to deliver from each head office\n";
  }
  writeLine(header);
  out << std::string(ruleWidth, '-') << '\n';
  for (const auto& line : cells) writeLine(line);
  out << std::string(ruleWidth, '-') << '\n';
  writeLine(total);
  out << ". none waiting; - not moved in that direction";
  if (std::ranges::any_of(report.headOffices, [](const auto& o) { return !o.undelivered; })) {
    out << "; ? not counted";
  }
  out << '\n';
  if (!report.gatedUploads.empty()) {
    out << "Not uploaded for this company (site gate):";
    for (const std::string& table : report.gatedUploads) out << ' ' << table;
    out << '\n';
  }

  bool heading = false;
  for (std::size_t i = 0; i < offices; ++i) {
    const HeadOfficeStatus& office = report.headOffices[i];
    if (office.undelivered) continue;
    if (!heading) out << '\n' << "Head offices not counted:\n";
    heading = true;
    out << "  " << headOfficeLabel(office, i) << " (" << office.name;
    if (office.number) out << ", branch " << *office.number;
    out << "): " << (office.reachable ? "reached, but a count failed: " : "not reachable: ")
        << office.failure.value_or("") << '\n';
  }

  out << '\n' << "Error rows today: " << report.errorRowsToday << '\n';
  for (const NewestErrorRow& row : report.newestErrorRows) {
    out << "  " << row.module << "  " << row.time << "  " << row.message << '\n';
  }
}

void writeStatusJson(std::ostream& out, const StatusReport& report) {
  out << "{\n";
  out << "  \"branch\": {\"number\": " << report.branchNo
      << ", \"prefix\": " << jsonString(report.prefix)
      << ", \"main_database\": " << jsonString(report.mainDatabase)
      << ", \"year_database\": " << jsonString(report.yearDatabase)
      << ", \"site\": " << jsonString(report.site) << "},\n";
  writeCounts(out, "pending_upload", report.pendingUpload, "  ");
  out << ",\n  \"gated_uploads\": [";
  for (std::size_t i = 0; i < report.gatedUploads.size(); ++i) {
    out << (i == 0 ? "" : ", ") << jsonString(report.gatedUploads[i]);
  }
  out << "],\n  \"head_offices\": [";
  for (std::size_t i = 0; i < report.headOffices.size(); ++i) {
    const HeadOfficeStatus& office = report.headOffices[i];
    out << (i == 0 ? "\n" : ",\n") << "    {\"number\": ";
    if (office.number) out << *office.number;
    else out << "null";
    out << ", \"name\": " << jsonString(office.name) << ", \"server\": " << jsonString(office.server)
        << ", \"reachable\": " << (office.reachable ? "true" : "false") << ", \"failure\": "
        << (office.failure ? jsonString(*office.failure) : std::string("null")) << ",\n";
    if (office.undelivered) {
      writeCounts(out, "undelivered", *office.undelivered, "     ");
      long long master = 0, staged = 0;
      for (const TableCount& count : *office.undelivered) {
        (count.family == Family::kMasterDownload ? master : staged) += count.rows;
      }
      out << ",\n     \"totals\": {\"master_download\": " << master
          << ", \"staged_download\": " << staged << "}";
    } else {
      out << "     \"undelivered\": null,\n     \"totals\": null";
    }
    out << "}";
  }
  out << (report.headOffices.empty() ? "" : "\n  ") << "],\n";
  out << "  \"error_rows_today\": " << report.errorRowsToday << ",\n";
  out << "  \"newest_error_rows\": [";
  for (std::size_t i = 0; i < report.newestErrorRows.size(); ++i) {
    const NewestErrorRow& row = report.newestErrorRows[i];
    out << (i == 0 ? "\n" : ",\n") << "    {\"module\": " << jsonString(row.module)
        << ", \"time\": " << jsonString(row.time) << ", \"message\": " << jsonString(row.message)
        << "}";
  }
  out << (report.newestErrorRows.empty() ? "" : "\n  ") << "]\n}\n";
}

}  // namespace velmora::shell
