#!/usr/bin/env bash
# Renders the screenshots that the AppStream metainfo announces into packaging/screenshots: the
# program's own window, drawn offscreen, over two small demo repositories made here.
# Usage: scripts/screenshots.sh [build folder]   (default: build/release)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/release}"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVANE_BUILD_TESTS=OFF
fi
cmake --build "$build" --target tolvane_screenshots

work="$(mktemp -d "${TMPDIR:-/tmp}/tolvane-demo.XXXXXX")"
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" GIT_CONFIG_NOSYSTEM=1
export GIT_CONFIG_GLOBAL="$work/home/.gitconfig" QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_CONFIG_HOME"
git config --global init.defaultBranch main

# Commits dated in the recent past, by two people, so that the history reads like a real one.
step=0
commit() { # <author> <message>
    step=$((step + 1))
    local when
    when="$(date -d "-$((40 - step * 3)) days 10:$((step * 7 % 60)):00" -R)"
    git add -A
    GIT_AUTHOR_NAME="$1" GIT_AUTHOR_EMAIL="$(echo "$1" | tr 'A-Z ' 'a-z.')@example.org" \
        GIT_COMMITTER_NAME="$1" GIT_COMMITTER_EMAIL="$(echo "$1" | tr 'A-Z ' 'a-z.')@example.org" \
        GIT_AUTHOR_DATE="$when" GIT_COMMITTER_DATE="$when" git commit -q -m "$2"
}

mkdir -p "$work/website" && cd "$work/website" && git init -q
printf '<h1>Weather station</h1>\n' > index.html
commit "Maja Berg" "Start the project page"

mkdir -p "$work/weather-station/src" && cd "$work/weather-station" && git init -q
cat > src/sensor.c <<'C'
#include "sensor.h"

int read_temperature(const struct sensor *s)
{
    int raw = sensor_read(s, REG_TEMP);
    return raw / 16;
}

int read_humidity(const struct sensor *s)
{
    return sensor_read(s, REG_HUMIDITY);
}
C
printf 'CFLAGS = -O2 -Wall\n\nstation: src/sensor.o src/main.o\n' > Makefile
printf '# Weather station\n\nReads a sensor every minute.\n' > README.md
commit "Maja Berg" "Read temperature and humidity"
printf '#pragma once\n\nstruct sensor;\nint read_temperature(const struct sensor *s);\n' > src/sensor.h
commit "Jonas Lind" "Add the sensor header"
git checkout -q -b calibration
printf '\nCalibrate with `station --calibrate`.\n' >> README.md
commit "Jonas Lind" "Document calibration"
sed -i 's|return raw / 16;|return (raw + s->offset) / 16;|' src/sensor.c
commit "Jonas Lind" "Apply the calibration offset"
git checkout -q main
printf 'int main(void) { return 0; }\n' > src/main.c
commit "Maja Berg" "Add the main loop"
step=$((step + 1))
GIT_AUTHOR_DATE="$(date -d "-$((40 - step * 3)) days" -R)" \
    GIT_COMMITTER_DATE="$(date -d "-$((40 - step * 3)) days" -R)" \
    GIT_AUTHOR_NAME="Maja Berg" GIT_AUTHOR_EMAIL=maja.berg@example.org \
    GIT_COMMITTER_NAME="Maja Berg" GIT_COMMITTER_EMAIL=maja.berg@example.org \
    git merge -q --no-ff -m "Merge branch 'calibration'" calibration
git tag v1.0
git checkout -q -b fahrenheit
# Uncommitted work: the file the screenshot shows.
sed -i 's|    return (raw + s->offset) / 16;|    int c = (raw + s->offset) / 16;\n    return s->fahrenheit ? c * 9 / 5 + 32 : c;|' src/sensor.c
printf 'Set FAHRENHEIT=1 for degrees Fahrenheit.\n' >> README.md

cd "$root"
"$build/packaging/tolvane_screenshots" "$root/packaging/screenshots" src/sensor.c \
    "$work/website" "$work/weather-station"
