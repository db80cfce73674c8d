// The built DLL loaded into this test host, its load notice acknowledged.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <optional>
#include <string>

#include "module_library.h"
#include "notice_driver.h"
#include "result_buffer.h"

namespace tovrel::testing {

inline constexpr char kModuleFile[] = "tovrel_plugin.dll";

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    NoticeDriver load_notice;
    library_.emplace(ModuleBeside(kModuleFile));
    calls_ = host::ResolveEntryPoints(*library_);
  }
  void TearDown() override { library_.reset(); }

  host::EntryPoints& calls() { return calls_; }

 private:
  std::optional<host::ModuleLibrary> library_;
  host::EntryPoints calls_{};
};

// Leaves WM_QUIT and anything else queued for this thread behind.
inline void DrainMessages() {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
}

}  // namespace tovrel::testing
