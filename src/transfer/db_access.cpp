#include "transfer/db_access.h"

#include <cctype>

namespace velmora {

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

Connection::Connection(std::shared_ptr<Connector> connector) : connector_(std::move(connector)) {}

Connection::~Connection() = default;

void Connection::open(const std::string& connectionString) {
  if (session_) {
    throw Failure(failure_number::kInvalidUse,
                  "Operation is not allowed when the object is open.");
  }
  connectionString_ = connectionString;
  session_ = connector_->connect(connectionString, commandTimeout_);
  session_->setCommandTimeout(commandTimeout_);
  linkLost_ = false;
}

void Connection::close() { session_.reset(); }

void Connection::reopen() {
  close();
  open(connectionString_);
}

template <typename Operation>
decltype(auto) Connection::guarded(Operation&& operation) {
  try {
    return operation(session());
  } catch (const Failure& failure) {
    if (failure.number() == failure_number::kLinkFailure) linkLost_ = true;
    throw;
  }
}

void Connection::setCommandTimeout(int seconds) {
  commandTimeout_ = seconds;
  if (session_) session_->setCommandTimeout(seconds);
}

Session& Connection::session() {
  if (!session_) {
    throw Failure(failure_number::kInvalidUse,
                  "Operation is not allowed when the object is closed.");
  }
  return *session_;
}

void Connection::execute(const std::string& sql) {
  guarded([&](Session& s) { s.execute(sql); });
}
void Connection::beginTrans() {
  guarded([](Session& s) { s.beginTransaction(); });
}
void Connection::flushPendingWrites() {
  guarded([](Session& s) { s.flushPendingWrites(); });
}
void Connection::commitTrans() {
  guarded([](Session& s) { s.commit(); });
}
void Connection::rollbackTrans() {
  guarded([](Session& s) { s.rollback(); });
}
std::string Connection::defaultDatabase() {
  return guarded([](Session& s) { return s.currentDatabase(); });
}

void Recordset::open(const std::string& sql, Connection& connection, CursorType type,
                     LockType lock) {
  cursor_.reset();
  cursor_ = connection.guarded([&](Session& s) {
    return s.openCursor(sql, type, lock, connection.cursorLocation());
  });
}

Cursor& Recordset::cursor() const {
  if (!cursor_) {
    throw Failure(failure_number::kInvalidUse,
                  "Operation is not allowed when the object is closed.");
  }
  return *cursor_;
}

bool Recordset::bof() const { return cursor().bof(); }
bool Recordset::eof() const { return cursor().eof(); }
void Recordset::moveFirst() { cursor().moveFirst(); }
void Recordset::moveNext() { cursor().moveNext(); }
std::size_t Recordset::fieldCount() const { return cursor().columnCount(); }
const std::string& Recordset::fieldName(std::size_t index) const {
  return cursor().columnName(index);
}

std::size_t Recordset::fieldIndex(std::string_view name) const {
  Cursor& c = cursor();
  for (std::size_t i = 0; i < c.columnCount(); ++i) {
    if (equalsIgnoreCase(c.columnName(i), name)) return i;
  }
  throw Failure(failure_number::kStatementFailed,
                "Item cannot be found in the collection corresponding to the requested name or "
                "ordinal: " + std::string(name));
}

const Value& Recordset::field(std::size_t index) const { return cursor().get(index); }
void Recordset::setField(std::size_t index, Value value) { cursor().set(index, std::move(value)); }
void Recordset::addNew() { cursor().addNew(); }
void Recordset::update() { cursor().update(); }

}  // namespace velmora
