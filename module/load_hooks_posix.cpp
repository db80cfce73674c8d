// Load and unload hooks of the shared object. The loader runs them after the
// C++ runtime has started and before it stops; a constructor cannot make
// dlopen fail, so a module whose load notice could not be shown says so and
// stays inert.
#include <unistd.h>

#include <string_view>

#include "module_life.h"

namespace {

[[gnu::constructor]] void LoadModule() {
  if (!tovrel::AttachModule(tovrel::SystemNotices())) {
    constexpr std::string_view message =
        "tovrel_plugin: the load notice could not be shown (no terminal?); "
        "the module stays inactive\n";
    [[maybe_unused]] auto ignored = ::write(STDERR_FILENO, message.data(), message.size());
  }
}

[[gnu::destructor]] void UnloadModule() {
  tovrel::DetachModule();
}

}  // namespace
