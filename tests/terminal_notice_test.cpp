// The terminal notice with hostile host texts, on a real pseudo-terminal: the
// text reaches the screen whole, and nothing in it acts on the terminal.
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "notice.h"
#include "terminal_text.h"

namespace tovrel {
namespace {

// Shows `text` in a child process whose controlling terminal is a new
// pseudo-terminal, acknowledges it, and returns everything the terminal
// received.
std::string ShowOnPseudoTerminal(const std::string& text) {
  termios raw{};
  cfmakeraw(&raw);  // no echo, no line editing: the screen gets what was written
  int master = -1;
  const pid_t child = ::forkpty(&master, nullptr, &raw, nullptr);
  if (child == 0) {
    FixApplicationTitle();
    try {
      SystemNotices().ShowNotice(text);
    } catch (...) {
      ::_exit(3);
    }
    ::_exit(0);
  }
  std::string screen;
  bool acknowledged = false;
  for (;;) {
    pollfd ready{master, POLLIN, 0};
    if (::poll(&ready, 1, 20000) <= 0) break;
    char chunk[65536];
    const auto got = ::read(master, chunk, sizeof chunk);
    if (got <= 0) break;
    screen.append(chunk, static_cast<std::size_t>(got));
    if (!acknowledged && screen.find("press Enter") != std::string::npos) {
      acknowledged = ::write(master, "\r", 1) == 1;
    }
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ::close(master);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  return screen;
}

TEST(TerminalNotice, HostileTextIsShownVisiblyAndWhole) {
  const std::string hostile =
      "\x1b[2J\x1b[H\x1b]0;title\x07 lone\rreturn \x9b"
      "31m caf\xc3\xa9 \xe9\xff \x7f end";
  const std::string screen = ShowOnPseudoTerminal(hostile);
  EXPECT_NE(screen.find(VisibleTerminalText(hostile)), std::string::npos) << screen;
  EXPECT_EQ(screen.find('\x1b'), std::string::npos);
  EXPECT_EQ(screen.find('\x07'), std::string::npos);
  EXPECT_EQ(screen.find("\x9b"), std::string::npos);
}

TEST(TerminalNotice, AMegabyteOfTextReachesTheScreenWhole) {
  std::string text;
  for (int line = 0; text.size() < (1u << 20); ++line) {
    text += "line " + std::to_string(line) + " of a long host text\n";
  }
  const std::string screen = ShowOnPseudoTerminal(text);
  EXPECT_NE(screen.find(text), std::string::npos) << "shown: " << screen.size() << " bytes";
}

}  // namespace
}  // namespace tovrel
