// A stand-in for the platform's notices: records every notice text, can run
// code while a notice is "up" (as a host's message handler would), and can
// refuse to show a notice.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "notice.h"

namespace tovrel::testing {

class FakeNotices final : public NoticePresenter {
 public:
  void ShowNotice(std::string_view text) override {
    if (fail_at_ && shown.size() == *fail_at_) throw NoticeError("notice refused");
    shown.emplace_back(text);
    if (auto during = std::exchange(during_next_, nullptr)) during();
  }

  // Runs `during` inside the next notice.
  void During(std::function<void()> during) { during_next_ = std::move(during); }
  // The notice with this index (0-based) cannot be shown.
  void FailAt(std::size_t index) { fail_at_ = index; }

  std::vector<std::string> shown;

 private:
  std::function<void()> during_next_;
  std::optional<std::size_t> fail_at_;
};

}  // namespace tovrel::testing
