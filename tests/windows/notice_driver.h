// Drives the module's notices from the test host's own thread, as a user at
// the screen would: a thread timer (served by the notice's modal loop) finds
// each notice as it comes up, records what it shows, and acts on it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tovrel::testing {

// What a notice showed when it first came up.
struct SeenNotice {
  HWND window = nullptr;
  std::string title;
  std::string message;
  std::string button_text;
  LONG_PTR style = 0;
  LONG_PTR ex_style = 0;
  LONG_PTR button_style = 0;
  RECT rect{};
  RECT message_rect{};  // screen coordinates
  RECT button_rect{};   // screen coordinates
  HWND owner = nullptr;
  bool button_focused = false;
  bool active = false;
  bool has_icon = false;
};

// Decides what happens to the active notice on each tick. `ticks` counts the
// ticks this notice has been active, from 0 at first sight. Return true once
// it has been dealt with (the driver then waits for it to go).
using NoticeAction = std::function<bool(const SeenNotice& notice, int ticks)>;

class NoticeDriver {
 public:
  // With no action a notice is acknowledged with its OK button at first sight.
  explicit NoticeDriver(NoticeAction action = nullptr);
  ~NoticeDriver();
  NoticeDriver(const NoticeDriver&) = delete;
  NoticeDriver& operator=(const NoticeDriver&) = delete;

  void SetAction(NoticeAction action) { action_ = std::move(action); }

  std::vector<SeenNotice> seen;

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
  void Tick();

  NoticeAction action_;
  UINT_PTR timer_ = 0;
  struct Tracked {
    HWND window;
    int ticks;
    bool done;
  };
  std::vector<Tracked> tracked_;
  NoticeDriver* previous_ = nullptr;
};

// Acknowledges with the OK button at first sight.
bool PressOkAtOnce(const SeenNotice& notice, int ticks);

// Real keyboard input through the system's input queue: `modifiers` are held
// while `key` is pressed.
void TypeKey(WORD key, std::initializer_list<WORD> modifiers = {});

std::string ModuleBeside(const char* file_name);

}  // namespace tovrel::testing
