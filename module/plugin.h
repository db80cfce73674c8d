// The behaviour behind the exported entry points, free of any platform: each
// call copies the host's texts, shows one notice, then answers.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "notice.h"
#include "short_lock.h"

namespace tovrel {

// Fixed texts that open each entry point's notice.
inline constexpr std::string_view kInitializeNotice = "Initialize Event, version: ";
inline constexpr std::string_view kUninitializeNotice = "UnInitialize";
inline constexpr std::string_view kParseCommandNotice = "Parse Command Event. Command: ";
inline constexpr std::string_view kParseTagNotice = "Parse Tag Event. Tag: ";
inline constexpr std::string_view kReceiveNotifyNotice = "ReceiveNotify Event. Text: ";
inline constexpr std::string_view kTagResult = "test";

// The module's calls and its one long-lived value, ResultText. Failures (no
// memory, a notice that cannot be shown) leave a call as exceptions at the
// step that failed; nothing later in that call happens.
//
// ResultText is only ever touched under a short lock that is never held
// across a notice, so a call nested inside another call's notice (same
// thread) cannot deadlock, and calls on two threads cannot tear it.
class Plugin {
 public:
  constexpr Plugin() = default;
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  bool Initialize(NoticePresenter& notices, std::int32_t version);
  void Uninitialize(NoticePresenter& notices);
  // `result` may be null: nothing is written then.
  bool ParseCommand(NoticePresenter& notices, const char* command, const char* appended,
                    char* result);
  bool ParseTag(NoticePresenter& notices, const char* tag, char* result);
  bool ReceiveNotify(NoticePresenter& notices, const char* text);

  // Empties ResultText and releases its storage; the module's unload step.
  void ReleaseResultText() noexcept;

  // A copy of ResultText as it stands.
  std::string ResultText();

 private:
  ShortLock lock_;
  std::string result_text_;
};

}  // namespace tovrel
