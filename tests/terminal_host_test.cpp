// The built shared object in the reference host, with a pseudo-terminal as
// the user's terminal: every notice is read off the screen and acknowledged
// by typing Enter.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace {

std::string hostPath;
std::string modulePath;
std::string loadCyclesPath;

std::vector<char*> Argv(std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return argv;
}

// A program running on its own pseudo-terminal.
class Terminal {
 public:
  explicit Terminal(std::vector<std::string> args) {
    pid_ = ::forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      auto argv = Argv(args);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
  }
  ~Terminal() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) ::close(master_);
  }
  bool Started() const { return pid_ > 0; }

  // Reads until `marker` has appeared `count` times in all output so far.
  bool WaitFor(const std::string& marker, int count = 1) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Occurrences(marker) < count) {
      if (std::chrono::steady_clock::now() > deadline || !ReadSome()) return false;
    }
    return true;
  }
  void Type(const std::string& keys) {
    ASSERT_EQ(::write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }
  // Reads to the end and returns the exit status.
  int Finish() {
    while (ReadSome()) {
    }
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  const std::string& Screen() const { return screen_; }

 private:
  int Occurrences(const std::string& marker) const {
    int found = 0;
    for (auto at = screen_.find(marker); at != std::string::npos;
         at = screen_.find(marker, at + 1)) {
      ++found;
    }
    return found;
  }
  bool ReadSome() {
    pollfd ready{master_, POLLIN, 0};
    if (::poll(&ready, 1, 20000) <= 0) return false;
    char chunk[4096];
    const auto got = ::read(master_, chunk, sizeof chunk);
    if (got <= 0) return false;
    screen_.append(chunk, static_cast<std::size_t>(got));
    return true;
  }

  int master_ = -1;
  pid_t pid_ = -1;
  std::string screen_;
};

constexpr const char* kPrompt = "[ OK ] press Enter";

TEST(TerminalHost, LoadNoticeThenTagNoticeThenTheResult) {
  Terminal terminal({hostPath, modulePath, "tag", "abc"});
  ASSERT_TRUE(terminal.Started());
  ASSERT_TRUE(terminal.WaitFor(kPrompt, 1)) << terminal.Screen();
  EXPECT_NE(terminal.Screen().find("[ plugin-host ]"), std::string::npos) << terminal.Screen();
  EXPECT_NE(terminal.Screen().find("Tovrel's Plug-in loaded"), std::string::npos);
  EXPECT_EQ(terminal.Screen().find("Parse Tag Event"), std::string::npos)
      << "the call must wait for the load notice";
  terminal.Type("\r");
  ASSERT_TRUE(terminal.WaitFor(kPrompt, 2)) << terminal.Screen();
  EXPECT_NE(terminal.Screen().find("Parse Tag Event. Tag: abc"), std::string::npos);
  EXPECT_EQ(terminal.Screen().find("ParseTag(\"abc\")"), std::string::npos)
      << "the call must wait for its notice";
  terminal.Type("\r");
  EXPECT_EQ(terminal.Finish(), 0);
  EXPECT_NE(terminal.Screen().find("ParseTag(\"abc\") -> 0x00000001 result \"test\\0\" (5 bytes "
                                   "changed)"),
            std::string::npos)
      << terminal.Screen();
}

TEST(TerminalHost, TourShowsEveryEntryPointsNotice) {
  Terminal terminal({hostPath, modulePath});
  ASSERT_TRUE(terminal.Started());
  const char* notices[] = {"Tovrel's Plug-in loaded",
                           "Initialize Event, version: 1",
                           "Parse Tag Event. Tag: greeting",
                           "Parse Command Event. Command: say hello",
                           "ReceiveNotify Event. Text: the host is closing",
                           "UnInitialize"};
  int shown = 0;
  for (const char* notice : notices) {
    ASSERT_TRUE(terminal.WaitFor(kPrompt, ++shown)) << terminal.Screen();
    EXPECT_NE(terminal.Screen().find(notice), std::string::npos) << notice;
    terminal.Type("\n");
  }
  EXPECT_EQ(terminal.Finish(), 0);
  for (const char* line :
       {"Initialize(1) -> 0x00000001",
        "ParseCommand(\"say\", \" hello\") -> 0x00000001 result "
        "\"\\0\" (1 bytes changed)",
        "ReceiveNotify(\"the host is closing\") -> 0x00000000", "Uninitialize()"}) {
    EXPECT_NE(terminal.Screen().find(line), std::string::npos) << line << "\n" << terminal.Screen();
  }
}

TEST(TerminalHost, HostileTextCannotDriveTheTerminal) {
  Terminal terminal({hostPath, modulePath, "notify", "\x1b[2J\x1b]0;owned\x07\rX"});
  ASSERT_TRUE(terminal.Started());
  ASSERT_TRUE(terminal.WaitFor(kPrompt, 1));
  terminal.Type("\n");
  ASSERT_TRUE(terminal.WaitFor(kPrompt, 2));
  terminal.Type("\n");
  terminal.Finish();
  EXPECT_NE(terminal.Screen().find("Text: ^[[2J^[]0;owned^G^MX"), std::string::npos)
      << terminal.Screen();
  EXPECT_EQ(terminal.Screen().find("\x1b[2J"), std::string::npos);
}

TEST(TerminalHost, EndOfInputAcknowledges) {
  Terminal terminal({hostPath, modulePath, "init", "5"});
  ASSERT_TRUE(terminal.Started());
  ASSERT_TRUE(terminal.WaitFor(kPrompt, 1));
  terminal.Type("\x04");  // Ctrl+D at the start of a line: end of input
  ASSERT_TRUE(terminal.WaitFor(kPrompt, 2));
  terminal.Type("\x04");
  EXPECT_EQ(terminal.Finish(), 0);
  EXPECT_NE(terminal.Screen().find("Initialize(5) -> 0x00000001"), std::string::npos);
}

struct Finished {
  int status;
  std::string output;  // standard output and standard error together
};

// Runs a program in a session of its own, with no controlling terminal.
Finished RunWithoutTerminal(std::vector<std::string> args) {
  int out[2];
  if (::pipe(out) != 0) return {-1, "pipe failed"};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, out[1], 2);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  auto argv = Argv(args);
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  ::close(out[1]);
  Finished finished{-1, {}};
  if (spawned == 0) {
    char chunk[4096];
    for (ssize_t got; (got = ::read(out[0], chunk, sizeof chunk)) > 0;) {
      finished.output.append(chunk, static_cast<std::size_t>(got));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    finished.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  ::close(out[0]);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return finished;
}

// Without a controlling terminal no notice can be shown: the module says so
// once and answers every call with 0, writing nothing.
TEST(TerminalHost, NoTerminalLeavesTheModuleInert) {
  const Finished run = RunWithoutTerminal({hostPath, modulePath, "tag", "x", "init", "3"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.output.find("the load notice could not be shown"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("ParseTag(\"x\") -> 0x00000000 result \"\" (0 bytes changed)"),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("Initialize(3) -> 0x00000000"), std::string::npos) << run.output;
}

TEST(TerminalHost, CommandLineErrorsAndLoadFailures) {
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* says;
  };
  const Case cases[] = {
      {{"--help"}, 0, "usage: plugin-host"},
      {{}, 2, "no module given"},
      {{modulePath, "tag"}, 2, "missing a text after tag"},
      {{modulePath, "init", "x"}, 2, "init needs a 32-bit integer"},
      {{modulePath, "dance"}, 2, "unknown call 'dance'"},
      {{"--auto-ack", "10", modulePath}, 2, "need the Windows host"},
      {{modulePath, "tag", "a", "{", "tag", "b", "}"}, 2, "need the Windows host"},
      {{"/nonexistent/module.so"}, 1, "cannot load /nonexistent/module.so: "},
      {{"libm.so.6"}, 1, "the module does not export Initialize"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{hostPath};
    args.insert(args.end(), c.args.begin(), c.args.end());
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const Finished run = RunWithoutTerminal(args);
    EXPECT_EQ(run.status, c.status) << run.output;
    EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
  }
}

// Each load shows its notice again, and the heap comes back to where it was.
TEST(TerminalHost, ManyLoadCyclesShowEveryNoticeAndKeepNothing) {
  constexpr int kCycles = 200;
  Terminal terminal({loadCyclesPath, modulePath, std::to_string(kCycles)});
  ASSERT_TRUE(terminal.Started());
  for (int prompt = 1; prompt <= 2 * kCycles; ++prompt) {
    ASSERT_TRUE(terminal.WaitFor(kPrompt, prompt)) << "prompt " << prompt;
    terminal.Type("\n");
  }
  EXPECT_EQ(terminal.Finish(), 0);
  const auto& screen = terminal.Screen();
  std::size_t first = 0;
  std::size_t halfway = 0;
  std::size_t last = 0;
  const auto at = screen.find("heap in use after cycle 1: ");
  ASSERT_NE(at, std::string::npos) << screen.substr(screen.size() - 500);
  ASSERT_EQ(std::sscanf(screen.c_str() + at,
                        "heap in use after cycle 1: %zu bytes, after cycle %*d: %zu, after cycle "
                        "%*d: %zu",
                        &first, &halfway, &last),
            3);
  std::printf("heap in use after cycle 1: %zu bytes, after cycle %d: %zu, after cycle %d: %zu\n",
              first, kCycles / 2, halfway, kCycles, last);
  // The C library settles its own caches over the first cycles; after that
  // any growth would be the module's.
  EXPECT_LE(last, halfway) << "the heap grew across load cycles";
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: terminal_host_tests PLUGIN_HOST MODULE LOAD_CYCLES\n");
    return 2;
  }
  hostPath = argv[1];
  modulePath = argv[2];
  loadCyclesPath = argv[3];
  return RUN_ALL_TESTS();
}
