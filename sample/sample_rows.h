// Generates rows of the business tables: key columns varied from row to row,
// flag columns set for the state the rows are in, and (when asked) the other
// columns filled with plausible values. Every date column gets either null or
// a real date, written as ISO text yyyy-mm-dd.
#pragma once

#include <cstdint>
#include <string>

#include "sample_sql.h"
#include "sample_tables.h"

namespace velmora::sample {

enum class RowState {
  kPending,      // at the branch, not yet uploaded: Transfered null, '' or 'N'
  kTransferred,  // at the branch, uploaded or received earlier: Transfered 'Y'
  kUndelivered,  // at a head office, not yet delivered to the branch: BR<n> null
  kDelivered,    // at a head office, delivered to the branch: BR<n> 'Y'
};

struct RowPlan {
  RowState state = RowState::kPending;
  int firstKey = 1;              // key of the first row; the next rows count up
  int count = 1;
  std::int16_t branchNo = 0;     // the branch whose delivery flag BR<n> the state concerns
  std::int16_t enteredAt = 0;    // the site the rows were entered at (Branch, BranchCode, ...)
  std::int16_t addressedTo = 0;  // the branch the rows are for (branch column, IndentBranch, JobCardBranch)
  int year = 2019;               // calendar year in which the financial year starts
  std::string yearControl = "1920";
  bool descriptive = true;       // fill the other columns; otherwise they stay null
};

// Inserts `plan.count` rows into `table` of `file`. Rows in the states
// kTransferred and kDelivered get TmpRno = Rno where the table numbers its rows.
// Throws std::runtime_error on failure.
void insertSampleRows(SqliteFile& file, const SampleTable& table, const RowPlan& plan);

// A key above every key and row number `table` of `file` holds, so that rows
// inserted from it do not repeat existing keys.
int nextSampleKey(SqliteFile& file, const SampleTable& table);

}  // namespace velmora::sample
