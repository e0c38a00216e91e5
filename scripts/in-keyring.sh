#!/usr/bin/env bash
# Runs a command inside a private D-Bus session with an unlocked gnome-keyring and a throw-away
# HOME, offscreen, the way the test suite runs. Usage: scripts/in-keyring.sh <command> [args...]
set -euo pipefail
export QT_QPA_PLATFORM=offscreen
exec dbus-run-session -- sh -c '
    export HOME="$(mktemp -d)"
    mkdir -p "$HOME/.local/share/keyrings"
    echo any-password | gnome-keyring-daemon --unlock --components=secrets >/dev/null
    exec "$@"' sh "$@"
