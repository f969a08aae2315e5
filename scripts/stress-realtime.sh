#!/usr/bin/env bash
# Runs every test that runs the protocol in real time (CTest label "realtime")
# many times in a row while two busy loops keep both cores of the machine
# busy, and prints how many runs of each test passed. The busy loops end with
# the script, however it ends.
#
# The busy loops run in sessions of their own, as other programs on the
# machine do (a build in another terminal, say); Linux then shares the cores
# between the sessions. With --same-session they share the tests' session,
# the hardest case: there the virtual KORA-1 keeps its answers in time only
# with the real-time priority it takes where the system allows it (root, or
# a real-time priority limit; its log says which it got).
#
# Usage: scripts/stress-realtime.sh [--suite] [--same-session] [--only REGEX] [RUNS]
#   RUNS            runs of each test (default 20)
#   --suite         run the whole default test suite RUNS times instead
#   --same-session  run the busy loops in the tests' own session
#   --only REGEX    only the real-time tests whose names match REGEX (as ctest -R)
# Needs a build in build/default (./test, or cmake --preset default and
# cmake --build --preset default). The output of every failed run is kept in
# build/default/stress-realtime/. Exits 0 only when every run passed.
set -euo pipefail
cd "$(dirname "$0")/.."

suite=0
separate=setsid
runs=20
only=
usage="usage: $0 [--suite] [--same-session] [--only REGEX] [RUNS]"
while [ "$#" -gt 0 ]; do
  case "$1" in
    --suite) suite=1 ;;
    --same-session) separate= ;;
    --only)
      [ "$#" -ge 2 ] && [ -n "$2" ] || { echo "$usage" >&2; exit 2; }
      only=$2
      shift
      ;;
    ''|*[!0-9]*) echo "$usage" >&2; exit 2 ;;
    *) runs=$1 ;;
  esac
  shift
done

build=build/default
if [ ! -f "$build/CTestTestfile.cmake" ]; then
  echo "no build in $build: run ./test, or cmake --preset default && cmake --build --preset default" >&2
  exit 2
fi
logs="$build/stress-realtime"
rm -rf "$logs"
mkdir -p "$logs"

load=()
stop_load() {
  for pid in "${load[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${load[@]}"; do wait "$pid" 2>/dev/null || true; done
  load=()
}
trap stop_load EXIT
trap 'exit 130' INT TERM
for _ in 1 2; do
  # Started from this script, which is no group leader, setsid runs the loop
  # in the same process, so $! is the loop itself.
  $separate bash -c 'while :; do :; done' &
  load+=("$!")
done
where="sessions of their own"
[ -n "$separate" ] || where="this session"
echo "two busy loops running (pids ${load[*]}, $where); $runs runs each"

if [ "$suite" = 1 ]; then
  names=(whole-suite)
else
  select=()
  [ -z "$only" ] || select=(-R "$only")
  mapfile -t names < <(ctest --test-dir "$build" -N -L realtime "${select[@]}" | sed -n 's/^ *Test *#[0-9]*: //p')
  if [ "${#names[@]}" = 0 ]; then
    echo "no test carries the label realtime${only:+ and matches $only}" >&2
    exit 2
  fi
fi

status=0
for name in "${names[@]}"; do
  passed=0
  for ((run = 1; run <= runs; run++)); do
    log="$logs/$name-$run.log"
    if [ "$name" = whole-suite ]; then
      command=(ctest --test-dir "$build" --output-on-failure)
    else
      command=(ctest --test-dir "$build" -R "^$name\$" --output-on-failure)
    fi
    # Run in the background and waited for, so that a signal to this script
    # stops the busy loops at once (the test itself runs to its end).
    "${command[@]}" >"$log" 2>&1 &
    if wait "$!"; then
      passed=$((passed + 1))
      rm -f "$log"
    else
      echo "  $name run $run failed; output in $log"
    fi
  done
  echo "$name: $passed/$runs passed"
  [ "$passed" = "$runs" ] || status=1
done
exit "$status"
