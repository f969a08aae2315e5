#!/usr/bin/env bash
# Start-up of KORApc to a visible window (mapped and painted once), against a
# bare Qt window with the same widgets (bench_bare_window), timed by
# bench_firstmap on a private Xvfb display. The two are run alternately, A B A B ..., so that a machine that
# gets busier or quieter during the run touches both alike.
#
# Usage: bench/startup.sh [BUILD_DIR] [RUNS] [--no-icons]
#   defaults: build/default 20. --no-icons gives the bare window text-only
#   tool bars (see bench_bare_window.cpp).
# Prints every pair, then the medians and korapc's median over the bare one's.
set -euo pipefail
build="${1:-build/default}"
runs="${2:-20}"
bare_args=("${@:3}")
for program in korapc bench/bench_bare_window bench/bench_firstmap; do
  if [ ! -x "$build/$program" ]; then
    echo "Build $program first: cmake --build $build --target korapc bench_bare_window bench_firstmap" >&2
    exit 1
  fi
done

if [ -z "${KORAPC_BENCH_DISPLAY:-}" ]; then
  # Again, on a display of our own: no desktop's window manager in the way.
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" env KORAPC_BENCH_DISPLAY=1 "$0" "$build" "$runs" "${bare_args[@]}"
fi

# KORApc keeps its files in a folder of this run's own, not the user's.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/run"
mkdir -m 0700 "$XDG_RUNTIME_DIR"

# The time to the first paint; bench_firstmap prints the map's time first.
time_of() { "$build/bench/bench_firstmap" "$@" | awk '{print $2}'; }

# One of each first: the files they load are then in the page cache for all.
time_of "$build/korapc" >/dev/null
time_of "$build/bench/bench_bare_window" "${bare_args[@]}" >/dev/null

korapc_times=()
bare_times=()
for i in $(seq "$runs"); do
  k="$(time_of "$build/korapc")"
  b="$(time_of "$build/bench/bench_bare_window" "${bare_args[@]}")"
  korapc_times+=("$k")
  bare_times+=("$b")
  printf 'run %2d: korapc %7s ms   bare %7s ms\n' "$i" "$k" "$b"
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
mk="$(median "${korapc_times[@]}")"
mb="$(median "${bare_times[@]}")"
echo "median to first paint: korapc $mk ms, bare window $mb ms, ratio $(awk -v k="$mk" -v b="$mb" 'BEGIN {printf "%.2f", k/b}')"
# Other work on the machine stretches korapc, which does more, further than the
# bare window: compare only runs made at a similar, low load.
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
