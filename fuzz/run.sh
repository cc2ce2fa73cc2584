#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer in their own build folder and runs each of them.
# Usage: fuzz/run.sh SECONDS        (each target runs for SECONDS)
#   ZF_FUZZ_BUILD_DIR   build folder (default: build-fuzz)
#   ZF_FUZZ_JOBS        parallel fuzzing processes per target (default: 1)
set -euo pipefail
seconds=${1:?usage: fuzz/run.sh SECONDS}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${ZF_FUZZ_BUILD_DIR:-$root/build-fuzz}")  # absolute: the targets change folder
jobs=${ZF_FUZZ_JOBS:-1}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZF_BUILD_FUZZ=ON -DZF_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target fuzz_package fuzz_xml fuzz_field_level fuzz_field_balls fuzz_profiles fuzz_hiscores fuzz_dialog

export XDG_DATA_HOME="$build/fuzz-home"
# undefined behaviour stops the run like a crash, and its input is kept
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
mkdir -p "$XDG_DATA_HOME"
status=0
for target in package xml field_level field_balls profiles hiscores dialog; do
  corpus="$build/fuzz-corpus/$target"
  mkdir -p "$corpus" "$build/fuzz-crashes/$target"
  echo "== fuzz_$target for ${seconds}s"
  parallel=()
  [ "$jobs" -gt 1 ] && parallel=(-jobs="$jobs" -workers="$jobs")
  dict=()
  [ -f "$root/fuzz/$target.dict" ] && dict=(-dict="$root/fuzz/$target.dict")
  if ! "$build/fuzz/fuzz_$target" "$corpus" "$root/fuzz/seeds/$target" "${dict[@]}" \
        -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
        "${parallel[@]}" \
        -artifact_prefix="$build/fuzz-crashes/$target/" -print_final_stats=1; then
    echo "fuzz_$target found a problem; see $build/fuzz-crashes/$target/"
    status=1
  fi
done
exit $status
