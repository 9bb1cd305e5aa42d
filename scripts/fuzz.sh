#!/usr/bin/env bash
# Builds the fuzz harnesses with clang (AddressSanitizer + UBSan, libFuzzer)
# into build-fuzz/ and runs each for SECONDS (default 60), then the monkey
# test of the windows (TAVREL_MONKEY_ACTIONS actions, default 20000, from
# the seeds in TAVREL_MONKEY_SEEDS, default 1,2,3; 0 actions skips it).
#
# The seed corpora and dictionaries are tests/fuzz/corpus/ and
# tests/fuzz/dict/; what the runs add goes to TAVREL_FUZZ_WORK (default
# ~/.cache/tavrel-fuzz), never into the repository. A finding stays there as
# crashes/NAME-crash-… with a .sh beside it that reproduces it. The exit code
# is 1 when any harness or the monkey found something.
#
#   bash scripts/fuzz.sh            # 60 s per harness, 3 × 20,000 monkey actions
#   bash scripts/fuzz.sh 600        # ten minutes per harness
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
EACH=${1:-60}
WORK=${TAVREL_FUZZ_WORK:-${XDG_CACHE_HOME:-$HOME/.cache}/tavrel-fuzz}
ACTIONS=${TAVREL_MONKEY_ACTIONS:-20000}
SEEDS=${TAVREL_MONKEY_SEEDS:-1,2,3}
# TAVREL_FUZZ_SEED fixes libFuzzer's random seed, so that a short run (the
# test script's) retraces the same inputs on every machine.
SEED_OPTION=()
if [ -n "${TAVREL_FUZZ_SEED:-}" ]; then SEED_OPTION=(-seed="$TAVREL_FUZZ_SEED"); fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
if ! dpkg -s clang libclang-rt-14-dev >/dev/null 2>&1; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends clang libclang-rt-14-dev
fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DTAVREL_FUZZ=ON -DCMAKE_BUILD_TYPE= >/dev/null
cmake --build build-fuzz -j"$(nproc)"

# The harnesses write their scratch files with fsync; memory is faster.
if [ -z "${TMPDIR:-}" ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export ASAN_OPTIONS=abort_on_error=1:detect_stack_use_after_return=0:allocator_may_return_null=1
export LSAN_OPTIONS=suppressions=$ROOT/tests/fuzz/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$WORK/crashes" "$WORK/logs"

found=0
declare -A DICT=([register]=register [template]=register [keylabel]=keylabel [settings]=settings
                 [picture]=picture [cli]=cli [csv]=csv)
for name in register template keylabel settings picture cli csv; do
  bin=$ROOT/build-fuzz/tests/fuzz/fuzz_$name
  corpus=$WORK/corpus/$name
  log=$WORK/logs/$name.log
  mkdir -p "$corpus"
  before=$(ls "$WORK/crashes" | wc -l)
  echo "== fuzz_$name for ${EACH}s (log: $log)"
  if ! "$bin" "$corpus" "$ROOT/tests/fuzz/corpus/$name" -dict="$ROOT/tests/fuzz/dict/${DICT[$name]}.dict" "${SEED_OPTION[@]}" \
      -max_total_time="$EACH" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
      -artifact_prefix="$WORK/crashes/$name-" >"$log" 2>&1; then
    found=1
  fi
  grep -E "^#[0-9]+.*(cov|DONE)" "$log" | tail -1 || true
  grep -E "stat::(number_of_executed_units|average_exec_per_sec|new_units_added)" "$log" | tr '\n' ' ' || true
  echo
  if [ "$(ls "$WORK/crashes" | wc -l)" != "$before" ]; then
    found=1
    for crash in "$WORK/crashes/$name"-*; do
      case "$crash" in *.sh) continue ;; esac
      [ -e "$crash.sh" ] && continue
      printf '#!/bin/sh\n# Reproduces a finding of fuzz_%s.\ncd %q\nASAN_OPTIONS=%q LSAN_OPTIONS=%q UBSAN_OPTIONS=%q %q %q\n' \
        "$name" "$ROOT" "$ASAN_OPTIONS" "$LSAN_OPTIONS" "$UBSAN_OPTIONS" "$bin" "$crash" >"$crash.sh"
      chmod +x "$crash.sh"
      echo "   FINDING: $crash (reproduce: sh $crash.sh)"
    done
  fi
done

if [ "$ACTIONS" -gt 0 ]; then
  if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  cmake --build build -j"$(nproc)" --target test_monkey
  echo "== monkey test: $ACTIONS actions from seeds $SEEDS"
  if ! QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 TAVREL_MONKEY_SEEDS=$SEEDS TAVREL_MONKEY_ACTIONS=$ACTIONS \
      build/tests/test_monkey >"$WORK/logs/monkey.log" 2>&1; then
    found=1
    echo "   FINDING: see $WORK/logs/monkey.log"
  fi
  grep -E "^(PASS|FAIL|Totals)" "$WORK/logs/monkey.log" || true
fi
exit $found
