#include "cycle/error_log.h"

#include <cstdio>
#include <cstdlib>

namespace velmora {

namespace {

// The text with every single quote doubled, so that it can stand between
// single quotes in a statement and reads back unchanged.
std::string quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

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

std::string errorTimeText(const DateTime& when) {
  int hour = when.hour % 12;
  if (hour == 0) hour = 12;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", hour, when.minute, when.second,
                when.hour < 12 ? "AM" : "PM");
  return buf;
}

std::string errorRowInsert(std::string_view module, std::string_view prefix,
                           std::string_view description, const DateTime& when) {
  return "INSERT INTO ERRTABLE (Module,MESSAGE,UPDATED,UPTIME) VALUES('" + quoted(module) + "','" +
         quoted(prefix) + "-" + quoted(description) + "','" + formatDayMonthYear(when) + "','" +
         errorTimeText(when) + "')";
}

void writeErrorRow(Connection& connection, std::string_view module, std::string_view prefix,
                   std::string_view description, const Clock& clock) {
  connection.execute(errorRowInsert(module, prefix, description, clock.now()));
}

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
