#include <gtest/gtest.h>

#include <string>

#include "terminal_text.h"

namespace tovrel {
namespace {

TEST(TerminalText, ShowsEverythingATerminalWouldActOnVisibly) {
  struct Case {
    std::string text;
    std::string shown;
  };
  const Case cases[] = {
      {"plain & text", "plain & text"},
      {"lines\nand\ttabs", "lines\nand\ttabs"},
      {"\x1b[2J\x1b]0;title\x07", "^[[2J^[]0;title^G"},
      {"over\rwrite", "over^Mwrite"},
      {std::string("nul\0byte", 8), "nul^@byte"},
      {"del\x7f", "del^?"},
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x99\x82", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x99\x82"},
      {"c1 \xc2\x9b csi", "c1 \\xC2\\x9B csi"},
      {"latin1 \xe9t\xe9", "latin1 \\xE9t\\xE9"},
      {"raw \x9b", "raw \\x9B"},
      {"overlong \xc0\xaf \xe0\x80\xaf", "overlong \\xC0\\xAF \\xE0\\x80\\xAF"},
      {"surrogate \xed\xa0\x80", "surrogate \\xED\\xA0\\x80"},
      {"cut \xe2\x82", "cut \\xE2\\x82"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(VisibleTerminalText(c.text), c.shown);
  }
}

}  // namespace
}  // namespace tovrel
