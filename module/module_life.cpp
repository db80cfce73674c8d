#include "module_life.h"

#include <atomic>

namespace tovrel {
namespace {

// Constant-initialised: ResultText is empty before any code of the module
// runs, and no start-up step has to assign it.
constinit Plugin modulePlugin;
constinit std::atomic<bool> moduleInert{false};

}  // namespace

Plugin& ModulePlugin() {
  return modulePlugin;
}

void OnModuleLoad(NoticePresenter& notices) {
  notices.ShowNotice(kLoadNotice);
}

void OnModuleUnload() noexcept {
  modulePlugin.ReleaseResultText();
}

bool AttachModule(NoticePresenter& notices) noexcept {
  try {
    moduleInert = false;
    FixApplicationTitle();
    OnModuleLoad(notices);
    return true;
  } catch (...) {
    OnModuleUnload();
    moduleInert = true;
    return false;
  }
}

void DetachModule() noexcept {
  OnModuleUnload();
}

bool ModuleIsInert() noexcept {
  return moduleInert;
}

}  // namespace tovrel
