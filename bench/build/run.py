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


def run(tool, root, log):
    """Runs the tool in its tree; gives (seconds, peak kilobytes)."""
    memory = os.path.join(log, "time.txt")
    with open(os.path.join(log, "out.txt"), "w") as out:
        start = time.perf_counter()
        result = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", memory] + tool.command,
                                cwd=os.path.join(root, tool.folder), stdout=out, stderr=subprocess.STDOUT)
        seconds = time.perf_counter() - start
    if result.returncode != 0:
        with open(os.path.join(log, "out.txt")) as text:
            tail = text.read()[-2000:]
        sys.exit(f"{tool.name} failed with exit code {result.returncode}:\n{tail}")
    with open(memory) as text:
        kilobytes = int(text.read().split()[-1])
    return seconds, kilobytes


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
    rows = []
    for tool in tools(bramle):
        clean_outputs(root, tool.folder)
        full, _ = run(tool, root, work)
        built = output_times(root, tool.folder)
        if len(built) != targets:
            sys.exit(f"{tool.name}: the full build left {len(built)} of {targets} targets")
        noop = []
        peak = 0
        for _ in range(repeat):
            seconds, kilobytes = run(tool, root, work)
            noop.append(seconds)
            peak = max(peak, kilobytes)
        if output_times(root, tool.folder) != built:
            sys.exit(f"{tool.name}: the no-op run rebuilt something")
        rows.append({"tool": tool.name, "full": full, "noop": min(noop), "peak": peak})
        print(f"  {size:>6} {tool.name:<10} full {full:8.3f} s   no-op {min(noop):8.4f} s   peak {peak} kB",
              flush=True)
    shutil.rmtree(root)
    return targets, rows


def row_of(rows, name):
    return next(r for r in rows if r["tool"] == name)


def report(results, largest):
    lines = []
    for size, (targets, rows) in results.items():
        ninja = row_of(rows, "ninja -j1")
        make = row_of(rows, "make")
        lines.append(f"### {targets} targets\n")
        lines.append("| tool | no-op (s) | no-op / ninja | full build (s) | per command (ms) | full / make |")
        lines.append("|---|---:|---:|---:|---:|---:|")
        for r in rows:
            lines.append(f"| {r['tool']} | {r['noop']:.4f} | {r['noop'] / ninja['noop']:.2f}x | {r['full']:.2f} "
                         f"| {1000 * r['full'] / targets:.3f} | {r['full'] / make['full']:.2f}x |")
        lines.append("")
    targets, rows = results[largest]
    make = row_of(rows, "make")
    lines.append(f"### Peak memory, no-op run, {targets} targets\n")
    lines.append("| tool | maximum resident set (kB) | / make |")
    lines.append("|---|---:|---:|")
    for r in rows:
        lines.append(f"| {r['tool']} | {r['peak']} | {r['peak'] / make['peak']:.2f}x |")
    lines.append("")

    bramle = row_of(rows, "bramle")
    goals = [
        ("no-op within {:.1f}x of ninja ({} targets)".format(NOOP_GOAL_VS_NINJA, targets),
         bramle["noop"] / row_of(rows, "ninja -j1")["noop"], NOOP_GOAL_VS_NINJA),
        ("full build per command no slower than GNU make ({} targets)".format(targets),
         bramle["full"] / make["full"], 1.0),
        ("peak memory no larger than GNU make's ({} targets)".format(targets),
         bramle["peak"] / make["peak"], 1.0),
    ]
    lines.append("### Goals\n")
    lines.append("| goal | bramle's ratio | met |")
    lines.append("|---|---:|---|")
    for text, ratio, limit in goals:
        lines.append(f"| {text} | {ratio:.2f}x | {'yes' if ratio <= limit else 'no'} |")
    lines.append("")
    return "\n".join(lines)


def versions():
    def first_line(command):
        try:
            return subprocess.check_output(command, text=True, stderr=subprocess.STDOUT).splitlines()[0]
        except (OSError, subprocess.CalledProcessError):
            return "not found"
    return (f"{platform.system()} {platform.release()}, {os.cpu_count()} processors; "
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
                  f"--sizes {args.sizes} --repeat {args.repeat}` on {versions()}.\n")
        out.write("Full builds run serially (ninja with -j1); no-op figures are the best of the repeats; "
                  "bramle runs with its default runner (one process per command) and with -L "
                  "(one resident shell).\n\n")
        out.write(text)


if __name__ == "__main__":
    main()
