// Notices on Windows: a small dialog of our own (a static for the message, one
// OK button) run by our own modal loop on the calling thread. A dialog-class
// window gives us default/cancel button handling and WM_CLOSE for free, while
// owning the loop lets us keep modifier+Enter/Esc from dismissing it and end
// it on a quit request without swallowing that request.
//
// Everything here also runs inside DllMain under the loader lock (the load
// notice): so it touches only the calling thread's windows, owns no window
// across calls and waits on nothing but the thread's own message queue.
#include <windows.h>
// After windows.h:
#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "application_title.h"
#include "message_text_win32.h"
#include "notice.h"

namespace tovrel {
namespace {

constinit std::string applicationTitle;

struct WindowDestroyer {
  void operator()(HWND window) const { ::DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

struct FontDeleter {
  void operator()(HFONT font) const { ::DeleteObject(font); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

struct DcDeleter {
  void operator()(HDC dc) const { ::DeleteDC(dc); }
};
using UniqueDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

constexpr int kMessageId = 100;

// What the dialog procedure shares with the notice's loop.
struct NoticeState {
  const MessageText* message = nullptr;
  HFONT font = nullptr;
  bool dismissed = false;
};

// Paints the message control: its background as the dialog's, then the
// lines that need painting.
void DrawMessage(HWND dialog, const NoticeState& state, const DRAWITEMSTRUCT& item) {
  auto brush = reinterpret_cast<HBRUSH>(::SendMessageA(dialog, WM_CTLCOLORSTATIC,
                                                       reinterpret_cast<WPARAM>(item.hDC),
                                                       reinterpret_cast<LPARAM>(item.hwndItem)));
  ::FillRect(item.hDC, &item.rcItem, brush != nullptr ? brush : ::GetSysColorBrush(COLOR_BTNFACE));
  const int previous_mode = ::SetBkMode(item.hDC, TRANSPARENT);
  const HGDIOBJ previous_font = ::SelectObject(item.hDC, state.font);
  const bool hide_markers =
      (::SendMessageA(item.hwndItem, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) != 0;
  state.message->Draw(item.hDC, item.rcItem, hide_markers);
  ::SelectObject(item.hDC, previous_font);
  ::SetBkMode(item.hDC, previous_mode);
}

INT_PTR CALLBACK NoticeDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrA(dialog, DWLP_USER, lparam);
    return FALSE;  // the focus is placed once the window is shown
  }
  auto* state = reinterpret_cast<NoticeState*>(::GetWindowLongPtrA(dialog, DWLP_USER));
  if (state == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND:
      // OK (button, Enter) and cancel (Esc) end the notice alike.
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        state->dismissed = true;
        return TRUE;
      }
      break;
    case WM_CLOSE:  // the close box, Close on the window menu, Alt+F4
      state->dismissed = true;
      return TRUE;
    case WM_DRAWITEM:
      if (wparam == kMessageId && state->message != nullptr) {
        DrawMessage(dialog, *state, *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
        return TRUE;
      }
      break;
    case WM_DESTROY:  // someone else destroyed the notice: nothing left to wait for
      state->dismissed = true;
      break;
    default:
      break;
  }
  return FALSE;
}

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&NoticeDialogProc), &module);
  return module;
}

// The module's manifest (resource 2) asks for version 6 of the common
// controls, so that the OK button takes the system's visual style. A DLL
// cannot rely on the host's manifest: the module's own context is active
// while the notice's windows are made, and only then, so that nothing the
// host makes meanwhile is affected. Without it the controls are the classic
// ones, which serve just as well.
class CommonControlsContext {
 public:
  CommonControlsContext() {
    ACTCTXA description{};
    description.cbSize = sizeof description;
    description.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    description.hModule = ThisModule();
    description.lpResourceName = MAKEINTRESOURCEA(2);
    context_ = ::CreateActCtxA(&description);
    if (context_ != INVALID_HANDLE_VALUE && !::ActivateActCtx(context_, &cookie_)) cookie_ = 0;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
  }
  CommonControlsContext(const CommonControlsContext&) = delete;
  CommonControlsContext& operator=(const CommonControlsContext&) = delete;
  ~CommonControlsContext() {
    if (cookie_ != 0) ::DeactivateActCtx(0, cookie_);
    if (context_ != INVALID_HANDLE_VALUE) ::ReleaseActCtx(context_);
  }

