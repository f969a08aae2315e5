#!/usr/bin/env bash
# Starts KORApc from a build folder. When no instrument is attached (no USB or
# ACM serial adapter present) the virtual KORA-1 is started first, and stopped
# again when KORApc exits.
set -uo pipefail
build="${1:-build/default}"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No desktop display found. Run ./run from a desktop session, or try: xvfb-run ./run" >&2
  exit 1
fi

virtual_pid=""
cleanup() {
  if [ -n "$virtual_pid" ]; then
    kill "$virtual_pid" 2>/dev/null
    wait "$virtual_pid" 2>/dev/null
  fi
}
trap cleanup EXIT

if ! compgen -G "/dev/ttyUSB*" >/dev/null && ! compgen -G "/dev/ttyACM*" >/dev/null \
   && [ -x "$build/tools/virtualkora" ]; then
  log="${XDG_RUNTIME_DIR:-/tmp}/virtualkora.log"
  "$build/tools/virtualkora" >"$log" 2>&1 &
  virtual_pid=$!
  for _ in $(seq 50); do [ -e /tmp/ttyKORA1 ] && break; sleep 0.1; done
  echo "No instrument attached: the virtual KORA-1 listens on /tmp/ttyKORA1 (log: $log)."
  echo "Pick /tmp/ttyKORA1 on the Settings tab to program it."
fi

"$build/korapc"
