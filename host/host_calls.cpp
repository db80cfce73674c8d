#include "host_calls.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace tovrel::host {
namespace {

// Filled into a result buffer before a call so that the bytes the call wrote
// stand out; no result text contains it.
constexpr char kSentinel = static_cast<char>(0xAA);
constexpr std::size_t kResultBufferSize = 32;

struct CallShape {
  std::string_view word;
  CallKind kind;
  std::size_t texts;
  std::string_view name;
};

constexpr std::array<CallShape, 5> kShapes{{
    {"init", CallKind::kInitialize, 0, "Initialize"},
    {"uninit", CallKind::kUninitialize, 0, "Uninitialize"},
    {"command", CallKind::kParseCommand, 2, "ParseCommand"},
    {"tag", CallKind::kParseTag, 1, "ParseTag"},
    {"notify", CallKind::kReceiveNotify, 1, "ReceiveNotify"},
}};

const CallShape& ShapeOf(CallKind kind) {
  return *std::find_if(kShapes.begin(), kShapes.end(),
                       [&](const CallShape& shape) { return shape.kind == kind; });
}

std::int32_t ParseVersion(const std::string& word) {
  std::int32_t version = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), version);
  if (error != std::errc{} || end != word.data() + word.size()) {
    throw UsageError("init needs a 32-bit integer, not '" + word + "'");
  }
  return version;
}

class WordReader {
 public:
  explicit WordReader(std::span<const std::string> words) : words_(words) {}
  bool AtEnd() const { return next_ == words_.size(); }
  const std::string& Peek() const { return words_[next_]; }
  const std::string& Take(std::string_view what) {
    if (AtEnd()) throw UsageError("missing " + std::string(what));
    return words_[next_++];
  }

 private:
  std::span<const std::string> words_;
  std::size_t next_ = 0;
};

std::vector<HostCall> ParseCallList(WordReader& reader, bool nested) {
  std::vector<HostCall> calls;
  while (!reader.AtEnd()) {
    const std::string& word = reader.Take("a call");
    if (word == "}") {
      if (!nested) throw UsageError("'}' without '{'");
      return calls;
    }
    if (word == "{") {
      if (calls.empty()) throw UsageError("'{' must follow the call it nests in");
      calls.back().nested = ParseCallList(reader, true);
      continue;
    }
    const auto shape = std::find_if(kShapes.begin(), kShapes.end(),
                                    [&](const CallShape& s) { return s.word == word; });
    if (shape == kShapes.end()) throw UsageError("unknown call '" + word + "'");
    HostCall call{shape->kind, 0, {}, {}};
    if (shape->kind == CallKind::kInitialize) {
      call.version = ParseVersion(reader.Take("the version after init"));
    }
    for (std::size_t i = 0; i < shape->texts; ++i) {
      const std::string& text = reader.Take("a text after " + word);
      call.texts.push_back(text == kNullWord ? std::nullopt : std::optional<std::string>(text));
    }
    calls.push_back(std::move(call));
  }
  if (nested) throw UsageError("'{' without '}'");
  return calls;
}

const char* Pointer(const std::optional<std::string>& text) {
  return text ? text->c_str() : nullptr;
}

std::string Hex32(std::int32_t value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "0x%08X", static_cast<std::uint32_t>(value));
  return digits;
}

}  // namespace

std::vector<HostCall> ParseCalls(std::span<const std::string> words) {
  WordReader reader{words};
  return ParseCallList(reader, false);
}

std::vector<HostCall> TourCalls() {
  return {
      {CallKind::kInitialize, 1, {}, {}},
      {CallKind::kParseTag, 0, {"greeting"}, {}},
      {CallKind::kParseCommand, 0, {"say", " hello"}, {}},
      {CallKind::kReceiveNotify, 0, {"the host is closing"}, {}},
      {CallKind::kUninitialize, 0, {}, {}},
  };
}

bool HasNestedCalls(std::span<const HostCall> calls) {
  return std::any_of(calls.begin(), calls.end(),
                     [](const HostCall& call) { return !call.nested.empty(); });
}

std::string Escaped(std::string_view bytes) {
  std::string out = "\"";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte == 0) {
      out += "\\0";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte >= 0x20 && byte < 0x7f) {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    }
  }
  return out + "\"";
}

CallRunner::CallRunner(const EntryPoints& entry_points, std::FILE* out,
                       NestedCallScheduler schedule_nested)
    : entry_points_(entry_points), out_(out), schedule_nested_(std::move(schedule_nested)) {}

void CallRunner::Run(const HostCall& call) {
  if (!call.nested.empty()) {
    if (!schedule_nested_) throw UsageError("nested calls need a host with a message loop");
    schedule_nested_([this, &call] {
      for (const HostCall& inner : call.nested) Run(inner);
    });
  }

  std::array<char, kResultBufferSize> buffer;
  buffer.fill(kSentinel);
  const auto& t = call.texts;
  std::int32_t result = 0;
  std::string arguments;
  switch (call.kind) {
    case CallKind::kInitialize:
      arguments = std::to_string(call.version);
      result = entry_points_.initialize(call.version, 0, 0);
      break;
    case CallKind::kUninitialize:
      entry_points_.uninitialize();
      break;
    case CallKind::kParseCommand:
      result = entry_points_.parse_command(Pointer(t[0]), Pointer(t[1]), 0, buffer.data());
      break;
    case CallKind::kParseTag:
      result = entry_points_.parse_tag(Pointer(t[0]), 0, buffer.data());
      break;
    case CallKind::kReceiveNotify:
      result = entry_points_.receive_notify(0, Pointer(t[0]), 0, 0);
      break;
  }
  for (const auto& text : t) {
    if (!arguments.empty()) arguments += ", ";
    arguments += text ? Escaped(*text) : "null";
  }

  std::string line = std::string(ShapeOf(call.kind).name) + "(" + arguments + ")";
  if (call.kind != CallKind::kUninitialize) line += " -> " + Hex32(result);
  if (call.kind == CallKind::kParseCommand || call.kind == CallKind::kParseTag) {
    const auto changed =
        std::count_if(buffer.begin(), buffer.end(), [](char c) { return c != kSentinel; });
    const auto last =
        std::find_if(buffer.rbegin(), buffer.rend(), [](char c) { return c != kSentinel; });
    const std::string_view written(buffer.data(), static_cast<std::size_t>(buffer.rend() - last));
    line += " result " + Escaped(written) + " (" + std::to_string(changed) + " bytes changed)";
  }
  if (!call.nested.empty()) schedule_nested_(nullptr);
  std::fprintf(out_, "%s\n", line.c_str());
  std::fflush(out_);
}

}  // namespace tovrel::host
