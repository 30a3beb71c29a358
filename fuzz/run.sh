#!/usr/bin/env bash
# fuzz/run.sh TARGET SECONDS: runs one libFuzzer target for SECONDS, starting
# from (and adding to) its committed corpus. Installs clang when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: fuzz/run.sh TARGET SECONDS}
seconds=${2:-60}

if ! command -v clang++ >/dev/null; then
  sudo=(); [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends clang libclang-rt-dev
fi
tools/install-packages.sh

build=build/fuzz
CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESSEL_FUZZ=ON -DTESSEL_TESTS=OFF -DTESSEL_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target "$target-fuzzer"

# Run inside a scratch directory: the framework writes its UUID state files
# ("nodeid", "state") into the working directory.
top=$PWD
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"
cp fuzz/corpus/"$target"/* "$work/corpus/"
cd "$work"
"$top/$build/fuzz/$target-fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$top/fuzz/corpus/$target/crash-" corpus
