// Loading a module of the plug-in interface and finding its entry points.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "plugin_abi.h"

namespace tovrel::host {

class LoadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A loaded module; unloaded when the object goes.
class ModuleLibrary {
 public:
  // Throws LoadError with the loader's reason.
  explicit ModuleLibrary(const std::string& path);
  ModuleLibrary(ModuleLibrary&&) noexcept;
  ModuleLibrary& operator=(ModuleLibrary&&) noexcept;
  ~ModuleLibrary();

  // The address exported under `name`, or null.
  void* Find(const std::string& name) const;

 private:
  void* handle_;
};

struct EntryPoints {
  InitializeFn initialize;
  UninitializeFn uninitialize;
  ParseCommandFn parse_command;
  ParseTagFn parse_tag;
  ReceiveNotifyFn receive_notify;
};

// Throws LoadError naming the first entry point the module lacks.
EntryPoints ResolveEntryPoints(const ModuleLibrary& library);

}  // namespace tovrel::host
