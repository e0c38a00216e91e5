#!/usr/bin/env bash
# Installs what is missing, builds a Release build, and starts Tolvane. Without a display it runs
# on a virtual X display (Xvfb).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/release"

"$root/scripts/ensure-deps.sh"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVANE_BUILD_TESTS=OFF
fi
cmake --build "$build" --target tolvane

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting Tolvane on a virtual X display (Xvfb)."
    exec xvfb-run -a -s "-screen 0 1440x900x24" "$build/tolvane"
fi
exec "$build/tolvane"
