// The module's life in the host's process: its one Plugin, the load and
// unload hooks, and the guard that every exported entry point runs through.
#pragma once

#include <cstdint>
#include <string_view>

#include "notice.h"
#include "plugin.h"

namespace tovrel {

inline constexpr std::string_view kLoadNotice = "Tovrel's Plug-in loaded";

// The module-wide Plugin that the exported entry points drive.
Plugin& ModulePlugin();

// Shows the load notice. Throws when it cannot be shown.
void OnModuleLoad(NoticePresenter& notices);

// Empties ResultText; harmless to run again.
void OnModuleUnload() noexcept;

// The attach step: fixes the application title and runs OnModuleLoad. On any
// failure it runs OnModuleUnload, leaves the module inert (every entry point
// then answers 0 and shows nothing) and returns false.
bool AttachModule(NoticePresenter& notices) noexcept;

// The detach step: OnModuleUnload. Shows nothing.
void DetachModule() noexcept;

bool ModuleIsInert() noexcept;

// Runs one entry point's call: 0 without running it when the module is inert,
// and 0 when it fails, so that no exception crosses the C interface.
template <typename Call>
std::int32_t RunEntryPoint(Call&& call) noexcept {
  if (ModuleIsInert()) return 0;
  try {
    return call() ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

}  // namespace tovrel
