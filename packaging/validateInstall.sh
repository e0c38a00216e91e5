#!/bin/sh
# Installs a build folder into a throw-away root and checks what a desktop reads from it: the
# program, icons and manual page are there, and the desktop entry and the AppStream metainfo pass
# their validators without a single remark. Usage: validateInstall.sh <build folder>
set -eu
build=$1
here=$(cd "$(dirname "$0")" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
root="$stage/usr"
for file in bin/tolvane \
    share/applications/org.tolvane.Tolvane.desktop \
    share/metainfo/org.tolvane.Tolvane.metainfo.xml \
    share/man/man1/tolvane.1.gz \
    share/icons/hicolor/64x64/apps/org.tolvane.Tolvane.png \
    share/icons/hicolor/256x256/apps/org.tolvane.Tolvane.png; do
    if [ ! -s "$root/$file" ]; then
        echo "not installed: $file"
        exit 1
    fi
done

# desktop-file-validate fails only on errors; its warnings count here too.
remarks=$(desktop-file-validate "$root/share/applications/org.tolvane.Tolvane.desktop" 2>&1) || {
    echo "$remarks"
    exit 1
}
if [ -n "$remarks" ]; then
    echo "$remarks"
    exit 1
fi
appstreamcli validate --no-net --strict "$root/share/metainfo/org.tolvane.Tolvane.metainfo.xml"
# Each screenshot the metainfo announces is kept in the source tree, at the size it states.
grep -o '<image type="source" width="[0-9]*" height="[0-9]*">[^<]*' \
    "$root/share/metainfo/org.tolvane.Tolvane.metainfo.xml" |
    sed 's|.*width="\([0-9]*\)" height="\([0-9]*\)">.*/|\1 \2 |' |
    while read -r width height name; do
        shot="$here/screenshots/$name"
        if ! file "$shot" | grep -q "PNG image data, $width x $height,"; then
            echo "screenshot $name is missing or not $width x $height"
            exit 1
        fi
    done
echo "installed files are valid"
