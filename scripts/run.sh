#!/usr/bin/env bash
# Starts the client from a demo folder, talking to the ZAV Manager stand-in on 127.0.0.1.
set -euo pipefail
build=${1:-build}
demo="$build/demo"
mkdir -p "$demo"
cp -f "$build/bin/zav-remote" "$demo/zav-remote"

run_client() {
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        "$@"
    else
        echo "No display found: running on a virtual X display (xvfb-run)."
        xvfb-run -a "$@"
    fi
}

run_client "$demo/zav-remote"
