#include "bench_cases.h"

#include <cstring>
#include <set>
#include <vector>

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

}  // namespace

void AddOurs(const std::string &name, const std::string &peer, size_t copyBytes, Body body) {
  Register(name, "peer=" + (peer.empty() ? std::string("-") : peer) + " copy=" + CopyName(copyBytes), copyBytes,
           std::move(body));
}

void AddPeer(const std::string &name, size_t copyBytes, Body body) {
  Register(name, "peer=- copy=" + CopyName(copyBytes), copyBytes, std::move(body));
}

void AddCopies() {
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
