// The calls the reference host makes: parsed from its command line, run
// against a module's entry points, and reported one line per call.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "module_library.h"

namespace tovrel::host {

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The command-line word that stands for a null host text.
inline constexpr std::string_view kNullWord = "@null";

enum class CallKind { kInitialize, kUninitialize, kParseCommand, kParseTag, kReceiveNotify };

struct HostCall {
  CallKind kind;
  std::int32_t version = 0;
  // Host texts in argument order; nullopt is a null pointer.
  std::vector<std::optional<std::string>> texts;
  // Calls made while this call's notice is up.
  std::vector<HostCall> nested;
};

// Parses "init N", "uninit", "tag TEXT", "command TEXT APPENDED", "notify TEXT",
// each optionally followed by "{ CALL... }" for calls nested in its notice.
std::vector<HostCall> ParseCalls(std::span<const std::string> words);

// Every entry point once, for a quick look at the module.
std::vector<HostCall> TourCalls();

bool HasNestedCalls(std::span<const HostCall> calls);

// Quoted, with anything outside printable ASCII escaped ("\0", "\n", "\xAB").
std::string Escaped(std::string_view bytes);

// Arranges for a function to run once the next notice is up (the platform's
// message loop keeps running while a call waits on its notice); an empty
// function withdraws what is still pending.
using NestedCallScheduler = std::function<void(std::function<void()>)>;

class CallRunner {
 public:
  // `schedule_nested` may be empty where nesting is not possible.
  CallRunner(const EntryPoints& entry_points, std::FILE* out, NestedCallScheduler schedule_nested);

  // Makes the call (and its nested calls) and prints one line per call as it
  // returns.
  void Run(const HostCall& call);

 private:
  EntryPoints entry_points_;
  std::FILE* out_;
  NestedCallScheduler schedule_nested_;
};

}  // namespace tovrel::host
