// The module's one user interface: a modal notice with the application title
// and a single acknowledgement.
#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace tovrel {

// Raised when a notice cannot be shown at all; nothing was shown then.
class NoticeError : public std::exception {
 public:
  // `reason` is a string literal: raising the error must not need memory.
  explicit NoticeError(const char* reason) noexcept : reason_(reason) {}
  const char* what() const noexcept override { return reason_; }

 private:
  const char* reason_;
};

class NoticePresenter {
 public:
  // Shows `text` and returns once the user has dismissed it. Runs entirely on
  // the calling thread; throws NoticeError (or std::bad_alloc) when the
  // notice cannot be shown.
  virtual void ShowNotice(std::string_view text) = 0;

 protected:
  ~NoticePresenter() = default;
};

// The presentation of the platform the module was built for.
NoticePresenter& SystemNotices();

// Fixes the title that every notice bears from the host's program file. Runs
// once, when the module is attached to the host's process.
void FixApplicationTitle();

}  // namespace tovrel
