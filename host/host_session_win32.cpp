// The Windows host watches its own thread's notices from a timer: the
// module's modal loop dispatches the host's timer messages like any other,
// so the timer runs while a call waits on its notice, the load notice inside
// LoadLibrary included.
#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "host_session.h"
#include "notice_probe_win32.h"

namespace tovrel::host {
namespace {

constexpr UINT kTickMs = 10;
// Without auto-acknowledge a screenshot waits this long for the notice to
// settle.
constexpr DWORD kShotDelayMs = 200;
// Nested calls start once their outer notice has been up this long, so that
// it is painted and settled beneath them.
constexpr DWORD kNestedDelayMs = 100;

class WindowsSession;
WindowsSession* activeSession = nullptr;

class WindowsSession final : public HostSession {
 public:
  WindowsSession(const WatchOptions& options, std::FILE* out) : options_(options), out_(out) {
    if (!options_.shots_dir.empty()) ::CreateDirectoryA(options_.shots_dir.c_str(), nullptr);
    activeSession = this;
    timer_ = ::SetTimer(nullptr, 0, kTickMs, &OnTimer);
  }
  ~WindowsSession() override {
    ::KillTimer(nullptr, timer_);
    activeSession = nullptr;
  }

  NestedCallScheduler Scheduler() override {
    return [this](std::function<void()> nested) { pending_nested_ = std::move(nested); };
  }

 private:
  struct SeenNotice {
    HWND window;
    DWORD since;
    bool shot;
    std::function<void()> nested;
  };

  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (activeSession != nullptr) activeSession->Tick();
  }

  void Tick() {
    std::erase_if(seen_, [](const SeenNotice& notice) { return !::IsWindow(notice.window); });
    HWND notice = FindActiveNotice();
    if (notice == nullptr) return;
    auto known = std::find_if(seen_.begin(), seen_.end(),
                              [&](const SeenNotice& seen) { return seen.window == notice; });
    if (known == seen_.end()) {
      // Calls armed before this notice's call belong to this notice.
      seen_.push_back({notice, ::GetTickCount(), false, std::exchange(pending_nested_, nullptr)});
      if (options_.auto_ack_ms) {
        std::fprintf(out_, "notice %s: %s\n", Escaped(WindowText(notice)).c_str(),
                     Escaped(NoticeMessage(notice)).c_str());
        std::fflush(out_);
      }
      return;
    }
    const DWORD age = ::GetTickCount() - known->since;
    if (known->nested && age >= kNestedDelayMs) {
      // Nested calls run from here, inside the notice's loop, as a host's
      // timer would; their own notices are served by this same timer. The
      // list of seen notices may change meanwhile: finish this tick.
      const auto nested = std::exchange(known->nested, nullptr);
      nested();
      return;
    }
    const DWORD ack_after = options_.auto_ack_ms ? static_cast<DWORD>(*options_.auto_ack_ms) : 0;
    if (!options_.shots_dir.empty() && !known->shot &&
        age >= (options_.auto_ack_ms ? ack_after : kShotDelayMs)) {
      known->shot = true;
      char name[32];
      std::snprintf(name, sizeof name, "\\notice-%02d.bmp", ++shots_);
      SaveScreenImage(VisibleNoticesRect(), options_.shots_dir + name);
    }
    if (options_.auto_ack_ms && age >= ack_after) PressOk(notice);
  }

  WatchOptions options_;
  std::FILE* out_;
  UINT_PTR timer_ = 0;
  std::vector<SeenNotice> seen_;
  std::function<void()> pending_nested_;
  int shots_ = 0;
};

}  // namespace

bool CanWatchNotices() {
  return true;
}

std::unique_ptr<HostSession> StartHostSession(const WatchOptions& options, std::FILE* out) {
  return std::make_unique<WindowsSession>(options, out);
}

}  // namespace tovrel::host
