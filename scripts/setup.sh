#!/usr/bin/env bash
# Installs what building and testing need, when it is missing: Debian's
# compilers and C++ test libraries, and the Python build and test packages.
set -euo pipefail

debs=(g++ cmake ninja-build libgtest-dev libgmock-dev libbenchmark-dev clang-14 libclang-rt-14-dev)
missing=()
for p in "${debs[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi

PY=${PYTHON:-python3}
need_py=()
for m in scikit_build_core numpy pytest scipy; do
  $PY -c "import $m" >/dev/null 2>&1 || need_py+=("$m")
done
if [ ${#need_py[@]} -gt 0 ]; then
  pkgs=("${need_py[@]/scikit_build_core/scikit-build-core}")
  $PY -m pip install -q "${pkgs[@]}"
fi
