// The notice's message, laid out and drawn by the module itself: word wrap
// within a width, line breaks and tabs honoured, "&" a marker. The system's
// DrawText does the same in one call, but its cost grows with the text's
// length times its line count; this layout is linear in the text, and a
// repaint draws only the lines it has to.
#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

namespace tovrel {

class MessageText {
 public:
  // Lays `text` out with the font selected into `dc`. The text must outlive
  // this object.
  MessageText(HDC dc, std::string_view text, int wrap_width);

  // The size of the laid-out message: its widest line, and one line height
  // per line (one line for an empty message).
  SIZE Extent() const;

  // Draws the lines that meet the clip box of `dc`, the first line at the
  // top of `area`.
  void Draw(HDC dc, const RECT& area, bool hide_markers) const;

 private:
  struct Line {
    std::size_t start;
    std::size_t length;
  };

  void LayOutParagraph(HDC dc, std::size_t start, std::size_t end);
  int Width(HDC dc, std::size_t start, std::size_t length) const;
  std::size_t FittingLength(HDC dc, std::size_t start, std::size_t end) const;

  std::string_view text_;
  int wrap_width_;
  int line_height_ = 0;
  int widest_ = 0;
  std::size_t longest_fit_ = 0;  // no line can hold more characters than this
  std::vector<Line> lines_;
};

}  // namespace tovrel
