#!/usr/bin/env python3
"""The build server (`bramle -B`) under connection load, each figure beside a
reference measured in the same run:

  1. threads: the server's thread count with 0, 2 and 200 connections open to
     its port, as idle raw TCP connections and as greeted clients (each has
     sent BuildClientConnect, answered the opening of its build phase and
     waits for a target); reference: a plain listener of this script (one
     thread, one selector) holding the same connections;
  2. accept rate: how many connections per second the server accepts while
     2,000 are opened, paced (at most --window opened and not yet accepted,
     5 by default: within the thread-per-connection server's backlog, so
     the kernel drops no connect) and all at once, each within a time limit
     (the rate reached by then is printed); references: the plain listener
     with that backlog and with the system's largest, the same opener;
  3. turnaround with 1,000 idle connections held open: the time per command
     through the server's in-process client (--commands commands that do
     nothing, 500 by default) and the efficiency of bench/client/efficiency.py's 40 targets
     of `sleep 0.2`, with and without the idle connections; reference: the
     same makefile built by `bramle -J1`, interleaved with the server runs.

A connection counts as accepted once the listening process holds a socket
for it: the sockets among the descriptors in /proc/PID/fd are counted, for
the server and the references alike.

Takes the program to measure, so that one command measures any build:

    python3 bench/server_load/run.py build/linux/bramle [--repeat 3]

It runs in a network namespace of its own with only loopback up (`unshare
--net`, with --map-root-user when not root): the server's start
announcement, a broadcast, reaches no network, and its ports are free. The
server reads its settings from a private folder (XDG_CONFIG_HOME and HOME
point there): a fixed port, no periodic announcements, no read limit, so
idle connections stay. Each build holds at a gate target, whose command
waits on a FIFO, while the connections are opened. Every wait is bounded;
the processes it started end by their ids, also on failure.
"""

import argparse
import datetime
import os
import resource
import selectors
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(SOURCE_DIR, "bench", "client"))
import efficiency  # noqa: E402  (the sleeping targets and their efficiency)

PORT = 4312
REFERENCE_PORT = 4313  # and the next one
SERVER_BACKLOG = 5  # the thread-per-connection server's
POLL = 0.001  # seconds the opener waits for a connect or an answer
LIMIT = 120  # seconds for any one wait of a build
OUTER_NAMESPACE = "BRAMLE_SERVER_LOAD_OUTER_NET"

SETTINGS = f"""Version = 1
server_normalportauto = FALSE
server_normalport = {PORT}
server_sendrequest = FALSE
server_timeout = FALSE
server_savelog = FALSE
"""
GATE = "timeout 600 cat gate.fifo"
GREETING = b"BuildClientConnect(BENCH,1000)\r\n"
OK = b"OK()\r\n"


def enter_private_network():
    """Runs this script again in a network namespace of its own, loopback up."""
    here = os.readlink("/proc/self/ns/net")
    outer = os.environ.get(OUTER_NAMESPACE)
    if outer is None:
        unshare = ["unshare", "--net"] + ([] if os.geteuid() == 0 else ["--map-root-user"])
        command = unshare + ["sh", "-c", 'ip link set lo up && exec "$@"', "sh", sys.executable,
                             os.path.abspath(__file__)] + sys.argv[1:]
        sys.exit(subprocess.run(command, env=dict(os.environ, **{OUTER_NAMESPACE: here})).returncode)
    if outer == here:
        sys.exit("the network namespace could not be left")


def raise_descriptor_limit(needed):
    _, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    if hard != resource.RLIM_INFINITY and hard < needed:
        sys.exit(f"RLIMIT_NOFILE: {needed} descriptors needed, the hard limit is {hard}")
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))


def threads(pid):
    with open(f"/proc/{pid}/status") as status:
        return next(int(line.split()[1]) for line in status if line.startswith("Threads:"))


class Sockets:
    """Counts the sockets a process holds, reading the link of each
    descriptor once: while connections are opened, no descriptor of the
    listening process is closed and opened again as something else."""

    def __init__(self, pid):
        self.folder = f"/proc/{pid}/fd"
        self.kinds = {}
        self.base = self.count()

    def count(self):
        names = os.listdir(self.folder)
        for name in names:
            if name not in self.kinds:
                try:
                    self.kinds[name] = os.readlink(os.path.join(self.folder, name)).startswith("socket:")
                except OSError:
                    self.kinds[name] = False
        return sum(self.kinds.get(name, False) for name in names)

    def accepted(self):
        """The sockets added since this count began."""
        return self.count() - self.base


