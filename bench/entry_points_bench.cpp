// The entry points' own cost, outside the notice: what a call spends on
// copying the host's texts, forming the notice text and writing the result,
// beside the one copy of the same bytes that no implementation can avoid.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "plugin.h"

namespace {

using tovrel::NoticePresenter;
using tovrel::Plugin;

// Looks at the text (so that forming it cannot be optimised away) and
// returns at once.
class NoNotice final : public NoticePresenter {
 public:
  void ShowNotice(std::string_view text) override { benchmark::DoNotOptimize(text.data()); }
};

const std::vector<std::int64_t> kSizes = {16, 1 << 10, 64 << 10, 1 << 20};

std::string HostText(std::int64_t size) {
  std::string text;
  while (static_cast<std::int64_t>(text.size()) < size) text += "host text ";
  text.resize(static_cast<std::size_t>(size));
  return text;
}

void Baseline(benchmark::State& state) {
  const std::string host = HostText(state.range(0));
  for (auto _ : state) {
    std::string owned(host.c_str());
    benchmark::DoNotOptimize(owned.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void ParseTag(benchmark::State& state) {
  const std::string host = HostText(state.range(0));
  Plugin plugin;
  NoNotice notices;
  char result[8];
  for (auto _ : state) {
    plugin.ParseTag(notices, host.c_str(), result);
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void ParseCommand(benchmark::State& state) {
  const std::string host = HostText(state.range(0));
  const std::string command = host.substr(0, host.size() / 2);
  const std::string appended = host.substr(host.size() / 2);
  Plugin plugin;
  NoNotice notices;
  char result[8];
  for (auto _ : state) {
    plugin.ParseCommand(notices, command.c_str(), appended.c_str(), result);
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void ReceiveNotify(benchmark::State& state) {
  const std::string host = HostText(state.range(0));
  Plugin plugin;
  NoNotice notices;
  for (auto _ : state) benchmark::DoNotOptimize(plugin.ReceiveNotify(notices, host.c_str()));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

// Keeps each run's time per iteration for the table printed at the end.
class Collector final : public benchmark::ConsoleReporter {
 public:
  // Plain text: the rows below are read by scripts/bench.
  Collector() : ConsoleReporter(OO_None) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) times[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

std::string SizeName(std::int64_t size) {
  if (size >= (1 << 20)) return std::to_string(size >> 20) + " MB";
  if (size >= (1 << 10)) return std::to_string(size >> 10) + " KB";
  return std::to_string(size) + " B";
}

}  // namespace

int main(int argc, char** argv) {
  const std::pair<const char*, void (*)(benchmark::State&)> benchmarks[] = {
      {"baseline", Baseline},
      {"ParseTag", ParseTag},
      {"ParseCommand", ParseCommand},
      {"ReceiveNotify", ReceiveNotify},
  };
  for (const auto& [name, function] : benchmarks) {
    auto* registered = benchmark::RegisterBenchmark(name, function);
    for (auto size : kSizes) registered->Arg(size);
  }
  benchmark::Initialize(&argc, argv);
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);

  // One row per entry point and size, in the table scripts/bench prints.
  constexpr double kGoal = 2.0;
  for (const char* name : {"ParseTag", "ParseCommand", "ReceiveNotify"}) {
    for (auto size : kSizes) {
      const auto time = [&](const char* benchmark) {
        return collector.times[std::string(benchmark) + "/" + std::to_string(size)];
      };
      const double ratio = time(name) / time("baseline");
      std::printf("| %s cost, %s host text | %.0f ns, %.2fx the copy (%.0f ns) | <= %.0fx | %s |\n",
                  name, SizeName(size).c_str(), time(name), ratio, time("baseline"), kGoal,
                  ratio <= kGoal ? "yes" : "no");
    }
  }
  benchmark::Shutdown();
  return 0;
}
