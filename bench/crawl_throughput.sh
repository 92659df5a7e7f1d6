#!/bin/sh
# Crawl throughput: N fixture domains whose server answers each page after a fixed delay, crawled
# with 6 and with 124 threads inside a private network namespace. Prints domains per second, the
# ideal rate (threads / time per domain), CPU seconds per domain and the crawler's peak memory.
#   bench/crawl_throughput.sh <build-dir> [domains] [delay-ms]
set -e
BUILD=$(cd "${1:-build}" && pwd)
N=${2:-1000}
DELAY=${3:-200}
RUN=$(mktemp -d)
trap 'rm -rf "$RUN"' EXIT
mkdir -p "$RUN/sites"
i=0
while [ $i -lt "$N" ]; do
    d="$RUN/sites/site$i.com"
    mkdir -p "$d"
    printf '<html><head><title>Site %s</title></head><body><p>Plain words of site %s.</p></body></html>\n' $i $i > "$d/index.html"
    printf 'delay / %s\n' "$DELAY" > "$d/_site.conf"
    i=$((i + 1))
done
{ echo "127.0.0.1 localhost"; "$BUILD/tests/fixture_web" --hosts "$RUN/sites"; } > "$RUN/hosts"
echo "nameserver 127.0.0.1" > "$RUN/resolv"
ls "$RUN/sites" > "$RUN/domains.txt"
for THREADS in 6 124; do
    rm -rf "$RUN/work" && mkdir -p "$RUN/work/c:/Orrastead"
    cp "$RUN/domains.txt" "$RUN/work/c:/Orrastead/DunmereIn.txt"
    printf '<config><logFile>c:/Orrastead/DunmereLog.txt</logFile><inFile>c:/Orrastead/DunmereIn.txt</inFile><outFile>c:/Orrastead/DunmereOut.txt</outFile><errFile>c:/Orrastead/DunmereErr.txt</errFile><numThreads>%s</numThreads></config>' $THREADS > "$RUN/work/c:/Orrastead/Dunmere.xml"
    unshare -rnm sh -c '
        ip link set lo up
        mount --bind "$1/hosts" /etc/hosts
        mount --bind "$1/resolv" /etc/resolv.conf
        "$2/tests/fixture_web" "$1/sites" 80 2>/dev/null &
        server=$!
        sleep 0.5
        cd "$1/work" && python3 -c "
import resource, subprocess, sys, time
start = time.time()
subprocess.run([sys.argv[1]])
wall = time.time() - start
use = resource.getrusage(resource.RUSAGE_CHILDREN)
n, threads, delay = int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]) / 1000.0
done = sum(1 for _ in open(\"c:/Orrastead/DunmereOut.txt\"))
print(\"threads %4d: %d domains (%d results) in %.1f s = %.1f domains/s; ideal %.1f domains/s; \"
      \"%.4f CPU s per domain; peak memory %d MiB\" % (threads, n, done, wall, n / wall, threads / delay,
      (use.ru_utime + use.ru_stime) / n, use.ru_maxrss // 1024))
" "$2/dunmere" "$3" "$4" "$5"
        kill $server' sh "$RUN" "$BUILD" "$N" "$THREADS" "$DELAY"
done
