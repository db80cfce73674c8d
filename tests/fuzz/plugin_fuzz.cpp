// Arbitrary host texts, version numbers and sequences of calls, nested calls
// among them, against the promises of the module's interface: each notice is
// its fixed text followed by exactly the host's bytes; a result buffer
// changes in exactly the result's length plus one bytes; results are the
// constants; ResultText follows its rules.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "plugin.h"

namespace {

using tovrel::NoticePresenter;
using tovrel::Plugin;

constexpr char kSentinel = static_cast<char>(0xAA);
constexpr int kMaxDepth = 4;

void Require(bool promise, const char* what) {
  if (!promise) {
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
  }
}

class Session;

// Checks each notice against the one the call should show, then lets the
// host make the nested call it planned for this notice.
class CheckingNotices final : public NoticePresenter {
 public:
  explicit CheckingNotices(Session& session) : session_(session) {}
  void ShowNotice(std::string_view text) override;
  std::vector<std::string> expected;

 private:
  Session& session_;
};

class Session {
 public:
  explicit Session(FuzzedDataProvider& input) : input_(input), notices_(*this) {}

  void RunCall();
  // Called while a notice is up: the host may call again from there.
  void MaybeNest() {
    if (active_calls_ < kMaxDepth && input_.remaining_bytes() > 0 && input_.ConsumeBool()) {
      RunCall();
    }
  }
  void Run() {
    while (input_.remaining_bytes() > 0) RunCall();
  }

 private:
  // A host text as the host would pass it: possibly null, and read only up
  // to its first zero byte.
  std::optional<std::string> HostText() {
    if (input_.ConsumeBool()) return std::nullopt;
    return input_.ConsumeRandomLengthString(1 << 12);
  }
  static const char* Pointer(const std::optional<std::string>& text) {
    return text ? text->c_str() : nullptr;
  }
  static std::string Seen(const std::optional<std::string>& text) {
    return text ? std::string(text->c_str()) : std::string();
  }

  FuzzedDataProvider& input_;
  CheckingNotices notices_;
  Plugin plugin_;
  std::string model_;  // what ResultText must hold
  int active_calls_ = 0;
};

void CheckingNotices::ShowNotice(std::string_view text) {
  Require(!expected.empty(), "a notice nobody asked for");
  Require(text == expected.back(), "notice text differs from the fixed text and host bytes");
  expected.pop_back();
  session_.MaybeNest();
}

void Session::RunCall() {
  ++active_calls_;
  std::array<char, 16> buffer;
  buffer.fill(kSentinel);
  std::size_t expected_written = 0;  // bytes the call must write, zero byte included
  std::string expected_text;
  switch (input_.ConsumeIntegralInRange(0, 4)) {
    case 0: {
      const auto version = input_.ConsumeIntegral<std::int32_t>();
      char digits[16];
      const auto end = std::to_chars(digits, digits + sizeof digits, version).ptr;
      notices_.expected.push_back(std::string(tovrel::kInitializeNotice) +
                                  std::string(digits, end));
      Require(plugin_.Initialize(notices_, version), "Initialize answers true");
      break;
    }
    case 1:
      notices_.expected.push_back(std::string(tovrel::kUninitializeNotice));
      plugin_.Uninitialize(notices_);
      break;
    case 2: {
      const auto command = HostText();
      const auto appended = HostText();
      notices_.expected.push_back(std::string(tovrel::kParseCommandNotice) + Seen(command) +
                                  Seen(appended));
      model_.clear();
      // Whatever a nested call leaves in ResultText is what this call hands back.
      Require(plugin_.ParseCommand(notices_, Pointer(command), Pointer(appended), buffer.data()),
              "ParseCommand answers true");
      expected_text = model_;
      expected_written = model_.size() + 1;
      break;
    }
    case 3: {
      const auto tag = HostText();
      notices_.expected.push_back(std::string(tovrel::kParseTagNotice) + Seen(tag));
      model_.clear();
      Require(plugin_.ParseTag(notices_, Pointer(tag), buffer.data()), "ParseTag answers true");
      model_ = "test";
      expected_text = "test";
      expected_written = 5;
      break;
    }
    default: {
      const auto text = HostText();
      notices_.expected.push_back(std::string(tovrel::kReceiveNotifyNotice) + Seen(text));
      Require(!plugin_.ReceiveNotify(notices_, Pointer(text)), "ReceiveNotify answers false");
      break;
    }
  }
  Require(plugin_.ResultText() == model_, "ResultText follows its rules");
  for (std::size_t i = 0; i < buffer.size(); ++i) {
    const char expected =
        i < expected_written ? (i < expected_text.size() ? expected_text[i] : '\0') : kSentinel;
    Require(buffer[i] == expected, "result buffer holds exactly the result and a zero byte");
  }
  --active_calls_;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  Session session(input);
  session.Run();
  return 0;
}
