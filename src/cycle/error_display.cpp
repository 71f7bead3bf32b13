#include "cycle/error_display.h"

#include <cstdlib>
#include <vector>

#include "transfer/db_access.h"

namespace velmora {

namespace {

std::string displayText(const Value& value) {
  if (value.kind() == Value::Kind::kDateTime) return formatDayMonthYear(value.asDateTime());
  return value.toText();
}

long long rowNumber(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::kInteger:
      return value.asInteger();
    case Value::Kind::kReal:
      return static_cast<long long>(value.asReal());
    case Value::Kind::kNull:
      return 0;
    default:
      return std::strtoll(value.toText().c_str(), nullptr, 10);
  }
}

// Sets a connection's cursor location for the life of the guard.
class CursorLocationGuard {
 public:
  CursorLocationGuard(Connection& connection, CursorLocation location)
      : connection_(connection), saved_(connection.cursorLocation()) {
    connection_.setCursorLocation(location);
  }
  CursorLocationGuard(const CursorLocationGuard&) = delete;
  CursorLocationGuard& operator=(const CursorLocationGuard&) = delete;
  ~CursorLocationGuard() { connection_.setCursorLocation(saved_); }

 private:
  Connection& connection_;
  CursorLocation saved_;
};

}  // namespace

std::string errorDisplayQuery(const DateTime& today) {
  return "Select LTrim(Right(CONVERT(VARCHAR(20), UpTime, 100),7)) UpTime,Module,Message,Updated,Rno "
         "from ErrTable with (nolock) where Updated='" +
         formatDayMonthYear(today) + "' order by Rno desc";
}

void refreshErrorDisplay(AgentContext& context, CycleView& view) {
  Recordset rows;
  {
    CursorLocationGuard clientSide(context.localMain, CursorLocation::kClient);
    rows.open(errorDisplayQuery(context.clock->now()), context.localMain, CursorType::kStatic,
              LockType::kReadOnly);
  }
  std::vector<ErrorDisplayRow> display;
  while (!rows.eof()) {
    ErrorDisplayRow row;
    row.upTime = rows.field(std::size_t{0}).toText();
    row.module = rows.field(std::size_t{1}).toText();
    row.message = rows.field(std::size_t{2}).toText();
    row.updated = displayText(rows.field(std::size_t{3}));
    row.rno = rowNumber(rows.field(std::size_t{4}));
    display.push_back(std::move(row));
    rows.moveNext();
  }
  rows.close();
  view.showErrorRows(display);
}

}  // namespace velmora
