// Notices on Linux: written to the controlling terminal, acknowledged with
// Enter. The terminal is opened for each notice, so a host whose standard
// streams are redirected still reaches its user.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "application_title.h"
#include "notice.h"
#include "terminal_text.h"

namespace tovrel {
namespace {

constinit std::string applicationTitle;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const auto written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      throw NoticeError("cannot write the notice to the terminal");
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

// Blocks until a line ends or input ends; a terminal that hangs up ends the
// notice as a quit would.
void WaitForEnter(int fd) {
  char byte = 0;
  for (;;) {
    const auto got = ::read(fd, &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0 || byte == '\n' || byte == '\r') return;
  }
}

class TerminalNotices final : public NoticePresenter {
 public:
  void ShowNotice(std::string_view text) override {
    const FileDescriptor terminal{::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC)};
    if (terminal.get() < 0) throw NoticeError("no controlling terminal to show the notice on");
    std::string screen = "\n[ " + VisibleTerminalText(applicationTitle) + " ]\n";
    screen += VisibleTerminalText(text);
    screen += "\n[ OK ] press Enter ";
    WriteAll(terminal.get(), screen);
    WaitForEnter(terminal.get());
  }
};

constinit TerminalNotices terminalNotices;

// /proc/self/exe names the host's program file, not this module's.
std::string ProgramFilePath() {
  std::vector<char> buffer(256);
  for (;;) {
    const auto length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return std::string(buffer.data(), static_cast<std::size_t>(length));
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

NoticePresenter& SystemNotices() {
  return terminalNotices;
}

void FixApplicationTitle() {
  applicationTitle = TitleFromProgramPath(ProgramFilePath(), '/');
}

}  // namespace tovrel
