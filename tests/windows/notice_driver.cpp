#include "notice_driver.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "notice_probe_win32.h"

namespace tovrel::testing {
namespace {

constexpr UINT kTickMs = 10;
NoticeDriver* activeDriver = nullptr;

RECT ScreenRect(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  return rect;
}

SeenNotice Inspect(HWND notice) {
  SeenNotice seen;
  seen.window = notice;
  seen.title = host::WindowText(notice);
  seen.message = host::NoticeMessage(notice);
  seen.style = ::GetWindowLongPtrA(notice, GWL_STYLE);
  seen.ex_style = ::GetWindowLongPtrA(notice, GWL_EXSTYLE);
  seen.rect = ScreenRect(notice);
  seen.owner = ::GetWindow(notice, GW_OWNER);
  seen.active = ::GetActiveWindow() == notice;
  seen.has_icon = ::SendMessageA(notice, WM_GETICON, ICON_SMALL2, 0) != 0;
  if (HWND message = ::FindWindowExA(notice, nullptr, "Static", nullptr)) {
    seen.message_rect = ScreenRect(message);
  }
  if (HWND button = host::NoticeOkButton(notice)) {
    seen.button_text = host::WindowText(button);
    seen.button_style = ::GetWindowLongPtrA(button, GWL_STYLE);
    seen.button_rect = ScreenRect(button);
    seen.button_focused = ::GetFocus() == button;
  }
  return seen;
}

}  // namespace

bool PressOkAtOnce(const SeenNotice& notice, int) {
  host::PressOk(notice.window);
  return true;
}

NoticeDriver::NoticeDriver(NoticeAction action)
    : action_(action ? std::move(action) : NoticeAction(PressOkAtOnce)) {
  previous_ = std::exchange(activeDriver, this);
  timer_ = ::SetTimer(nullptr, 0, kTickMs, &OnTimer);
}

NoticeDriver::~NoticeDriver() {
  ::KillTimer(nullptr, timer_);
  activeDriver = previous_;
}

void CALLBACK NoticeDriver::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (activeDriver != nullptr) activeDriver->Tick();
}

void NoticeDriver::Tick() {
  std::erase_if(tracked_, [](const Tracked& t) { return !::IsWindow(t.window); });
  HWND notice = host::FindActiveNotice();
  if (notice == nullptr) return;
  auto it = std::find_if(tracked_.begin(), tracked_.end(),
                         [&](const Tracked& t) { return t.window == notice; });
  if (it == tracked_.end()) {
    seen.push_back(Inspect(notice));
    tracked_.push_back({notice, 0, false});
    it = tracked_.end() - 1;
  } else {
    ++it->ticks;
  }
  if (it->done) return;
  const int ticks = it->ticks;
  const SeenNotice current = *std::find_if(seen.rbegin(), seen.rend(),
                                           [&](const SeenNotice& s) { return s.window == notice; });
  // The action may run nested calls whose notices this timer serves too, and
  // `tracked_` may change meanwhile: look the notice up again afterwards.
  const bool done = action_(current, ticks);
  for (auto& t : tracked_) {
    if (t.window == notice) t.done = done;
  }
}

void TypeKey(WORD key, std::initializer_list<WORD> modifiers) {
  std::vector<INPUT> inputs;
  const auto add = [&](WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
  };
  for (WORD modifier : modifiers) add(modifier, false);
  add(key, false);
  add(key, true);
  for (auto m = std::rbegin(modifiers); m != std::rend(modifiers); ++m) add(*m, true);
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

std::string ModuleBeside(const char* file_name) {
  std::string path(MAX_PATH, '\0');
  path.resize(::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size())));
  path.resize(path.find_last_of('\\') + 1);
  return path + file_name;
}

}  // namespace tovrel::testing
