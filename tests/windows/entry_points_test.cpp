// The entry points through the real DLL and its real notice window.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "application_title.h"
#include "module_fixture.h"
#include "notice_probe_win32.h"

namespace tovrel::testing {
namespace {

// The title the module gives this test host's notices.
std::string ProgramTitle() {
  std::string path(MAX_PATH, '\0');
  path.resize(::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return TitleFromProgramPath(path, '\\');
}

using EntryPointTest = ModuleTest;

TEST_F(EntryPointTest, NoticeTextsResultsAndBuffers) {
  struct Case {
    const char* what;
    std::function<std::int32_t(host::EntryPoints&, char*)> call;
    std::string notice;
    std::int32_t result;
    std::string written;  // with the zero byte; empty: the buffer stays untouched
  };
  const std::string high_bytes = "caf\xe9 \x80\xff & &&\ttab";
  const Case cases[] = {
      {"init min", [](auto& c, char*) { return c.initialize(INT_MIN, 0, 0); },
       "Initialize Event, version: -2147483648", 1, ""},
      {"init max", [](auto& c, char*) { return c.initialize(INT_MAX, 0xdead, 0xbeef); },
       "Initialize Event, version: 2147483647", 1, ""},
      {"uninit",
       [](auto& c, char*) {
         c.uninitialize();
         return 0;
       },
       "UnInitialize", 0, ""},
      {"command ab cd", [](auto& c, char* b) { return c.parse_command("ab", "cd", 0, b); },
       "Parse Command Event. Command: abcd", 1, std::string(1, '\0')},
      {"command null null",
       [](auto& c, char* b) { return c.parse_command(nullptr, nullptr, 0, b); },
       "Parse Command Event. Command: ", 1, std::string(1, '\0')},
      {"tag abc", [](auto& c, char* b) { return c.parse_tag("abc", 0, b); },
       "Parse Tag Event. Tag: abc", 1, std::string("test\0", 5)},
      {"tag null", [](auto& c, char* b) { return c.parse_tag(nullptr, 0, b); },
       "Parse Tag Event. Tag: ", 1, std::string("test\0", 5)},
      {"notify high bytes",
       [&](auto& c, char*) { return c.receive_notify(7, high_bytes.c_str(), 8, 9); },
       "ReceiveNotify Event. Text: " + high_bytes, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NoticeDriver driver;
    ResultBuffer buffer;
    EXPECT_EQ(c.call(calls(), buffer.data()), c.result);
    ASSERT_EQ(driver.seen.size(), 1u);
    EXPECT_EQ(driver.seen[0].message, c.notice);
    EXPECT_EQ(driver.seen[0].title, ProgramTitle());
    EXPECT_EQ(buffer.Changed(), static_cast<int>(c.written.size()));
    EXPECT_EQ(std::string(buffer.bytes.data(), c.written.size()), c.written);
  }
}

TEST_F(EntryPointTest, TagFromAHostTimerDuringACommandNoticeMakesTheCommandWriteTest) {
  ResultBuffer outer;
  ResultBuffer inner;
  std::int32_t inner_result = -1;
  bool outer_disabled_meanwhile = false;
  NoticeDriver driver([&](const SeenNotice& notice, int) {
    if (notice.message.starts_with("Parse Command")) {
      inner_result = calls().parse_tag("inner", 0, inner.data());
    } else {
      outer_disabled_meanwhile = !::IsWindowEnabled(driver.seen.front().window);
    }
    host::PressOk(notice.window);
    return true;
  });
  EXPECT_EQ(calls().parse_command("outer", "", 0, outer.data()), 1);
  ASSERT_EQ(driver.seen.size(), 2u);
  EXPECT_EQ(driver.seen[1].message, "Parse Tag Event. Tag: inner");
  EXPECT_TRUE(outer_disabled_meanwhile);
  EXPECT_EQ(inner_result, 1);
  EXPECT_EQ(inner.Text(), "test");
  EXPECT_EQ(outer.Text(), "test");
  EXPECT_EQ(outer.Changed(), 5);
}

TEST_F(EntryPointTest, CommandDuringATagNoticeLeavesTheTagItsResult) {
  ResultBuffer outer;
  ResultBuffer inner;
  NoticeDriver driver([&](const SeenNotice& notice, int) {
    if (notice.message.starts_with("Parse Tag")) calls().parse_command("in", "", 0, inner.data());
    host::PressOk(notice.window);
    return true;
  });
  EXPECT_EQ(calls().parse_tag("outer", 0, outer.data()), 1);
  EXPECT_EQ(inner.Changed(), 1);
  EXPECT_EQ(outer.Text(), "test");
}

TEST_F(EntryPointTest, ThreeDeepNestingClosesInnermostFirst) {
  ResultBuffer outer;
  ResultBuffer middle;
  ResultBuffer inner;
  std::vector<std::string> closed;
  std::vector<bool> enclosing_disabled;
  NoticeDriver driver([&](const SeenNotice& notice, int) {
    for (std::size_t i = 0; i + 1 < driver.seen.size(); ++i) {
      enclosing_disabled.push_back(!::IsWindowEnabled(driver.seen[i].window));
    }
    if (notice.message == "Parse Command Event. Command: outer") {
      calls().parse_command("middle", "", 0, middle.data());
    } else if (notice.message == "Parse Command Event. Command: middle") {
      calls().parse_tag("inner", 0, inner.data());
    }
    closed.push_back(notice.message);
    host::PressOk(notice.window);
    return true;
  });
  EXPECT_EQ(calls().parse_command("outer", "", 0, outer.data()), 1);
  EXPECT_EQ(closed, (std::vector<std::string>{"Parse Tag Event. Tag: inner",
                                              "Parse Command Event. Command: middle",
                                              "Parse Command Event. Command: outer"}));
  EXPECT_EQ(std::count(enclosing_disabled.begin(), enclosing_disabled.end(), false), 0);
  EXPECT_EQ(inner.Text(), "test");
  EXPECT_EQ(middle.Text(), "test");
  EXPECT_EQ(outer.Text(), "test");
}

}  // namespace
}  // namespace tovrel::testing
