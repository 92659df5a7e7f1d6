#!/bin/sh
# The shared queue's rates, inside a private network namespace with a Redis server on loopback:
# --enqueue of a list of L lines, then N fixture domains (each page answered after a delay)
# crawled by one process alone from its input file, by one process from the queue and by three
# processes sharing the queue, each with T threads.
#   bench/queue_rates.sh <build-dir> [lines] [domains] [threads] [delay-ms]
set -e
BUILD=$(cd "${1:-build}" && pwd)
L=${2:-10000000}
N=${3:-3000}
T=${4:-20}
DELAY=${5:-200}
RUN=$(mktemp -d)
trap 'rm -rf "$RUN"' EXIT
mkdir -p "$RUN/sites" "$RUN/redis"
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
awk -v n="$L" 'BEGIN { for (i = 0; i < n; i++) printf "name%d.com\n", i }' > "$RUN/list.txt"
unshare -rnm sh -c '
    RUN=$1 BUILD=$2 N=$3 T=$4 L=$5
    ip link set lo up
    mount --bind "$RUN/hosts" /etc/hosts
    mount --bind "$RUN/resolv" /etc/resolv.conf
    "$BUILD/tests/fixture_web" "$RUN/sites" 80 2>/dev/null &
    web=$!
    redis-server --port 6392 --bind 127.0.0.1 --save "" --appendonly no --dir "$RUN/redis" --logfile "" >/dev/null &
    redis=$!
    sleep 1
    work() {
        rm -rf "$RUN/work" && mkdir -p "$RUN/work/c:/Orrastead"
        cp "$RUN/domains.txt" "$RUN/work/c:/Orrastead/DunmereIn.txt"
        printf "<config><logFile>c:/Orrastead/DunmereLog.txt</logFile><inFile>c:/Orrastead/DunmereIn.txt</inFile><outFile>c:/Orrastead/DunmereOut.txt</outFile><errFile>c:/Orrastead/DunmereErr.txt</errFile><numThreads>$T</numThreads>$1</config>" > "$RUN/work/c:/Orrastead/Dunmere.xml"
        cd "$RUN/work"
    }
    now() { date +%s.%N; }
    rate() { awk -v n="$1" -v a="$2" -v b="$3" "BEGIN { printf \"%.1f\", n / (b - a) }"; }
    work "<queue>redis://127.0.0.1:6392</queue><queueName>big</queueName>"
    a=$(now); "$BUILD/dunmere" --enqueue "$RUN/list.txt"; b=$(now)
    echo "enqueue: $L lines in $(awk -v a=$a -v b=$b "BEGIN { printf \"%.1f\", b - a }") s = $(rate "$L" $a $b) lines/s"
    redis-cli -p 6392 del big >/dev/null
    work ""
    a=$(now); "$BUILD/dunmere"; b=$(now); alone=$(rate "$N" $a $b)
    echo "one process, input file: $alone domains/s"
    work "<queue>redis://127.0.0.1:6392</queue><queueName>one</queueName>"
    "$BUILD/dunmere" --enqueue "$RUN/domains.txt"
    a=$(now); "$BUILD/dunmere"; b=$(now)
    echo "one process, shared queue: $(rate "$N" $a $b) domains/s"
    work "<queue>redis://127.0.0.1:6392</queue><queueName>three</queueName>"
    "$BUILD/dunmere" --enqueue "$RUN/domains.txt"
    a=$(now); "$BUILD/dunmere" & p1=$!; "$BUILD/dunmere" & p2=$!; "$BUILD/dunmere" & p3=$!
    wait $p1 $p2 $p3; b=$(now); three=$(rate "$N" $a $b)
    echo "three processes, shared queue: $three domains/s = $(awk -v t=$three -v o=$alone "BEGIN { printf \"%.0f\", 100 * t / (3 * o) }")% of three alone"
    "$BUILD/dunmere" --status
    kill $web $redis' sh "$RUN" "$BUILD" "$N" "$T" "$L"
