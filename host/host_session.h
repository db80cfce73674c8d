// What the reference host needs of its platform beyond loading a module:
// watching notices as they come up (where a message loop makes that possible).
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "host_calls.h"

namespace tovrel::host {

struct WatchOptions {
  // Acknowledge each notice after this many milliseconds.
  std::optional<int> auto_ack_ms;
  // Save an image of each notice here before acknowledging it.
  std::string shots_dir;
};

class HostSession {
 public:
  virtual ~HostSession() = default;
  // Empty where calls cannot nest.
  virtual NestedCallScheduler Scheduler() = 0;
};

// True where the platform can watch notices (auto-acknowledge, screenshots,
// nested calls).
bool CanWatchNotices();

// Starts watching for notices on the calling thread; it must be the thread
// that loads the module and makes the calls.
std::unique_ptr<HostSession> StartHostSession(const WatchOptions& options, std::FILE* out);

}  // namespace tovrel::host
