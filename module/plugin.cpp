#include "plugin.h"

#include <charconv>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <utility>

namespace tovrel {
namespace {

// A host text is the bytes before its zero byte; a null pointer is empty.
std::string_view HostText(const char* text) {
  return text == nullptr ? std::string_view{} : std::string_view{text};
}

// Joins the pieces into one owned text with a single allocation, however long
// the host's texts are.
std::string Joined(std::initializer_list<std::string_view> pieces) {
  std::size_t length = 0;
  for (auto piece : pieces) length += piece.size();
  std::string text;
  text.reserve(length);
  for (auto piece : pieces) text += piece;
  return text;
}

void WriteResult(char* buffer, std::string_view text) noexcept {
  if (buffer == nullptr) return;
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
}

}  // namespace

bool Plugin::Initialize(NoticePresenter& notices, std::int32_t version) {
  char digits[std::numeric_limits<std::int32_t>::digits10 + 3];
  const auto written = std::to_chars(std::begin(digits), std::end(digits), version);
  notices.ShowNotice(Joined({kInitializeNotice, std::string_view(digits, written.ptr - digits)}));
  return true;
}

void Plugin::Uninitialize(NoticePresenter& notices) {
  notices.ShowNotice(kUninitializeNotice);
}

bool Plugin::ParseCommand(NoticePresenter& notices, const char* command, const char* appended,
                          char* result) {
  ReleaseResultText();
  notices.ShowNotice(Joined({kParseCommandNotice, HostText(command), HostText(appended)}));
  std::lock_guard guard{lock_};
  WriteResult(result, result_text_);
  return true;
}

bool Plugin::ParseTag(NoticePresenter& notices, const char* tag, char* result) {
  ReleaseResultText();
  notices.ShowNotice(Joined({kParseTagNotice, HostText(tag)}));
  std::lock_guard guard{lock_};
  result_text_ = kTagResult;
  WriteResult(result, result_text_);
  return true;
}

bool Plugin::ReceiveNotify(NoticePresenter& notices, const char* text) {
  notices.ShowNotice(Joined({kReceiveNotifyNotice, HostText(text)}));
  return false;
}

void Plugin::ReleaseResultText() noexcept {
  std::string released;
  {
    std::lock_guard guard{lock_};
    released.swap(result_text_);
  }
}

std::string Plugin::ResultText() {
  std::lock_guard guard{lock_};
  return result_text_;
}

}  // namespace tovrel
