#!/usr/bin/env bash
# Set-up and every test: installs what is missing, builds the sanitizer Debug
# tree (libraries, tools, fuzz replays, benchmarks) and runs ctest.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-packages.sh

build=build/debug
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSEL_SANITIZE=ON >/dev/null
cmake --build "$build"

# Loopback only: tests and peers never reach another address.
export VERANTA_HOST_IP=127.0.0.1
export VERANTA_MULTICAST_IF=127.0.0.1
export QT_QPA_PLATFORM=offscreen
cd "$build"
exec ctest --output-on-failure -j "$(nproc)" "$@"
