#!/usr/bin/env bash
# Configures and builds Tavrel into build/ (the templates are copied beside
# the executables).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
