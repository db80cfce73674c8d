// A host's result buffer, filled with a sentinel beforehand so that every
// byte a call writes shows.
#pragma once

#include <array>
#include <string>

namespace tovrel::testing {

inline constexpr char kSentinel = static_cast<char>(0xAA);

struct ResultBuffer {
  ResultBuffer() { bytes.fill(kSentinel); }
  char* data() { return bytes.data(); }
  int Changed() const {
    int changed = 0;
    for (char c : bytes) changed += c != kSentinel;
    return changed;
  }
  // The text up to the first zero byte.
  std::string Text() const { return std::string(bytes.data(), Length()); }

  std::array<char, 16> bytes;

 private:
  std::size_t Length() const {
    std::size_t length = 0;
    while (length < bytes.size() && bytes[length] != '\0') ++length;
    return length;
  }
};

}  // namespace tovrel::testing
