#!/usr/bin/env bash
# Configures and builds Tavrel into build/ (the templates are copied beside
# the executables): every target, or only the targets named.
#
#   scripts/build.sh                      everything: programs, tests, benchmarks
#   scripts/build.sh tavrel tavrel-cli    the two programs
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ $# -gt 0 ]; then
  cmake --build build -j"$(nproc)" --target "$@"
else
  cmake --build build -j"$(nproc)"
fi
