// The Win32 window driven as an operator would: Start, a tick of the real
// cycle over embedded servers (one head office reachable, one not), Stop, and
// the error grid's rows.
#include "shell/win32_window.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "shell/central_connection.h"
#include "support/agent_harness.h"

namespace velmora::shell {
namespace {

// Serves the window's messages for `ms` milliseconds, or until `done`.
template <typename Done>
void serveMessages(int ms, Done done) {
  const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(ms);
  while (GetTickCount64() < until && !done()) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(10);
  }
}

std::wstring textOf(HWND control) {
  std::wstring text(512, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), 512)));
  return text;
}

std::wstring cellOf(HWND grid, int row, int column) {
  wchar_t buffer[256] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = 256;
  SendMessageW(grid, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return buffer;
}

int rowsOf(HWND grid) { return static_cast<int>(SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0)); }

bool visible(HWND control) { return (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0; }

void click(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }

class Win32WindowTest : public ::testing::Test {
 protected:
  Win32WindowTest() : harness_(testing::defaultLayout(temp_.path())) {
    AgentContext& context = harness_.context();
    context.settings.yearStart = {2019, 4, 1};
    context.settings.yearEnd = {2020, 3, 31};
    context.headOffices.push_back({"H", "1", "HEAD OFFICE HO1", "HO1", "sa",
                                   harness_.layout().headOffices[0].password, "HOA", "", "", "Y"});
    context.headOffices.push_back({"H", "3", "HEAD OFFICE HO3", "HO3", "sa", "pw", "HOC", "", "", "Y"});
    window_ = std::make_unique<Win32AgentWindow>(
        context,
        [this](AgentContext& agent, const CentralArguments& arguments) {
          if (duringConnect_) duringConnect_();
          connectCentral(agent, arguments);
        },
        "VELMORA " + std::string(70, ' ') + "31/Mar/2020   [VEL]");
    window_->show();
  }

  HWND control(Win32Control id) { return window_->control(id); }

  testing::TempFolder temp_;
  testing::AgentHarness harness_;
  std::function<void()> duringConnect_;  // runs inside a tick, at each central connection
  std::unique_ptr<Win32AgentWindow> window_;
};

TEST_F(Win32WindowTest, OpensIdleWithOnlyStartShownInStopsPlace) {
  HWND start = control(Win32Control::kStartButton);
  HWND stop = control(Win32Control::kStopButton);
  ASSERT_TRUE(start && stop);
  EXPECT_TRUE(visible(start));
  EXPECT_FALSE(visible(stop));
  EXPECT_EQ(textOf(start), L"Start");
  EXPECT_EQ(textOf(stop), L"Stop");
  RECT a, b;
  GetWindowRect(start, &a);
  GetWindowRect(stop, &b);
  EXPECT_TRUE(EqualRect(&a, &b));
  EXPECT_FALSE(window_->timerRunning());
  const std::wstring title = textOf(window_->handle());
  EXPECT_EQ(title.substr(title.size() - 8), L"   [VEL]");
  RECT client;
  GetClientRect(window_->handle(), &client);
  EXPECT_EQ(client.right, pixels(kImagePlace.width));
  EXPECT_EQ(client.bottom, pixels(kImagePlace.height));
}

TEST_F(Win32WindowTest, StartATickStopAndTheErrorRows) {
  HWND start = control(Win32Control::kStartButton);
  HWND stop = control(Win32Control::kStopButton);
  HWND grid = control(Win32Control::kErrorGrid);
  click(start);
  EXPECT_FALSE(visible(start));
  EXPECT_TRUE(visible(stop));
  EXPECT_TRUE(window_->timerRunning());
  serveMessages(30000, [&] { return window_->ticksRun() > 0; });
  click(stop);
  EXPECT_TRUE(visible(start));
  EXPECT_FALSE(visible(stop));
  EXPECT_FALSE(window_->timerRunning());
  ASSERT_EQ(window_->ticksRun(), 1);

  // HO1 answered, HO3 did not: one CONNECTION row, shown newest first.
  EXPECT_NE(textOf(control(Win32Control::kServerLabel)).find(L"HO3"), std::wstring::npos);
  ASSERT_EQ(rowsOf(grid), 1);
  EXPECT_EQ(cellOf(grid, 0, 1), L"CONNECTION");
  EXPECT_EQ(cellOf(grid, 0, 2).substr(0, 4), L"HO3-");
  EXPECT_EQ(SendMessageW(grid, LVM_GETCOLUMNWIDTH, 0, 0), 800 / 15);
  EXPECT_EQ(SendMessageW(grid, LVM_GETCOLUMNWIDTH, 2, 0), 4200 / 15);
  EXPECT_EQ(SendMessageW(grid, LVM_GETCOLUMNWIDTH, 4, 0), 0);

  // Stopped: no further tick.
  serveMessages(5600, [] { return false; });
  EXPECT_EQ(window_->ticksRun(), 1);
}

TEST_F(Win32WindowTest, StartThenStopWithinTheIntervalRunsNoTick) {
  click(control(Win32Control::kStartButton));
  click(control(Win32Control::kStopButton));
  serveMessages(5600, [] { return false; });
  EXPECT_EQ(window_->ticksRun(), 0);
}

// Stop pressed while a tick runs is handled when the tick has ended, and no
// tick follows.
TEST_F(Win32WindowTest, StopPressedDuringATickEndsTheRunAfterIt) {
  HWND start = control(Win32Control::kStartButton);
  HWND stop = control(Win32Control::kStopButton);
  bool pressed = false;
  duringConnect_ = [&] {
    if (pressed) return;
    pressed = true;
    PostMessageW(window_->handle(), WM_COMMAND,
                 MAKEWPARAM(static_cast<int>(Win32Control::kStopButton), BN_CLICKED),
                 reinterpret_cast<LPARAM>(stop));
    EXPECT_FALSE(visible(start));
  };
  click(start);
  serveMessages(30000, [&] { return window_->ticksRun() > 0; });
  serveMessages(5600, [] { return false; });
  EXPECT_EQ(window_->ticksRun(), 1);
  EXPECT_TRUE(visible(start));
  EXPECT_FALSE(window_->timerRunning());
}

TEST_F(Win32WindowTest, LabelsShowCaptionsWithoutCarriageReturns) {
  window_->showServerCaption("HEAD OFFICE HO1(1)\r\nHO1\r\n Connection Verify ");
  EXPECT_EQ(textOf(control(Win32Control::kServerLabel)), L"HEAD OFFICE HO1(1)\nHO1\n Connection Verify ");
  window_->reportUnloggedFailure(Failure(failure_number::kStatementFailed, "ERRTABLE is full"));
  EXPECT_NE(textOf(control(Win32Control::kStepLabel)).find(L"ERRTABLE is full"), std::wstring::npos);
}

TEST_F(Win32WindowTest, HeadOfficeListAndYearDatesAreHidden) {
  HWND list = control(Win32Control::kHeadOfficeGrid);
  HWND from = control(Win32Control::kYearStart);
  ASSERT_TRUE(list && from);
  EXPECT_FALSE(visible(list));
  EXPECT_FALSE(visible(from));
  ASSERT_EQ(rowsOf(list), 2);
  EXPECT_EQ(cellOf(list, 1, 3), L"HO3");
  SYSTEMTIME day{};
  SendMessageW(from, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&day));
  EXPECT_EQ(day.wYear, 2019);
  EXPECT_EQ(day.wMonth, 4);
  EXPECT_EQ(day.wDay, 1);
}

}  // namespace
}  // namespace velmora::shell
