// The floor of a transfer tick: the statements that the steps run, as the
// embedded backend rewrites them, executed directly on one SQLite connection
// per connection pair (the branch file as main, the head office's file
// attached as "ho"), with the upload's row-copy loop replaced by one
// insert-select that applies the field map's conversions in SQL, and with
// expression indexes on what the joins compare. What the agent takes beyond
// this is what it adds to the unavoidable database work.
#pragma once

#include <cctype>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "bench_support.h"
#include "backends/embedded/tsql_dialect.h"
#include "master_download/master_download.h"
#include "staged_download/download_statements.h"
#include "staged_upload/field_maps.h"
#include "staged_upload/upload_members.h"
#include "transfer/transfer_conventions.h"

namespace velmora::bench {

// What the floor needs to know of the company.
struct FloorSites {
  std::filesystem::path branchMain, branchYear, officeMain, officeYear;
  std::string linkedServer = "[HO1]";
  std::string officeMainName, officeYearName;  // database names at the head office
  std::string siteId = "0012";
  std::string branchNo = "7";
  std::string centralBranchNo = "1";
};

inline Translation floorTranslation(const std::string& tsql) {
  return translateTsql(tsql, [](const std::string&, const std::string&) { return std::string("ho"); });
}

// `sql` with its main-schema qualifiers moved to schema `schema` (outside
// string literals).
inline std::string inSchema(const std::string& sql, const std::string& schema) {
  if (schema == "main") return sql;
  std::string out;
  bool inLiteral = false;
  for (std::size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    if (c == '\'') inLiteral = !inLiteral;
    const bool boundary = i == 0 || !(std::isalnum(static_cast<unsigned char>(sql[i - 1])) ||
                                      sql[i - 1] == '_' || sql[i - 1] == '.');
    if (!inLiteral && boundary) {
      if (sql.compare(i, 5, "main.") == 0) {
        out += schema + ".";
        i += 4;
        continue;
      }
      if (sql.compare(i, 7, "\"main\".") == 0) {
        out += schema + ".";
        i += 6;
        continue;
      }
    }
    out += c;
  }
  return out;
}

// The join expressions of the staging side (alias b or B) that a
// translated join statement compares, as index columns.
inline std::vector<std::string> joinedExpressions(const std::string& translated) {
  std::vector<std::string> columns;
  static const std::regex kIsnull(
      R"(=\s*\(ifnull\(\s*[bB]\.(\w+)\s*,\s*('[^']*'|[0-9]+)\s*\)\s+COLLATE\s+NOCASE\))");
  static const std::regex kPlain(R"([aA]\.(\w+)\s*=\s*[bB]\.(\w+))");
  for (std::sregex_iterator it(translated.begin(), translated.end(), kIsnull), end; it != end; ++it) {
    columns.push_back("ifnull(" + sqlName((*it)[1].str()) + "," + (*it)[2].str() + ") COLLATE NOCASE");
  }
  for (std::sregex_iterator it(translated.begin(), translated.end(), kPlain), end; it != end; ++it) {
    columns.push_back(sqlName((*it)[2].str()));
  }
  return columns;
}

inline std::string indexStatement(const std::string& schema, const std::string& name,
                                  const std::string& table, const std::vector<std::string>& columns) {
  std::string sql = "CREATE INDEX IF NOT EXISTS " + schema + "." + name + " ON " + sqlName(table) + "(";
  for (std::size_t i = 0; i < columns.size(); ++i) sql += (i ? "," : "") + columns[i];
  return sql + ")";
}

// The SQL form of one conversion of `column` (a quoted source column).
inline std::string conversionSql(Conversion conversion, const std::string& column) {
  const std::string text = "ifnull(CAST(" + column + " AS TEXT),'')";
  const std::string present = "trim(" + text + ")<>''";
  const std::string date = "CASE WHEN " + column + " IS NULL THEN NULL ELSE strftime('%d'," + column +
                           ")||'/'||substr('JanFebMarAprMayJunJulAugSepOctNovDec',(strftime('%m'," +
                           column + ")+0)*3-2,3)||'/'||strftime('%Y'," + column + ") END";
  switch (conversion) {
    case Conversion::kText: return text;
    case Conversion::kTrimmedText: return "trim(" + text + ",' ')";
    case Conversion::kNumber:
    case Conversion::kNumberNullFails: return "CAST(trim(" + text + ") AS NUMERIC)";
    case Conversion::kAsIs: return column;
    case Conversion::kDate: return date;
    case Conversion::kDateIfPresent: return "CASE WHEN " + present + " THEN " + date + " END";
    case Conversion::kTextIfPresent: return "CASE WHEN " + present + " THEN " + text + " END";
    case Conversion::kValueIfPresent: return "CASE WHEN " + present + " THEN " + column + " END";
    case Conversion::kBlank: return "''";
  }
  return "NULL";
}

inline bool conditional(Conversion c) {
  return c == Conversion::kDateIfPresent || c == Conversion::kTextIfPresent || c == Conversion::kValueIfPresent;
}

// The row-copy loop as one insert-select from `source` (the branch table)
// into `staging` at the head office, the field map applied in SQL.
inline std::string copyStatement(const FieldMap& map, const std::string& table, const std::string& staging,
                                 const std::string& where) {
  std::vector<std::string> targets;
  std::map<std::string, std::string> expressions;  // by lower-case target
  auto apply = [&](std::span<const Assignment> assignments) {
    for (const Assignment& a : assignments) {
      std::string key(a.target);
      for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      const std::string expression = conversionSql(a.conversion, sqlName(a.source));
      auto found = expressions.find(key);
      if (found == expressions.end()) {
        targets.emplace_back(a.target);
        expressions.emplace(key, expression);
      } else {
        // The later assignment wins where it takes effect.
        found->second = conditional(a.conversion) ? "coalesce(" + expression + "," + found->second + ")" : expression;
      }
    }
  };
  apply(map.own);
  apply(map.trail);
  std::string names, values;
  for (std::size_t i = 0; i < targets.size(); ++i) {
    std::string key = targets[i];
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    names += (i ? "," : "") + sqlName(targets[i]);
    values += (i ? "," : "") + expressions[key];
  }
  return "INSERT INTO ho." + sqlName(staging) + " (" + names + ") SELECT " + values + " FROM main." +
         sqlName(table) + " " + where;
}

// One connection pair's floor connection: the branch file as main, the head
// office's file attached as ho.
class FloorConnection {
 public:
  FloorConnection(const std::filesystem::path& branch, const std::filesystem::path& office) : db_(branch) {
    db_.exec("ATTACH DATABASE '" + office.string() + "' AS ho");
    db_.exec("PRAGMA ho.journal_mode=WAL; PRAGMA ho.synchronous=FULL");
  }

