// What the agent's two windows (Qt on Linux, Win32 on Windows) share besides
// the drawing: the layout in twips, the captions and faces, the error grid's
// columns and cells, and the Start/Stop state.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "cycle/cycle_view.h"

namespace velmora::shell {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kTimerIntervalMs = 5000;

// Pixels of a length in twips.
constexpr int pixels(int twips) { return twips / kTwipsPerPixel; }

// A control's place in twips: left, top, width, height.
struct Place {
  int left;
  int top;
  int width;
  int height;
};

inline constexpr Place kServerLabelPlace = {120,   0,    7215,  3495};   // txtserver
inline constexpr Place kStepLabelPlace   = {120,   3600, 14055, 615};    // TxtTable
inline constexpr Place kErrorGridPlace   = {7440,  120,  7695,  3495};   // DataGrid1
inline constexpr Place kButtonPlace      = {14280, 3720, 855,   495};    // cmdstart, cmdstop
inline constexpr Place kPicturePlace     = {3600,  6240, 7335,  3615};   // Picture1
inline constexpr Place kImagePlace       = {0,     0,    15255, 11055};  // Image1, the window

// Colours as 0xRRGGBB.
inline constexpr unsigned kStartFace = 0xb4f0a8;   // light green
inline constexpr unsigned kStopFace = 0xf6b2ac;    // light red
inline constexpr unsigned kLabelText = 0x1d2b3a;
inline constexpr unsigned kLabelBackground = 0xffffff;
inline constexpr int kLabelBackgroundAlpha = 190;  // of 255, over the background picture

inline constexpr int kLabelPointSize = 18;
inline constexpr double kButtonPointSize = 8.25;
inline constexpr std::string_view kStartText = "Start";
inline constexpr std::string_view kStopText = "Stop";
inline constexpr std::string_view kYearDateFormat = "dd/MMM/yyyy";
inline constexpr int kErrorRowHeightPixels = 20;

// The error grid's columns: UpTime, Module and Message at their widths,
// Updated and Rno hidden (width 0).
enum class ErrorColumn { kUpTime = 0, kModule, kMessage, kUpdated, kRno };
inline constexpr int kErrorColumnCount = 5;

struct ErrorColumnLayout {
  std::string_view header;
  int widthTwips;
};

inline constexpr std::array<ErrorColumnLayout, kErrorColumnCount> kErrorColumns = {{
    {"UpTime", 800},
    {"Module", 2000},
    {"Message", 4200},
    {"Updated", 0},
    {"Rno", 0},
}};

// The text of one cell of the error grid.
std::string errorCellText(const ErrorDisplayRow& row, ErrorColumn column);

// A caption as a label shows it: CR LF line ends become LF.
std::string displayText(const std::string& caption);

// The failures of the running tick that could not be written as error rows:
// the status label shows them all, and again when the tick ends.
class UnloggedFailures {
 public:
  void add(const Failure& failure);
  bool empty() const { return failures_.empty(); }
  void clear() { failures_.clear(); }
  // "Not logged: " and each failure as number-description, joined by " | ".
  std::string text() const;

 private:
  std::vector<std::string> failures_;
};

// Start and Stop switch the timer; only the button that can act is shown.
class StartStopState {
 public:
  bool running() const { return running_; }
  bool startShown() const { return !running_; }
  bool stopShown() const { return running_; }
  void start() { running_ = true; }
  void stop() { running_ = false; }

  // After a tick that took `tookMs`: true when the running timer must count
  // its interval afresh. A tick longer than the interval leaves the timer due
  // at once, and a toolkit may serve it before a Stop pressed during the
  // tick; counting afresh lets that press be handled first, so no tick
  // follows it.
  bool restartTimerAfterTick(long long tookMs, int intervalMs) const {
    return running_ && tookMs >= intervalMs;
  }

 private:
  bool running_ = false;
};

}  // namespace velmora::shell
