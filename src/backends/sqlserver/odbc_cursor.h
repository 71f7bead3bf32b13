// A recordset over ODBC. The result is read to its end when the cursor
// opens, so that the connection is free for the next statement (FreeTDS
// allows one active statement per connection). Up to kResidentRows rows are
// held; a longer result of "Select * From T ..." keeps only the identity
// values of the rest and reads them back by identity, a page at a time; a
// row deleted in the meantime is left out of the result.
//
// On an updatable cursor, Update after AddNew queues an insert of the
// assigned columns, and a changed current row is saved as an update by
// identity when the cursor leaves it; both go out in batches (OdbcLink).
// Saves are optimistic: an updatable "Select [top n] * From T ..." reads the
// server's checksum of each row over all of T's columns with it (a column
// the recordset does not show), and a row is saved only while the server
// still computes that checksum for it. A row that another client changed
// after it was read keeps that client's values; its save is dropped without
// a failure.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backends/sqlserver/odbc_link.h"
#include "transfer/db_access.h"

namespace velmora {

class OdbcCursor : public Cursor {
 public:
  static constexpr std::size_t kResidentRows = 2000;

  // Runs `sql` on `link` and reads its result. Throws Failure.
  OdbcCursor(std::shared_ptr<OdbcLink> link, const std::string& sql, CursorType type, LockType lock);

  std::size_t columnCount() const override { return shape_->columns.size(); }
  const std::string& columnName(std::size_t column) const override;
  bool bof() const override;
  bool eof() const override;
  void moveFirst() override;
  void moveNext() override;
  const Value& get(std::size_t column) const override;
  void set(std::size_t column, Value value) override;
  void addNew() override;
  void update() override;

 private:
  enum class Mode { kOnRow, kAdding, kOnAddedRow };

  // `sql` with the row checksum in its select list, when the cursor can
  // carry one (one base table, a bare "*"). Describes the table for it.
  std::optional<std::string> checkedSelect(const std::string& sql);
  void readResult(const StatementHandle& statement, bool pageable);
  void moveTo(std::size_t position);
  void loadPage(std::size_t position);
  void readPage(std::size_t position);
  void saveChanges();
  void requireUpdatable() const;
  void requireColumn(std::size_t column) const;
  [[noreturn]] static void failNoCurrentRow();

  std::shared_ptr<OdbcLink> link_;
  std::shared_ptr<TableShape> shape_;
  std::vector<ColumnInfo> readColumns_;  // the shape's columns, then the checksum if read
  std::vector<std::string> checksumColumns_;
  bool updatable_;
  bool paged_ = false;

  std::size_t rowCount_ = 0;
  std::size_t position_ = 0;
  std::size_t pageStart_ = 0;
  std::vector<std::vector<Value>> page_;  // rows pageStart_ .. pageStart_+page_.size()
  std::vector<std::int64_t> keys_;        // identity of every row, when paged

  Mode mode_ = Mode::kOnRow;
  std::vector<std::optional<Value>> changes_;  // edits of the current row or the new row
  Value changedRowKey_;
  std::optional<Value> changedRowChecksum_;
  std::vector<Value> addedRow_;
};

}  // namespace velmora
