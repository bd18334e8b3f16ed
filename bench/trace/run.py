#!/usr/bin/env python3
"""What -Z (the trace of a run) costs: full builds of the generated project
(bench/build/generate.py, trivial commands) with -J1 and -J2, with and
without -Z, beside make -r at the same job count. At each job count the
runs take turns, the two bramle runs side by side and in turn first, so
that load from elsewhere weighs on both alike; wall times are medians of
--repeat runs, and the cost is the median of the rounds' ratios. Writes
RESULTS.md beside this script:

    python3 bench/trace/run.py [--targets 2000] [--repeat 11]
"""

import argparse
import datetime
import os
import statistics
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(SOURCE_DIR, "bench", "parallel"))
from run import alternating_medians, generate, head_commit, load_note, write_results  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--targets", type=int, default=2000)
    parser.add_argument("--repeat", type=int, default=11)
    parser.add_argument("--bramle", default=os.path.join(SOURCE_DIR, "build", "linux", "bramle"))
    args = parser.parse_args()
    commit = head_commit()
    with tempfile.TemporaryDirectory() as work:
        project = os.path.join(work, "project")
        count = generate(args.targets, project)
        trace = os.path.join(work, "trace.json")
        bramle, make = os.path.join(project, "bramle"), os.path.join(project, "make")
        lines = ["# Cost of the trace (-Z)", "",
                 f"Measured {datetime.date.today()} at commit {commit} with `python3 bench/trace/run.py "
                 f"--targets {args.targets} --repeat {args.repeat}`; {os.cpu_count()} processors. Full builds "
                 f"of the generated project, {count} trivial commands; wall times are medians of the repeats, "
                 "the runs of one job count taking turns, the two bramle runs side by side and in turn first; "
                 "-Z / without is the median of the rounds' ratios.", "",
                 "| N | bramle -JN (s) | bramle -JN -Z (s) | -Z / without, by round | make -r -jN (s) | bramle -JN -Z / make |",
                 "|---:|---:|---:|---:|---:|---:|"]
        before = os.getloadavg()[0]
        for jobs in (1, 2):
            runs = [("plain", [args.bramle, f"-J{jobs}"], bramle),
                    ("traced", [args.bramle, f"-J{jobs}", "-Z", trace], bramle),
                    ("make", ["make", "-r", f"-j{jobs}"], make)]
            # The two bramle runs side by side, in turn first, so that the
            # ratio of each round compares runs under the same load.
            rounds = [dict(alternating_medians(runs[:2][::1 - 2 * (r % 2)] + runs[2:], 1))
                      for r in range(args.repeat)]
            walls = {name: statistics.median(round_[name] for round_ in rounds) for name, _, _ in runs}
            ratio = statistics.median(round_["traced"] / round_["plain"] for round_ in rounds)
            with open(trace) as written:
                events = written.read().count('"ph":"X"')
            if events != count + 1:
                sys.exit(f"the trace holds {events} spans, not {count + 1}")
            lines.append(f"| {jobs} | {walls['plain']:.3f} | {walls['traced']:.3f} | "
                         f"{ratio:.3f}x | {walls['make']:.3f} | "
                         f"{walls['traced'] / walls['make']:.2f}x |")
        lines += load_note(before)
    write_results(HERE, lines)


if __name__ == "__main__":
    main()
