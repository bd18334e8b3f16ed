#!/usr/bin/env python3
"""Build benchmark: bramle against GNU make and ninja.

For each size it generates the project of generate.py and measures
  - the full build (every target out of date), once per tool and variant;
  - the no-op run (everything up to date), best of --repeat runs;
  - the peak memory (maximum resident set size, /usr/bin/time) of the no-op
    run at the largest size.
It prints the figures with their ratios and writes them to RESULTS.md beside
this script. Run by hand, on a quiet machine, after a Release build:

    python3 bench/build/run.py [--sizes 1000,10000,50000] [--repeat 5]
"""

import argparse
import datetime
import os
import platform
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.dirname(os.path.dirname(HERE))

# The goals this benchmark reports against.
NOOP_GOAL_VS_NINJA = 1.2


class Tool:
    def __init__(self, name, folder, command):
        self.name = name
        self.folder = folder  # which generated tree it runs in
        self.command = command


def tools(bramle):
    return [
        Tool("bramle", "bramle", [bramle]),
        Tool("bramle -L", "bramle", [bramle, "-L"]),
        Tool("make", "make", ["make"]),
        Tool("make -r", "make", ["make", "-r"]),
        Tool("ninja -j1", "ninja", ["ninja", "-j1"]),
    ]


class Figures:
    """One run: wall seconds, processor seconds (user and system, children
    included) and the peak resident set in kilobytes."""

    def __init__(self, wall, cpu, peak):
        self.wall, self.cpu, self.peak = wall, cpu, peak


def run(tool, root, log):
    report = os.path.join(log, "time.txt")
    with open(os.path.join(log, "out.txt"), "w") as out:
        start = time.perf_counter()
        child = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", report] + tool.command,
                                 cwd=os.path.join(root, tool.folder), stdout=out, stderr=subprocess.STDOUT)
        # wait4 gives the processor time of the whole process tree to the
        # microsecond; /usr/bin/time gives the peak resident set.
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
        child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        with open(os.path.join(log, "out.txt")) as text:
            tail = text.read()[-2000:]
        sys.exit(f"{tool.name} failed with exit code {child.returncode}:\n{tail}")
    with open(report) as text:
        peak = int(text.read().split()[-1])
    return Figures(wall, usage.ru_utime + usage.ru_stime, peak)


def clean_outputs(root, folder):
    tree = os.path.join(root, folder)
    for sub in ("obj", "lib"):
        shutil.rmtree(os.path.join(tree, sub), ignore_errors=True)
        os.makedirs(os.path.join(tree, sub))
    for state in (".ninja_log", ".ninja_deps"):
        if os.path.exists(os.path.join(tree, state)):
            os.remove(os.path.join(tree, state))


def output_times(root, folder):
    times = {}
    for sub in ("obj", "lib"):
        with os.scandir(os.path.join(root, folder, sub)) as entries:
            for entry in entries:
                times[entry.path] = entry.stat().st_mtime_ns
    return times


def measure(size, repeat, bramle, work):
    root = os.path.join(work, str(size))
    targets = int(subprocess.check_output([sys.executable, os.path.join(HERE, "generate.py"), str(size), root]))
    rows = {}
    for tool in tools(bramle):
        clean_outputs(root, tool.folder)
        full = run(tool, root, work)
        if len(output_times(root, tool.folder)) != targets:
            sys.exit(f"{tool.name}: the full build did not write all {targets} targets")
        rows[tool.name] = {"tool": tool.name, "full": full.wall, "full_cpu": full.cpu,
                           "noop": [], "noop_cpu": [], "peak": 0}
        print(f"  {size:>6} {tool.name:<10} full  {full.wall:9.3f} s wall {full.cpu:9.3f} s processor", flush=True)
    # Every tree is up to date now. The no-op runs take turns, so that a
    # change in the machine's load falls on every tool alike.
    built = {tool.folder: output_times(root, tool.folder) for tool in tools(bramle)}
    for _ in range(repeat):
        for tool in tools(bramle):
            noop = run(tool, root, work)
            row = rows[tool.name]
            row["noop"].append(noop.wall)
            row["noop_cpu"].append(noop.cpu)
            row["peak"] = max(row["peak"], noop.peak)
    for folder, times in built.items():
        if output_times(root, folder) != times:
            sys.exit(f"a no-op run in {folder} rebuilt something")
    for row in rows.values():
        row["noop"], row["noop_cpu"] = min(row["noop"]), min(row["noop_cpu"])
        print(f"  {size:>6} {row['tool']:<10} no-op {row['noop']:9.4f} s wall {row['noop_cpu']:9.4f} s processor"
              f"   peak {row['peak']} kB", flush=True)
    shutil.rmtree(root)
    return targets, list(rows.values())


def row_of(rows, name):
    return next(r for r in rows if r["tool"] == name)


def ratio(row, base, key):
    return row[key] / base[key] if base[key] > 0 else float("inf")


