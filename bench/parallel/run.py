#!/usr/bin/env python3
"""Parallel build benchmark: bramle -J against make -j and ninja -j.

  - the full build of the generated project (bench/build/generate.py) with
    trivial commands, N = 2, median of --repeat runs;
  - 100 independent targets whose command sleeps 0.2 s, N = 2, 4, 8, against
    the ideal 100 x 0.2 s / N;
  - the serial gaps: the time per command of a serial full build and the
    peak memory of the no-op run of the largest project, beside make -r.
Run by hand on a quiet machine after a Release build; writes RESULTS.md
beside this script:

    python3 bench/parallel/run.py [--targets 2000] [--noop-targets 50000] [--repeat 3]
"""

import argparse
import datetime
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.dirname(os.path.dirname(HERE))
GENERATE = os.path.join(SOURCE_DIR, "bench", "build", "generate.py")
SLEEPERS = 100
SLEEP = 0.2


def timed(command, cwd):
    """Wall seconds and peak resident set (kB) of one run."""
    report = os.path.join(cwd, ".time")
    start = time.perf_counter()
    result = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report] + command, cwd=cwd,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    wall = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit(f"{' '.join(command)} failed in {cwd}:\n{result.stderr.decode()[-2000:]}")
    with open(report) as text:
        peak = int(text.read().split()[-1])
    return wall, peak


def clean(tree):
    for sub in ("obj", "lib"):
        shutil.rmtree(os.path.join(tree, sub), ignore_errors=True)
        os.makedirs(os.path.join(tree, sub))
    for name in ("out",):
        shutil.rmtree(os.path.join(tree, name), ignore_errors=True)
    for leftover in (".ninja_log", ".ninja_deps"):
        if os.path.exists(os.path.join(tree, leftover)):
            os.remove(os.path.join(tree, leftover))


def median_full_build(command, tree, repeat, prepare=clean):
    walls = []
    for _ in range(repeat):
        prepare(tree)
        walls.append(timed(command, tree)[0])
    return statistics.median(walls)


def alternating_medians(runs, repeat, prepare=clean):
    """Median wall seconds per (name, command, tree), the tools taking turns
    run by run, so that load from elsewhere weighs on each alike."""
    walls = {name: [] for name, _, _ in runs}
    for _ in range(repeat):
        for name, command, tree in runs:
            prepare(tree)
            walls[name].append(timed(command, tree)[0])
    return [(name, statistics.median(walls[name])) for name, _, _ in runs]


def generate(targets, base):
    out = subprocess.run([sys.executable, GENERATE, str(targets), base], check=True, capture_output=True, text=True)
    return int(out.stdout)


def write_sleepers(base):
    """100 independent targets in out/, each sleeping 0.2 s, for the three tools."""
    names = [f"out/s{i}" for i in range(SLEEPERS)]
    for tool in ("bramle", "make", "ninja"):
        os.makedirs(os.path.join(base, tool, "out"), exist_ok=True)
    rules = "".join(f"\n{name}:\n\tsleep {SLEEP}\n\techo x > {name}\n" for name in names)
    with open(os.path.join(base, "bramle", "Makefile"), "w") as out:
        out.write("all: " + " ".join(names) + "\n" + rules)
    with open(os.path.join(base, "make", "Makefile"), "w") as out:
        out.write("all: " + " ".join(names) + "\n.PHONY: all\n" + rules)
    with open(os.path.join(base, "ninja", "build.ninja"), "w") as out:
        out.write(f"rule nap\n  command = sleep {SLEEP} && echo x > $out\n\n")
        out.write("".join(f"build {name}: nap\n" for name in names))
        out.write("build all: phony " + " ".join(names) + "\ndefault all\n")


def clean_sleepers(tree):
    shutil.rmtree(os.path.join(tree, "out"), ignore_errors=True)
    os.makedirs(os.path.join(tree, "out"))
    for leftover in (".ninja_log", ".ninja_deps"):
        if os.path.exists(os.path.join(tree, leftover)):
            os.remove(os.path.join(tree, leftover))


def make_up_to_date(tree):
    """Writes every output of the generated project, newer than every source."""
    past = time.time() - 3600
    for name in os.listdir(os.path.join(tree, "src")):
        os.utime(os.path.join(tree, "src", name), (past, past))
    with open(os.path.join(tree, "Makefile")) as makefile:
        outputs = [line.split(":")[0] for line in makefile if line.startswith(("obj/", "lib/"))]
    for output in outputs:
        with open(os.path.join(tree, output), "w") as out:
            out.write("x\n")
        os.utime(os.path.join(tree, output), (past + 60, past + 60))


def load_note(before):
    """The machine's load around one table: other work slows every tool."""
    return ["", f"Load average (1 minute): {before:.1f} when this table began, {os.getloadavg()[0]:.1f} when it ended."]


