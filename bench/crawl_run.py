"""One run of the throughput benchmark, inside the private network namespace, from the crawler's
working directory: crawl_run.py <dunmere> <fixture_web> <sites> <threads> <delay-ms>.

Starts the fixture server on port 80, runs the crawler, and prints one row of the table. The time
to the first request is when the first connection to port 80 shows in /proc/net/tcp; the server's
request count at the end gives the pages per domain. CPU per domain is also split into user and
system time, and the row ends with the machine's load average, since other work shares it."""
import math
import os
import resource
import subprocess
import sys
import threading
import time

LISTEN = "0A"


def server_connections():
    """Connections to or from port 80 that are not the listening socket."""
    count = 0
    with open("/proc/net/tcp") as table:
        next(table)
        for row in table:
            fields = row.split()
            local, remote, state = fields[1], fields[2], fields[3]
            if state != LISTEN and (local.endswith(":0050") or remote.endswith(":0050")):
                count += 1
    return count


def wait_listening(deadline):
    while time.time() < deadline:
        with open("/proc/net/tcp") as table:
            if any(row.split()[1].endswith(":0050") and row.split()[3] == LISTEN for row in table):
                return True
        time.sleep(0.02)
    return False


def main():
    dunmere, fixture_web, sites, threads, delay_ms = sys.argv[1:6]
    threads, delay = int(threads), int(delay_ms) / 1000.0
    n = sum(1 for _ in open("c:/Orrastead/DunmereIn.txt"))
    server = subprocess.Popen([fixture_web, sites, "80"], stderr=subprocess.PIPE, text=True)
    if not wait_listening(time.time() + 60):
        sys.exit("fixture_web did not start")
    first = []
    ended = threading.Event()
    start = time.time()
    crawler = subprocess.Popen([dunmere], stdout=subprocess.DEVNULL)

    def watch():
        while not ended.is_set() and not first:
            if server_connections() > 0:
                first.append(time.time() - start)
            time.sleep(0.002)

    watcher = threading.Thread(target=watch)
    watcher.start()
    _, _, use = os.wait4(crawler.pid, 0)
    wall = time.time() - start
    ended.set()
    watcher.join()
    server.terminate()
    requests = 0
    for line in server.communicate()[1].splitlines():
        if line.endswith(" requests"):
            requests = int(line.split()[1])
    pages = requests / n
    ideal = n / (math.ceil(n / threads) * pages * delay) if pages > 0 else float("nan")
    rate = n / wall
    print("%7d  %7d  %8.1f  %9.1f  %6.0f%%  %12.2f  %7.2f ms  %5.2f + %4.2f  %8d  %10.2f s  %5.1f" % (
        threads, n, rate, ideal, 100 * rate / ideal, pages, 1000 * (use.ru_utime + use.ru_stime) / n,
        1000 * use.ru_utime / n, 1000 * use.ru_stime / n, use.ru_maxrss // 1024,
        first[0] if first else float("nan"), os.getloadavg()[0]), flush=True)


main()
