// What the user sees and can do while a notice is up.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

#include "module_fixture.h"
#include "notice_probe_win32.h"

namespace tovrel::testing {
namespace {

// A top-level window of the test host on the calling thread.
class HostWindow {
 public:
  HostWindow(bool visible = true) {
    static const ATOM window_class = [] {
      WNDCLASSA description{};
      description.lpfnWndProc = &Procedure;
      description.hInstance = ::GetModuleHandleA(nullptr);
      description.lpszClassName = "TovrelTestHost";
      return ::RegisterClassA(&description);
    }();
    window_.reset(::CreateWindowExA(0, MAKEINTATOM(window_class), "host",
                                    WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 10, 10, 300,
                                    200, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr));
    if (visible) {
      ::SetForegroundWindow(window_.get());
      ::SetActiveWindow(window_.get());
    }
  }
  HWND get() const { return window_.get(); }
  static inline int cancel_modes = 0;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CANCELMODE) ++cancel_modes;
    return ::DefWindowProcA(window, message, wparam, lparam);
  }
  struct Destroyer {
    void operator()(HWND window) const {
      if (::IsWindow(window)) ::DestroyWindow(window);
    }
  };
  std::unique_ptr<std::remove_pointer_t<HWND>, Destroyer> window_;
};

int Width(const RECT& r) {
  return r.right - r.left;
}
int Height(const RECT& r) {
  return r.bottom - r.top;
}

using NoticeWindowTest = ModuleTest;

TEST_F(NoticeWindowTest, LooksLikeANoticeAndIsCentredOnTheScreen) {
  NoticeDriver driver;
  calls().initialize(1, 0, 0);
  ASSERT_EQ(driver.seen.size(), 1u);
  const SeenNotice& notice = driver.seen[0];
  EXPECT_EQ(notice.style & (WS_CAPTION | WS_SYSMENU | WS_POPUP),
            WS_CAPTION | WS_SYSMENU | WS_POPUP);
  EXPECT_EQ(notice.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_CHILD), 0);
  EXPECT_TRUE(notice.ex_style & WS_EX_DLGMODALFRAME);
  EXPECT_FALSE(notice.has_icon);
  EXPECT_EQ(notice.owner, nullptr);
  EXPECT_EQ(notice.button_text, "OK");
  EXPECT_EQ(notice.button_style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_TRUE(notice.button_focused);
  EXPECT_TRUE(notice.active);

  const int screen_width = ::GetSystemMetrics(SM_CXSCREEN);
  const int screen_height = ::GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(notice.rect.left, (screen_width - Width(notice.rect)) / 2);
  EXPECT_EQ(notice.rect.top, (screen_height - Height(notice.rect)) / 2);
  // The message at the top left, the button centred below it.
  EXPECT_LT(notice.message_rect.bottom, notice.button_rect.top);
  EXPECT_LT(notice.message_rect.left - notice.rect.left, 30);
  const int button_centre = (notice.button_rect.left + notice.button_rect.right) / 2;
  EXPECT_NEAR(button_centre, (notice.rect.left + notice.rect.right) / 2, 2);
}

TEST_F(NoticeWindowTest, MessageWrapsWithinHalfTheScreenWidth) {
  const auto message_rect = [&](const std::string& text) {
    NoticeDriver driver;
    calls().receive_notify(0, text.c_str(), 0, 0);
    return driver.seen.at(0).message_rect;
  };
  const int half = ::GetSystemMetrics(SM_CXSCREEN) / 2;
  const int line = Height(message_rect("one line"));

  std::string words;
  for (int i = 0; i < 300; ++i) words += "word" + std::to_string(i) + " ";
  const RECT wrapped = message_rect(words);
  EXPECT_LE(Width(wrapped), half);
  EXPECT_GT(Width(wrapped), half * 3 / 4);
  EXPECT_GT(Height(wrapped), 5 * line);

  // A word wider than the whole width is broken rather than cut off.
  const RECT long_word = message_rect(std::string(2000, 'W'));
  EXPECT_LE(Width(long_word), half);
  EXPECT_GT(Height(long_word), 3 * line);

  // "\r\n", "\n" and "\r" each start a new line; an empty line keeps its height.
  EXPECT_EQ(Height(message_rect("a\r\nb\nc\rd\n\ne")), 6 * line);
}

TEST_F(NoticeWindowTest, TallerThanTheScreenSitsAtTheTopAndEnterStillDismisses) {
  const std::string text(3000, '\n');
  NoticeDriver driver([](const SeenNotice&, int) {
    TypeKey(VK_RETURN);
    return true;
  });
  calls().receive_notify(0, text.c_str(), 0, 0);
  ASSERT_EQ(driver.seen.size(), 1u);
  EXPECT_EQ(driver.seen[0].rect.top, 0);
  EXPECT_GT(driver.seen[0].rect.bottom, ::GetSystemMetrics(SM_CYSCREEN));
}

