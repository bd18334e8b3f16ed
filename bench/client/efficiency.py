#!/usr/bin/env python3
"""Efficiency of the distributed build: K workers build 40 independent targets
whose command sleeps 0.2 s; efficiency = 40 x 0.2 s / (K x wall time).

Workers: the server's in-process client always builds (no setting switches it
off), so it is counted. K workers are the `bramle -B` server with its
in-process client plus K - 1 resident clients (`bramle -R`), each on a host of
its own: network namespaces on a bridge that this script makes (10.77.0.x,
reachable from nowhere else), each with its own host name, settings and
temporary folder, all working in one shared folder. The wall time runs from
the server's start to its end: loading, the announcement, the connects and
the closing of every build phase count. Beside it, in the same run and on the
same host, the same makefile built locally with `bramle -J K` and
`make -r -j K`.

Needs root. Every wait is bounded; the namespaces, the folder and the
processes it started (by their ids) go at the end, also on failure:

    sudo python3 bench/client/efficiency.py [--repeat 5] [--bramle build/linux/bramle]
"""

import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.dirname(os.path.dirname(HERE))
TARGETS = 40
SLEEP = 0.2
WORKERS = (1, 2, 4)
HOSTS = ("srv", "hostb", "hostc", "hostd")
UDP_PORT = 4311
LIMIT = 120  # seconds for any one wait

# Inside a host's namespaces: its name, the cluster's names (nothing is
# looked up outside), its folder, then the program.
HOST_SHELL = ('hostname "$1" && mount --bind "$2" /etc/hosts && mount --bind "$3" /etc/resolv.conf '
              '&& cd "$4" && shift 4 && exec "$@"')



def stop_process(process):
    """Ends a process started here, by its id: the stop request first."""
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout=LIMIT)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()

class Cluster:
    def __init__(self, root):
        self.root = root
        self.shared = os.path.join(root, "shared")
        self.prefix = f"bef{os.getpid()}"
        self.namespaces = []
        self.processes = []
        os.makedirs(self.shared)
        with open(os.path.join(root, "hosts"), "w") as hosts:
            hosts.write("127.0.0.1 localhost\n" + "".join(f"{self.address(i)} {h}\n" for i, h in enumerate(HOSTS)))
        open(os.path.join(root, "resolv.conf"), "w").close()
        bridge = self.namespace("switch")
        self.setup(f"ip netns add {bridge}")
        self.namespaces.append(bridge)
        self.setup(f"ip -n {bridge} link add br0 type bridge")
        self.setup(f"ip -n {bridge} link set br0 up")
        for i, host in enumerate(HOSTS):
            ns = self.namespace(host)
            for sub in ("tmp", "config/bramle"):
                os.makedirs(os.path.join(root, host, sub))
            self.setup(f"ip netns add {ns}")
            self.namespaces.append(ns)
            self.setup(f"ip -n {ns} link set lo up")
            self.setup(f"ip -n {bridge} link add port{i} type veth peer name eth0 netns {ns}")
            self.setup(f"ip -n {bridge} link set port{i} master br0 up")
            self.setup(f"ip -n {ns} addr add {self.address(i)}/24 dev eth0")
            self.setup(f"ip -n {ns} link set eth0 up")
            self.setup(f"ip -n {ns} route add 255.255.255.255/32 dev eth0 src {self.address(i)}")

    @staticmethod
    def address(host):
        return f"10.77.0.{host + 1}"

    def namespace(self, part):
        return self.prefix + part

    @staticmethod
    def setup(line):
        subprocess.run(line.split(), check=True, capture_output=True, timeout=LIMIT)

    def start(self, host, arguments, output):
        """Starts `arguments` on host number `host` in the shared folder."""
        name = HOSTS[host]
        home = os.path.join(self.root, name)
        environment = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        environment.update(XDG_CONFIG_HOME=os.path.join(home, "config"), TMPDIR=os.path.join(home, "tmp"))
        command = ["ip", "netns", "exec", self.namespace(name), "unshare", "-u", "-m", "sh", "-c", HOST_SHELL, "sh",
                   name, os.path.join(self.root, "hosts"), os.path.join(self.root, "resolv.conf"), self.shared]
        process = subprocess.Popen(command + arguments, env=environment, stdin=subprocess.DEVNULL, stdout=output,
                                   stderr=subprocess.STDOUT)
        self.processes.append(process)
        return process

    def listening(self, host):
        """Whether a process on the host listens for announcements."""
        udp = subprocess.run(["ip", "netns", "exec", self.namespace(HOSTS[host]), "cat", "/proc/net/udp"],
                             capture_output=True, text=True, timeout=LIMIT).stdout
        return f":{UDP_PORT:04X} " in udp

    def stop(self, process):
        stop_process(process)

    def close(self):
        for process in self.processes:
            self.stop(process)
        for ns in reversed(self.namespaces):
            subprocess.run(["ip", "netns", "del", ns], capture_output=True, timeout=LIMIT)


