// Two host threads calling at once lies outside the interface, but a host
// that does it must not corrupt the module: every result is one of the two
// texts the module ever hands back, whole.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <string_view>
#include <thread>

#include "plugin.h"

namespace tovrel {
namespace {

class InstantNotices final : public NoticePresenter {
 public:
  void ShowNotice(std::string_view) override {}
};

TEST(Threads, ConcurrentCallsNeverTearTheResult) {
  Plugin plugin;
  InstantNotices notices;
  std::atomic<int> torn{0};
  constexpr int kCalls = 20000;
  const auto hammer = [&](bool tags_first) {
    for (int i = 0; i < kCalls; ++i) {
      std::array<char, 8> buffer;
      buffer.fill('#');
      const bool tag = (i % 2 == 0) == tags_first;
      if (tag) {
        plugin.ParseTag(notices, "t", buffer.data());
      } else {
        plugin.ParseCommand(notices, "c", "d", buffer.data());
      }
      const std::string_view written(buffer.data(), std::strlen(buffer.data()));
      const bool whole = (written.empty() || written == "test") &&
                         buffer[written.size() + 1] == '#' && (!tag || written == "test");
      if (!whole) ++torn;
    }
  };
  std::thread first(hammer, true);
  std::thread second(hammer, false);
  first.join();
  second.join();
  EXPECT_EQ(torn, 0);
  const std::string last = plugin.ResultText();
  EXPECT_TRUE(last.empty() || last == "test") << last;
}

}  // namespace
}  // namespace tovrel
