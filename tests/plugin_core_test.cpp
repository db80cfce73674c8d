#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <functional>
#include <new>
#include <string>

#include "fake_notices.h"
#include "module_life.h"
#include "plugin.h"
#include "result_buffer.h"

namespace tovrel {
namespace {

using testing::FakeNotices;
using testing::ResultBuffer;

class PluginTest : public ::testing::Test {
 protected:
  Plugin plugin;
  FakeNotices notices;
};

struct NoticeCase {
  const char* what;
  std::function<void(Plugin&, NoticePresenter&)> call;
  std::string expected;
};

TEST_F(PluginTest, EachCallShowsExactlyOneNoticeWithTheHostsBytes) {
  const std::string long_text(100'000, 'x');
  const std::string high_bytes = "\x80\xff\xe9 & \t\r\n";
  char buffer[8];
  const NoticeCase cases[] = {
      {"init 0", [](Plugin& p, NoticePresenter& n) { p.Initialize(n, 0); },
       "Initialize Event, version: 0"},
      {"init -1", [](Plugin& p, NoticePresenter& n) { p.Initialize(n, -1); },
       "Initialize Event, version: -1"},
      {"init min", [](Plugin& p, NoticePresenter& n) { p.Initialize(n, INT32_MIN); },
       "Initialize Event, version: -2147483648"},
      {"init max", [](Plugin& p, NoticePresenter& n) { p.Initialize(n, INT32_MAX); },
       "Initialize Event, version: 2147483647"},
      {"uninit", [](Plugin& p, NoticePresenter& n) { p.Uninitialize(n); }, "UnInitialize"},
      {"command ab cd",
       [&](Plugin& p, NoticePresenter& n) { p.ParseCommand(n, "ab", "cd", buffer); },
       "Parse Command Event. Command: abcd"},
      {"command ab null",
       [&](Plugin& p, NoticePresenter& n) { p.ParseCommand(n, "ab", nullptr, buffer); },
       "Parse Command Event. Command: ab"},
      {"command null cd",
       [&](Plugin& p, NoticePresenter& n) { p.ParseCommand(n, nullptr, "cd", buffer); },
       "Parse Command Event. Command: cd"},
      {"command null null",
       [&](Plugin& p, NoticePresenter& n) { p.ParseCommand(n, nullptr, nullptr, buffer); },
       "Parse Command Event. Command: "},
      {"tag abc", [&](Plugin& p, NoticePresenter& n) { p.ParseTag(n, "abc", buffer); },
       "Parse Tag Event. Tag: abc"},
      {"tag null", [&](Plugin& p, NoticePresenter& n) { p.ParseTag(n, nullptr, buffer); },
       "Parse Tag Event. Tag: "},
      {"tag empty", [&](Plugin& p, NoticePresenter& n) { p.ParseTag(n, "", buffer); },
       "Parse Tag Event. Tag: "},
      {"tag long", [&](Plugin& p, NoticePresenter& n) { p.ParseTag(n, long_text.c_str(), buffer); },
       "Parse Tag Event. Tag: " + long_text},
      {"notify high bytes",
       [&](Plugin& p, NoticePresenter& n) { p.ReceiveNotify(n, high_bytes.c_str()); },
       "ReceiveNotify Event. Text: " + high_bytes},
      {"notify null", [](Plugin& p, NoticePresenter& n) { p.ReceiveNotify(n, nullptr); },
       "ReceiveNotify Event. Text: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeNotices fresh;
    c.call(plugin, fresh);
    ASSERT_EQ(fresh.shown.size(), 1u);
    EXPECT_EQ(fresh.shown[0], c.expected);
  }
}

TEST_F(PluginTest, ResultsAreTheConstantsAsFull32BitValues) {
  ResultBuffer buffer;
  EXPECT_EQ(RunEntryPoint([&] { return plugin.Initialize(notices, 7); }), 1);
  EXPECT_EQ(RunEntryPoint([&] { return plugin.ParseCommand(notices, "a", "b", buffer.data()); }),
            1);
  EXPECT_EQ(RunEntryPoint([&] { return plugin.ParseTag(notices, "a", buffer.data()); }), 1);
  EXPECT_EQ(RunEntryPoint([&] { return plugin.ReceiveNotify(notices, "a"); }), 0);
}

TEST_F(PluginTest, ParseTagWritesExactlyTestAndAZeroByte) {
  ResultBuffer buffer;
  plugin.ParseTag(notices, "x", buffer.data());
  EXPECT_EQ(buffer.Text(), "test");
  EXPECT_EQ(buffer.Changed(), 5);
  EXPECT_EQ(plugin.ResultText(), "test");
}

TEST_F(PluginTest, UninterruptedParseCommandWritesOneZeroByteEvenAfterATag) {
  ResultBuffer tag_buffer;
  plugin.ParseTag(notices, "x", tag_buffer.data());
  ResultBuffer buffer;
  plugin.ParseCommand(notices, "a", "b", buffer.data());
  EXPECT_EQ(buffer.bytes[0], '\0');
  EXPECT_EQ(buffer.Changed(), 1);
  EXPECT_EQ(plugin.ResultText(), "");
}

TEST_F(PluginTest, CallsWithoutResultTextLeaveItAlone) {
  ResultBuffer buffer;
  plugin.ParseTag(notices, "x", buffer.data());
  plugin.Initialize(notices, 1);
  plugin.ReceiveNotify(notices, "n");
  plugin.Uninitialize(notices);
  EXPECT_EQ(plugin.ResultText(), "test");
  plugin.ReleaseResultText();
  EXPECT_EQ(plugin.ResultText(), "");
  plugin.ReleaseResultText();
  EXPECT_EQ(plugin.ResultText(), "");
}

TEST_F(PluginTest, NullResultBufferIsNotWritten) {
  EXPECT_TRUE(plugin.ParseTag(notices, "x", nullptr));
  EXPECT_TRUE(plugin.ParseCommand(notices, "a", "b", nullptr));
  EXPECT_EQ(notices.shown.size(), 2u);
}

TEST_F(PluginTest, TagDuringCommandNoticeMakesTheCommandWriteTest) {
  ResultBuffer outer;
  ResultBuffer inner;
  notices.During([&] { plugin.ParseTag(notices, "inner", inner.data()); });
  EXPECT_TRUE(plugin.ParseCommand(notices, "outer", "", outer.data()));
  EXPECT_EQ(notices.shown, (std::vector<std::string>{"Parse Command Event. Command: outer",
                                                     "Parse Tag Event. Tag: inner"}));
  EXPECT_EQ(inner.Text(), "test");
  EXPECT_EQ(outer.Text(), "test");
  EXPECT_EQ(outer.Changed(), 5);
}

TEST_F(PluginTest, CommandDuringTagNoticeLeavesTheTagResult) {
  ResultBuffer outer;
  ResultBuffer inner;
  notices.During([&] { plugin.ParseCommand(notices, "inner", "", inner.data()); });
  EXPECT_TRUE(plugin.ParseTag(notices, "outer", outer.data()));
  EXPECT_EQ(inner.Changed(), 1);
  EXPECT_EQ(inner.bytes[0], '\0');
  EXPECT_EQ(outer.Text(), "test");
  EXPECT_EQ(outer.Changed(), 5);
}

TEST_F(PluginTest, ReceiveNotifyWritesNothingWhateverRanBefore) {
  ResultBuffer buffer;
  plugin.ParseTag(notices, "x", buffer.data());
  EXPECT_FALSE(plugin.ReceiveNotify(notices, "n"));
  EXPECT_EQ(plugin.ResultText(), "test");
}

// A notice that cannot be shown ends the call there: no result is written,
// ResultText keeps what it had at that moment, and the boundary answers 0.
TEST_F(PluginTest, NoticeFailureEndsEachCallAtItsNotice) {
  struct FailureCase {
    const char* what;
    std::function<bool(Plugin&, NoticePresenter&, char*)> call;
  };
  const FailureCase cases[] = {
      {"init", [](Plugin& p, NoticePresenter& n, char*) { return p.Initialize(n, 3); }},
      {"uninit",
       [](Plugin& p, NoticePresenter& n, char*) {
         p.Uninitialize(n);
         return true;
       }},
      {"command",
       [](Plugin& p, NoticePresenter& n, char* b) { return p.ParseCommand(n, "a", "b", b); }},
      {"tag", [](Plugin& p, NoticePresenter& n, char* b) { return p.ParseTag(n, "a", b); }},
      {"notify", [](Plugin& p, NoticePresenter& n, char*) { return p.ReceiveNotify(n, "a"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Plugin fresh;
    FakeNotices working;
    ResultBuffer before;
    fresh.ParseTag(working, "x", before.data());

    FakeNotices failing;
    failing.FailAt(0);
    ResultBuffer buffer;
    EXPECT_THROW(c.call(fresh, failing, buffer.data()), NoticeError);
    EXPECT_EQ(RunEntryPoint([&] { return c.call(fresh, failing, buffer.data()); }), 0);
    EXPECT_EQ(buffer.Changed(), 0);
    const bool empties = std::string(c.what) == "command" || std::string(c.what) == "tag";
    EXPECT_EQ(fresh.ResultText(), empties ? "" : "test");
  }
}

TEST_F(PluginTest, FailedInnerNoticeLeavesTheOuterCallWhole) {
  ResultBuffer outer;
  ResultBuffer inner;
  notices.FailAt(1);
  notices.During([&] {
    EXPECT_EQ(RunEntryPoint([&] { return plugin.ParseTag(notices, "in", inner.data()); }), 0);
  });
  EXPECT_TRUE(plugin.ParseCommand(notices, "out", "", outer.data()));
  EXPECT_EQ(inner.Changed(), 0);
  EXPECT_EQ(outer.Changed(), 1);
}

TEST(EntryPointBoundary, StopsEveryExceptionAndAnswersZero) {
  EXPECT_EQ(RunEntryPoint([]() -> bool { throw std::bad_alloc(); }), 0);
  EXPECT_EQ(RunEntryPoint([]() -> bool { throw NoticeError("x"); }), 0);
  EXPECT_EQ(RunEntryPoint([]() -> bool { throw 42; }), 0);
  EXPECT_EQ(RunEntryPoint([] { return true; }), 1);
}

TEST(ModuleLife, FailedLoadNoticeLeavesTheModuleInertUntilTheNextAttach) {
  FakeNotices failing;
  failing.FailAt(0);
  FakeNotices working;
  ResultBuffer buffer;
  ModulePlugin().ParseTag(working, "x", buffer.data());

  EXPECT_FALSE(AttachModule(failing));
  EXPECT_TRUE(ModuleIsInert());
  EXPECT_EQ(ModulePlugin().ResultText(), "");
  bool ran = false;
  EXPECT_EQ(RunEntryPoint([&] { return ran = true; }), 0);
  EXPECT_FALSE(ran);
  DetachModule();

  EXPECT_TRUE(AttachModule(working));
  EXPECT_FALSE(ModuleIsInert());
  EXPECT_EQ(working.shown.back(), "Tovrel's Plug-in loaded");
  EXPECT_EQ(RunEntryPoint([&] { return ran = true; }), 1);
}

}  // namespace
}  // namespace tovrel
