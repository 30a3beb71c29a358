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
# The demo: the name server and two echo agents on loopback, each on a free
# port. A finds B by name through the name server, sends it a text and
# prints B's reply; everything started here is stopped on exit.
pids=()
stop_all() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap stop_all EXIT

# Waits up to five seconds for a line matching $2 in the file $1.
wait_for_line() {
  for _ in $(seq 50); do
    grep -q "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "run.sh: no '$2' in $1" >&2
  return 1
}

../tools/ans-server/ans-server --port 0 >ans-server.out &
pids+=($!)
wait_for_line ans-server.out "listening on"
ans_port=$(sed -n 's/^ans-server listening on //p' ans-server.out)
echo "[ans-server] listening on $ans_port"

../tools/echo-agent/echo-agent -name B -port 0 -ans 127.0.0.1 -ansport "$ans_port" >echo-b.out &
pids+=($!)
wait_for_line echo-b.out "registered"

status=0
../tools/echo-agent/echo-agent -name A -port 0 -ans 127.0.0.1 -ansport "$ans_port" \
  -send B -text "hello from A" "$@" | sed 's/^/[A] /' || status=$?
# B withdraws from the name server when it stops.
kill "${pids[1]}" && wait "${pids[1]}" || true
sed 's/^/[B] /' echo-b.out
exit "$status"