TEST_F(NoticeWindowTest, HostWindowsAreDisabledMeanwhileAndEnabledAndActiveAfter) {
  HostWindow host;
  HostWindow hidden{false};
  HostWindow already_disabled;
  ::EnableWindow(already_disabled.get(), FALSE);
  ::SetActiveWindow(host.get());
  ::SetCapture(host.get());
  HostWindow::cancel_modes = 0;
  bool host_enabled = true;
  bool hidden_enabled = false;
  HWND capture = host.get();
  NoticeDriver driver([&](const SeenNotice& notice, int) {
    host_enabled = ::IsWindowEnabled(host.get());
    hidden_enabled = ::IsWindowEnabled(hidden.get());
    capture = ::GetCapture();
    host::PressOk(notice.window);
    return true;
  });
  calls().initialize(1, 0, 0);
  EXPECT_FALSE(host_enabled);
  EXPECT_TRUE(hidden_enabled) << "a hidden window is left alone";
  EXPECT_EQ(capture, nullptr);
  EXPECT_GE(HostWindow::cancel_modes, 1) << "the capture holder is told to cancel its mode";
  EXPECT_TRUE(::IsWindowEnabled(host.get()));
  EXPECT_FALSE(::IsWindowEnabled(already_disabled.get()));
  EXPECT_EQ(::GetActiveWindow(), host.get());
}

TEST_F(NoticeWindowTest, HostWindowDestroyedWhileUpIsNotTouchedAfter) {
  auto host = std::make_unique<HostWindow>();
  NoticeDriver driver([&](const SeenNotice& notice, int) {
    host.reset();
    host::PressOk(notice.window);
    return true;
  });
  EXPECT_EQ(calls().initialize(1, 0, 0), 1);
}

TEST_F(NoticeWindowTest, NoticeDestroyedByTheHostEndsTheCall) {
  NoticeDriver driver([](const SeenNotice& notice, int) {
    ::DestroyWindow(notice.window);
    return true;
  });
  ResultBuffer buffer;
  EXPECT_EQ(calls().parse_tag("x", 0, buffer.data()), 1);
  EXPECT_EQ(buffer.Text(), "test");
}

// Keys reach the notice through the system's input queue, modifiers included.
TEST_F(NoticeWindowTest, EnterAndEscDismissOnlyWithoutModifiers) {
  struct KeyCase {
    const char* what;
    WORD key;
    std::initializer_list<WORD> modifiers;
    bool dismisses;
  };
  const KeyCase cases[] = {
      {"Enter", VK_RETURN, {}, true},
      {"Esc", VK_ESCAPE, {}, true},
      {"Shift+Enter", VK_RETURN, {VK_SHIFT}, false},
      {"Ctrl+Enter", VK_RETURN, {VK_CONTROL}, false},
      {"Shift+Esc", VK_ESCAPE, {VK_SHIFT}, false},
      {"Alt+F4", VK_F4, {VK_MENU}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    constexpr int kSettleTicks = 15;
    bool dismissed_by_key = true;
    NoticeDriver driver([&](const SeenNotice& notice, int ticks) {
      if (ticks == 0) TypeKey(c.key, c.modifiers);
      if (ticks < kSettleTicks) return false;
      // Still up after the key had time to arrive: close it for the test.
      dismissed_by_key = false;
      host::PressOk(notice.window);
      return true;
    });
    calls().initialize(1, 0, 0);
    EXPECT_EQ(dismissed_by_key, c.dismisses);
    ASSERT_EQ(driver.seen.size(), 1u);
  }
}

TEST_F(NoticeWindowTest, CloseBoxAndWindowMenuCloseDismiss) {
  for (const auto close : {+[](HWND w) { ::PostMessageA(w, WM_CLOSE, 0, 0); },
                           +[](HWND w) { ::PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0); }}) {
    NoticeDriver driver([&](const SeenNotice& notice, int) {
      close(notice.window);
      return true;
    });
    ResultBuffer buffer;
    EXPECT_EQ(calls().parse_tag("x", 0, buffer.data()), 1);
    EXPECT_EQ(buffer.Text(), "test");
  }
}

TEST_F(NoticeWindowTest, QuitRequestEndsTheNoticeAndReachesTheHost) {
  NoticeDriver driver([](const SeenNotice&, int) {
    ::PostQuitMessage(7);
    return true;
  });
  ResultBuffer buffer;
  EXPECT_EQ(calls().parse_tag("x", 0, buffer.data()), 1);
  EXPECT_EQ(buffer.Text(), "test");
  MSG message{};
  ASSERT_TRUE(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
  EXPECT_FALSE(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(NoticeWindowTest, QuitRequestInANestedNoticeEndsEveryNoticeOnce) {
  ResultBuffer outer;
  ResultBuffer inner;
  NoticeDriver driver([&](const SeenNotice& notice, int) {
    if (notice.message.starts_with("Parse Command")) {
      calls().parse_tag("inner", 0, inner.data());
    } else {
      ::PostQuitMessage(3);
    }
    return true;
  });
  EXPECT_EQ(calls().parse_command("outer", "", 0, outer.data()), 1);
  EXPECT_EQ(driver.seen.size(), 2u);
  EXPECT_EQ(outer.Text(), "test");
  MSG message{};
  ASSERT_TRUE(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 3u);
  EXPECT_FALSE(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
}  // namespace tovrel::testing