def listen(port, backlog):
    """The reference listener: one thread and one selector. It accepts and
    holds every connection and answers a greeting as the server does (OK,
    then the opening of the build phase). Ends when its input closes."""
    selector = selectors.DefaultSelector()
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", port))
    listener.listen(backlog)
    listener.setblocking(False)
    selector.register(listener, selectors.EVENT_READ)
    selector.register(sys.stdin, selectors.EVENT_READ)
    print("listening", flush=True)
    pending = {}
    while True:
        for key, _ in selector.select():
            if key.fileobj is sys.stdin:
                return
            if key.fileobj is listener:
                while True:
                    try:
                        connection, _ = listener.accept()
                    except BlockingIOError:
                        break
                    connection.setblocking(False)
                    selector.register(connection, selectors.EVENT_READ)
                    pending[connection] = b""
                continue
            connection = key.fileobj
            data = connection.recv(4096)
            if not data:
                selector.unregister(connection)
                connection.close()
                continue
            pending[connection] += data
            while b"\r\n" in pending[connection]:
                line, pending[connection] = pending[connection].split(b"\r\n", 1)
                if line.startswith(b"BuildClientConnect("):
                    connection.send(OK + b"BuildPhaseOpen(REFERENCE)\r\n")


def open_connections(port, count, accepted, limit, window, greet=False, held=()):
    """Opens `count` connections to `port` on loopback until `accepted()`
    (the listener's count, `held` included) has them all (with `greet`: and
    each has opened its build phase) or `limit` seconds have passed. At most
    `window` of them are in flight (opened, not yet accepted or greeted): a
    window within the listener's backlog never has a connect dropped and
    retried by the kernel. Returns the open sockets (`held` first), how many
    were accepted and the seconds taken."""
    selector = selectors.DefaultSelector()
    ready = list(held)
    target = len(ready) + count
    received = {}  # connecting: None; greeting: what came back
    opened = failed = 0
    start = time.perf_counter()
    counted = accepted()
    while True:
        # Settled: every connect (and greeting) has its outcome; a greeting
        # is answered only after the accept.
        settled = opened == count and not received
        if settled if greet else counted >= target or (settled and counted >= len(ready)):
            break
        if time.perf_counter() - start >= limit:
            break
        in_flight = max(len(received), opened - failed - (counted - len(held)))
        for _ in range(min(count - opened, window - in_flight)):
            connection = socket.socket()
            connection.setblocking(False)
            connection.connect_ex(("127.0.0.1", port))
            selector.register(connection, selectors.EVENT_WRITE)
            received[connection] = None
            opened += 1
        for key, _ in selector.select(timeout=POLL):
            connection = key.fileobj
            if received[connection] is None:
                if connection.getsockopt(socket.SOL_SOCKET, socket.SO_ERROR) != 0:
                    selector.unregister(connection)
                    del received[connection]
                    connection.close()
                    failed += 1
                elif greet:
                    connection.send(GREETING)
                    received[connection] = b""
                    selector.modify(connection, selectors.EVENT_READ)
                else:
                    selector.unregister(connection)
                    del received[connection]
                    ready.append(connection)
                continue
            data = connection.recv(4096)
            received[connection] += data
            if not data or b"ERR(" in received[connection]:
                selector.unregister(connection)
                del received[connection]
                connection.close()
                failed += 1
            elif b"BuildPhaseOpen(" in received[connection] and received[connection].endswith(b"\r\n"):
                connection.send(OK)
                selector.unregister(connection)
                del received[connection]
                ready.append(connection)
        counted = accepted()
    elapsed = time.perf_counter() - start
    for connection in received:
        connection.close()
    selector.close()
    if failed:
        print(f"  ({failed} of {count} connections to port {port} failed)", file=sys.stderr)
    return ready, min(accepted(), target) - len(held), elapsed


def close_all(connections):
    for connection in connections:
        connection.close()


