#!/usr/bin/env bash
# `make run`: starts the ZAV Manager stand-in on 127.0.0.1 and the client from a demo folder
# whose settings file points at it; the stand-in stops when the client ends.
# Type stand-in commands here while the client runs, e.g. `msg Hello there`, `signal off`.
# The stand-in runs quietly: a poll is shown only when the status it reports changes.
set -euo pipefail
echo "ZAV Remote demo: type 'help' here for the stand-in's commands ('quiet off' shows every poll);" \
    "close the client's window or press Ctrl-C to stop."
build=${1:-build}
demo="$build/demo"
mkdir -p "$demo"
cp -f "$build/bin/zav-remote" "$demo/zav-remote"

ini="$demo/ZAV-Remote.ini"
if [ ! -f "$ini" ]; then
    # Written by the client's own writer, as its Options panel would.
    "$build/bin/zav-write-settings" "$ini" --server 127.0.0.1 --transmit-port 2509 \
        --listen-port 2519 --interval 5
    echo "Wrote $ini (server 127.0.0.1, transmit port 2509, listen port 2519, every 5 s)."
fi

sim=""
cleanup() { [ -n "$sim" ] && kill "$sim" 2>/dev/null || true; }
trap cleanup EXIT

# The stand-in reads this terminal, so its commands can be typed here.
exec 3<&0
"$build/bin/zav-manager-sim" --bind 127.0.0.1 --receive-port 2509 --client-port 2519 --quiet <&3 &
sim=$!
sleep 0.3
if ! kill -0 "$sim" 2>/dev/null; then
    echo "The ZAV Manager stand-in could not start (is port 2509 in use?); the client runs alone."
    sim=""
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    "$demo/zav-remote"
else
    echo "No display found: running the client on a virtual X display (xvfb-run)."
    xvfb-run -a -s "-screen 0 1024x768x24" "$demo/zav-remote"
fi
