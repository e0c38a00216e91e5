#!/usr/bin/env bash
# Installs what is missing, builds Debug with AddressSanitizer and UndefinedBehaviorSanitizer, and
# runs the whole test suite offscreen inside a private D-Bus session with a real gnome-keyring.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/test"

"$root/scripts/ensure-deps.sh"
"$root/scripts/ensure-locale.sh"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_SANITIZE=ON \
        -DTOLVANE_BUILD_TESTS=ON
fi
cmake --build "$build"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

cd "$build"
# One test at a time: the programs share the session's keyring, and several of them store and
# delete the one token.
exec "$root/scripts/in-keyring.sh" ctest --output-on-failure --timeout 900
