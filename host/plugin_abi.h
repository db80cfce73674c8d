// The host's side of the module interface: how to find each entry point and
// the exact type to call it through.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "tovrel_plugin.h"

namespace tovrel::host {

using InitializeFn = decltype(&::Initialize);
using UninitializeFn = decltype(&::Uninitialize);
using ParseCommandFn = decltype(&::ParseCommand);
using ParseTagFn = decltype(&::ParseTag);
using ReceiveNotifyFn = decltype(&::ReceiveNotify);

struct EntryPointName {
  std::string_view name;
  std::uint16_t ordinal;
};

// Export names and ordinals; a module of this interface exports these and
// nothing else.
inline constexpr std::array<EntryPointName, 5> kEntryPoints{{
    {"ReceiveNotify", 1},
    {"ParseTag", 2},
    {"ParseCommand", 3},
    {"Uninitialize", 4},
    {"Initialize", 5},
}};

}  // namespace tovrel::host
