#!/usr/bin/env bash
# fuzz/run.sh [-merge] TARGET [SECONDS]: runs one libFuzzer target for
# SECONDS (default 60), starting from its committed corpus in
# fuzz/corpus/TARGET/. The inputs it finds go to a scratch directory that is
# deleted at the end; with -merge, those that add coverage are first copied
# into fuzz/corpus/TARGET/ (named by the SHA-1 of their content), ready to be
# committed. Crashing inputs always land there as crash-*; so do inputs
# that hang one run past FUZZ_TIMEOUT seconds (default 10; kept as
# timeout-*), that take more than FUZZ_RSS_MB of memory (default 2048; kept
# as oom-*), and inputs with undefined behaviour, which end the run as a
# crash. Installs clang when missing.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: fuzz/run.sh [-merge] TARGET [SECONDS]" >&2
  echo "  -merge  keep the new inputs that add coverage in fuzz/corpus/TARGET/" >&2
  exit 2
}

merge=0
if [ "${1:-}" = -merge ]; then
  merge=1
  shift
fi
[ $# -ge 1 ] && [ $# -le 2 ] || usage
target=$1
seconds=${2:-60}
[ -d "fuzz/corpus/$target" ] || { echo "fuzz/run.sh: no corpus fuzz/corpus/$target" >&2; usage; }

if ! command -v clang++ >/dev/null; then
  sudo=(); [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends clang libclang-rt-dev
fi
tools/install-packages.sh

# One build of the tree at a time: a second run waits for the first one's
# build, then finds its target up to date (or builds its own).
build=build/fuzz
mkdir -p build
(
  flock 9
  CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSEL_FUZZ=ON -DTESSEL_TESTS=OFF -DTESSEL_BENCHMARKS=OFF >/dev/null
  cmake --build "$build" --target "$target-fuzzer"
) 9>build/fuzz.lock

# Run inside a scratch directory, in memory where the system has a place
# for it: the framework writes its UUID state files ("nodeid", "state") and
# the rule engine its state files into the working directory, and some
# targets keep a scratch file in TMPDIR; on a disk each of those writes
# would cost more than the run it belongs to.
top=$PWD
fuzzer=$top/$build/fuzz/$target-fuzzer
corpus=$top/fuzz/corpus/$target
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  work=$(mktemp -d -p /dev/shm)
else
  work=$(mktemp -d)
fi
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work
mkdir "$work/new"
cd "$work"
# libFuzzer reads every directory given and writes what it finds to the
# first one, so the committed corpus is only read.
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
limits=(-timeout="${FUZZ_TIMEOUT:-10}" -rss_limit_mb="${FUZZ_RSS_MB:-2048}")
"$fuzzer" -max_total_time="$seconds" -print_final_stats=1 "${limits[@]}" \
  -artifact_prefix="$corpus/" new "$corpus"

found=$(find new -type f | wc -l)
if [ "$merge" -eq 0 ]; then
  echo "fuzz/run.sh: $found new inputs found, not kept (run with -merge to keep them)"
  exit 0
fi
before=$(find "$corpus" -type f | wc -l)
"$fuzzer" -merge=1 "${limits[@]}" -artifact_prefix="$corpus/" "$corpus" new
after=$(find "$corpus" -type f | wc -l)
echo "fuzz/run.sh: $found new inputs found, $((after - before)) added to fuzz/corpus/$target/"
