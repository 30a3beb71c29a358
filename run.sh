#!/usr/bin/env bash
# Set-up and the main job: builds the Release tree and runs the demo
# exercise on loopback: the name server, the station (tesselstation) and the
# scripted simulation agent with its bundled scenario. The station registers
# under its -name at start; the simulation agent sets the exercise up,
# starts it, runs the clock from 0 to 960 and ends with mission_complete.
#
# With a display the station's window stays open until it is closed.
# Without one (QT_QPA_PLATFORM=offscreen, the default when DISPLAY is unset)
# the station runs unattended, writes a screenshot of its main window when
# the launch window opens, and is stopped once the exercise is over.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-packages.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSEL_TESTS=OFF -DTESSEL_BENCHMARKS=OFF >/dev/null
cmake --build "$build"

export VERANTA_HOST_IP=127.0.0.1
export VERANTA_MULTICAST_IF=127.0.0.1
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
fi
offscreen=0
[[ "${QT_QPA_PLATFORM:-}" == offscreen* ]] && offscreen=1

# The framework keeps its UUID state files in the working directory.
mkdir -p "$build/run"
cd "$build/run"
rm -f station.png
pids=()
stop_all() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap stop_all EXIT

# Waits up to thirty seconds for a line matching $2 in the file $1.
wait_for_line() {
  for _ in $(seq 300); do
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

station_args=(-name AlphaStation -port 0 -ans 127.0.0.1 -ansport "$ans_port")
if ((offscreen)); then
  station_args+=(-screenshot "$PWD/station.png")
  TESSEL_UNATTENDED=1 ../Tessel/TesselStation/tesselstation "${station_args[@]}" >station.out &
else
  ../Tessel/TesselStation/tesselstation "${station_args[@]}" >station.out &
fi
station=$!
wait_for_line station.out "listening on"
head -n 1 station.out | sed 's/^/[station] /'

status=0
../tools/sim-agent/sim-agent -script ../../../tools/sim-agent/scenarios/demo.script \
  -port 0 -station AlphaStation -ans 127.0.0.1 -ansport "$ans_port" | sed 's/^/[sim-agent] /' || status=$?

if ((offscreen)); then
  kill -TERM "$station"
fi
station_status=0
wait "$station" || station_status=$?
sed -n '2,$p' station.out | sed 's/^/[station] /'
if ((offscreen)); then
  if [[ ! -s station.png ]]; then
    echo "run.sh: no screenshot written" >&2
    status=1
  else
    echo "screenshot: $PWD/station.png"
  fi
fi
((status == 0)) && status=$station_status
exit "$status"
