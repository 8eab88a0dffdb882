#!/usr/bin/env bash
# Builds and installs vexorin, then runs a short tour of it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
PY=${PYTHON:-python3}
$PY -m pip install -q --no-build-isolation .
$PY examples/tour.py
