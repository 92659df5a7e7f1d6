#!/bin/sh
# Crawl throughput on realistic fixture sites, inside a private network namespace (loopback only).
# Each site has a home page of 10-60 KB with links, an about and a contact page (some with a
# street address and a telephone number), some in a legacy charset; the server answers every page
# after a fixed delay. For 6, 25 and 124 threads, with 50 domains per thread, it prints the rate,
# the ideal rate N / (ceil(N / threads) x pages per domain x delay) with pages per domain counted
# from the server's requests, the percent of ideal, CPU per domain, the crawler's peak memory and
# the time from its start to the first connection to the server, with CPU per domain split into user
# and system time and the load average at the end of the run.
#   bench/crawl_throughput.sh <build-dir> [delay-ms] [domains-per-thread]
# FIXTURE_WEB=<binary> serves the sites with another build's fixture server. The sites' names are
# answered by a name server on loopback (bench/fixture_dns), as real crawls are answered by DNS;
# HOSTS_FILE=1 lists them in /etc/hosts instead, as earlier runs of this script did.
set -e
HERE=$(cd "$(dirname "$0")" && pwd)
BUILD=$(cd "${1:-build}" && pwd)
DELAY=${2:-200}
PER_THREAD=${3:-50}
SERVER=${FIXTURE_WEB:-$BUILD/tests/fixture_web}
RUN=$(mktemp -d)
trap 'rm -rf "$RUN"' EXIT
python3 "$HERE/crawl_sites.py" "$RUN/sites" $((124 * PER_THREAD)) "$DELAY"
"$SERVER" --hosts "$RUN/sites" > "$RUN/names"
DNS=${FIXTURE_DNS:-$BUILD/bench/fixture_dns}
if [ -n "$HOSTS_FILE" ]; then
    { echo "127.0.0.1 localhost"; cat "$RUN/names"; } > "$RUN/hosts"
    DNS=true
else
    echo "127.0.0.1 localhost" > "$RUN/hosts"
fi
echo "nameserver 127.0.0.1" > "$RUN/resolv"
echo "threads  domains  rate d/s  ideal d/s  % ideal  pages/domain  CPU/domain  user + sys  peak MiB  first request  load"
for THREADS in 6 25 124; do
    rm -rf "$RUN/work" && mkdir -p "$RUN/work/c:/Orrastead"
    ls "$RUN/sites" | head -n $((THREADS * PER_THREAD)) > "$RUN/work/c:/Orrastead/DunmereIn.txt"
    printf '<config><logFile>c:/Orrastead/DunmereLog.txt</logFile><inFile>c:/Orrastead/DunmereIn.txt</inFile><outFile>c:/Orrastead/DunmereOut.txt</outFile><errFile>c:/Orrastead/DunmereErr.txt</errFile><numThreads>%s</numThreads></config>' \
        "$THREADS" > "$RUN/work/c:/Orrastead/Dunmere.xml"
    unshare -rnm sh -c '
        ip link set lo up
        mount --bind "$1/hosts" /etc/hosts
        mount --bind "$1/resolv" /etc/resolv.conf
        "$7" "$1/names" & DNS_PID=$!
        trap "kill $DNS_PID 2>/dev/null" EXIT
        cd "$1/work" && python3 "$2/crawl_run.py" "$3" "$4" "$1/sites" "$5" "$6"
    ' sh "$RUN" "$HERE" "$BUILD/dunmere" "$SERVER" "$THREADS" "$DELAY" "$DNS"
done
