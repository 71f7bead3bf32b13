#include "staged_upload/staged_upload.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "transfer/error_log.h"
#include "staged_upload/field_maps.h"
#include "staged_upload/upload_members.h"
#include "transfer/column_list.h"
#include "transfer/conversions.h"
#include "transfer/transfer_conventions.h"

namespace velmora {
namespace {

// One assignment of a field map with its columns resolved to field indexes
// of the source and staging rowsets.
struct ResolvedAssignment {
  const Assignment* assignment;
  std::size_t source;  // unused for blanks, which read no source column
  std::size_t target;
};

// Copies the source rowset's rows into the staging rowset through a field
// map and stamps each copied source row. Column names are resolved once, on
// the first row, so that an empty source touches no column.
class RowCopier {
 public:
  // With `numberRows`, a source row still without its TmpRno gets its Rno
  // there before it is copied.
  RowCopier(const FieldMap& map, const AgentContext& context, Recordset& source,
            Recordset& staging, bool numberRows)
      : map_(map), context_(context), source_(source), staging_(staging), numberRows_(numberRows) {}

  // Runs the loop to the end of the source rows; returns the rows staged.
  long long copyAll() {
    long long staged = 0;
    if (source_.eof()) return staged;
    resolveColumns();
    while (!source_.eof()) {
      if (numberRows_) numberRow();
      staging_.addNew();
      applyMap();
      staging_.update();
      stamp();
      source_.moveNext();
      ++staged;
    }
    return staged;
  }

 private:
  void resolve(std::span<const Assignment> assignments) {
    for (const Assignment& a : assignments) {
      const std::size_t source =
          a.conversion == Conversion::kBlank ? 0 : source_.fieldIndex(a.source);
      resolved_.push_back({&a, source, staging_.fieldIndex(a.target)});
    }
  }

  void resolveColumns() {
    resolved_.reserve(map_.size());
    resolve(map_.own);
    resolve(map_.trail);
    transfered_ = source_.fieldIndex("Transfered");
    transferedDate_ = source_.fieldIndex("TransferedDate");
    transferedTime_ = source_.fieldIndex("TransferedTime");
    if (numberRows_) {
      rno_ = source_.fieldIndex("Rno");
      tmpRno_ = source_.fieldIndex("TmpRno");
    }
  }

  // The numbering statement runs before the transactions begin; a row entered
  // since then would reach the head office with TmpRno 0, which no later
  // replacement of that row can match. It is numbered here as that statement
  // would have numbered it, and the number is saved with the stamp.
  void numberRow() {
    if (readLeadingNumber(source_.field(tmpRno_).toText()) != 0) return;
    source_.setField(tmpRno_, Value(source_.field(rno_)));
  }

  void applyMap() {
    static const Value kNoSource;
    for (const ResolvedAssignment& r : resolved_) {
      const Conversion conversion = r.assignment->conversion;
      const Value& source = conversion == Conversion::kBlank ? kNoSource : source_.field(r.source);
      std::optional<Value> value;
      try {
        value = convertColumnValue(conversion, source);
      } catch (const Failure& failure) {
        throw Failure(failure.number(), failure.description() + " (" + std::string(map_.table) +
                                            "." + std::string(r.assignment->source) + ")");
      }
      if (value) staging_.setField(r.target, std::move(*value));
    }
  }

  // The transfer stamp; the clock is read once for each text.
  void stamp() {
    source_.setField(transfered_, Value::text("Y"));
    source_.setField(transferedDate_, Value::text(dateText(context_.clock->now())));
    source_.setField(transferedTime_, Value::text(timeText(context_.clock->now())));
  }

  const FieldMap& map_;
  const AgentContext& context_;
  Recordset& source_;
  Recordset& staging_;
  std::vector<ResolvedAssignment> resolved_;
  std::size_t transfered_ = 0;
  std::size_t transferedDate_ = 0;
  std::size_t transferedTime_ = 0;
  bool numberRows_;
  std::size_t rno_ = 0;
  std::size_t tmpRno_ = 0;
};

// The body of one upload step, from the probe to the commits. Returns the
// rows staged.
long long uploadRows(AgentContext& context, const UploadMember& member, const FieldMap& map,
                     StepTransactions& transactions) {
  Connection& local = transactions.local();
  Connection& central = transactions.central();
  const Settings& settings = context.settings;

  {
    Recordset probe;
    probe.open(probeStatement(member), local);
    if (probe.bof() || probe.eof()) return 0;
  }

  context.cycle.columnList = TableColumnList(context, member.table(), local.defaultDatabase());

  if (member.branch.tmpRnoPreparation) local.execute(tmpRnoStatement(member));

  local.execute(stagingDropStatement(settings));
  local.execute(branchSnapshotStatement(member, settings));

  central.execute(stagingDropStatement(settings));
  central.execute(headOfficeStagingStatement(member, settings));

  transactions.begin();
  local.execute(std::string(member.branch.branchLock));
  central.execute(std::string(member.branch.headOfficeLock));

  Recordset source;
  source.open(sourceStatement(member), local, CursorType::kStatic, LockType::kOptimistic);
  Recordset staging;
  staging.open(stagingRowsStatement(settings), central, CursorType::kStatic, LockType::kOptimistic);

  const long long staged =
      RowCopier(map, context, source, staging, member.branch.tmpRnoPreparation).copyAll();

  const std::string mark = markStatement(member, settings);
  if (!mark.empty()) central.execute(mark);
  central.execute(insertStatement(member, settings, context.cycle.columnList));
  if (!member.headOffice.deleteStatement.empty()) {
    central.execute(std::string(member.headOffice.deleteStatement));
  }
  const std::string br = brStatement(
      member, settings, branchNumberText(branchNumberOf(member.headOffice.brNumber, context)));
  if (!br.empty()) central.execute(br);

  transactions.commitCentral();
  transactions.commitLocal();
  return staged;
}

}  // namespace

long long UploadStaged(AgentContext& context, std::string_view table) {
  const UploadMember* member = findUploadMember(table);
  const FieldMap* map = member != nullptr ? findFieldMap(member->table()) : nullptr;
  if (member == nullptr || map == nullptr) {
    throw Failure(failure_number::kInvalidUse,
                  "No staged upload is defined for the table " + std::string(table));
  }
  if (!siteGateOpen(*member, context.settings.companyPrefix)) return 0;

  long long staged = 0;
  runTransferStep(
      connectionPair(context, member->branch.pair),
      [&](StepTransactions& transactions) {
        staged = uploadRows(context, *member, *map, transactions);
      },
      [&](const Failure& failure) {
        staged = 0;
        const std::int16_t prefix = branchNumberOf(member->headOffice.messagePrefix, context);
        writeErrorRow(context.localMain, member->headOffice.errorLabel, branchNumberText(prefix),
                      failure.description(), *context.clock);
      });
  return staged;
}

}  // namespace velmora
