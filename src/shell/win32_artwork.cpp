#include "shell/win32_artwork.h"

#include <gdiplus.h>
#include <shlwapi.h>

namespace velmora::shell {

namespace {

constexpr unsigned kButtonBorder = 0x5a5a5a;

COLORREF rgb(unsigned colour) {
  return RGB((colour >> 16) & 0xff, (colour >> 8) & 0xff, colour & 0xff);
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

void drawStretched(Gdiplus::Graphics& graphics, Gdiplus::Bitmap* picture, const Place& where) {
  if (picture == nullptr) return;
  RECT r = rectOf(where);
  graphics.DrawImage(picture, Gdiplus::Rect(r.left, r.top, r.right - r.left, r.bottom - r.top));
}

std::wstring windowText(HWND control) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

std::wstring widen(std::string_view text) {
  if (text.empty()) return {};
  int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

RECT rectOf(const Place& twips) {
  return {pixels(twips.left), pixels(twips.top), pixels(twips.left) + pixels(twips.width),
          pixels(twips.top) + pixels(twips.height)};
}

Win32Artwork::Win32Artwork() {
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&gdiplus_, &input, nullptr);
  labelFont_ = makeFont(kLabelPointSize, false);
  buttonFont_ = makeFont(kButtonPointSize, true);
  background_.reset(loadPicture(L"VELMORA_BACKGROUND"));
  logo_.reset(loadPicture(L"VELMORA_LOGO"));
  RECT whole = rectOf(kImagePlace);
  HDC screen = GetDC(nullptr);
  backdrop_ = CreateCompatibleBitmap(screen, whole.right, whole.bottom);
  ReleaseDC(nullptr, screen);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, backdrop_);
  {
    Gdiplus::Graphics graphics(dc);
    graphics.Clear(Gdiplus::Color(255, 236, 236, 236));
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    drawStretched(graphics, background_.get(), kImagePlace);
    drawStretched(graphics, logo_.get(), kPicturePlace);
  }
  SelectObject(dc, previous);
  DeleteDC(dc);
  if (logo_) logo_->GetHICON(&icon_);
}

Win32Artwork::~Win32Artwork() {
  if (icon_ != nullptr) DestroyIcon(icon_);
  DeleteObject(backdrop_);
  DeleteObject(labelFont_);
  DeleteObject(buttonFont_);
  background_.reset();
  logo_.reset();
  Gdiplus::GdiplusShutdown(gdiplus_);
}

void Win32Artwork::paintBackdrop(HDC dc, const RECT& at, const RECT& area) const {
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ previous = SelectObject(source, backdrop_);
  BitBlt(dc, at.left, at.top, area.right - area.left, area.bottom - area.top, source, area.left,
         area.top, SRCCOPY);
  SelectObject(source, previous);
  DeleteDC(source);
}

void Win32Artwork::paintLabel(const DRAWITEMSTRUCT& item, HWND window) const {
  const std::wstring text = windowText(item.hwndItem);
  RECT r = item.rcItem;
  RECT inWindow = r;
  MapWindowPoints(item.hwndItem, window, reinterpret_cast<POINT*>(&inWindow), 2);
  paintBackdrop(item.hDC, r, inWindow);
  {
    Gdiplus::Graphics graphics(item.hDC);
    Gdiplus::SolidBrush veil(Gdiplus::Color(kLabelBackgroundAlpha, (kLabelBackground >> 16) & 0xff,
                                            (kLabelBackground >> 8) & 0xff, kLabelBackground & 0xff));
    graphics.FillRectangle(&veil, Gdiplus::Rect(r.left, r.top, r.right - r.left, r.bottom - r.top));
  }
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, rgb(kLabelText));
  HGDIOBJ font = SelectObject(item.hDC, labelFont_);
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &r,
            DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(item.hDC, font);
}

void Win32Artwork::paintButton(const DRAWITEMSTRUCT& item, unsigned face) const {
  const std::wstring text = windowText(item.hwndItem);
  RECT r = item.rcItem;
  HBRUSH faceBrush = CreateSolidBrush(rgb(face));
  HBRUSH borderBrush = CreateSolidBrush(rgb(kButtonBorder));
  FillRect(item.hDC, &r, faceBrush);
  FrameRect(item.hDC, &r, borderBrush);
  DeleteObject(faceBrush);
  DeleteObject(borderBrush);
  if (item.itemState & ODS_SELECTED) OffsetRect(&r, 1, 1);
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, RGB(0, 0, 0));
  HGDIOBJ font = SelectObject(item.hDC, buttonFont_);
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &r,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(item.hDC, font);
  if (item.itemState & ODS_FOCUS) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(item.hDC, &focus);
  }
}

}  // namespace velmora::shell
