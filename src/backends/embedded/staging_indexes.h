// Indexes that the embedded backend gives the tables it builds with
// "Select * into ...": the staging tables of the transfers.
//
// The join forms of the transfers compare isnull(...) expressions of the
// staging table with those of a member table. SQL Server answers them with a
// hash join; SQLite has none and would compare every row with every row. An
// index on the very expressions the joins compare, as the dialect layer
// rewrites them ((ifnull(x,0) COLLATE NOCASE)), lets SQLite look each row up
// instead. The indexes change no result, only the plan.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// One compared expression: isnull(column, nullValue).
struct JoinColumn {
  std::string_view column;
  std::string_view nullValue;  // the replacement of null, as the statements write it
};

// The leading columns that the join forms compare, in the order an index
// serves them. A table gets one index: on the longest leading run of the
// first key (in table order) whose first column it has. The transaction key
// serves every join form that compares recissno; the operator key the
// attendance and operator forms (Operator has no TmpRno); the material key
// the material form.
struct JoinKey {
  std::string_view name;
  std::array<JoinColumn, 5> columns;  // unused entries have an empty column
};

// clang-format off
inline constexpr std::array<JoinKey, 3> kStagingJoinKeys = {{
    // name          compared expressions, leading first
    {"transaction", {{{"recissno", "0"}, {"branch", "0"}, {"yearcontrol", "''"}, {"refno", "0"}, {"TmpRno", "0"}}}},
    {"operator",    {{{"Oper_Code", "0"}, {"TmpRno", "0"}, {}, {}, {}}}},
    {"material",    {{{"METERIALCODE", "0"}, {}, {}, {}, {}}}},
}};
// clang-format on

// The selection by which the upload's branch snapshot keeps a copy of the
// pending rows ("Select * into <staging> from T with (nolock) Where
// isnull(Transfered,'')<>'Y'"). No statement reads the snapshot, so an index
// on it would only cost its build (a few per cent of an upload).
inline constexpr std::string_view kUnreadSnapshotSelection = "Where isnull(Transfered,'')<>'Y'";

// False for a "Select * into" text that builds the branch snapshot (ends,
// trailing blanks aside, with kUnreadSnapshotSelection in any letter case);
// true for every other, whose table the joins read.
bool readByJoins(std::string_view selectInto);

// The CREATE INDEX statement for table `table` of schema `schema`, whose
// columns are `columns` (matched without regard to case), on the first join
// key whose first column the table has; nullopt when no key applies.
std::optional<std::string> stagingIndexStatement(std::string_view schema, std::string_view table,
                                                const std::vector<std::string>& columns);

}  // namespace velmora
