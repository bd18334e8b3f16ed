#!/usr/bin/env python3
"""Draws a trace that bramle -Z wrote as lanes in a PNG: one row per lane
(a local worker, or a client of -B by machine name and address), one bar
per command line from its start to its end (red when it failed), the run's
own span and outcome on top, and a time axis in seconds.

    python3 scripts/trace-picture.py TRACE.json PICTURE.png [--width 1200]
"""

import argparse
import json
import zlib

from PIL import Image, ImageDraw, ImageFont

FONT = "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"
ROW, BAR, MARGIN, LABEL = 34, 22, 12, 230
PALETTE = [(66, 133, 244), (52, 168, 83), (251, 188, 5), (171, 71, 188), (0, 172, 193), (255, 112, 67),
           (124, 179, 66), (92, 107, 192)]
FAILED = (219, 68, 55)


def font(size):
    try:
        return ImageFont.truetype(FONT, size)
    except OSError:
        return ImageFont.load_default()


def draw(events, width):
    lanes = {e["tid"]: e["args"]["name"] for e in events if e["ph"] == "M" and e.get("name") == "thread_name"}
    spans = [e for e in events if e["ph"] == "X"]
    run = next(e for e in spans if e["tid"] == 0)
    rows = sorted(lanes)
    height = MARGIN * 2 + ROW * (len(rows) + 1)
    image = Image.new("RGB", (width, height), "white")
    pen = ImageDraw.Draw(image)
    text, small = font(14), font(11)
    scale = (width - LABEL - MARGIN * 2) / max(run["dur"], 1)

    def x(micros):
        return LABEL + MARGIN + micros * scale

    # The time axis: a line at every round step, a dozen at most.
    seconds = run["dur"] / 1e6
    step = next(s for s in (0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 30, 60, 300) if seconds / s <= 12)
    axis = height - MARGIN - ROW + 6
    tick = 0.0
    while tick <= seconds + 1e-9:
        pen.line([(x(tick * 1e6), MARGIN), (x(tick * 1e6), axis)], fill=(225, 225, 225))
        pen.text((x(tick * 1e6) - 8, axis + 4), f"{tick:g} s", fill="black", font=small)
        tick += step
    for row, lane in enumerate(rows):
        top = MARGIN + row * ROW
        name = "run: " + run["args"]["outcome"] if lane == 0 else lanes[lane]
        pen.text((MARGIN, top + (ROW - 16) // 2), name, fill="black", font=text)
        for span in (s for s in spans if s["tid"] == lane):
            left, right = x(span["ts"]), max(x(span["ts"] + span["dur"]), x(span["ts"]) + 2)
            failed = span["args"]["exit code"] != 0
            colour = (120, 120, 120) if lane == 0 else FAILED if failed else \
                PALETTE[zlib.crc32(span["name"].encode()) % len(PALETTE)]
            pen.rectangle([left, top + (ROW - BAR) // 2, right, top + (ROW + BAR) // 2], fill=colour,
                          outline="white")
            label = span["name"]
            if pen.textlength(label, font=small) < right - left - 6:
                pen.text((left + 3, top + (ROW - 12) // 2), label, fill="white", font=small)
    return image


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("trace")
    parser.add_argument("picture")
    parser.add_argument("--width", type=int, default=1200)
    args = parser.parse_args()
    with open(args.trace, encoding="utf-8") as source:
        events = json.load(source)["traceEvents"]
    draw(events, args.width).save(args.picture, optimize=True)


if __name__ == "__main__":
    main()
