// Every allocation a call makes is made to fail in turn. Each time the call
// must end at that step: answer 0, write nothing into the host's buffer,
// leave ResultText as it stood, and leak nothing.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>

#include "module_life.h"
#include "plugin.h"
#include "result_buffer.h"

namespace {

// -1: no allocation fails. n > 0: the n-th allocation from now fails.
std::atomic<long> failingAllocation{-1};
std::atomic<bool> failed{false};
std::atomic<long> liveAllocations{0};

void* Allocate(std::size_t size) {
  const long countdown = failingAllocation.load();
  if (countdown > 0 && failingAllocation.fetch_sub(1) == 1) {
    failed = true;
    throw std::bad_alloc();
  }
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  ++liveAllocations;
  return block;
}

void Release(void* block) noexcept {
  if (block == nullptr) return;
  --liveAllocations;
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
  return Allocate(size);
}
void* operator new[](std::size_t size) {
  return Allocate(size);
}
void operator delete(void* block) noexcept {
  Release(block);
}
void operator delete[](void* block) noexcept {
  Release(block);
}
void operator delete(void* block, std::size_t) noexcept {
  Release(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  Release(block);
}

namespace tovrel {
namespace {

// Counts the notices it is asked to show and allocates nothing itself, so
// every allocation counted is the module's. May run one nested call.
class QuietNotices final : public NoticePresenter {
 public:
  void ShowNotice(std::string_view) override {
    ++shown;
    if (during) {
      auto nested = std::exchange(during, nullptr);
      nested();
    }
  }
  int shown = 0;
  std::function<void()> during;
};

using Buffer = testing::ResultBuffer;

struct Scenario {
  const char* what;
  // Runs before allocations start failing.
  std::function<void(Plugin&, QuietNotices&, Buffer& inner)> setup;
  // Makes the call; `outer` and `inner` are the host's result buffers.
  std::function<std::int32_t(Plugin&, QuietNotices&, Buffer& outer, Buffer& inner)> call;
  bool empties_result_text;
};

const std::string kLongText(4096, 'x');  // beyond any small-string buffer

const Scenario kScenarios[] = {
    {"Initialize", nullptr,
     [](Plugin& p, QuietNotices& n, Buffer&, Buffer&) {
       return RunEntryPoint([&] { return p.Initialize(n, -2147483647 - 1); });
     },
     false},
    {"Uninitialize", nullptr,
     [](Plugin& p, QuietNotices& n, Buffer&, Buffer&) {
       return RunEntryPoint([&] {
         p.Uninitialize(n);
         return true;
       });
     },
     false},
    {"ParseCommand", nullptr,
     [](Plugin& p, QuietNotices& n, Buffer& b, Buffer&) {
       return RunEntryPoint(
           [&] { return p.ParseCommand(n, kLongText.c_str(), kLongText.c_str(), b.bytes.data()); });
     },
     true},
    {"ParseTag", nullptr,
     [](Plugin& p, QuietNotices& n, Buffer& b, Buffer&) {
       return RunEntryPoint([&] { return p.ParseTag(n, kLongText.c_str(), b.bytes.data()); });
     },
     true},
    {"ReceiveNotify", nullptr,
     [](Plugin& p, QuietNotices& n, Buffer&, Buffer&) {
       return RunEntryPoint([&] { return p.ReceiveNotify(n, kLongText.c_str()); });
     },
     false},
    {"ParseTag nested in ParseCommand",
     [](Plugin& p, QuietNotices& n, Buffer& inner) {
       n.during = [&] {
         RunEntryPoint([&] { return p.ParseTag(n, kLongText.c_str(), inner.bytes.data()); });
       };
     },
     [](Plugin& p, QuietNotices& n, Buffer& outer, Buffer&) {
       return RunEntryPoint(
           [&] { return p.ParseCommand(n, kLongText.c_str(), "", outer.bytes.data()); });
     },
     true},
};

TEST(AllocationFailure, EachCallEndsCleanlyAtEveryAllocationItMakes) {
  int points_tried = 0;
  for (const Scenario& scenario : kScenarios) {
    for (long n = 1;; ++n) {
      SCOPED_TRACE(std::string(scenario.what) + ", allocation " + std::to_string(n));
      Plugin plugin;
      QuietNotices notices;
      Buffer first;
      plugin.ParseTag(notices, "", first.bytes.data());  // ResultText now "test"
      notices.shown = 0;
      Buffer outer;
      Buffer inner;
      const long live_before = liveAllocations;
      if (scenario.setup) scenario.setup(plugin, notices, inner);

      failed = false;
      failingAllocation = n;
      const std::int32_t result = scenario.call(plugin, notices, outer, inner);
      failingAllocation = -1;
      notices.during = nullptr;

      if (!failed) {
        EXPECT_EQ(liveAllocations, live_before);
        break;
      }
      ++points_tried;
      const bool nested_failed = notices.shown > 0;  // the outer notice came up
      if (nested_failed) {
        // The nested call failed: it wrote nothing, and the outer call went
        // on to hand back the empty text the nested call left.
        EXPECT_EQ(inner.Changed(), 0);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(outer.Changed(), 1);
        EXPECT_EQ(plugin.ResultText(), "");
      } else {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(outer.Changed(), 0);
        EXPECT_EQ(plugin.ResultText(), scenario.empties_result_text ? "" : "test");
      }
      EXPECT_EQ(liveAllocations, live_before) << "a failed call leaked";
    }
  }
  std::printf("allocation points tried: %d\n", points_tried);
  EXPECT_GE(points_tried, 6);
}

class AcceptingNotices final : public NoticePresenter {
 public:
  void ShowNotice(std::string_view) override {}
};

TEST(AllocationFailure, AttachFailsCleanlyAtEveryAllocationItMakes) {
  AcceptingNotices notices;
  long n = 1;
  for (;; ++n) {
    SCOPED_TRACE("allocation " + std::to_string(n));
    const long live_before = liveAllocations;
    failed = false;
    failingAllocation = n;
    const bool attached = AttachModule(notices);
    failingAllocation = -1;
    if (!failed) {
      EXPECT_TRUE(attached);
      break;
    }
    EXPECT_FALSE(attached);
    EXPECT_TRUE(ModuleIsInert());
    EXPECT_LE(liveAllocations, live_before) << "a failed attach leaked";
    DetachModule();
  }
  std::printf("attach allocation points tried: %ld\n", n - 1);
  EXPECT_FALSE(ModuleIsInert());
}

}  // namespace
}  // namespace tovrel