  Sqlite& db() { return db_; }

  // Runs an agent statement, at the branch (main) or at the head office (ho).
  void run(const std::string& tsql, bool atOffice) {
    const std::string schema = atOffice ? "ho" : "main";
    const Translation t = floorTranslation(tsql);
    switch (t.kind) {
      case Translation::Kind::kStatement:
        db_.exec(inSchema(t.sql, schema));
        break;
      case Translation::Kind::kDropIfExists:
        db_.exec("DROP TABLE IF EXISTS " + schema + "." + sqlName(t.objectName));
        break;
      case Translation::Kind::kSelectInto: {
        const std::string source = t.sourceSchema == "main" ? schema : t.sourceSchema;
        auto rows = db_.query("SELECT sql FROM " + source + ".sqlite_master WHERE type='table' AND name='" +
                              t.sourceTable + "' COLLATE NOCASE");
        if (rows.empty()) throw std::runtime_error("no table " + t.sourceTable);
        const std::string& create = rows[0][0];
        db_.exec("CREATE TABLE " + schema + "." + sqlName(t.objectName) + " " + create.substr(create.find('(')));
        db_.exec(inSchema(t.sql, schema));
        break;
      }
    }
  }

  // True when the probe `tsql` returns a row.
  bool probe(const std::string& tsql, bool atOffice) {
    const Translation t = floorTranslation(tsql);
    return !db_.query(inSchema(t.sql, atOffice ? "ho" : "main")).empty();
  }

  // The columns of `table` at the branch but its identity, as the column list gives them.
  std::string columnList(const std::string& table) {
    std::string list;
    for (auto& row : db_.query("SELECT name FROM pragma_table_info('" + table + "','main') WHERE pk=0 ORDER BY cid")) {
      list += (list.empty() ? "" : ",") + row[0];
    }
    return list;
  }