 private:
  HANDLE context_ = INVALID_HANDLE_VALUE;
  ULONG_PTR cookie_ = 0;
};

// The system's message font, as the user has set it (it follows the DPI).
UniqueFont MessageFont() {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  if (!::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
    // Systems older than the padded-border field reject the larger size.
    metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
    if (!::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
      throw NoticeError("cannot read the system message font");
    }
  }
  UniqueFont font{::CreateFontIndirectA(&metrics.lfMessageFont)};
  if (!font) throw NoticeError("cannot create the message font");
  return font;
}

struct Layout {
  SIZE client;
  RECT message;
  RECT button;
};

// The half of the primary screen's width that a message wraps within.
int WrapWidth() {
  return std::max(1, ::GetSystemMetrics(SM_CXSCREEN) / 2);
}

// Sizes follow the font: margins and the button are in dialog units of the
// message font, so they scale with the user's font and DPI.
Layout Measure(HDC dc, SIZE message) {
  TEXTMETRICA metrics{};
  ::GetTextMetricsA(dc, &metrics);
  SIZE alphabet{};
  constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  ::GetTextExtentPoint32A(dc, kAlphabet.data(), static_cast<int>(kAlphabet.size()), &alphabet);
  const int base_x = std::max<int>(1, (alphabet.cx / 26 + 1) / 2);
  const int base_y = std::max<int>(1, metrics.tmHeight);
  const auto dlu_x = [&](int units) { return ::MulDiv(units, base_x, 4); };
  const auto dlu_y = [&](int units) { return ::MulDiv(units, base_y, 8); };

  const int text_width = message.cx;
  const int text_height = message.cy;

  SIZE ok{};
  ::GetTextExtentPoint32A(dc, "OK", 2, &ok);
  const int button_width = std::max<int>(dlu_x(50), ok.cx + 2 * dlu_x(4));
  const int button_height = dlu_y(14);
  const int margin_x = dlu_x(8);
  const int margin_y = dlu_y(8);
  const int gap = dlu_y(8);

  Layout layout{};
  layout.client.cx = std::max(text_width, button_width) + 2 * margin_x;
  layout.client.cy = margin_y + text_height + gap + button_height + margin_y;
  layout.message = {margin_x, margin_y, margin_x + text_width, margin_y + text_height};
  const int button_left = (layout.client.cx - button_width) / 2;
  const int button_top = margin_y + text_height + gap;
  layout.button = {button_left, button_top, button_left + button_width, button_top + button_height};
  return layout;
}

// An in-memory dialog template with no controls and no font: the dialog
// class gives default-button and close handling; we add and size the rest.
struct alignas(4) NoticeTemplate {
  DLGTEMPLATE header;
  WORD menu = 0;
  WORD window_class = 0;
  WORD title = 0;
};

constexpr DWORD kNoticeStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

UniqueWindow CreateNoticeWindow(NoticeState& state) {
  NoticeTemplate notice_template{};
  notice_template.header.style = kNoticeStyle;
  notice_template.header.dwExtendedStyle = WS_EX_DLGMODALFRAME;
  UniqueWindow dialog{::CreateDialogIndirectParamA(ThisModule(), &notice_template.header, nullptr,
                                                   NoticeDialogProc,
                                                   reinterpret_cast<LPARAM>(&state))};
  if (!dialog) throw NoticeError("cannot create the notice window");
  return dialog;
}

HWND AddControl(HWND dialog, const char* window_class, const char* text, DWORD style, int id,
                const RECT& at, HFONT font) {
  HWND control =
      ::CreateWindowExA(0, window_class, text, WS_CHILD | WS_VISIBLE | style, at.left, at.top,
                        at.right - at.left, at.bottom - at.top, dialog,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), nullptr);
  if (control == nullptr) throw NoticeError("cannot create the notice's controls");
  ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

// Centred on the primary screen, never above or left of its edges.
POINT PlaceOnScreen(SIZE window) {
  return {std::max(0L, (::GetSystemMetrics(SM_CXSCREEN) - window.cx) / 2),
          std::max(0L, (::GetSystemMetrics(SM_CYSCREEN) - window.cy) / 2)};
}

void CancelMouseCapture() {
  if (HWND holder = ::GetCapture()) ::SendMessageA(holder, WM_CANCELMODE, 0, 0);
  ::ReleaseCapture();
}

// Disables the calling thread's visible, enabled top-level windows for the
// life of a notice and enables again exactly those that still exist.
class ThreadWindowsDisabled {
 public:
  explicit ThreadWindowsDisabled(HWND notice) : notice_(notice) {
    ::EnumThreadWindows(::GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(this));
    if (out_of_memory_) throw std::bad_alloc();
    for (HWND window : windows_) ::EnableWindow(window, FALSE);
  }
  ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
  ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;
  ~ThreadWindowsDisabled() { Restore(); }

  void Restore() {
    for (HWND window : windows_) {
      if (::IsWindow(window)) ::EnableWindow(window, TRUE);
    }
    windows_.clear();
  }

