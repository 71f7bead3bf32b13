#include "shell/win32_window.h"

#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "shell/startup.h"

namespace velmora::shell {

namespace {

constexpr wchar_t kWindowClass[] = L"VelmoraAgentWindow";
constexpr UINT_PTR kCycleTimer = 1;
constexpr UINT_PTR kCloseTimer = 2;
constexpr UINT kScreenshotTicks = WM_APP + 1;
constexpr unsigned kButtonBorder = 0x5a5a5a;

std::wstring widen(std::string_view text) {
  if (text.empty()) return {};
  int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

COLORREF rgb(unsigned colour) {
  return RGB((colour >> 16) & 0xff, (colour >> 8) & 0xff, colour & 0xff);
}

RECT rectOf(const Place& twips) {
  return {pixels(twips.left), pixels(twips.top), pixels(twips.left) + pixels(twips.width),
          pixels(twips.top) + pixels(twips.height)};
}

HWND createChild(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style,
                 const Place& where, Win32Control id) {
  RECT r = rectOf(where);
  return CreateWindowExW(0, windowClass, text, WS_CHILD | style, r.left, r.top, r.right - r.left,
                         r.bottom - r.top, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

HFONT makeFont(double points, bool bold) {
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(static_cast<int>(points * 100), GetDeviceCaps(screen, LOGPIXELSY), 7200);
  ReleaseDC(nullptr, screen);
  return CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, L"Microsoft Sans Serif");
}

// A PNG of the program's resources as a GDI+ bitmap; nullptr when missing.
Gdiplus::Bitmap* loadPicture(const wchar_t* name) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (found == nullptr) return nullptr;
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return nullptr;
  IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(bytes), SizeofResource(module, found));
  if (stream == nullptr) return nullptr;
  Gdiplus::Bitmap* bitmap = Gdiplus::Bitmap::FromStream(stream);
  stream->Release();
  if (bitmap != nullptr && bitmap->GetLastStatus() != Gdiplus::Ok) {
    delete bitmap;
    return nullptr;
  }
  return bitmap;
}

std::wstring windowText(HWND control) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
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

// The drawing resources: GDI+, the fonts, and the backdrop (background
// picture and logo) drawn once into a bitmap of the window's size.
struct Win32AgentWindow::Artwork {
  Artwork() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&gdiplus, &input, nullptr);
    labelFont = makeFont(kLabelPointSize, false);
    buttonFont = makeFont(kButtonPointSize, true);
    background.reset(loadPicture(L"VELMORA_BACKGROUND"));
    logo.reset(loadPicture(L"VELMORA_LOGO"));
    RECT whole = rectOf(kImagePlace);
    HDC screen = GetDC(nullptr);
    backdrop = CreateCompatibleBitmap(screen, whole.right, whole.bottom);
    ReleaseDC(nullptr, screen);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, backdrop);
    {
      Gdiplus::Graphics graphics(dc);
      graphics.Clear(Gdiplus::Color(255, 236, 236, 236));
      graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
      drawStretched(graphics, background.get(), kImagePlace);
      drawStretched(graphics, logo.get(), kPicturePlace);
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    if (logo) logo->GetHICON(&icon);
  }
  ~Artwork() {
    if (icon != nullptr) DestroyIcon(icon);
    DeleteObject(backdrop);
    DeleteObject(labelFont);
    DeleteObject(buttonFont);
    background.reset();
    logo.reset();
    Gdiplus::GdiplusShutdown(gdiplus);
  }
  Artwork(const Artwork&) = delete;
  Artwork& operator=(const Artwork&) = delete;

  static void drawStretched(Gdiplus::Graphics& graphics, Gdiplus::Bitmap* picture, const Place& where) {
    if (picture == nullptr) return;
    RECT r = rectOf(where);
    graphics.DrawImage(picture, Gdiplus::Rect(r.left, r.top, r.right - r.left, r.bottom - r.top));
  }

  // Copies the backdrop under `area` (window coordinates) to `dc` at `at`.
  void paintBackdrop(HDC dc, const RECT& at, const RECT& area) const {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, backdrop);
    BitBlt(dc, at.left, at.top, area.right - area.left, area.bottom - area.top, source, area.left,
           area.top, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
  }

  ULONG_PTR gdiplus = 0;
  HFONT labelFont = nullptr;
  HFONT buttonFont = nullptr;
  std::unique_ptr<Gdiplus::Bitmap> background;
  std::unique_ptr<Gdiplus::Bitmap> logo;
  HBITMAP backdrop = nullptr;
  HICON icon = nullptr;
};

Win32AgentWindow::Win32AgentWindow(AgentContext& context, ConnectCentralFn connectCentral,
                                   const std::string& caption)
    : cycle_(context, *this, std::move(connectCentral)), artwork_(std::make_unique<Artwork>()) {
  registerWindowClass();
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT frame = rectOf(kImagePlace);
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  CreateWindowExW(0, kWindowClass, widen(caption).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                  GetModuleHandleW(nullptr), this);
  if (window_ == nullptr) throw std::runtime_error("cannot create the agent's window");
  if (artwork_->icon != nullptr) {
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(artwork_->icon));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(artwork_->icon));
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
    const ErrorColumnSpec& spec = kErrorColumns[static_cast<std::size_t>(column)];
    addColumn(grid, column, spec.header, spec.widthTwips);
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
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      const auto id = static_cast<Win32Control>(item->CtlID);
      const std::wstring text = windowText(item->hwndItem);
      RECT r = item->rcItem;
      if (id == Win32Control::kServerLabel || id == Win32Control::kStepLabel) {
        RECT inWindow = r;
        MapWindowPoints(item->hwndItem, window_, reinterpret_cast<POINT*>(&inWindow), 2);
        artwork_->paintBackdrop(item->hDC, r, inWindow);
        {
          Gdiplus::Graphics graphics(item->hDC);
          Gdiplus::SolidBrush veil(Gdiplus::Color(
              kLabelBackgroundAlpha, (kLabelBackground >> 16) & 0xff, (kLabelBackground >> 8) & 0xff,
              kLabelBackground & 0xff));
          graphics.FillRectangle(&veil, Gdiplus::Rect(r.left, r.top, r.right - r.left, r.bottom - r.top));
        }
        SetBkMode(item->hDC, TRANSPARENT);
        SetTextColor(item->hDC, rgb(kLabelText));
        HGDIOBJ font = SelectObject(item->hDC, artwork_->labelFont);
        DrawTextW(item->hDC, text.c_str(), static_cast<int>(text.size()), &r,
                  DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(item->hDC, font);
        return TRUE;
      }
      const unsigned face = id == Win32Control::kStartButton ? kStartFace : kStopFace;
      HBRUSH faceBrush = CreateSolidBrush(rgb(face));
      HBRUSH borderBrush = CreateSolidBrush(rgb(kButtonBorder));
      FillRect(item->hDC, &r, faceBrush);
      FrameRect(item->hDC, &r, borderBrush);
      DeleteObject(faceBrush);
      DeleteObject(borderBrush);
      if (item->itemState & ODS_SELECTED) OffsetRect(&r, 1, 1);
      SetBkMode(item->hDC, TRANSPARENT);
      SetTextColor(item->hDC, RGB(0, 0, 0));
      HGDIOBJ font = SelectObject(item->hDC, artwork_->buttonFont);
      DrawTextW(item->hDC, text.c_str(), static_cast<int>(text.size()), &r,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      SelectObject(item->hDC, font);
      if (item->itemState & ODS_FOCUS) {
        RECT focus = item->rcItem;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(item->hDC, &focus);
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
