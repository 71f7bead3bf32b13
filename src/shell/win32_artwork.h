// The drawing of the Win32 window: GDI+, the fonts, the backdrop (background
// picture and logo from the program's resources, drawn once at the window's
// size), and the owner-drawn labels and buttons. Included by the Win32
// window only.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "shell/window_common.h"

namespace Gdiplus {
class Bitmap;
}

namespace velmora::shell {

// UTF-8 text as Windows' UTF-16.
std::wstring widen(std::string_view text);

// A control's place in pixels.
RECT rectOf(const Place& twips);

class Win32Artwork {
 public:
  Win32Artwork();
  ~Win32Artwork();
  Win32Artwork(const Win32Artwork&) = delete;
  Win32Artwork& operator=(const Win32Artwork&) = delete;

  // The logo as the window's icon; nullptr without a logo.
  HICON icon() const { return icon_; }

  // Copies the backdrop under `area` (window coordinates) to `dc` at `at`.
  void paintBackdrop(HDC dc, const RECT& at, const RECT& area) const;
  // A status label of `window`: its text on a white veil over the backdrop.
  void paintLabel(const DRAWITEMSTRUCT& item, HWND window) const;
  // A Start or Stop button: its caption in bold on its face colour.
  void paintButton(const DRAWITEMSTRUCT& item, unsigned face) const;

 private:
  ULONG_PTR gdiplus_ = 0;
  HFONT labelFont_ = nullptr;
  HFONT buttonFont_ = nullptr;
  std::unique_ptr<Gdiplus::Bitmap> background_;
  std::unique_ptr<Gdiplus::Bitmap> logo_;
  HBITMAP backdrop_ = nullptr;
  HICON icon_ = nullptr;
};

}  // namespace velmora::shell
