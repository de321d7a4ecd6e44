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
    {
        printf "'\n'         ZAV Remote 2002 INI Settings File\n"
        printf "'         ---------------------------------\n"
        printf "'         ZAV Remote 2002, a remote control client for ZAV Manager\n'\n'\n"
        printf "' This file contains settings for ZAV Remote...\n"
        printf "' you should not need to edit it manually!\n'\n'\n'\n'\n"
        printf "' The following line contains the Remote Receive port:\n2519\n'\n"
        printf "' The following line contains the Remote Transmit port:\n2509\n'\n'\n"
        printf "' The following line contains the Window Left Position:\n1500\n'\n"
        printf "' The following line contains the Window Top Position:\n1500\n'\n'\n"
        printf "' The following line contains the Save Window Position on Exit option:\nTrue\n'\n'\n"
        printf "' The following line contains the ZAV Manager Server IP Address:\n127.0.0.1\n'\n'\n"
        printf "' The following line contains the Startup in Mini-Mode option:\nFalse\n'\n'\n"
        printf "' The following line contains the Startup in System Tray option:\nFalse\n'\n'\n"
        printf "' The following line contains the Status update interval in secs (min 5 ~ max 60):\n5\n'\n'\n'\n"
        printf "' Date INI last modified:\n'%s\n" "$(date +%x)"
    } | sed 's/$/\r/' > "$ini"
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
