#include "shell/headless_runner.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "cycle/error_display.h"
#include "transfer/error_log.h"
#include "shell/stop_request.h"
#include "transfer/text_rules.h"

namespace velmora::shell {

namespace {

// Waits `ms` milliseconds unless a stop is requested first. Returns false
// when stopped.
bool waitInterval(const StopRequests& signals, int ms) {
  using Clock = std::chrono::steady_clock;
  const auto until = Clock::now() + std::chrono::milliseconds(ms);
  constexpr auto kSlice = std::chrono::milliseconds(50);
  while (!signals.requested()) {
    auto now = Clock::now();
    if (now >= until) return true;
    std::this_thread::sleep_for(std::min<Clock::duration>(kSlice, until - now));
  }
  return false;
}

std::string lowerCase(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

void HeadlessView::skipEarlierRows(AgentContext& context) {
  class NewestRow : public CycleView {
   public:
    void showServerCaption(const std::string&) override {}
    void showStepStatus(const std::string&) override {}
    void showErrorRows(const std::vector<ErrorDisplayRow>& rows) override {
      for (const ErrorDisplayRow& row : rows) newest = std::max(newest, row.rno);
    }
    void reportUnloggedFailure(const Failure&) override {}
    long long newest = 0;
  } reader;
  try {
    refreshErrorDisplay(context, reader);
  } catch (const Failure&) {
    return;
  }
  lastRowShown_ = std::max(lastRowShown_, reader.newest);
}

std::string oneLineCaption(const std::string& caption) {
  std::string joined;
  std::size_t start = 0;
  while (start <= caption.size()) {
    std::size_t end = caption.find('\n', start);
    if (end == std::string::npos) end = caption.size();
    std::string_view line(caption.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string part = visibleText(trimBlanks(line));
    if (!part.empty()) {
      if (!joined.empty()) joined += " | ";
      joined += part;
    }
    start = end + 1;
  }
  return joined;
}

void HeadlessView::showServerCaption(const std::string& caption) {
  std::string line = oneLineCaption(caption);
  std::size_t firstBreak = caption.find('\r');
  headOffice_ = visibleText(trimBlanks(caption.substr(0, firstBreak)));
  if (line == lastServerLine_) return;
  lastServerLine_ = line;
  out_ << "server: " << line << '\n' << std::flush;
}

void HeadlessView::showStepStatus(const std::string& status) {
  out_ << "step: " << visibleText(trimBlanks(status)) << '\n' << std::flush;
}

void HeadlessView::showErrorRows(const std::vector<ErrorDisplayRow>& rows) {
  // Rows come newest first, numbered in the order they were written; print
  // the ones not shown yet, oldest first.
  long long newest = lastRowShown_;
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    if (it->rno <= lastRowShown_) continue;
    newest = std::max(newest, it->rno);
    ++newErrorRows_;
    out_ << "error: " << visibleText(it->updated) << ' ' << visibleText(it->upTime) << "  "
         << visibleText(it->module) << "  " << visibleText(it->message) << '\n';
  }
  lastRowShown_ = newest;
  out_ << std::flush;
}

void HeadlessView::reportUnloggedFailure(const Failure& failure) {
  err_ << "unlogged failure " << failure.number() << ": " << visibleText(failure.description())
       << '\n' << std::flush;
}

void HeadlessView::stepMoved(const std::string& table, const std::string& direction,
                             long long rows) {
  if (rows <= 0) return;
  ++stepsMoved_;
  rowsMoved_ += rows;
  out_ << "  " << headOffice_ << "  " << table << ' ' << lowerCase(direction) << ": " << rows
       << (rows == 1 ? " row" : " rows") << '\n'
       << std::flush;
}

void HeadlessView::tickEnded(int tickNumber) {
  out_ << "tick " << tickNumber << ": " << stepsMoved_ << (stepsMoved_ == 1 ? " step" : " steps")
       << " moved " << rowsMoved_ << (rowsMoved_ == 1 ? " row, " : " rows, ") << newErrorRows_
       << (newErrorRows_ == 1 ? " error row" : " error rows") << '\n'
       << std::flush;
  stepsMoved_ = 0;
  rowsMoved_ = 0;
  newErrorRows_ = 0;
}

int runHeadless(SyncCycle& cycle, const HeadlessOptions& options,
                const std::function<void()>& onReady) {
  StopRequests signals;
  if (onReady) onReady();
  int ticks = 0;
  while (!options.ticks || ticks < *options.ticks) {
    if (!waitInterval(signals, options.intervalMs)) break;
    cycle.tick();
    ++ticks;
    if (signals.requested()) break;
  }
  return 0;
}

}  // namespace velmora::shell