 private:
  Sqlite db_;
};

inline Settings floorSettings(const FloorSites& sites) {
  Settings settings;
  settings.siteId = sites.siteId;
  return settings;
}

// One upload member's floor on `pair`. Returns the rows staged.
inline long long uploadFloor(FloorConnection& pair, const FloorSites& sites, const UploadMember& member) {
  const Settings settings = floorSettings(sites);
  const std::string table(member.table());
  if (!pair.probe(probeStatement(member), false)) return 0;
  const std::string columns = pair.columnList(table);
  if (member.branch.tmpRnoPreparation) pair.run(tmpRnoStatement(member), false);
  pair.run(stagingDropStatement(settings), false);
  pair.run(branchSnapshotStatement(member, settings), false);
  pair.run(stagingDropStatement(settings), true);
  pair.run(headOfficeStagingStatement(member, settings), true);

  Sqlite& db = pair.db();
  db.exec("BEGIN IMMEDIATE");
  pair.run(std::string(member.branch.branchLock), false);
  pair.run(std::string(member.branch.headOfficeLock), true);
  const std::string staging = stagingTableName(settings);
  const std::string pending = "WHERE (ifnull(Transfered,'') COLLATE NOCASE)<>'Y'";
  const bool limited = member.branch.sourceRows == SourceRows::kFirstThousand;
  const std::string where = limited ? pending + " LIMIT 1000" : pending;
  db.exec(copyStatement(*findFieldMap(member.table()), table, staging, where));
  const long long staged = sqlite3_changes(db.handle());
  const DateTime now = SystemClock().now();
  db.exec("UPDATE main." + sqlName(table) + " SET Transfered='Y',TransferedDate='" + dateText(now) +
          "',TransferedTime='" + timeText(now) + "' " +
          (limited ? "WHERE rowid IN (SELECT rowid FROM main." + sqlName(table) + " " + where + ")" : pending));

  const std::string mark = markStatement(member, settings);
  const std::string br = brStatement(member, settings, sites.branchNo);
  const std::vector<std::string> keys = joinedExpressions(floorTranslation(mark.empty() ? br : mark).sql);
  if (!keys.empty()) db.exec(indexStatement("ho", "floor_join", staging, keys));
  if (!mark.empty()) pair.run(mark, true);
  pair.run(insertStatement(member, settings, columns), true);
  if (!member.headOffice.deleteStatement.empty()) pair.run(std::string(member.headOffice.deleteStatement), true);
  if (!br.empty()) pair.run(br, true);
  db.exec("COMMIT");
  return staged;
}

// One master member's floor on the main pair. Returns the rows delivered.
inline long long masterFloor(FloorConnection& pair, const FloorSites& sites, const MasterMember& member) {
  const std::string& n = sites.branchNo;
  const std::string office = sites.linkedServer + "." + sites.officeMainName + ".Dbo." + std::string(member.table);
  if (!pair.probe(masterProbe(member, n), true)) return 0;
  const std::string columns = pair.columnList(std::string(member.table));
  Sqlite& db = pair.db();
  db.exec("BEGIN IMMEDIATE");
  pair.run(std::string(kCodeLock), true);
  pair.run(std::string(kCodeLock), false);
  const long long delivered = db.scalar(inSchema(floorTranslation(masterHold(member, n)).sql, "ho"));
  pair.run(masterMark(member, n, office), false);
  pair.run(masterInsert(member, n, office, columns), false);
  pair.run(masterDelete(member), false);
  if (!member.stampKey.empty()) pair.run(masterBranchStamp(member, n, office), false);
  const DateTime now = SystemClock().now();
  pair.run(masterFlag(member, n, dateText(now), timeText(now)), true);
  db.exec("COMMIT");
  return delivered;
}

// Indexes the floor may keep on the head office's own tables: the master
// join form reads the head-office table itself.
inline void masterFloorIndexes(FloorConnection& pair, const FloorSites& sites) {
  for (const MasterMember& member : masterMembers()) {
    if (member.keyForm != MasterKeyForm::kSecurityJoin) continue;
    const std::string office = sites.linkedServer + "." + sites.officeMainName + ".Dbo." + std::string(member.table);
    const auto keys = joinedExpressions(floorTranslation(masterMark(member, sites.branchNo, office)).sql);
    pair.db().exec(indexStatement("ho", "floor_join_" + std::string(member.table), std::string(member.table), keys));
  }
}

// One staged-download member's floor on the year pair. Returns the rows staged.
inline long long stagedDownloadFloor(FloorConnection& pair, const FloorSites& sites, const DownloadMember& member) {
  const Settings settings = floorSettings(sites);
  const std::string& n = sites.branchNo;
  const std::string staging = sites.linkedServer + "." + sites.officeYearName + ".Dbo." + stagingTableName(settings);
  auto numbering = [&] {
    if (auto statement = numberingStatement(member)) pair.run(*statement, true);
  };
  if (!pair.probe(probeStatement(member, n), true)) return 0;
  const std::string columns = pair.columnList(std::string(member.table));
  if (member.numbering == DownloadNumbering::kAllFirst) numbering();
  pair.run(stagingDropStatement(settings), true);
  if (member.numbering == DownloadNumbering::kUntransferredBeforeBuild ||
      member.numbering == DownloadNumbering::kAllBeforeBuild) {
    numbering();
  }
  pair.run(stagingBuildStatement(member, n, sites.siteId), true);
  Sqlite& db = pair.db();
  const long long staged = sqlite3_changes(db.handle());
  if (auto stagedNumbering = stagedNumberingStatement(member, sites.siteId)) {
    pair.run(*stagedNumbering, true);
    numbering();
  }
  const std::string mark = markStatement(member, n, staging);
  const auto keys = joinedExpressions(floorTranslation(mark).sql);
  if (!keys.empty()) db.exec(indexStatement("ho", "floor_join", stagingTableName(settings), keys));

  db.exec("BEGIN IMMEDIATE");
  if (member.match == DownloadMatch::kCuscodeSubquery) {
    pair.run(std::string(kBControlLockBlank), true);
  } else {
    pair.run(std::string(kBControlLock), false);
    pair.run(std::string(kBControlLock), true);
  }
  pair.run(mark, false);
  pair.run(insertStatement(member, n, columns, staging), false);
  pair.run(deleteStatement(member), false);
  pair.run(branchStampStatement(member, n, staging), false);
  const DateTime now = SystemClock().now();
  pair.run(flagStatement(member, n, sites.siteId, dateText(now), timeText(now), businessColumns(columns, {})),
           true);
  db.exec("COMMIT");
  return staged;
}

}  // namespace velmora::bench
