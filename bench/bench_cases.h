// How the benchmark program names and pairs what it measures.
//
// Names are "<owner>/<what>/<size>": owner sorvex0 or sorvex1 for ours,
// opencv or libyuv for the peers, memcpy for the plain copies. Each of ours
// carries a label "peer=<name> copy=<name>" naming the peer run it is
// compared with (or "-") and the memcpy run of the same number of bytes; the
// report script divides by those. The copied bytes are the larger of the
// bytes a run reads and the bytes it writes.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace bench {

using Body = std::function<void(benchmark::State &)>;

// One of ours, compared with `peer` (empty: none) and with a copy of
// `copyBytes` bytes. Measured by the host build's program only.
void AddOurs(const std::string &name, const std::string &peer, size_t copyBytes, Body body);

// The same, in every form this program measures. The program is built
// twice from the same sources: as the host build (sorvex_bench) and in the
// drivers' configuration (sorvex_bench_driverflags: sorvex0 and sorvex1
// built with the drivers' flags, vector units with their own). Each
// measures a run with the kernels the processor allows (in the host build
// under the run's own name, in the drivers' as "<owner>:driver/...") and
// with the scalar forms ("<owner>:scalar/..." and
// "<owner>:driver-scalar/..."): the vector sets are withheld from the
// libraries' probe while the run makes its instances.
void AddOursInForms(const std::string &name, const std::string &peer, size_t copyBytes, Body body);

// A peer run; it is compared with a copy of `copyBytes` too. Host build only.
void AddPeer(const std::string &name, size_t copyBytes, Body body);

// Registers memcpy/<bytes> for every byte count the runs above named. Call
// once, after every AddOurs and AddPeer.
void AddCopies();

// Runs an in-place stage on a fresh copy of `original` every iteration; the
// copy is not timed.
template <typename Stage>
void TimeInPlace(benchmark::State &state, const std::vector<uint8_t> &original, Stage stage) {
  std::vector<uint8_t> frame(original.size());
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(frame.data(), original.data(), original.size());
    state.ResumeTiming();
    stage(frame.data());
    benchmark::ClobberMemory();
  }
}

std::string SizeName(int width, int height);
std::string SizeName(int sourceWidth, int sourceHeight, int width, int height);

}  // namespace bench
