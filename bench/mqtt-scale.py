#!/usr/bin/env python3
"""Scale of the MQTT publisher: N simulated meters, N headless loggers and one real mosquitto.

    bench/mqtt-scale.py [--build BUILD_DIR] [--seconds S] N [N ...]

For each N: starts one mosquitto on a free loopback port, N meter simulators (sine wave, one
reading every 500 ms) and N `leakmeter --headless --log FILE --mqtt ...` runs, one per meter,
and one mosquitto_sub on every reading. After a 3 s settle it measures S seconds (default 30):
CPU % and resident memory of each logger, CPU % of the broker, and the readings the broker
passed on. Then it stops the loggers (SIGTERM) and checks that every row of every logger's CSV
arrived exactly once (same meter, time within 50 ms: the row and the message each read the
clock). Prints one table row per N."""

import argparse
import bisect
import collections
import json
import os
import signal
import socket
import subprocess
import sys
import tempfile
import time
from datetime import datetime

HZ = os.sysconf("SC_CLK_TCK")


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def stamp(iso):
    return datetime.fromisoformat(iso).timestamp()


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def wait_for(check, timeout):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if check():
            return True
        time.sleep(0.05)
    return False


def run(build, n, seconds):
    tmp = tempfile.TemporaryDirectory()
    d = tmp.name
    port = free_port()
    with open(f"{d}/mosquitto.conf", "w") as f:
        f.write(f"listener {port} 127.0.0.1\nallow_anonymous true\nuser root\nmax_queued_messages 0\n")
    broker = subprocess.Popen(["mosquitto", "-c", f"{d}/mosquitto.conf"], stderr=subprocess.DEVNULL)

    def accepts():
        try:
            socket.create_connection(("127.0.0.1", port), 0.2).close()
            return True
        except OSError:
            return False

    if not wait_for(accepts, 10):
        sys.exit("mosquitto did not start")
    received = open(f"{d}/received.txt", "w")
    sub = subprocess.Popen(["mosquitto_sub", "-p", str(port), "-q", "1", "-t", "leakmeter/+/reading",
                            "-F", "%t %p"], stdout=received)
    time.sleep(0.5)
    sims, loggers = [], []
    env = dict(os.environ, XDG_CONFIG_HOME=d)
    env.pop("DISPLAY", None)
    for i in range(n):
        link = f"{d}/meter{i}"
        sims.append(subprocess.Popen([f"{build}/tools/leakmeter-sim/leakmeter-sim", "--link", link,
                                      "--wave", "sine"], stdout=subprocess.DEVNULL))
        wait_for(lambda: os.path.exists(link), 5)
        loggers.append(subprocess.Popen(
            [f"{build}/src/app/leakmeter", "--headless", "--port", f"COM1={link}", "--log",
             f"{d}/m{i}.csv", "--mqtt", f"mqtt://127.0.0.1:{port}", "--meter-id", f"m{i}"],
            env=env, stderr=subprocess.DEVNULL))
    time.sleep(3)
    before = {p.pid: cpu_ticks(p.pid) for p in loggers + [broker]}
    lines_before = sum(1 for _ in open(f"{d}/received.txt"))
    start = time.monotonic()
    time.sleep(seconds)
    elapsed = time.monotonic() - start
    cpu = {p.pid: (cpu_ticks(p.pid) - before[p.pid]) / HZ / elapsed * 100 for p in loggers + [broker]}
    rss = [rss_kib(p.pid) for p in loggers]
    received.flush()
    lines_after = sum(1 for _ in open(f"{d}/received.txt"))
    for p in loggers:
        p.send_signal(signal.SIGTERM)
    for p in loggers:
        p.wait(30)
    time.sleep(1)
    sub.terminate()
    sub.wait()
    broker.terminate()
    broker.wait()
    for s in sims:
        s.terminate()
        s.wait()

    # A CSV row and its message take the clock apart: the same reading is a message within 50 ms
    # of the row's time, each message standing for one row.
    sent = collections.defaultdict(list)
    for line in open(f"{d}/received.txt"):
        topic, _, payload = line.partition(" ")
        sent[topic.split("/")[1]].append(json.loads(payload)["time"])
    twice = sum(len(t) - len(set(t)) for t in sent.values())
    rows = 0
    missing = 0
    for i in range(n):
        times = sorted(stamp(t) for t in set(sent[f"m{i}"]))
        with open(f"{d}/m{i}.csv") as f:
            for row in list(f)[1:]:
                rows += 1
                t = stamp(row.split(",")[0])
                j = bisect.bisect_left(times, t - 0.05)
                if j < len(times) and abs(times[j] - t) <= 0.05:
                    del times[j]
                else:
                    missing += 1
    logger_cpu = [cpu[p.pid] for p in loggers]
    print(f"| {n} | {rows} | {missing} | {twice} | {sum(logger_cpu) / n:.2f} (max {max(logger_cpu):.2f})"
          f" | {sum(rss) / n / 1024:.1f} | {cpu[broker.pid]:.2f} | {(lines_after - lines_before) / elapsed:.1f} |",
          flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build")
    parser.add_argument("--seconds", type=float, default=30)
    parser.add_argument("n", type=int, nargs="+")
    a = parser.parse_args()
    print("| N | readings logged | not arrived | arrived twice | logger CPU % | logger RSS MiB |"
          " broker CPU % | readings/s through the broker |")
    print("|---|---|---|---|---|---|---|---|")
    for n in a.n:
        run(a.build, n, a.seconds)


if __name__ == "__main__":
    main()
