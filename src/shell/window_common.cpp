#include "shell/window_common.h"

#include "transfer/failure.h"

namespace velmora::shell {

std::string errorCellText(const ErrorDisplayRow& row, ErrorColumn column) {
  switch (column) {
    case ErrorColumn::kUpTime: return row.upTime;
    case ErrorColumn::kModule: return row.module;
    case ErrorColumn::kMessage: return row.message;
    case ErrorColumn::kUpdated: return row.updated;
    case ErrorColumn::kRno: return std::to_string(row.rno);
  }
  return {};
}

std::string displayText(const std::string& caption) {
  std::string text;
  text.reserve(caption.size());
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '\r' && i + 1 < caption.size() && caption[i + 1] == '\n') continue;
    text += caption[i];
  }
  return text;
}

void UnloggedFailures::add(const Failure& failure) {
  failures_.push_back(std::to_string(failure.number()) + "-" + failure.description());
}

std::string UnloggedFailures::text() const {
  std::string text = "Not logged: ";
  for (std::size_t i = 0; i < failures_.size(); ++i) text += (i ? " | " : "") + failures_[i];
  return text;
}

}  // namespace velmora::shell
