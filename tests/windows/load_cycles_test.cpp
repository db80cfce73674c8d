// A host that loads and unloads the module many times must get back every
// window, GDI object and kernel handle the module took.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

#include "module_fixture.h"

namespace tovrel::testing {
namespace {

#if defined(_WIN64)
constexpr int kCycles = 1000;
constexpr std::uintptr_t kRuntimeHandlesPerLoad = 0;
#else
constexpr int kCycles = 200;  // 32-bit Wine runs under an emulator here
// The 32-bit GCC runtime linked into the DLL registers its unwind tables at
// load under a lock, and the statically linked thread library behind that
// lock keeps a record of the calling thread (two kernel handles) that is
// freed when the thread ends, not when the DLL unloads: a C DLL that only
// calls pthread_self() does the same. The 64-bit runtime unwinds from
// tables the loader knows, takes no lock at load, and keeps nothing.
constexpr std::uintptr_t kRuntimeHandlesPerLoad = 2;
#endif
constexpr int kWarmUpCycles = 20;

struct ObjectUse {
  DWORD user_objects;
  DWORD gdi_objects;
  DWORD handles;
  // The highest slot a batch of fresh objects lands in. Freed slots are
  // reused, so objects that leak push fresh ones ever higher; this tells
  // where the counts above are not kept (Wine keeps none of them).
  std::uintptr_t window_slot;
  std::uintptr_t gdi_slot;
  std::uintptr_t handle_slot;
};

ObjectUse MeasureObjectUse() {
  ObjectUse use{};
  use.user_objects = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
  use.gdi_objects = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  ::GetProcessHandleCount(::GetCurrentProcess(), &use.handles);

  constexpr int kBatch = 32;
  std::array<HWND, kBatch> windows{};
  std::array<HGDIOBJ, kBatch> brushes{};
  std::array<HANDLE, kBatch> events{};
  const auto slot = [](const void* handle) {
    return reinterpret_cast<std::uintptr_t>(handle) & 0xffff;
  };
  for (int i = 0; i < kBatch; ++i) {
    windows[i] = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                   nullptr);
    brushes[i] = ::CreateSolidBrush(RGB(i, i, i));
    events[i] = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    use.window_slot = std::max(use.window_slot, slot(windows[i]));
    use.gdi_slot = std::max(use.gdi_slot, slot(brushes[i]));
    use.handle_slot = std::max(use.handle_slot, reinterpret_cast<std::uintptr_t>(events[i]));
  }
  for (int i = 0; i < kBatch; ++i) {
    ::DestroyWindow(windows[i]);
    ::DeleteObject(brushes[i]);
    ::CloseHandle(events[i]);
  }
  return use;
}

void LoadAndUnload(const std::string& path) {
  HMODULE module = ::LoadLibraryA(path.c_str());
  ASSERT_NE(module, nullptr);
  ::FreeLibrary(module);
}

TEST(LoadCycles, EveryObjectComesBackAcrossManyLoads) {
  const std::string path = ModuleBeside(kModuleFile);
  NoticeDriver driver;
  for (int i = 0; i < kWarmUpCycles; ++i) LoadAndUnload(path);
  const ObjectUse before = MeasureObjectUse();
  for (int i = 0; i < kCycles; ++i) LoadAndUnload(path);
  const ObjectUse after = MeasureObjectUse();

  EXPECT_EQ(driver.seen.size(), static_cast<std::size_t>(kWarmUpCycles + kCycles));
  std::printf(
      "%d load cycles: USER objects %lu -> %lu, GDI objects %lu -> %lu, handles %lu -> %lu; "
      "highest fresh window slot %zu -> %zu, GDI slot %zu -> %zu, handle %zu -> %zu\n",
      kCycles, before.user_objects, after.user_objects, before.gdi_objects, after.gdi_objects,
      before.handles, after.handles, static_cast<std::size_t>(before.window_slot),
      static_cast<std::size_t>(after.window_slot), static_cast<std::size_t>(before.gdi_slot),
      static_cast<std::size_t>(after.gdi_slot), static_cast<std::size_t>(before.handle_slot),
      static_cast<std::size_t>(after.handle_slot));
  EXPECT_EQ(after.user_objects, before.user_objects);
  EXPECT_EQ(after.gdi_objects, before.gdi_objects);
  EXPECT_LE(after.handles, before.handles + kRuntimeHandlesPerLoad * kCycles);
  // A leak of one object per load would move these by about kCycles.
  constexpr std::uintptr_t kSlack = 16;
  EXPECT_LE(after.window_slot, before.window_slot + kSlack);
  EXPECT_LE(after.gdi_slot, before.gdi_slot + kSlack);
  constexpr std::uintptr_t kHandleSize = 4;  // handle values step by four
  EXPECT_LE(after.handle_slot,
            before.handle_slot + kHandleSize * (kRuntimeHandlesPerLoad * kCycles + kSlack));
}

}  // namespace
}  // namespace tovrel::testing
