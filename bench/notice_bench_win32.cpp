// How long a notice takes to come up: from the call to the notice being
// visible with its OK button focused and its loop running, beside
// MessageBoxA with the same text and title in the same process.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "application_title.h"
#include "module_library.h"

namespace {

using tovrel::host::EntryPoints;

LARGE_INTEGER frequency;
LARGE_INTEGER shown_at;
bool shown = false;

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

// Sees every message the thread's modal loops take: the first one taken
// while a dialog is visible with the focus on its button marks the moment
// the user could act, and the notice is then dismissed.
LRESULT CALLBACK WatchLoop(int code, WPARAM wparam, LPARAM lparam) {
  if (code >= 0 && !shown) {
    HWND focus = ::GetFocus();
    HWND dialog = focus != nullptr ? ::GetParent(focus) : nullptr;
    if (dialog != nullptr && ::IsWindowVisible(dialog)) {
      ::QueryPerformanceCounter(&shown_at);
      shown = true;
      ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
  }
  return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

double TimeToVisible(const std::function<void()>& call) {
  shown = false;
  LARGE_INTEGER start;
  ::QueryPerformanceCounter(&start);
  call();
  return shown ? Milliseconds(start, shown_at) : -1.0;
}

struct Spread {
  double median;
  double low;   // 10th percentile
  double high;  // 90th percentile
};

Spread Measure(int repetitions, const std::function<void()>& call) {
  TimeToVisible(call);  // warm-up: first-use costs are not the notice's
  std::vector<double> times;
  for (int i = 0; i < repetitions; ++i) times.push_back(TimeToVisible(call));
  std::sort(times.begin(), times.end());
  const auto at = [&](double fraction) {
    return times[static_cast<std::size_t>(fraction * (times.size() - 1) + 0.5)];
  };
  return {at(0.5), at(0.1), at(0.9)};
}

std::string HostText(std::size_t size) {
  std::string text;
  while (text.size() < size) text += "host text ";
  text.resize(size);
  return text;
}

// The title the module gives this program's notices.
std::string ProgramTitle() {
  std::string path(MAX_PATH, '\0');
  path.resize(::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return tovrel::TitleFromProgramPath(path, '\\');
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: notice_bench MODULE\n");
    return 2;
  }
  ::QueryPerformanceFrequency(&frequency);
  HHOOK hook = ::SetWindowsHookExA(WH_GETMESSAGE, WatchLoop, nullptr, ::GetCurrentThreadId());
  tovrel::host::ModuleLibrary library{argv[1]};
  const EntryPoints calls = tovrel::host::ResolveEntryPoints(library);
  const std::string title = ProgramTitle();

  const struct {
    const char* name;
    std::size_t size;
    int repetitions;
  } sizes[] = {
      {"16 B", 16, 40}, {"1 KB", 1 << 10, 40}, {"64 KB", 64 << 10, 10}, {"1 MB", 1 << 20, 3}};
  for (const auto& size : sizes) {
    const std::string text = HostText(size.size);
    const std::string notice_text = "ReceiveNotify Event. Text: " + text;
    const Spread module =
        Measure(size.repetitions, [&] { calls.receive_notify(0, text.c_str(), 0, 0); });
    const Spread message_box = Measure(size.repetitions, [&] {
      ::MessageBoxA(nullptr, notice_text.c_str(), title.c_str(), MB_OK);
    });
    // One row per size, in the table scripts/bench prints.
    const double ratio = module.median / message_box.median;
    const bool under_a_second = module.high < 1000.0;
    std::printf(
        "| notice visible, %s host text (%d runs) | %.1f ms (p10-p90 %.1f-%.1f); MessageBoxA "
        "%.1f ms (%.1f-%.1f): ratio %.2f | ratio <= 1.0%s | %s |\n",
        size.name, size.repetitions, module.median, module.low, module.high, message_box.median,
        message_box.low, message_box.high, ratio, size.size == (1 << 20) ? ", under 1 s" : "",
        ratio <= 1.0 && (size.size != (1 << 20) || under_a_second) ? "yes" : "no");
    std::fflush(stdout);
  }
  ::UnhookWindowsHookEx(hook);
  return 0;
}
