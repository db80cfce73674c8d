#include "module_library.h"

#include <utility>

namespace tovrel::host {
namespace {

template <typename Fn>
Fn Resolve(const ModuleLibrary& library, const std::string& name) {
  void* address = library.Find(name);
  if (address == nullptr) throw LoadError("the module does not export " + name);
  return reinterpret_cast<Fn>(address);
}

}  // namespace

ModuleLibrary::ModuleLibrary(ModuleLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

ModuleLibrary& ModuleLibrary::operator=(ModuleLibrary&& other) noexcept {
  std::swap(handle_, other.handle_);
  return *this;
}

EntryPoints ResolveEntryPoints(const ModuleLibrary& library) {
  return EntryPoints{
      Resolve<InitializeFn>(library, "Initialize"),
      Resolve<UninitializeFn>(library, "Uninitialize"),
      Resolve<ParseCommandFn>(library, "ParseCommand"),
      Resolve<ParseTagFn>(library, "ParseTag"),
      Resolve<ReceiveNotifyFn>(library, "ReceiveNotify"),
  };
}

}  // namespace tovrel::host
