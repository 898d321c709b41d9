// The benchmark program: ours, the peers and plain copies in one run, so
// that their ratios come from the same machine state. bench/run.sh runs it
// and writes the report.
#include <benchmark/benchmark.h>

#include "bench_cases.h"
#include "bench_suites.h"
#include "hostkernel/host_control.h"

int main(int argc, char **argv) {
  hostkernel::InstallDefaultBiosArea();
  bench::AddConversionBenchmarks();
  bench::AddIspStageBenchmarks();
  bench::AddRawToImgBenchmarks();
#if !defined(SORVEX_BENCH_DRIVER_FLAGS)
  bench::AddPeerBenchmarks();  // measured once, by the host build's program
#endif
  bench::AddCopies();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
