#!/usr/bin/env bash
# fuzz/run.sh [-merge] TARGET [SECONDS]: runs one libFuzzer target for
# SECONDS (default 60), starting from its committed corpus in
# fuzz/corpus/TARGET/. The inputs it finds go to a scratch directory that is
# deleted at the end; with -merge, those that add coverage are first copied
# into fuzz/corpus/TARGET/ (named by the SHA-1 of their content), ready to be
# committed. Crashing inputs always land there as crash-*. Installs clang
# when missing.
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

# Run inside a scratch directory: the framework writes its UUID state files
# ("nodeid", "state") into the working directory.
top=$PWD
fuzzer=$top/$build/fuzz/$target-fuzzer
corpus=$top/fuzz/corpus/$target
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/new"
cd "$work"
# libFuzzer reads every directory given and writes what it finds to the
# first one, so the committed corpus is only read.
"$fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$corpus/crash-" new "$corpus"

found=$(find new -type f | wc -l)
if [ "$merge" -eq 0 ]; then
  echo "fuzz/run.sh: $found new inputs found, not kept (run with -merge to keep them)"
  exit 0
fi
before=$(find "$corpus" -type f | wc -l)
"$fuzzer" -merge=1 -artifact_prefix="$corpus/crash-" "$corpus" new
after=$(find "$corpus" -type f | wc -l)
echo "fuzz/run.sh: $found new inputs found, $((after - before)) added to fuzz/corpus/$target/"
