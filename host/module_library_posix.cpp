#include <dlfcn.h>

#include "module_library.h"

namespace tovrel::host {

ModuleLibrary::ModuleLibrary(const std::string& path)
    : handle_(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (handle_ == nullptr) throw LoadError(::dlerror());
}

ModuleLibrary::~ModuleLibrary() {
  if (handle_ != nullptr) ::dlclose(handle_);
}

void* ModuleLibrary::Find(const std::string& name) const {
  return ::dlsym(handle_, name.c_str());
}

}  // namespace tovrel::host