def head_commit():
    return subprocess.run(["git", "-C", SOURCE_DIR, "rev-parse", "--short", "HEAD"], capture_output=True,
                          text=True).stdout.strip()


def write_results(folder, lines):
    """Prints the report and writes it as RESULTS.md in `folder`."""
    text = "\n".join(lines) + "\n"
    print(text)
    with open(os.path.join(folder, "RESULTS.md"), "w") as out:
        out.write(text)


def tool_commands(bramle, jobs):
    return [(f"bramle -J{jobs}", "bramle", [bramle, f"-J{jobs}"]),
            (f"bramle -L -J{jobs}", "bramle", [bramle, "-L", f"-J{jobs}"]),
            (f"make -r -j{jobs}", "make", ["make", "-r", f"-j{jobs}"]), (f"ninja -j{jobs}", "ninja", ["ninja", f"-j{jobs}"])]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--targets", type=int, default=2000)
    parser.add_argument("--noop-targets", type=int, default=50000)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--bramle", default=os.path.join(SOURCE_DIR, "build", "linux", "bramle"))
    args = parser.parse_args()
    commit = head_commit()
    lines = ["# Parallel build benchmark results", "",
             f"Measured {datetime.date.today()} at commit {commit} with `python3 bench/parallel/run.py "
             f"--targets {args.targets} --noop-targets {args.noop_targets} --repeat {args.repeat}`; "
             f"{os.cpu_count()} processors, load average at start {os.getloadavg()[0]:.1f}. "
             "Wall times are medians of the repeats.", ""]

    with tempfile.TemporaryDirectory() as work:
        project = os.path.join(work, "project")
        count = generate(args.targets, project)
        before = os.getloadavg()[0]
        lines += [f"### Full build, {count} trivial commands, N = 2", "",
                  "| tool | wall (s) | per command (ms) | / make -r -j2 |", "|---|---:|---:|---:|"]
        rows = []
        for name, folder, command in tool_commands(args.bramle, 2):
            rows.append((name, median_full_build(command, os.path.join(project, folder), args.repeat)))
        base = dict(rows)["make -r -j2"]
        for name, wall in rows:
            lines.append(f"| {name} | {wall:.2f} | {wall / count * 1000:.3f} | {wall / base:.2f}x |")
        lines += load_note(before)

        before = os.getloadavg()[0]
        lines += ["", f"### Serial full build, {count} trivial commands", "",
                  "| tool | wall (s) | per command (ms) | / make -r |", "|---|---:|---:|---:|"]
        serial = alternating_medians([("bramle", [args.bramle], os.path.join(project, "bramle")),
                                      ("make -r", ["make", "-r"], os.path.join(project, "make"))], args.repeat)
        base = dict(serial)["make -r"]
        for name, wall in serial:
            lines.append(f"| {name} | {wall:.2f} | {wall / count * 1000:.3f} | {wall / base:.2f}x |")
        lines += load_note(before)

        sleepers = os.path.join(work, "sleepers")
        write_sleepers(sleepers)
        before = os.getloadavg()[0]
        lines += ["", f"### {SLEEPERS} independent targets sleeping {SLEEP} s", "",
                  "| N | ideal (s) | bramle -J | / ideal | bramle -L -J | / ideal | make -r -j | / ideal | ninja -j | / ideal |",
                  "|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"]
        for jobs in (2, 4, 8):
            ideal = SLEEPERS * SLEEP / jobs
            cells = []
            for _, folder, command in tool_commands(args.bramle, jobs):
                wall = median_full_build(command, os.path.join(sleepers, folder), args.repeat, clean_sleepers)
                cells.append(f"{wall:.2f} | {wall / ideal:.3f}x")
            lines.append(f"| {jobs} | {ideal:.2f} | " + " | ".join(cells) + " |")
        lines += load_note(before)

        noop = os.path.join(work, "noop")
        noop_count = generate(args.noop_targets, noop)
        lines += ["", f"### No-op run, {noop_count} targets (best of the repeats)", "",
                  "| tool | wall (s) | peak memory (kB) | memory / make -r |", "|---|---:|---:|---:|"]
        for folder in ("bramle", "make"):
            make_up_to_date(os.path.join(noop, folder))
        results = {}
        before = os.getloadavg()[0]
        for name, folder, command in (("bramle", "bramle", [args.bramle]), ("make -r", "make", ["make", "-r"])):
            runs = [timed(command, os.path.join(noop, folder)) for _ in range(args.repeat)]
            results[name] = (min(r[0] for r in runs), max(r[1] for r in runs))
        for name, (wall, peak) in results.items():
            lines.append(f"| {name} | {wall:.3f} | {peak} | {peak / results['make -r'][1]:.2f}x |")
        lines += load_note(before)

    write_results(HERE, lines)


if __name__ == "__main__":
    main()
