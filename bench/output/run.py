#!/usr/bin/env python3
"""A command printing 100 MB: its time and the peak memory of the tools.

  - local: bramle against GNU make on the same makefile, the output sent
    to /dev/null and to a file; short lines (`yes`, 2 bytes each) and
    100-byte lines (`cat` of a file); -J2 (the target's output is held
    until the target ends) beside -J1;
  - -B: a server (host srv) and one resident client (host cli), two network
    namespaces of the script's own making joined by a veth pair (as root,
    with ip and unshare; skipped otherwise), beside a local run on srv. The
    100 MB target is built by the resident client (its partner target, on
    the server's in-process client, prints nothing); the client's peak
    memory is read from /proc while it still runs.
A peak is that of the largest process among the command and what it
started (GNU time's figure; without /usr/bin/time the figure never reads
below this script's own, about 17 MB, as a child starts as a copy of it).
Each figure is the median of --repeat runs, the tools taking turns, so that
load from elsewhere weighs on each alike. Build first:

    cmake --preset linux && cmake --build --preset linux
    python3 bench/output/run.py [--repeat 5] [--bramle build/linux/bramle]
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.dirname(os.path.dirname(HERE))
MEGABYTES = 100 * 1000 * 1000
LINE = "x" * 99
STARTED = "Bramle 常駐完了"  # the resident client's "started" line


TIME = shutil.which("time", path="/usr/bin")


def run(command, env=None, cwd=None, output="/dev/null"):
    """Wall seconds and peak resident set (MB) of one run. GNU time, where
    it is there, reads the peak of the command alone; else the rusage of
    the child reads no lower than this script's own peak."""
    report = os.path.join(tempfile.gettempdir(), f"bramle-output-bench-{os.getpid()}.time")
    if TIME:
        command = [TIME, "-f", "%M", "-o", report] + command
    with open(output, "wb") as out:
        start = time.perf_counter()
        process = subprocess.Popen(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT, env=env)
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{' '.join(command)} failed ({os.waitstatus_to_exitcode(status)}) in {cwd}")
    peak = usage.ru_maxrss
    if TIME:
        with open(report) as text:
            peak = int(text.read().split()[-1])
        os.remove(report)
    return wall, peak / 1024


