#include "terminal_text.h"

#include <cstdint>

namespace tovrel {
namespace {

// Length of the well-formed UTF-8 sequence at the start of `text`, or 0 when
// it is not one (overlong forms, surrogates and values past U+10FFFF are not).
std::size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(0);
  std::size_t length = 0;
  std::uint8_t low = 0x80;
  std::uint8_t high = 0xbf;
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    if (lead == 0xe0) low = 0xa0;
    if (lead == 0xed) high = 0x9f;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    if (lead == 0xf0) low = 0x90;
    if (lead == 0xf4) high = 0x8f;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xbf) return 0;
  }
  return length;
}

void AppendHexEscape(std::string& out, std::uint8_t byte) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  out += "\\x";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0xf];
}

}  // namespace

std::string VisibleTerminalText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const auto byte = static_cast<std::uint8_t>(text.front());
    std::size_t consumed = 1;
    if (byte == '\n' || byte == '\t' || (byte >= 0x20 && byte < 0x7f)) {
      out += static_cast<char>(byte);
    } else if (byte < 0x20) {
      out += '^';
      out += static_cast<char>(byte + '@');
    } else if (byte == 0x7f) {
      out += "^?";
    } else if (const auto length = Utf8SequenceLength(text);
               length != 0 && !(byte == 0xc2 && static_cast<std::uint8_t>(text[1]) < 0xa0)) {
      out += text.substr(0, length);
      consumed = length;
    } else {
      AppendHexEscape(out, byte);
    }
    text.remove_prefix(consumed);
  }
  return out;
}

}  // namespace tovrel
