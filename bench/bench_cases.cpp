#include "bench_cases.h"

#include <cstring>
#include <set>
#include <vector>

#include "hostkernel/host_control.h"

namespace bench {
namespace {

std::set<size_t> &CopySizes() {
  static std::set<size_t> sizes;
  return sizes;
}

std::string CopyName(size_t bytes) { return "memcpy/" + std::to_string(bytes); }

void Register(const std::string &name, const std::string &label, size_t copyBytes, Body body) {
  CopySizes().insert(copyBytes);
  benchmark::RegisterBenchmark(name.c_str(),
                               [label, copyBytes, body](benchmark::State &state) {
                                 body(state);
                                 state.SetLabel(label);
                                 state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                                                         static_cast<int64_t>(copyBytes));
                               })
      ->Unit(benchmark::kMicrosecond);
}

#if defined(SORVEX_BENCH_DRIVER_FLAGS)
constexpr bool kDriverFlags = true;
#else
constexpr bool kDriverFlags = false;
#endif

std::string Label(const std::string &peer, size_t copyBytes) {
  return "peer=" + (peer.empty() ? std::string("-") : peer) + " copy=" + CopyName(copyBytes);
}

// "owner/what/size" as "owner:tag/what/size".
std::string Tagged(const std::string &name, const std::string &tag) {
  const size_t slash = name.find('/');
  return name.substr(0, slash) + ":" + tag + name.substr(slash);
}

// The body with the given vector sets let through to the libraries' probe.
Body WithVectorSets(uint32_t sets, Body body) {
  return [sets, body](benchmark::State &state) {
    hostkernel::LimitVectorSets(sets);
    body(state);
    hostkernel::LimitVectorSets(~0u);
  };
}

}  // namespace

void AddOurs(const std::string &name, const std::string &peer, size_t copyBytes, Body body) {
  if (!kDriverFlags) Register(name, Label(peer, copyBytes), copyBytes, std::move(body));
}

void AddOursInForms(const std::string &name, const std::string &peer, size_t copyBytes, Body body) {
  const std::string label = Label(peer, copyBytes);
  Register(kDriverFlags ? Tagged(name, "driver") : name, label, copyBytes, body);
  Register(Tagged(name, kDriverFlags ? "driver-scalar" : "scalar"), label, copyBytes, WithVectorSets(0, body));
}

void AddPeer(const std::string &name, size_t copyBytes, Body body) {
  if (!kDriverFlags) Register(name, Label("", copyBytes), copyBytes, std::move(body));
}

void AddCopies() {
  if (kDriverFlags) return;
  for (size_t bytes : CopySizes()) {
    benchmark::RegisterBenchmark(CopyName(bytes).c_str(),
                                 [bytes](benchmark::State &state) {
                                   std::vector<uint8_t> source(bytes, 0x5A);
                                   std::vector<uint8_t> destination(bytes);
                                   benchmark::DoNotOptimize(destination.data());
                                   for (auto _ : state) {
                                     std::memcpy(destination.data(), source.data(), bytes);
                                     benchmark::ClobberMemory();
                                   }
                                   state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                                                           static_cast<int64_t>(bytes));
                                 })
        ->Unit(benchmark::kMicrosecond);
  }
}

std::string SizeName(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

std::string SizeName(int sourceWidth, int sourceHeight, int width, int height) {
  return SizeName(sourceWidth, sourceHeight) + "->" + SizeName(width, height);
}

}  // namespace bench
