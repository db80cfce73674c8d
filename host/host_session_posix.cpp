#include "host_session.h"

namespace tovrel::host {
namespace {

// A terminal notice blocks its thread outright: nothing to watch, no nesting.
class TerminalSession final : public HostSession {
 public:
  NestedCallScheduler Scheduler() override { return {}; }
};

}  // namespace

bool CanWatchNotices() {
  return false;
}

std::unique_ptr<HostSession> StartHostSession(const WatchOptions&, std::FILE*) {
  return std::make_unique<TerminalSession>();
}

}  // namespace tovrel::host
