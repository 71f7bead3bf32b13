#include "shell/win32_window.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "shell/startup.h"
#include "shell/win32_artwork.h"

namespace velmora::shell {

namespace {

constexpr wchar_t kWindowClass[] = L"VelmoraAgentWindow";
constexpr UINT_PTR kCycleTimer = 1;
constexpr UINT_PTR kCloseTimer = 2;
constexpr UINT kScreenshotTicks = WM_APP + 1;

HWND createChild(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style,
                 const Place& where, Win32Control id) {
  RECT r = rectOf(where);
  return CreateWindowExW(0, windowClass, text, WS_CHILD | style, r.left, r.top, r.right - r.left,
                         r.bottom - r.top, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* owner = reinterpret_cast<Win32AgentWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (owner != nullptr) return static_cast<LRESULT>(owner->handleMessage(window, message, wParam, lParam));
  return DefWindowProcW(window, message, wParam, lParam);
}

void registerWindowClass() {
  static bool registered = false;
  if (registered) return;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.lpszClassName = kWindowClass;
  if (RegisterClassExW(&windowClass) == 0) throw std::runtime_error("cannot register the window class");
  registered = true;
}

void addColumn(HWND grid, int index, std::string_view header, int widthTwips) {
  std::wstring text = widen(header);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.pszText = text.data();
  column.cx = pixels(widthTwips);
  column.iSubItem = index;
  SendMessageW(grid, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void setCell(HWND grid, int row, int column, const std::string& value) {
  std::wstring text = widen(value);
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.iSubItem = column;
  item.pszText = text.data();
  if (column == 0) {
    SendMessageW(grid, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  } else {
    SendMessageW(grid, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  }
}

HWND makeHiddenDate(HWND parent, Win32Control id, const DateTime& date) {
  HWND picker = createChild(parent, DATETIMEPICK_CLASSW, L"", 0, {0, 0, 1500, 300}, id);
  SendMessageW(picker, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(widen(kYearDateFormat).c_str()));
  SYSTEMTIME day{};
  day.wYear = static_cast<WORD>(date.year);
  day.wMonth = static_cast<WORD>(date.month);
  day.wDay = static_cast<WORD>(date.day);
  SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&day));
  return picker;
}

}  // namespace

Win32AgentWindow::Win32AgentWindow(AgentContext& context, ConnectCentralFn connectCentral,
                                   const std::string& caption)
    : cycle_(context, *this, std::move(connectCentral)), artwork_(std::make_unique<Win32Artwork>()) {
  registerWindowClass();
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT frame = rectOf(kImagePlace);
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  CreateWindowExW(0, kWindowClass, widen(caption).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                  GetModuleHandleW(nullptr), this);
  if (window_ == nullptr) throw std::runtime_error("cannot create the agent's window");
  if (artwork_->icon() != nullptr) {
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(artwork_->icon()));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(artwork_->icon()));
  }
  createControls(context.headOffices, context.settings);
}

Win32AgentWindow::~Win32AgentWindow() {
  if (window_ != nullptr) {
    KillTimer(window_, kCycleTimer);
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

void Win32AgentWindow::createControls(const std::vector<HeadOfficeRow>& headOffices,
                                      const Settings& settings) {
  const DWORD label = WS_VISIBLE | SS_OWNERDRAW;
  createChild(window_, L"STATIC", L"", label, kServerLabelPlace, Win32Control::kServerLabel);
  createChild(window_, L"STATIC", L"", label, kStepLabelPlace, Win32Control::kStepLabel);

  HWND grid = createChild(window_, WC_LISTVIEWW, L"",
                          WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_NOSORTHEADER,
                          kErrorGridPlace, Win32Control::kErrorGrid);
  SendMessageW(grid, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  for (int column = 0; column < kErrorColumnCount; ++column) {
    const ErrorColumnLayout& layout = kErrorColumns[static_cast<std::size_t>(column)];
    addColumn(grid, column, layout.header, layout.widthTwips);
  }

  HWND headOfficeGrid = createChild(window_, WC_LISTVIEWW, L"", LVS_REPORT, kErrorGridPlace,
                                    Win32Control::kHeadOfficeGrid);
  for (std::size_t column = 0; column < kHeadOfficeHeader.size(); ++column) {
    addColumn(headOfficeGrid, static_cast<int>(column), kHeadOfficeHeader[column].text,
              kHeadOfficeHeader[column].widthTwips);
  }
  for (std::size_t row = 0; row < headOffices.size(); ++row) {
    for (std::size_t column = 0; column < headOffices[row].size(); ++column) {
      setCell(headOfficeGrid, static_cast<int>(row), static_cast<int>(column), headOffices[row][column]);
    }
  }
  makeHiddenDate(window_, Win32Control::kYearStart, settings.yearStart);
  makeHiddenDate(window_, Win32Control::kYearEnd, settings.yearEnd);

  const DWORD button = WS_TABSTOP | BS_OWNERDRAW;
  createChild(window_, L"BUTTON", widen(kStartText).c_str(), button | WS_VISIBLE, kButtonPlace,
              Win32Control::kStartButton);
  createChild(window_, L"BUTTON", widen(kStopText).c_str(), button, kButtonPlace,
              Win32Control::kStopButton);
}

WindowHandle Win32AgentWindow::control(Win32Control id) const {
  return GetDlgItem(window_, static_cast<int>(id));
}

void Win32AgentWindow::show() {
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
}

void Win32AgentWindow::startPressed() {
  state_.start();
  showButtons();
  SetTimer(window_, kCycleTimer, kTimerIntervalMs, nullptr);
}

void Win32AgentWindow::stopPressed() {
  state_.stop();
  showButtons();
  KillTimer(window_, kCycleTimer);
}

void Win32AgentWindow::showButtons() {
  HWND start = control(Win32Control::kStartButton);
  HWND stop = control(Win32Control::kStopButton);
  ShowWindow(start, state_.startShown() ? SW_SHOW : SW_HIDE);
  ShowWindow(stop, state_.stopShown() ? SW_SHOW : SW_HIDE);
  UpdateWindow(start);
  UpdateWindow(stop);
}

void Win32AgentWindow::runTick() {
  const ULONGLONG began = GetTickCount64();
  cycle_.tick();
  const auto took = static_cast<long long>(GetTickCount64() - began);
  if (state_.restartTimerAfterTick(took, kTimerIntervalMs)) {
    SetTimer(window_, kCycleTimer, kTimerIntervalMs, nullptr);
  }
}

void Win32AgentWindow::setLabel(Win32Control id, const std::string& text) {
  HWND label = control(id);
  SetWindowTextW(label, widen(displayText(text)).c_str());
  // The window does not process its messages while a tick runs: paint now.
  RedrawWindow(label, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void Win32AgentWindow::showServerCaption(const std::string& caption) {
  setLabel(Win32Control::kServerLabel, caption);
}

void Win32AgentWindow::showStepStatus(const std::string& status) {
  setLabel(Win32Control::kStepLabel, status);
}

void Win32AgentWindow::showErrorRows(const std::vector<ErrorDisplayRow>& rows) {
  HWND grid = control(Win32Control::kErrorGrid);
  SendMessageW(grid, WM_SETREDRAW, FALSE, 0);
  SendMessageW(grid, LVM_DELETEALLITEMS, 0, 0);
  for (std::size_t row = 0; row < rows.size(); ++row) {
    for (int column = 0; column < kErrorColumnCount; ++column) {
      setCell(grid, static_cast<int>(row), column,
              errorCellText(rows[row], static_cast<ErrorColumn>(column)));
    }
  }
  SendMessageW(grid, WM_SETREDRAW, TRUE, 0);
  RedrawWindow(grid, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Win32AgentWindow::reportUnloggedFailure(const Failure& failure) {
  // The error table could not take the row: the status label is the one
  // place left where the operator sees it.
  unlogged_.add(failure);
  showStepStatus(unlogged_.text());
  OutputDebugStringW(widen("velmora-agent: unlogged failure " + std::to_string(failure.number()) +
                           ": " + failure.description())
                         .c_str());
}

void Win32AgentWindow::tickEnded(int /*tickNumber*/) {
  if (unlogged_.empty()) return;
  showStepStatus(unlogged_.text());
  unlogged_.clear();
}

long long Win32AgentWindow::handleMessage(WindowHandle window, unsigned message,
                                          unsigned long long wParam, long long lParam) {
  switch (message) {
    case WM_NCCREATE:
      window_ = window;
      break;
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(window_, &client);
      artwork_->paintBackdrop(reinterpret_cast<HDC>(wParam), client, client);
      return 1;
    }
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      switch (static_cast<Win32Control>(item.CtlID)) {
        case Win32Control::kServerLabel:
        case Win32Control::kStepLabel: artwork_->paintLabel(item, window); break;
        case Win32Control::kStartButton: artwork_->paintButton(item, kStartFace); break;
        case Win32Control::kStopButton: artwork_->paintButton(item, kStopFace); break;
        default: return FALSE;
      }
      return TRUE;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == static_cast<int>(Win32Control::kStartButton) && !state_.running()) {
          startPressed();
        } else if (LOWORD(wParam) == static_cast<int>(Win32Control::kStopButton) && state_.running()) {
          stopPressed();
        }
        return 0;
      }
      break;
    case WM_TIMER:
      if (wParam == kCycleTimer && state_.running()) runTick();
      if (wParam == kCloseTimer) PostMessageW(window_, WM_CLOSE, 0, 0);
      return 0;
    case kScreenshotTicks: {
      for (WPARAM i = 0; i < wParam; ++i) runTick();
      if (auto ready = processEnvironment("VELMORA_SCREENSHOT_READY")) std::ofstream(*ready) << "ready\n";
      if (auto closeMs = processEnvironment("VELMORA_SCREENSHOT_CLOSE_MS")) {
        SetTimer(window, kCloseTimer, static_cast<UINT>(std::atoi(closeMs->c_str())), nullptr);
      }
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      // Closed by the operator: the program ends.
      KillTimer(window, kCycleTimer);
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      window_ = nullptr;
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

void showStartupMessage(const std::string& message) {
  MessageBoxW(nullptr, widen(message).c_str(), L"VELMORA", MB_OK);
}

int runWindowLoop(Win32AgentWindow& window) {
  // For scripts/screenshot-windows: VELMORA_SCREENSHOT_TICKS runs that many
  // ticks once the window shows, then the file VELMORA_SCREENSHOT_READY is
  // written and the window closes VELMORA_SCREENSHOT_CLOSE_MS later; the
  // picture is taken in between.
  if (auto ticks = processEnvironment("VELMORA_SCREENSHOT_TICKS")) {
    PostMessageW(window.handle(), kScreenshotTicks, static_cast<WPARAM>(std::atoi(ticks->c_str())), 0);
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (window.handle() != nullptr && IsDialogMessageW(window.handle(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace velmora::shell
