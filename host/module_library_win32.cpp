#include <windows.h>

#include "module_library.h"

namespace tovrel::host {
namespace {

std::string SystemMessage(DWORD error) {
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length != 0 ? std::string(text, length) : "error " + std::to_string(error);
  ::LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message;
}

}  // namespace

ModuleLibrary::ModuleLibrary(const std::string& path) : handle_(::LoadLibraryA(path.c_str())) {
  if (handle_ == nullptr) throw LoadError(SystemMessage(::GetLastError()));
}

ModuleLibrary::~ModuleLibrary() {
  if (handle_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(handle_));
}

void* ModuleLibrary::Find(const std::string& name) const {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name.c_str()));
}

}  // namespace tovrel::host
