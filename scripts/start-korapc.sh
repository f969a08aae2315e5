#!/usr/bin/env bash
# Starts KORApc from a build folder. When no instrument is attached (no USB or
# ACM serial adapter present) the virtual KORA-1 is started first, and stopped
# again when KORApc exits. Its link and log live in the user's private runtime
# folder ($XDG_RUNTIME_DIR, or /tmp/korapc-UID with mode 0700), so that every
# user on the machine has a virtual KORA-1 of their own.
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

virtualkora="$build/tools/virtualkora"
if ! compgen -G "/dev/ttyUSB*" >/dev/null && ! compgen -G "/dev/ttyACM*" >/dev/null \
   && [ -x "$virtualkora" ]; then
  if folder="$("$virtualkora" --runtime-folder)"; then
    link="${folder}ttyKORA1"
    log="${folder}virtualkora.log"
    "$virtualkora" --link "$link" >"$log" 2>&1 &
    virtual_pid=$!
    for _ in $(seq 50); do [ -L "$link" ] && break; sleep 0.1; done
    echo "No instrument attached: the virtual KORA-1 listens on $link"
    echo "  Pick $link on the Settings tab to program it."
    echo "  Its log: $log"
  else
    echo "No instrument attached, and the virtual KORA-1 has no private folder to link in." >&2
  fi
fi

"$build/korapc"
