#!/usr/bin/env bash
# Builds and runs the benchmark program, as the host build and in the
# drivers' configuration (bench/bench_cases.h), then writes the report:
# ratios of ours to the peers and to a plain copy of the same bytes, the
# forms and configurations side by side, as a Markdown table and an SVG
# chart, into bench/results/.
#
# Usage: bench/run.sh [--baseline FILE.json] [extra benchmark flags]
#   --baseline  an earlier run's JSON (e.g. bench/results/before.json); the
#               table then shows that run's times beside this one's.
# Environment: SORVEX_BENCH_BUILD (build dir, default build/bench),
#              SORVEX_BENCH_OUT (results dir, default bench/results).
set -euo pipefail
cd "$(dirname "$0")/.."

baseline=()
if [ "${1:-}" = "--baseline" ]; then
  baseline=(--baseline "$2")
  shift 2
fi

scripts/setup.sh
export SORVEX_TESTDATA="${SORVEX_TESTDATA:-$PWD/testdata}"
scripts/fetch_test_images.sh "$SORVEX_TESTDATA"

build=${SORVEX_BENCH_BUILD:-build/bench}
out=${SORVEX_BENCH_OUT:-bench/results}
# Release: the optimisation a shipped build gets; the drivers keep their own flags.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target sorvex_bench sorvex_bench_driverflags
mkdir -p "$out"

# Five repetitions of every run; the report takes the medians.
run() {
  "$build/bench/$1" \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.2 \
    --benchmark_out="$2" --benchmark_out_format=json "${@:3}"
}
run sorvex_bench "$out/latest.json" "$@"
run sorvex_bench_driverflags "$out/latest_driverflags.json" "$@"

python3 bench/report.py "$out/latest.json" "$out/latest_driverflags.json" --out "$out" "${baseline[@]}"
echo "report: $out/report.md, $out/ratios.svg"
