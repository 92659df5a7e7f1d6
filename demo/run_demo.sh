#!/bin/sh
# The crawler's main job on a bundled set of fixture sites: the fixture web serves them on port
# 80 of a private network namespace whose hosts file names them, the real crawler runs over them
# in a fresh folder, and its result and error files are printed.
#   demo/run_demo.sh <build-dir>
set -e
BUILD=$(cd "${1:-build}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
RUN=$(mktemp -d)
trap 'rm -rf "$RUN"' EXIT
mkdir -p "$RUN/work/c:/Orrastead"
ls "$HERE/sites" > "$RUN/work/c:/Orrastead/DunmereIn.txt"
cat > "$RUN/work/c:/Orrastead/Dunmere.xml" <<CONFIG
<?xml version="1.0" encoding="utf-8" ?>
<config>
<logFile>c:/Orrastead/DunmereLog.txt</logFile>
<inFile>c:/Orrastead/DunmereIn.txt</inFile>
<outFile>c:/Orrastead/DunmereOut.txt</outFile>
<errFile>c:/Orrastead/DunmereErr.txt</errFile>
<numThreads>6</numThreads>
</config>
CONFIG
{ echo "127.0.0.1 localhost"; "$BUILD/tests/fixture_web" --hosts "$HERE/sites"; } > "$RUN/hosts"
echo "nameserver 127.0.0.1" > "$RUN/resolv"
unshare -rnm sh -c '
    ip link set lo up
    mount --bind "$1/hosts" /etc/hosts
    mount --bind "$1/resolv" /etc/resolv.conf
    "$2/tests/fixture_web" "$3/sites" 80 &
    server=$!
    sleep 0.5
    cd "$1/work" && "$2/dunmere"
    kill $server' sh "$RUN" "$BUILD" "$HERE"
echo "== Results (domain|country|state|charset|ad id|title|word vector)"
cat "$RUN/work/c:/Orrastead/DunmereOut.txt"
echo "== Failures"
cat "$RUN/work/c:/Orrastead/DunmereErr.txt"
echo "== Why they failed"
grep "^Failed: " "$RUN/work/c:/Orrastead/DunmereLog.txt" || true
echo "== Log summary"
grep -E "^(Run summary|Failure causes)" "$RUN/work/c:/Orrastead/DunmereLog.txt" || true
cp "$RUN/work/c:/Orrastead/DunmereOut.txt.report.html" "$BUILD/demo-report.html"
echo "== Run report: $BUILD/demo-report.html"
