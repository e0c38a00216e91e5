#!/bin/sh
# Runs every engine fuzz target for SECONDS (default 60) on a copy of its seed corpus.
# Usage: fuzz/engine/run.sh <fuzz build dir> [seconds]
set -u
build=${1:?fuzz build directory}
seconds=${2:-60}
work=$(mktemp -d)
here=$(cd "$(dirname "$0")" && pwd)
status=0
for t in status log branches stash worktree blame commitfiles refname conflicts filehistory \
    lineinparent; do
    mkdir -p "$work/$t"
    cp "$here/corpus/$t/"* "$work/$t/"
    ASAN_OPTIONS=detect_leaks=0 "$build/fuzz/engine/fuzz_engine_$t" -max_total_time="$seconds" \
        -max_len=4096 -artifact_prefix="$work/crash-$t-" "$work/$t" >"$work/$t.log" 2>&1 ||
        status=1
    echo "$t: $(grep -E '^Done|ERROR' "$work/$t.log" | head -1)"
done
echo "logs and any crash files: $work"
exit $status
