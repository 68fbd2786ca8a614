#!/usr/bin/env bash
# Sets up the machine and runs every test of every build. Idempotent: a
# second run rebuilds only what changed.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
bash scripts/setup.sh

JOBS="${JOBS:-$(nproc)}"
FAILED=()

# configure NAME [cmake args...]: configure build/NAME once, then build it.
build() {
  local name="$1"; shift
  local dir="$ROOT/build/$name"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  fi
  cmake --build "$dir" -j "$JOBS"
}

run_ctest() {
  local name="$1"; shift
  echo "=== tests: $name"
  if ! (cd "$ROOT/build/$name" && ctest --output-on-failure -j "$JOBS" "$@"); then
    FAILED+=("$name")
  fi
}

for stage in "$ROOT"/scripts/stages/*.sh; do
  # shellcheck source=/dev/null
  source "$stage"
done

if ((${#FAILED[@]})); then
  echo "FAILED builds: ${FAILED[*]}"
  exit 1
fi
echo "All test suites passed."
