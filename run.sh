#!/usr/bin/env bash
# Set-up and the main job: builds the Release tree and runs the demo.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-packages.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSEL_TESTS=OFF -DTESSEL_BENCHMARKS=OFF >/dev/null
cmake --build "$build"

export VERANTA_HOST_IP=127.0.0.1
export VERANTA_MULTICAST_IF=127.0.0.1
# The framework keeps its UUID state files in the working directory.
mkdir -p "$build/run"
cd "$build/run"
exec ../tools/toolwick-demo/toolwick-demo -name demo -port 6678 "$@"
