#!/usr/bin/env bash
# Sets up the machine and runs every test of every build. Idempotent: a
# second run rebuilds only what changed.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
bash scripts/setup.sh

JOBS="${JOBS:-$(nproc)}"
FAILED=()
FAILED_TESTS=()
SECOND_RUNS=()

# configure NAME [cmake args...]: configure build/NAME once, then build it.
build() {
  local name="$1"; shift
  local dir="$ROOT/build/$name"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  fi
  cmake --build "$dir" -j "$JOBS"
}

# ctest_in NAME [ctest args...]: runs build NAME's tests, their output shown
# only for those that fail.
ctest_in() {
  local name="$1"; shift
  (cd "$ROOT/build/$name" && ctest --output-on-failure "$@")
}

# failed_tests NAME: the tests of build NAME that failed in its last ctest run.
failed_tests() {
  local list="$ROOT/build/$1/Testing/Temporary/LastTestsFailed.log"
  [ -f "$list" ] && sed 's/^[0-9]*://' "$list"
}

# failed NAME: build NAME fails the run; its failed tests are named again at
# the end, where a reader of a long run looks first.
failed() {
  FAILED+=("$1")
  while IFS= read -r t; do FAILED_TESTS+=("$1: $t"); done < <(failed_tests "$1")
}

run_ctest() {
  local name="$1"; shift
  echo "=== tests: $name"
  ctest_in "$name" -j "$JOBS" "$@" || failed "$name"
}

# run_ctest_twice NAME: as run_ctest, for tests that drive real windows under
# an emulated system, whose scheduling a busy machine can upset. What fails is
# run once more, alone; the build fails only if something fails again, and
# every test that needed the second run is named at the end.
run_ctest_twice() {
  local name="$1"; shift
  echo "=== tests: $name"
  ctest_in "$name" -j "$JOBS" "$@" && return 0
  local first=()
  while IFS= read -r t; do first+=("$t"); done < <(failed_tests "$name")
  echo "=== tests: $name, the ${#first[@]} failed ones again, one at a time"
  if ctest_in "$name" --rerun-failed "$@"; then
    for t in "${first[@]}"; do SECOND_RUNS+=("$name: $t"); done
  else
    failed "$name"
  fi
}

for stage in "$ROOT"/scripts/stages/*.sh; do
  # shellcheck source=/dev/null
  source "$stage"
done

for t in "${SECOND_RUNS[@]}"; do echo "passed only on a second run: $t"; done
if ((${#FAILED[@]})); then
  for t in "${FAILED_TESTS[@]}"; do echo "FAILED test $t"; done
  echo "FAILED builds: ${FAILED[*]}"
  exit 1
fi
echo "All test suites passed."
