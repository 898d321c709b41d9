#!/usr/bin/env bash
# Builds the libFuzzer targets (the fuzz preset: clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs them.
# Usage: scripts/fuzz.sh [TARGET|all [SECONDS]]
#   TARGET: registry_file, uninstall_inf, custom_property or session
#   SECONDS: run time of each target (default 600)
# Each target starts from its seed corpus in fuzz/corpus/TARGET and keeps
# what it finds in build/fuzz/corpus/TARGET, so a later run goes on from
# there. A crash, leak or failed check stops the run with a non-zero exit;
# the input that caused it is left in build/fuzz/artifacts/TARGET/.
set -euo pipefail
cd "$(dirname "$0")/.."

all_targets=(registry_file uninstall_inf custom_property session)
which=${1:-all}
seconds=${2:-600}
if [ "$which" = all ]; then
  targets=("${all_targets[@]}")
else
  targets=("$which")
fi

scripts/setup.sh
scripts/setup_reliability.sh
cmake --preset fuzz >/dev/null
build_targets=()
for target in "${targets[@]}"; do build_targets+=("${target}_fuzzer"); done
cmake --build --preset fuzz -j "$(nproc)" --target "${build_targets[@]}"

export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for target in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$target
  artifacts=build/fuzz/artifacts/$target/
  mkdir -p "$corpus" "$artifacts"
  options=(-max_total_time="$seconds" -timeout=60 -rss_limit_mb=4096 -print_final_stats=1
           -artifact_prefix="$artifacts")
  [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
  case "$target" in
    # The driver's pool holds freed blocks back to catch double frees, which
    # makes libFuzzer's per-input leak check run every input twice; these
    # targets check for live pool blocks themselves after every input.
    custom_property|session) options+=(-detect_leaks=0 -max_len=8192) ;;
  esac
  echo "== fuzz $target for ${seconds}s"
  log=build/fuzz/$target.log
  if ! "build/fuzz/fuzz/${target}_fuzzer" "${options[@]}" "$corpus" "fuzz/corpus/$target" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz $target: FAILED (input in $artifacts)" >&2
    exit 1
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)' "$log" | tr '\n' ' '
  echo
done