 private:
  static BOOL CALLBACK Collect(HWND window, LPARAM self_pointer) {
    auto& self = *reinterpret_cast<ThreadWindowsDisabled*>(self_pointer);
    if (window == self.notice_ || !::IsWindowVisible(window) || !::IsWindowEnabled(window)) {
      return TRUE;
    }
    try {
      self.windows_.push_back(window);
    } catch (const std::bad_alloc&) {
      self.out_of_memory_ = true;
      return FALSE;
    }
    return TRUE;
  }

  HWND notice_;
  std::vector<HWND> windows_;
  bool out_of_memory_ = false;
};

bool ModifierHeld() {
  return ::GetKeyState(VK_SHIFT) < 0 || ::GetKeyState(VK_CONTROL) < 0 || ::GetKeyState(VK_MENU) < 0;
}

// Enter and Esc dismiss only on their own: with Shift, Ctrl or Alt held they
// do nothing (the dialog manager itself would not check).
bool IsIgnoredDismissKey(HWND dialog, const MSG& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  if (message.wParam != VK_RETURN && message.wParam != VK_ESCAPE) return false;
  if (message.hwnd != dialog && !::IsChild(dialog, message.hwnd)) return false;
  return ModifierHeld();
}

// Serves every message of the calling thread, the host's windows included,
// until the notice is dismissed or a quit request arrives. The quit request is
// posted again so that enclosing notices and the host's own loop see it too.
void RunModalLoop(HWND dialog, const NoticeState& state) {
  MSG message{};
  while (!state.dismissed) {
    const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (got == -1) return;
    if (IsIgnoredDismissKey(dialog, message)) continue;
    if (!::IsDialogMessageA(dialog, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }
}

class WindowNotices final : public NoticePresenter {
 public:
  void ShowNotice(std::string_view text) override {
    const std::string message{text};  // the controls want a terminated text
    const UniqueFont font = MessageFont();
    const UniqueDc measuring{::CreateCompatibleDC(nullptr)};
    if (!measuring) throw NoticeError("cannot measure the notice");
    ::SelectObject(measuring.get(), font.get());
    const MessageText message_text{measuring.get(), message, WrapWidth()};
    const Layout layout = Measure(measuring.get(), message_text.Extent());
    NoticeState state{&message_text, font.get()};
    UniqueWindow dialog;
    HWND ok = nullptr;
    {
      const CommonControlsContext common_controls;
      dialog = CreateNoticeWindow(state);
      // The static holds the text (for anyone reading the window) and leaves
      // the drawing to us.
      AddControl(dialog.get(), "STATIC", message.c_str(), SS_OWNERDRAW | WS_GROUP, kMessageId,
                 layout.message, font.get());
      ok = AddControl(dialog.get(), "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, IDOK,
                      layout.button, font.get());
    }
    ::SetWindowTextA(dialog.get(), applicationTitle.c_str());

    RECT frame{0, 0, layout.client.cx, layout.client.cy};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrA(dialog.get(), GWL_STYLE)),
                         FALSE, static_cast<DWORD>(::GetWindowLongPtrA(dialog.get(), GWL_EXSTYLE)));
    const SIZE size{frame.right - frame.left, frame.bottom - frame.top};
    const POINT origin = PlaceOnScreen(size);
    ::SetWindowPos(dialog.get(), nullptr, origin.x, origin.y, size.cx, size.cy,
                   SWP_NOZORDER | SWP_NOACTIVATE);

    CancelMouseCapture();
    HWND noted_active = ::GetActiveWindow();
    ThreadWindowsDisabled disabled{dialog.get()};

    // Underline the "&" markers from the start, not only once Alt is pressed.
    ::SendMessageA(dialog.get(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL), 0);
    ::SetWindowPos(dialog.get(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    ::SetForegroundWindow(dialog.get());
    ::SetActiveWindow(dialog.get());
    ::SetFocus(ok);

    RunModalLoop(dialog.get(), state);

    const bool notice_was_active = ::GetActiveWindow() == dialog.get();
    disabled.Restore();
    if (notice_was_active && noted_active != nullptr && ::IsWindow(noted_active)) {
      ::SetActiveWindow(noted_active);
    }
    ::ShowWindow(dialog.get(), SW_HIDE);
  }
};

constinit WindowNotices windowNotices;

// The process's program file (never this module's), read whole however long.
std::string ProgramFilePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

NoticePresenter& SystemNotices() {
  return windowNotices;
}

void FixApplicationTitle() {
  std::string path = ProgramFilePath();
  ::OemToCharA(path.data(), path.data());
  std::string title{ProgramStem(path, '\\')};
  if (title.size() > 1) {
    ::CharLowerBuffA(title.data() + 1, static_cast<DWORD>(title.size() - 1));
  }
  applicationTitle = std::move(title);
}

}  // namespace tovrel