def target_rules(names, command, needs=""):
    """One rule per name: it needs `needs` and runs `command`."""
    after = f" {needs}" if needs else ""
    return "".join(f"{name}:{after}\n\t{command}\n" for name in names)


def sleeper_names():
    """The TARGETS targets whose command sleeps."""
    return [f"t{i:02d}" for i in range(1, TARGETS + 1)]


def wait_until(condition, what):
    deadline = time.monotonic() + LIMIT
    while not condition():
        if time.monotonic() > deadline:
            sys.exit(f"gave up waiting: {what}")
        time.sleep(0.01)


def timed(cluster, arguments, log):
    """Wall seconds of one run on the server host; its output goes to `log`."""
    with open(log, "wb") as output:
        start = time.perf_counter()
        process = cluster.start(0, arguments, output)
        try:
            code = process.wait(timeout=LIMIT)
        except subprocess.TimeoutExpired:
            cluster.stop(process)
            code = "timeout"
        wall = time.perf_counter() - start
    if code != 0:
        with open(log, errors="replace") as text:
            sys.exit(f"{' '.join(arguments)} ended with {code}:\n{text.read()[-3000:]}")
    return wall


def builders(log):
    """How many targets each worker built, from the server's lines."""
    with open(log, encoding="utf-8", errors="replace") as text:
        lines = [line for line in text if "をビルド中...(" in line]
    counts = {}
    for line in lines:
        name = line.rsplit("(", 1)[1].rstrip(")\n")
        counts[name] = counts.get(name, 0) + 1
    return counts


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--repeat", type=int, default=5)
    # --sleep 0 leaves only what the tools add; --workers 4 measures one K.
    parser.add_argument("--sleep", type=float, default=SLEEP)
    parser.add_argument("--workers", type=int, nargs="+", default=WORKERS)
    parser.add_argument("--bramle", default=os.path.join(SOURCE_DIR, "build", "linux", "bramle"))
    args = parser.parse_args()
    if os.geteuid() != 0:
        sys.exit("network namespaces need root")
    bramle = os.path.abspath(args.bramle)
    commit = subprocess.run(["git", "-C", SOURCE_DIR, "rev-parse", "--short", "HEAD"], capture_output=True,
                            text=True).stdout.strip()
    load_before = subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip()

    names = sleeper_names()
    sleep = args.sleep
    walls = {(k, tool): [] for k in args.workers for tool in ("remote", "bramle", "make")}
    shares = {}
    root = tempfile.mkdtemp(prefix="bramle_efficiency_")
    cluster = None
    try:
        cluster = Cluster(root)
        with open(os.path.join(cluster.shared, "Makefile"), "w") as makefile:
            makefile.write("all: " + " ".join(names) + "\n" + target_rules(names, f"sleep {sleep}"))
        log = os.path.join(root, "run.log")
        for k in args.workers:
            clients = []
            for host in range(1, k):
                with open(os.path.join(root, HOSTS[host] + ".log"), "wb") as output:
                    clients.append(cluster.start(host, [bramle, "-R"], output))
            for _ in range(args.repeat):
                for host in range(1, k):
                    wait_until(lambda: cluster.listening(host), f"{HOSTS[host]} listening")
                walls[(k, "remote")].append(timed(cluster, [bramle, "-B"], log))
                shares[k] = sorted(builders(log).values(), reverse=True)
                if len(shares[k]) != k:
                    sys.exit(f"K = {k}: the targets went to {builders(log)}")
                walls[(k, "bramle")].append(timed(cluster, [bramle, f"-J{k}"], log))
                walls[(k, "make")].append(timed(cluster, ["make", "-r", f"-j{k}"], log))
            for client in clients:
                cluster.stop(client)
    finally:
        if cluster:
            cluster.close()
        shutil.rmtree(root, ignore_errors=True)
    load_after = subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip()

    print(f"commit {commit}; {TARGETS} targets of `sleep {sleep}`; medians of {args.repeat} runs")
    print(f"load before: {load_before}\nload after:  {load_after}\n")
    runs = []
    print("| K | ideal (s) | bramle -B (s) | efficiency | targets per worker | bramle -J K (s) | efficiency "
          "| make -r -j K (s) | efficiency |")
    print("|---:|---:|---:|---:|---|---:|---:|---:|---:|")
    for k in args.workers:
        ideal = TARGETS * sleep / k
        cells = []
        for tool in ("remote", "bramle", "make"):
            wall = statistics.median(walls[(k, tool)])
            cells.append(f"{wall:.2f} | {ideal / wall:.1%}")
            runs.append(f"{tool} K={k}: " + " ".join(f"{w:.2f}" for w in walls[(k, tool)]))
            if tool == "remote":
                cells.append("/".join(map(str, shares[k])))
        print(f"| {k} | {ideal:.2f} | " + " | ".join(cells) + " |")
    print("\nEvery run (s):\n\n" + "\n".join(f"    {line}" for line in runs))


if __name__ == "__main__":
    main()
