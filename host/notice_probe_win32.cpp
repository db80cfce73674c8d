#include "notice_probe_win32.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

namespace tovrel::host {
namespace {

constexpr char kDialogClass[] = "#32770";

bool IsVisibleNotice(HWND window) {
  char window_class[16] = {};
  ::GetClassNameA(window, window_class, sizeof window_class);
  return std::strcmp(window_class, kDialogClass) == 0 && ::IsWindowVisible(window);
}

BOOL CALLBACK FindNotice(HWND window, LPARAM found) {
  if (IsVisibleNotice(window) && ::IsWindowEnabled(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

// Adds a visible notice's rectangle to the union, finishing any painting it
// still owes first so that the screen shows it whole.
BOOL CALLBACK AddNoticeRect(HWND window, LPARAM area) {
  if (IsVisibleNotice(window)) {
    ::RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT rect{};
    ::GetWindowRect(window, &rect);
    auto* union_rect = reinterpret_cast<RECT*>(area);
    ::UnionRect(union_rect, union_rect, &rect);
  }
  return TRUE;
}

struct ScreenDc {
  ScreenDc() : dc(::GetDC(nullptr)) {}
  ~ScreenDc() { ::ReleaseDC(nullptr, dc); }
  HDC dc;
};

}  // namespace

HWND FindActiveNotice() {
  HWND found = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindNotice, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::string WindowText(HWND window) {
  std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::string NoticeMessage(HWND notice) {
  HWND message = ::FindWindowExA(notice, nullptr, "Static", nullptr);
  return message != nullptr ? WindowText(message) : std::string{};
}

HWND NoticeOkButton(HWND notice) {
  return ::GetDlgItem(notice, IDOK);
}

void PressOk(HWND notice) {
  ::PostMessageA(notice, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(NoticeOkButton(notice)));
}

RECT VisibleNoticesRect() {
  RECT area{};
  ::EnumThreadWindows(::GetCurrentThreadId(), AddNoticeRect, reinterpret_cast<LPARAM>(&area));
  return area;
}

bool SaveScreenImage(const RECT& rect, const std::string& path) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;

  ::GdiFlush();
  ScreenDc screen;
  const std::unique_ptr<std::remove_pointer_t<HDC>, decltype(&::DeleteDC)> memory{
      ::CreateCompatibleDC(screen.dc), &::DeleteDC};
  const std::unique_ptr<std::remove_pointer_t<HBITMAP>, decltype(&::DeleteObject)> bitmap{
      ::CreateCompatibleBitmap(screen.dc, width, height), &::DeleteObject};
  if (!memory || !bitmap) return false;
  const HGDIOBJ previous = ::SelectObject(memory.get(), bitmap.get());
  ::BitBlt(memory.get(), 0, 0, width, height, screen.dc, rect.left, rect.top, SRCCOPY);
  ::SelectObject(memory.get(), previous);

  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const std::size_t row = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  std::vector<unsigned char> pixels(row * static_cast<std::size_t>(height));
  if (!::GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(),
                   reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS)) {
    return false;
  }
  BITMAPFILEHEADER file{};
  file.bfType = 0x4d42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());

  const std::unique_ptr<std::FILE, decltype(&std::fclose)> out{std::fopen(path.c_str(), "wb"),
                                                               &std::fclose};
  if (!out) return false;
  return std::fwrite(&file, sizeof file, 1, out.get()) == 1 &&
         std::fwrite(&info, sizeof info, 1, out.get()) == 1 &&
         std::fwrite(pixels.data(), 1, pixels.size(), out.get()) == pixels.size();
}

}  // namespace tovrel::host
