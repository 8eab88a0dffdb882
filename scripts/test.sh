#!/usr/bin/env bash
# Runs every test: the C++ libraries' GoogleTest suites (plain, then under
# AddressSanitizer and UndefinedBehaviorSanitizer), a bounded fuzz run of every
# decoder, and the Python suite against the installed module.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
PY=${PYTHON:-python3}
jobs=$(nproc)
FUZZ_SECONDS=${FUZZ_SECONDS:-30}

echo "== C++ tests"
cmake -S . -B build/test -G Ninja -DVEXORIN_BUILD_TESTS=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/test -j "$jobs"
ctest --test-dir build/test -j "$jobs" --output-on-failure

echo "== C++ tests under ASan and UBSan"
cmake -S . -B build/sanitize -G Ninja -DVEXORIN_BUILD_TESTS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVEXORIN_SANITIZE=address,undefined >/dev/null
cmake --build build/sanitize -j "$jobs"
ctest --test-dir build/sanitize -j "$jobs" --output-on-failure

echo "== fuzzing the decoders (${FUZZ_SECONDS}s each)"
CC=clang-14 CXX=clang++-14 cmake -S . -B build/fuzz -G Ninja -DVEXORIN_BUILD_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fuzz_targets=$(for f in fuzz/*_fuzz.cpp; do basename "$f" .cpp; done)
# shellcheck disable=SC2086
cmake --build build/fuzz -j "$jobs" --target $fuzz_targets
for name in $fuzz_targets; do
  target="build/fuzz/fuzz/$name"
  corpus="build/fuzz/corpus/$(basename "$target")"
  mkdir -p "$corpus"
  "$target" -max_total_time="$FUZZ_SECONDS" -rss_limit_mb=2048 -print_final_stats=0 "$corpus" \
    > "build/fuzz/$(basename "$target").log" 2>&1 || { tail -n 60 "build/fuzz/$(basename "$target").log"; exit 1; }
  echo "$(basename "$target"): no failure in ${FUZZ_SECONDS}s"
done

echo "== Python tests against an ASan/UBSan build of the module"
cmake -S . -B build/sanitize-ext -G Ninja -DVEXORIN_BUILD_EXTENSION=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVEXORIN_SANITIZE=address,undefined >/dev/null
cmake --build build/sanitize-ext -j "$jobs" --target _vexorin _bind_probe _shapes_probe
# The interpreter is not instrumented: the sanitizer runtime must be loaded first.
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  LD_PRELOAD="$(g++ -print-file-name=libasan.so) $(g++ -print-file-name=libstdc++.so)" \
  PYTHONPATH=build/sanitize-ext/python $PY -m pytest -q -p no:cacheprovider tests

echo "== Python tests"
$PY -m pip install -q --no-build-isolation .
$PY -m pytest -q tests