class Workspace:
    """A private folder: the settings, the temporary files, the makefile,
    the gate and the marker FIFO; and the processes started in it."""

    def __init__(self, bramle):
        self.bramle = bramle
        self.root = tempfile.mkdtemp(prefix="bramle_server_load_")
        self.work = os.path.join(self.root, "work")
        for sub in ("config/bramle", "home", "tmp", "work"):
            os.makedirs(os.path.join(self.root, sub))
        with open(os.path.join(self.root, "config", "bramle", "Bramle.inf"), "w") as settings:
            settings.write(SETTINGS)
        self.gate = os.path.join(self.work, "gate.fifo")
        os.mkfifo(self.gate)
        marks = os.path.join(self.work, "mark.fifo")
        os.mkfifo(marks)
        # Both ends stay open here: a marker command never blocks, the
        # reader never sees the end.
        self.marks = os.open(marks, os.O_RDONLY | os.O_NONBLOCK)
        self.mark_writer = os.open(marks, os.O_WRONLY | os.O_NONBLOCK)
        self.log = os.path.join(self.root, "run.log")
        self.environment = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        self.environment.update(XDG_CONFIG_HOME=os.path.join(self.root, "config"),
                                HOME=os.path.join(self.root, "home"), TMPDIR=os.path.join(self.root, "tmp"))
        self.processes = []

    def start(self, arguments, makefile):
        """Starts `arguments` on `makefile`; returns it once its gate holds
        and the gate's writing end, whose closing releases it."""
        with open(os.path.join(self.work, "Makefile"), "w") as text:
            text.write(makefile)
        with open(self.log, "wb") as output:
            process = subprocess.Popen(arguments, cwd=self.work, env=self.environment, stdin=subprocess.DEVNULL,
                                       stdout=output, stderr=subprocess.STDOUT)
        self.processes.append(process)
        deadline = time.monotonic() + LIMIT
        while True:
            try:
                return process, os.open(self.gate, os.O_WRONLY | os.O_NONBLOCK)
            except OSError:
                pass
            if process.poll() is not None or time.monotonic() > deadline:
                self.fail(f"{' '.join(arguments)} never reached its gate")
            time.sleep(0.005)

    def reference(self, port, backlog):
        """The plain listener on `port`, listening."""
        process = subprocess.Popen([sys.executable, os.path.abspath(__file__), "--listen", str(port),
                                    "--backlog", str(backlog)], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.processes.append(process)
        process.stdout.readline()
        return process

    def end_reference(self, process):
        process.stdin.close()
        self.stop(process)

    def mark(self, process, deadline):
        """Seconds (perf_counter) when the next marker line arrives."""
        with selectors.DefaultSelector() as ready:
            ready.register(self.marks, selectors.EVENT_READ)
            while time.monotonic() < deadline:
                ended = process.poll() is not None
                if ready.select(timeout=0 if ended else 0.1):
                    at = time.perf_counter()
                    os.read(self.marks, 3)
                    return at
                if ended:
                    break
        self.fail("a marker never came")

    def finish(self, process):
        """Waits for the end of a build (its exit code must be 0)."""
        try:
            code = process.wait(timeout=LIMIT)
        except subprocess.TimeoutExpired:
            code = "timeout"
        if code != 0:
            self.fail(f"the build ended with {code}")

    def fail(self, what):
        with open(self.log, errors="replace") as text:
            sys.exit(f"{what}:\n{text.read()[-3000:]}")

    @staticmethod
    def stop(process):
        efficiency.stop_process(process)

    def close(self):
        for process in self.processes:
            self.stop(process)
        os.close(self.marks)
        os.close(self.mark_writer)
        shutil.rmtree(self.root, ignore_errors=True)


HOLD = "all: gate\n" + efficiency.target_rules(["gate"], GATE)


def thread_counts(space, args, greet):
    """Threads of the server and of the reference with 0 and `counts`
    connections open: two lists."""
    server, gate = space.start([space.bramle, "-B"], HOLD)
    reference = space.reference(REFERENCE_PORT, SERVER_BACKLOG)
    figures = ([threads(server.pid)], [threads(reference.pid)])
    for pid, port, figure in ((server.pid, PORT, figures[0]), (reference.pid, REFERENCE_PORT, figures[1])):
        sockets = Sockets(pid)
        held = []
        for count in args.threads:
            held, _, _ = open_connections(port, count - len(held), sockets.accepted, LIMIT, args.window, greet, held)
            if len(held) != count:
                print(f"  ({len(held)} of {count} connections open to port {port})", file=sys.stderr)
            figure.append(threads(pid))
        close_all(held)
    os.close(gate)
    space.finish(server)
    space.end_reference(reference)
    return figures


def accept_rates(space, args, window, backlogs):
    """(accepted, seconds) of the server and of the references, one per
    backlog."""
    results = []
    server, gate = space.start([space.bramle, "-B"], HOLD)
    references = [space.reference(REFERENCE_PORT + i, backlog) for i, backlog in enumerate(backlogs)]
    listeners = [(server.pid, PORT)] + [(reference.pid, REFERENCE_PORT + i) for i, reference in enumerate(references)]
    for pid, port in listeners:
        held, accepted, seconds = open_connections(port, args.accept, Sockets(pid).accepted, args.accept_limit, window)
        results.append((accepted, seconds))
        close_all(held)
    os.close(gate)
    space.finish(server)
    for reference in references:
        space.end_reference(reference)
    return results


def turnaround_makefile(count):
    """The gate, `count` commands that do nothing, marker m1, the sleeping
    targets, marker m2: one worker builds them in this order."""
    commands = [f"c{i:04d}" for i in range(1, count + 1)]
    sleepers = efficiency.sleeper_names()
    return ("all: " + " ".join(["gate"] + commands + ["m1"] + sleepers + ["m2"]) + "\n"
            + efficiency.target_rules(["gate"], GATE) + efficiency.target_rules(commands, "true")
            + efficiency.target_rules(["m1"], "echo m1 > mark.fifo")
            + efficiency.target_rules(sleepers, f"sleep {efficiency.SLEEP}")
            + efficiency.target_rules(["m2"], "echo m2 > mark.fifo"))


def turnaround(space, args, arguments, idle):
    """(seconds of the commands, seconds of the sleepers, seconds from the
    last marker to the exit, idle connections accepted)."""
    process, gate = space.start(arguments, turnaround_makefile(args.commands))
    held, accepted = [], 0
    if idle:
        held, accepted, _ = open_connections(PORT, idle, Sockets(process.pid).accepted, args.idle_limit, args.window)
    deadline = time.monotonic() + LIMIT
    released = time.perf_counter()
    os.close(gate)
    commands_done = space.mark(process, deadline)
    sleepers_done = space.mark(process, deadline)
    space.finish(process)
    ended = time.perf_counter()
    close_all(held)
    return commands_done - released, sleepers_done - commands_done, ended - sleepers_done, accepted


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bramle", nargs="?", help="the program to measure")
    parser.add_argument("--repeat", type=int, default=3, help="runs of each turnaround build")
    parser.add_argument("--threads", type=int, nargs="+", default=[2, 200], help="connections for the thread counts")
    parser.add_argument("--accept", type=int, default=2000, help="connections opened for the accept rate")
    parser.add_argument("--accept-limit", type=float, default=30, help="seconds the accept rate may take")
    parser.add_argument("--commands", type=int, default=500, help="commands that do nothing, per turnaround build")
    parser.add_argument("--idle", type=int, default=1000, help="idle connections during the turnaround builds")
    parser.add_argument("--idle-limit", type=float, default=300, help="seconds the idle connections may take")
    parser.add_argument("--window", type=int, default=SERVER_BACKLOG,
                        help="connections opened and not yet accepted at once; the accept rate is also measured "
                             "with all of them at once")
    parser.add_argument("--listen", type=int, help=argparse.SUPPRESS)
    parser.add_argument("--backlog", type=int, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.listen:
        listen(args.listen, args.backlog)
        return
    if not args.bramle:
        parser.error("the program to measure is missing")
    bramle = os.path.abspath(args.bramle)
    if os.path.exists(os.path.join(os.path.dirname(bramle), "Bramle.inf")):
        sys.exit(f"Bramle.inf lies beside {bramle}: the server would read it instead of the private settings")
    enter_private_network()
    raise_descriptor_limit(max(args.accept, args.idle, max(args.threads)) + 200)

    commit = subprocess.run(["git", "-C", SOURCE_DIR, "rev-parse", "--short", "HEAD"], capture_output=True,
                            text=True).stdout.strip()
    built = datetime.datetime.fromtimestamp(os.path.getmtime(bramle)).strftime("%Y-%m-%d %H:%M")
    load_before = subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip()
    space = Workspace(bramle)
    try:
        raw = thread_counts(space, args, False)
        greeted = thread_counts(space, args, True)
        with open("/proc/sys/net/core/somaxconn") as text:
            backlogs = (SERVER_BACKLOG, int(text.read()))
        rates = {window: accept_rates(space, args, window, backlogs) for window in (args.window, args.accept)}
        runs = {"bramle -J1": [], "bramle -B": [], f"bramle -B, {args.idle} idle": []}
        for _ in range(args.repeat):
            runs["bramle -J1"].append(turnaround(space, args, [bramle, "-J1"], 0))
            runs["bramle -B"].append(turnaround(space, args, [bramle, "-B"], 0))
            runs[f"bramle -B, {args.idle} idle"].append(turnaround(space, args, [bramle, "-B"], args.idle))
    finally:
        space.close()
    load_after = subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip()

    print(f"program {bramle} (built {built}); script at commit {commit}")
    print(f"load before: {load_before}\nload after:  {load_after}\n")

    print("Threads (/proc/PID/status) with N connections open; reference: the plain listener "
          f"(one thread, backlog {SERVER_BACKLOG})\n")
    counts = [0] + args.threads
    print("| connections | bramle -B, raw | bramle -B, greeted | reference, raw | reference, greeted |")
    print("|---:|---:|---:|---:|---:|")
    for i, count in enumerate(counts):
        print(f"| {count} | {raw[0][i]} | {greeted[0][i]} | {raw[1][i]} | {greeted[1][i]} |")
    top = counts[-1]
    print(f"| per connection | {(raw[0][-1] - raw[0][0]) / top:.2f} | {(greeted[0][-1] - greeted[0][0]) / top:.2f} "
          f"| {(raw[1][-1] - raw[1][0]) / top:.2f} | {(greeted[1][-1] - greeted[1][0]) / top:.2f} |\n")

    print(f"Accept rate: {args.accept} connections opened on loopback, at most WINDOW of them opened and not yet "
          f"accepted, limit {args.accept_limit:g} s: accepted in seconds = per second. References: the plain "
          "listener with the first server's backlog and with the system's largest\n")
    print("| window | bramle -B | " + " | ".join(f"reference, backlog {backlog}" for backlog in backlogs) + " |")
    print("|---:|---:|" + "---:|" * len(backlogs))
    for window, results in rates.items():
        print(f"| {window} | " + " | ".join(f"{accepted} in {seconds:.2f} s = {accepted / seconds:.0f}/s"
                                          for accepted, seconds in results) + " |")
    print()

    ideal = efficiency.TARGETS * efficiency.SLEEP
    print(f"Turnaround: {args.commands} commands `true`, then {efficiency.TARGETS} targets of `sleep {efficiency.SLEEP}` "
          f"(ideal {ideal:.2f} s), one worker; medians of {args.repeat} runs\n")
    print("| build | ms per command | added ms per command | sleepers (s) | efficiency | end to exit (s) "
          "| idle accepted |")
    print("|---|---:|---:|---:|---:|---:|---:|")
    local = statistics.median(run[0] for run in runs["bramle -J1"]) / args.commands
    for name, results in runs.items():
        per_command = statistics.median(run[0] for run in results) / args.commands
        sleepers = statistics.median(run[1] for run in results)
        ending = statistics.median(run[2] for run in results)
        idle = min(run[3] for run in results)
        print(f"| {name} | {per_command * 1000:.3f} | {(per_command - local) * 1000:.3f} | {sleepers:.2f} "
              f"| {ideal / sleepers:.1%} | {ending:.2f} | {idle} |")
    print("\nEvery run (commands s, sleepers s, end to exit s):\n")
    for name, results in runs.items():
        print(f"    {name}: " + "  ".join(f"{c:.3f}/{s:.2f}/{e:.2f}" for c, s, e, _ in results))


if __name__ == "__main__":
    main()
