#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test, then each fuzz
# harness for 20 seconds from a fixed seed (scripts/fuzz.sh; the monkey test already ran in
# the suite). The print tests go through a real print system: a CUPS
# scheduler with a PDF queue is started for the run (scripts/cups-queue.sh)
# and stopped afterwards. The test installed_layout installs the build into
# a temporary prefix and checks the installed programs and desktop files
# (scripts/check-install.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-packages.sh all
bash scripts/build.sh
# shellcheck source=cups-queue.sh
trap 'tavrel_cups_stop' EXIT
source scripts/cups-queue.sh start || echo "test.sh: no print queue; the tests through CUPS will say so"
ctest --test-dir build --output-on-failure -j2
TAVREL_FUZZ_SEED=1 TAVREL_MONKEY_ACTIONS=0 bash scripts/fuzz.sh 20