def write_makefiles(base):
    """One makefile per command; its target is never made."""
    # Written in parts: what this script holds, every child it starts
    # counts as its own peak memory.
    with open(os.path.join(base, "lines.txt"), "w") as text:
        for _ in range(100):
            text.write((LINE + "\n") * (MEGABYTES // 100 // 100))
    commands = {"yes": f"yes | head -c {MEGABYTES}", "cat": "cat lines.txt"}
    for name, command in commands.items():
        with open(os.path.join(base, f"{name}.mk"), "w") as makefile:
            makefile.write(f"out:\n\t{command}\n")
    return list(commands)


def local_table(bramle, base, repeat):
    rows = []
    for name in write_makefiles(base):
        for sink in ("/dev/null", os.path.join(base, "out.txt")):
            runs = [("make", ["make", "-s", "-f", f"{name}.mk"]),
                    ("bramle", [bramle, "-F", f"{name}.mk"]),
                    ("bramle -J2", [bramle, "-J2", "-F", f"{name}.mk"])]
            figures = {tool: [] for tool, _ in runs}
            for _ in range(repeat):
                for tool, command in runs:
                    figures[tool].append(run(command, cwd=base, output=sink))
            make_wall = statistics.median(wall for wall, _ in figures["make"])
            for tool, _ in runs:
                wall = statistics.median(w for w, _ in figures[tool])
                peak = max(p for _, p in figures[tool])
                rows.append((name, "/dev/null" if sink == "/dev/null" else "file", tool, wall, wall / make_wall, peak))
    return rows


def print_local(rows):
    print("| command | output to | tool | wall s (median) | × make | peak MB |")
    print("|---|---|---|---|---|---|")
    for name, sink, tool, wall, ratio, peak in rows:
        command = f"yes \\| head -c {MEGABYTES}" if name == "yes" else "cat (100-byte lines)"
        print(f"| {command} | {sink} | {tool} | {wall:.3f} | {ratio:.2f} | {peak:.1f} |")


DISTRIBUTED_MAKEFILE = """all: a b
a:
\tsh -c "echo a > ab.fifo; cat ba.fifo > /dev/null"
\t{print}
b:
\tsh -c "cat ab.fifo > /dev/null; echo b > ba.fifo"
\t{print}
"""


def namespaces(prefix, commands):
    """Runs the `ip` commands that make or remove the two hosts."""
    for command in commands:
        subprocess.run(["ip"] + command.replace("@", prefix).split(), check=True, stderr=subprocess.DEVNULL)


HOSTS = ["netns add @srv", "netns add @cli", "link add v0 netns @srv type veth peer name v1 netns @cli",
         "-n @srv addr add 10.78.0.1/24 dev v0", "-n @cli addr add 10.78.0.2/24 dev v1",
         "-n @srv link set lo up", "-n @cli link set lo up", "-n @srv link set v0 up", "-n @cli link set v1 up",
         "-n @srv route add 255.255.255.255/32 dev v0 src 10.78.0.1"]


def distributed_table(bramle, repeat):
    """-B on host srv with one resident client on host cli, two network
    namespaces joined by a veth pair, as the cluster tests make them."""
    prefix = f"bob{os.getpid()}"
    base = tempfile.mkdtemp(prefix="bramle-output-bench-")
    try:
        namespaces(prefix, HOSTS)
        for side in ("srv", "cli"):
            os.makedirs(os.path.join(base, side, "bramle"))
            os.makedirs(os.path.join(base, side, "tmp"))
        print_if_client = f'sh -c "[ `hostname` != cli ] || yes | head -c {MEGABYTES}"'
        with open(os.path.join(base, "Makefile"), "w") as makefile:
            makefile.write(DISTRIBUTED_MAKEFILE.format(print=print_if_client))
        # The same builds without the output: what starting, finding the
        # client and the build phases cost, apart from the 100 MB.
        with open(os.path.join(base, "quiet.mk"), "w") as makefile:
            makefile.write(DISTRIBUTED_MAKEFILE.format(print="true"))
        with open(os.path.join(base, "local.mk"), "w") as makefile:
            makefile.write(f"out:\n\tyes | head -c {MEGABYTES}\n")
        with open(os.path.join(base, "local-quiet.mk"), "w") as makefile:
            makefile.write("out:\n\ttrue\n")
        for fifo in ("ab.fifo", "ba.fifo"):
            os.mkfifo(os.path.join(base, fifo))

        def on(host, command):
            env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(base, host), TMPDIR=os.path.join(base, host, "tmp"))
            for name in ("DISPLAY", "WAYLAND_DISPLAY"):
                env.pop(name, None)
            return ["ip", "netns", "exec", prefix + host, "unshare", "-u", "sh", "-c",
                    f'hostname {host} && exec "$@"', "sh"] + command, env

        command, env = on("cli", [bramle, "-R"])
        client = subprocess.Popen(command, cwd=base, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env)
        try:
            for line in client.stdout:
                if STARTED in line.decode("utf-8", "replace"):
                    break
            else:
                sys.exit("the resident client did not start")
            # What it says from here on is read and dropped, so that it never waits.
            threading.Thread(target=client.stdout.read, daemon=True).start()
            local, remote, local_quiet, remote_quiet = [], [], [], []
            for _ in range(repeat):
                # Both write the output to a file, as the server writes what
                # its client sent to its console.
                local.append(run(*on("srv", [bramle, "-F", "local.mk"]), cwd=base, output=os.path.join(base, "local.out")))
                remote.append(run(*on("srv", [bramle, "-B"]), cwd=base, output=os.path.join(base, "server.out")))
                local_quiet.append(run(*on("srv", [bramle, "-F", "local-quiet.mk"]), cwd=base,
                                       output=os.path.join(base, "local.out")))
                remote_quiet.append(run(*on("srv", [bramle, "-B", "-F", "quiet.mk"]), cwd=base,
                                        output=os.path.join(base, "server.out")))
            with open(f"/proc/{client.pid}/status") as status:
                client_peak = next(int(line.split()[1]) for line in status if line.startswith("VmHWM:")) / 1024
            local_wall = statistics.median(w for w, _ in local)
            remote_wall = statistics.median(w for w, _ in remote)
            print("| run | wall s (median) | × local | server peak MB | client peak MB |")
            print("|---|---|---|---|---|")
            print(f"| local bramle, yes \\| head -c {MEGABYTES} | {local_wall:.3f} | 1.00 | "
                  f"{max(p for _, p in local):.1f} | |")
            print(f"| bramle -B, the same target on one resident client | {remote_wall:.3f} | "
                  f"{remote_wall / local_wall:.2f} | {max(p for _, p in remote):.1f} | {client_peak:.1f} |")
            local_output = local_wall - statistics.median(w for w, _ in local_quiet)
            remote_output = remote_wall - statistics.median(w for w, _ in remote_quiet)
            print()
            print(f"The 100 MB alone (each run less the same build printing nothing): local {local_output:.3f} s, "
                  f"-B {remote_output:.3f} s = {remote_output / local_output:.2f} × local")
        finally:
            client.terminate()
            client.wait()
    finally:
        namespaces(prefix, ["netns del @srv", "netns del @cli"])
        shutil.rmtree(base, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--bramle", default=os.path.join(SOURCE_DIR, "build", "linux", "bramle"))
    options = parser.parse_args()
    bramle = os.path.abspath(options.bramle)
    if shutil.which("make") is None:
        sys.exit("GNU make is the reference: install it first")
    print(f"{bramle}; {os.cpu_count()} processors, load average {os.getloadavg()[0]:.1f}")
    print()
    print("## Local run, against GNU make")
    print()
    base = tempfile.mkdtemp(prefix="bramle-output-bench-")
    try:
        print_local(local_table(bramle, base, options.repeat))
    finally:
        shutil.rmtree(base, ignore_errors=True)
    print()
    print("## -B, one resident client")
    print()
    if os.geteuid() != 0 or shutil.which("ip") is None or shutil.which("unshare") is None:
        print("Skipped: the two hosts are network namespaces, made as root with ip and unshare.")
        return
    distributed_table(bramle, options.repeat)


if __name__ == "__main__":
    main()
