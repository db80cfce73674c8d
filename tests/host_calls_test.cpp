#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_calls.h"

namespace tovrel::host {
namespace {

std::vector<HostCall> Parse(std::vector<std::string> words) {
  return ParseCalls(words);
}

TEST(HostCalls, ParsesCallsNullTextsAndNesting) {
  const auto calls = Parse({"init", "-2147483648", "command", "a", "@null", "{", "tag", "x", "}",
                            "notify", "", "uninit"});
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].kind, CallKind::kInitialize);
  EXPECT_EQ(calls[0].version, INT32_MIN);
  EXPECT_EQ(calls[1].kind, CallKind::kParseCommand);
  EXPECT_EQ(calls[1].texts[0], "a");
  EXPECT_FALSE(calls[1].texts[1].has_value());
  ASSERT_EQ(calls[1].nested.size(), 1u);
  EXPECT_EQ(calls[1].nested[0].kind, CallKind::kParseTag);
  EXPECT_EQ(calls[2].texts[0], "");
  EXPECT_EQ(calls[3].kind, CallKind::kUninitialize);
  EXPECT_TRUE(HasNestedCalls(calls));
}

TEST(HostCalls, RejectsMalformedCallLists) {
  const std::vector<std::vector<std::string>> bad = {
      {"init"},          {"init", "2147483648"}, {"init", "1x"},         {"tag"},
      {"command", "a"},  {"frobnicate"},         {"{", "tag", "x", "}"}, {"tag", "x", "{"},
      {"tag", "x", "}"},
  };
  for (const auto& words : bad) {
    SCOPED_TRACE(::testing::PrintToString(words));
    EXPECT_THROW(Parse(words), UsageError);
  }
}

TEST(HostCalls, EscapesResultBytes) {
  EXPECT_EQ(Escaped(std::string("test\0", 5)), "\"test\\0\"");
  EXPECT_EQ(Escaped("q\"\\\n\t\x01\xff"), "\"q\\\"\\\\\\n\\t\\x01\\xFF\"");
}

}  // namespace
}  // namespace tovrel::host
