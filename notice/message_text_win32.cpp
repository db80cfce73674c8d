#include "message_text_win32.h"

#include <algorithm>
#include <climits>

namespace tovrel {
namespace {

// How each line is measured and drawn: tabs to the next tab stop, "&" marks
// the next character.
constexpr UINT kLineFormat = DT_LEFT | DT_SINGLELINE | DT_EXPANDTABS | DT_NOCLIP;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
bool IsLineBreak(char c) {
  return c == '\n' || c == '\r';
}

}  // namespace

MessageText::MessageText(HDC dc, std::string_view text, int wrap_width)
    : text_(text), wrap_width_(std::max(1, wrap_width)) {
  TEXTMETRICA metrics{};
  ::GetTextMetricsA(dc, &metrics);
  line_height_ = std::max<int>(1, metrics.tmHeight);

  // The narrowest character bounds how many can share a line; a marker "&"
  // takes no room of its own, so every visible character may bring one.
  INT widths[256] = {};
  int narrowest = INT_MAX;
  if (::GetCharWidth32A(dc, 0x20, 0xff, widths + 0x20)) {
    for (int c = 0x21; c <= 0xff; ++c) {
      if (widths[c] > 0) narrowest = std::min(narrowest, static_cast<int>(widths[c]));
    }
  }
  if (narrowest == INT_MAX) narrowest = 1;
  longest_fit_ = 2 * static_cast<std::size_t>(wrap_width_ / narrowest + 1);

  std::size_t start = 0;
  for (;;) {
    std::size_t end = start;
    while (end < text_.size() && !IsLineBreak(text_[end])) ++end;
    LayOutParagraph(dc, start, end);
    if (end == text_.size()) break;
    // "\r\n" is one break; a lone "\r" or "\n" is one too.
    start =
        end + ((text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n') ? 2 : 1);
  }
}

int MessageText::Width(HDC dc, std::size_t start, std::size_t length) const {
  if (length == 0) return 0;
  RECT rect{0, 0, 0, 0};
  ::DrawTextA(dc, text_.data() + start, static_cast<int>(length), &rect, kLineFormat | DT_CALCRECT);
  return rect.right - rect.left;
}

// The most characters from `start` (up to `end`) that fit in the wrap width.
std::size_t MessageText::FittingLength(HDC dc, std::size_t start, std::size_t end) const {
  const std::size_t window = std::min(end - start, longest_fit_);
  const std::string_view candidate = text_.substr(start, window);
  if (candidate.find_first_of("\t&") == std::string_view::npos) {
    // Plain text: one call measures every prefix at once.
    int fit = 0;
    SIZE size{};
    ::GetTextExtentExPointA(dc, candidate.data(), static_cast<int>(candidate.size()), wrap_width_,
                            &fit, nullptr, &size);
    return static_cast<std::size_t>(std::max(fit, 0));
  }
  // Tabs and markers change the width in ways only drawing knows.
  std::size_t fits = 0;
  std::size_t too_long = window + 1;
  while (too_long - fits > 1) {
    const std::size_t middle = fits + (too_long - fits) / 2;
    if (Width(dc, start, middle) <= wrap_width_) {
      fits = middle;
    } else {
      too_long = middle;
    }
  }
  return fits;
}

void MessageText::LayOutParagraph(HDC dc, std::size_t start, std::size_t end) {
  if (start == end) {
    lines_.push_back({start, 0});
    return;
  }
  while (start < end) {
    std::size_t length = FittingLength(dc, start, end);
    const bool broken = start + length < end;
    if (broken) {
      // Break at the last blank that fits (the first one that does not
      // counts too); a word longer than the whole width is broken where the
      // width ends.
      std::size_t cut = length;
      while (cut > 0 && !IsBlank(text_[start + cut])) --cut;
      if (cut > 0) {
        length = cut;
      } else {
        const char last = length > 0 ? text_[start + length - 1] : '\0';
        // Keep a marker with its character and a lead byte with its trail.
        if (length > 1 && (last == '&' || ::IsDBCSLeadByte(static_cast<BYTE>(last)))) --length;
        length = std::max<std::size_t>(length, 1);  // show one character even if none fits
      }
    }
    std::size_t shown = length;
    if (broken) {
      while (shown > 0 && IsBlank(text_[start + shown - 1])) --shown;
    }
    lines_.push_back({start, shown});
    widest_ = std::max(widest_, Width(dc, start, shown));
    start += length;
    // The blanks at a break belong to neither line.
    if (broken) {
      while (start < end && IsBlank(text_[start])) ++start;
    }
  }
}

SIZE MessageText::Extent() const {
  return {std::min(widest_, wrap_width_),
          line_height_ * static_cast<LONG>(std::max<std::size_t>(lines_.size(), 1))};
}

void MessageText::Draw(HDC dc, const RECT& area, bool hide_markers) const {
  RECT clip{};
  if (::GetClipBox(dc, &clip) == ERROR) clip = area;
  const LONG first = std::max<LONG>(0, (clip.top - area.top) / line_height_);
  const LONG last =
      std::min<LONG>(static_cast<LONG>(lines_.size()), (clip.bottom - area.top) / line_height_ + 1);
  const UINT format = kLineFormat | (hide_markers ? DT_HIDEPREFIX : 0);
  for (LONG i = first; i < last; ++i) {
    const Line& line = lines_[static_cast<std::size_t>(i)];
    RECT rect{area.left, area.top + i * line_height_, area.right,
              area.top + (i + 1) * line_height_};
    ::DrawTextA(dc, text_.data() + line.start, static_cast<int>(line.length), &rect, format);
  }
}

}  // namespace tovrel
