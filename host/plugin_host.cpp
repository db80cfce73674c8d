// plugin-host: a reference host for modules of the plug-in interface. Loads a
// module by path, resolves its five entry points and makes the calls given on
// the command line, printing each call's result.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "host_calls.h"
#include "host_session.h"
#include "module_library.h"

namespace {

using namespace tovrel::host;

constexpr const char* kUsage =
    "usage: plugin-host [OPTIONS] MODULE [CALL...]\n"
    "\n"
    "Loads MODULE, resolves Initialize, Uninitialize, ParseCommand, ParseTag and\n"
    "ReceiveNotify, and makes the calls given (a tour of all five when none is).\n"
    "\n"
    "calls:\n"
    "  init N                   Initialize(N, 0, 0)\n"
    "  uninit                   Uninitialize()\n"
    "  tag TEXT                 ParseTag(TEXT, 0, buffer)\n"
    "  command TEXT APPENDED    ParseCommand(TEXT, APPENDED, 0, buffer)\n"
    "  notify TEXT              ReceiveNotify(0, TEXT, 0, 0)\n"
    "  CALL { CALL... }         the braced calls run while CALL's notice is up\n"
    "A TEXT of @null passes a null pointer.\n"
    "\n"
    "Each call prints its arguments, its 32-bit result in hex and, for tag and\n"
    "command, the bytes written into a buffer filled with 0xAA beforehand.\n"
    "\n"
    "options:\n"
    "  --help                   show this text\n"
    "  --auto-ack MS            acknowledge each notice after MS milliseconds and\n"
    "                           print its title and text as the window shows them\n"
    "  --shots DIR              save an image of each notice in DIR (BMP)\n"
    "--auto-ack, --shots and nested calls need the Windows host.\n";

struct CommandLine {
  WatchOptions watch;
  std::string module;
  std::vector<HostCall> calls;
};

int ParseMilliseconds(const std::string& word) {
  char* end = nullptr;
  const long value = std::strtol(word.c_str(), &end, 10);
  if (word.empty() || *end != '\0' || value < 0 || value > 600000) {
    throw UsageError("--auto-ack needs milliseconds, not '" + word + "'");
  }
  return static_cast<int>(value);
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  std::size_t next = 0;
  const auto value_of = [&](const std::string& option) -> const std::string& {
    if (next >= args.size()) throw UsageError(option + " needs a value");
    return args[next++];
  };
  while (next < args.size() && args[next].starts_with("--")) {
    const std::string option = args[next++];
    if (option == "--auto-ack") {
      line.watch.auto_ack_ms = ParseMilliseconds(value_of(option));
    } else if (option == "--shots") {
      line.watch.shots_dir = value_of(option);
    } else {
      throw UsageError("unknown option " + option);
    }
  }
  if (next >= args.size()) throw UsageError("no module given");
  line.module = args[next++];
  line.calls = ParseCalls(std::vector<std::string>(args.begin() + next, args.end()));
  if (line.calls.empty()) line.calls = TourCalls();
  const bool watching = line.watch.auto_ack_ms || !line.watch.shots_dir.empty();
  if ((watching || HasNestedCalls(line.calls)) && !CanWatchNotices()) {
    throw UsageError("--auto-ack, --shots and nested calls need the Windows host");
  }
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (const auto& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  CommandLine line;
  try {
    line = ParseCommandLine(args);
  } catch (const UsageError& error) {
    std::fprintf(stderr, "plugin-host: %s\n\n%s", error.what(), kUsage);
    return 2;
  }

  try {
    // Watching starts before the load: the load notice comes up inside it.
    const auto session = StartHostSession(line.watch, stdout);
    const ModuleLibrary library{line.module};
    CallRunner runner{ResolveEntryPoints(library), stdout, session->Scheduler()};
    for (const HostCall& call : line.calls) runner.Run(call);
  } catch (const LoadError& error) {
    std::fprintf(stderr, "plugin-host: cannot load %s: %s\n", line.module.c_str(), error.what());
    return 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "plugin-host: %s\n", error.what());
    return 1;
  }
  return 0;
}
