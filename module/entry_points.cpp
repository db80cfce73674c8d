// The exported entry points: each unpacks the host's arguments and forwards
// to the module's Plugin through the guard at the C boundary.

#include "module_life.h"
#include "tovrel_plugin.h"

using tovrel::ModulePlugin;
using tovrel::RunEntryPoint;
using tovrel::SystemNotices;

std::int32_t TOVREL_CALL Initialize(std::int32_t version, std::uintptr_t, std::uintptr_t) {
  return RunEntryPoint([&] { return ModulePlugin().Initialize(SystemNotices(), version); });
}

void TOVREL_CALL Uninitialize() {
  RunEntryPoint([] {
    ModulePlugin().Uninitialize(SystemNotices());
    return false;
  });
}

std::int32_t TOVREL_CALL ParseCommand(const char* command, const char* appended, std::uintptr_t,
                                      char* result) {
  return RunEntryPoint(
      [&] { return ModulePlugin().ParseCommand(SystemNotices(), command, appended, result); });
}

std::int32_t TOVREL_CALL ParseTag(const char* tag, std::uintptr_t, char* result) {
  return RunEntryPoint([&] { return ModulePlugin().ParseTag(SystemNotices(), tag, result); });
}

std::int32_t TOVREL_CALL ReceiveNotify(std::uintptr_t, const char* text, std::uintptr_t,
                                       std::uintptr_t) {
  return RunEntryPoint([&] { return ModulePlugin().ReceiveNotify(SystemNotices(), text); });
}