def report(results, largest):
    lines = []
    for size, (targets, rows) in results.items():
        ninja, make, make_r = (row_of(rows, name) for name in ("ninja -j1", "make", "make -r"))
        lines.append(f"### {targets} targets\n")
        lines.append("| tool | no-op wall (s) | / ninja | no-op processor (s) | / ninja |")
        lines.append("|---|---:|---:|---:|---:|")
        for r in rows:
            lines.append(f"| {r['tool']} | {r['noop']:.4f} | {ratio(r, ninja, 'noop'):.2f}x "
                         f"| {r['noop_cpu']:.4f} | {ratio(r, ninja, 'noop_cpu'):.2f}x |")
        lines.append("")
        lines.append("| tool | full wall (s) | per command (ms) | / make | / make -r "
                     "| full processor (s) | / make | / make -r |")
        lines.append("|---|---:|---:|---:|---:|---:|---:|---:|")
        for r in rows:
            lines.append(f"| {r['tool']} | {r['full']:.2f} | {1000 * r['full'] / targets:.3f} "
                         f"| {ratio(r, make, 'full'):.2f}x | {ratio(r, make_r, 'full'):.2f}x "
                         f"| {r['full_cpu']:.2f} | {ratio(r, make, 'full_cpu'):.2f}x "
                         f"| {ratio(r, make_r, 'full_cpu'):.2f}x |")
        lines.append("")
    targets, rows = results[largest]
    ninja, make, make_r = (row_of(rows, name) for name in ("ninja -j1", "make", "make -r"))
    lines.append(f"### Peak memory, no-op run, {targets} targets\n")
    lines.append("| tool | maximum resident set (kB) | / make | / make -r |")
    lines.append("|---|---:|---:|---:|")
    for r in rows:
        lines.append(f"| {r['tool']} | {r['peak']} | {ratio(r, make, 'peak'):.2f}x | {ratio(r, make_r, 'peak'):.2f}x |")
    lines.append("")

    bramle = row_of(rows, "bramle")
    goals = [
        (f"no-op within {NOOP_GOAL_VS_NINJA:.1f}x of ninja", NOOP_GOAL_VS_NINJA,
         ratio(bramle, ninja, "noop"), ratio(bramle, ninja, "noop_cpu")),
        ("full build per command no slower than GNU make", 1.0,
         ratio(bramle, make, "full"), ratio(bramle, make, "full_cpu")),
        ("full build per command no slower than GNU make -r", 1.0,
         ratio(bramle, make_r, "full"), ratio(bramle, make_r, "full_cpu")),
    ]
    lines.append(f"### Goals, {targets} targets, bramle with its default runner\n")
    lines.append("| goal | ratio, wall | ratio, processor | met (wall / processor) |")
    lines.append("|---|---:|---:|---|")
    for text, limit, wall, cpu in goals:
        lines.append(f"| {text} | {wall:.2f}x | {cpu:.2f}x "
                     f"| {'yes' if wall <= limit else 'no'} / {'yes' if cpu <= limit else 'no'} |")
    for name, base in (("GNU make's", make), ("GNU make -r's", make_r)):
        peak = ratio(bramle, base, "peak")
        lines.append(f"| peak memory no larger than {name} | {peak:.2f}x | | {'yes' if peak <= 1.0 else 'no'} |")
    lines.append("")
    return "\n".join(lines)


def versions():
    def first_line(command):
        try:
            return subprocess.check_output(command, text=True, stderr=subprocess.STDOUT).splitlines()[0]
        except (OSError, subprocess.CalledProcessError):
            return "not found"
    commit = first_line(["git", "-C", SOURCE_DIR, "log", "-1", "--format=%h"])
    return (f"bramle at commit {commit}; {platform.system()} {platform.release()}, {os.cpu_count()} processors; "
            f"{first_line(['make', '--version'])}; ninja {first_line(['ninja', '--version'])}")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--sizes", default="1000,10000,50000")
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--bramle", default=os.path.join(SOURCE_DIR, "build", "linux", "bramle"))
    parser.add_argument("--results", default=os.path.join(HERE, "RESULTS.md"))
    args = parser.parse_args()
    bramle = os.path.abspath(args.bramle)
    sizes = [int(s) for s in args.sizes.split(",")]

    results = {}
    with tempfile.TemporaryDirectory(prefix="bramle-bench-") as work:
        for size in sizes:
            results[size] = measure(size, args.repeat, bramle, work)
    text = report(results, max(sizes))
    print()
    print(text)
    with open(args.results, "w") as out:
        out.write("# Build benchmark results\n\n")
        out.write(f"Measured {datetime.date.today().isoformat()} with `python3 bench/build/run.py "
                  f"--sizes {args.sizes} --repeat {args.repeat}`: {versions()}.\n")
        out.write("Full builds run serially (ninja with -j1), once per tool; no-op figures are the best of "
                  "the repeats, which take turns between the tools. Processor time is user plus system time "
                  "of the tool and its children, which a busy machine disturbs less than wall time. bramle "
                  "runs with its default runner (one process per command) and with -L (one resident "
                  "shell).\n\n")
        out.write(text)


if __name__ == "__main__":
    main()
