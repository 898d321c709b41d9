#!/usr/bin/env python3
"""Turns the runs of sorvex_bench and sorvex_bench_driverflags (their JSON
output) into the report: a Markdown table of ours against the peers and
against a plain copy of the same bytes, the forms and configurations each of
ours was measured in side by side, and an SVG chart of the ratios. Times are
CPU times (every run is single threaded), medians when the run has
repetitions.

Usage: report.py RUN.json [MORE.json ...] --out DIR [--baseline EARLIER.json]
"""

import argparse
import html
import json
import math
import os
import sys

def tagged(name, tag):
    """"owner/what/size" as "owner:TAG/what/size"."""
    owner, _, rest = name.partition("/")
    return f"{owner}:{tag}/{rest}" if tag else name


OURS = ("sorvex0/", "sorvex1/")
OURS_IN_ANY_FORM = ("sorvex0", "sorvex1")
# The forms and configurations a run of ours is measured in (bench_cases.h):
# "owner/what/size" is the host build's best forms, "owner:TAG/what/size"
# the others.
FORMS = [("", "host build"), ("scalar", "host, scalar forms"), ("driver", "drivers' configuration"),
         ("driver-scalar", "drivers' configuration, scalar forms")]

# The performance goals. Each is a run of ours, what it is measured against
# ("peer": the run's peer, "copy": a plain copy of its bytes, "run:NAME":
# that run) and the limit of that ratio.
DEFAULT_PIPELINE = "sorvex0/raw_to_img_mode2_yuyv/1280x960->640x480"
ZOOM_RUNS = [f"sorvex0/zoom_{fmt}_level{level}/640x480" for fmt in ("yuyv", "rgb24") for level in (1, 8, 20, 29)]
GOALS = [
    ("sorvex1/raw_to_yuyv/1280x960", "peer", 1.0, "demosaic to YUYV no slower than OpenCV's bilinear Bayer to BGR"),
    ("sorvex1/yuyv_to_bitmap/1280x960", "peer", 1.5, "YUYV to bitmap within 1.5x of libyuv's YUY2 to ARGB"),
    ("sorvex1/yuyv_to_i420/1280x960", "peer", 1.0, "YUYV to I420 no slower than libyuv's"),
    (DEFAULT_PIPELINE, "run:opencv/bayer_to_bgr_bilinear/1280x960", 3.0,
     "default pipeline within 3x of OpenCV's bilinear Bayer to BGR"),
] + [(name, "copy", 2.0, "zoom kernel within 2x of a copy of its output") for name in ZOOM_RUNS] + [
    (tagged(DEFAULT_PIPELINE, "driver"), "run:" + DEFAULT_PIPELINE, 1.5,
     "default pipeline in the drivers' configuration within 1.5x of the host build"),
]


def goal_value(runs, run, against):
    """The measured side of a goal: a ratio."""
    if run is None:
        return None
    if against.startswith("run:"):
        return ratio(runs, run, against[len("run:"):])
    return ratio(runs, run, run.peer if against == "peer" else run.copy)


class Run:
    def __init__(self, entry):
        self.name = entry["run_name"]
        self.cpu_us = to_microseconds(entry["cpu_time"], entry.get("time_unit", "ns"))
        self.peer = None
        self.copy = None
        for part in entry.get("label", "").split():
            key, _, value = part.partition("=")
            if key == "peer" and value != "-":
                self.peer = value
            elif key == "copy":
                self.copy = value
        self.counters = {k: v for k, v in entry.items() if k.startswith("psnr")}


def to_microseconds(value, unit):
    return value * {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[unit]


def load_runs(paths):
    """The runs of every file, by name; the context of the first."""
    context = None
    runs = {}
    for path in paths:
        file_context, file_runs = load_file(path)
        context = context if context is not None else file_context
        runs.update(file_runs)
    return context or {}, runs


def load_file(path):
    with open(path) as f:
        data = json.load(f)
    entries = data["benchmarks"]
    medians = [e for e in entries if e.get("run_type") == "aggregate" and e.get("aggregate_name") == "median"]
    chosen = medians if medians else [e for e in entries if e.get("run_type", "iteration") == "iteration"]
    runs = {}
    for entry in chosen:
        run = Run(entry)
        runs[run.name] = run
    return data.get("context", {}), runs


def ratio(runs, ours, other_name):
    other = runs.get(other_name) if other_name else None
    if other is None or other.cpu_us <= 0:
        return None
    return ours.cpu_us / other.cpu_us


def fmt_time(us):
    if us < 1:
        return f"{us:.3f}"
    return f"{us:,.1f}" if us < 100 else f"{us:,.0f}"


def fmt_ratio(value):
    if value is None:
        return "–"
    return f"{value:.2f}" if value >= 0.1 else f"{value:.2g}"


def markdown(context, runs, baseline):
    lines = ["# Benchmark report", ""]
    lines.append(
        f"Run {context.get('date', '?')} on {context.get('host_name', '?')}: "
        f"{context.get('num_cpus', '?')} CPUs at {context.get('mhz_per_cpu', '?')} MHz. "
        "CPU time per call, median of the repetitions; every run uses one thread. "
        "The copy is a plain `memcpy` of the larger of the bytes a run reads and writes."
    )
    lines.append("")

    lines.append("## Goals")
    lines.append("")
    lines.append("| Goal | Run | Against | Ours | Limit | Met |")
    lines.append("|---|---|---|---|---|---|")
    for name, against, limit, text in GOALS:
        value = goal_value(runs, runs.get(name), against)
        met = "–" if value is None else ("yes" if value <= limit else "no")
        shown_against = f"`{against[len('run:'):]}`" if against.startswith("run:") else against
        lines.append(f"| {text} | `{name}` | {shown_against} | {fmt_ratio(value)} | {limit:.1f} | {met} |")
    lines.append("")

    lines.append("## Forms and configurations")
    lines.append("")
    lines.append(
        "Each run with vector forms, in the host build with the forms the processor allows and with the scalar "
        "forms (the vector sets withheld from the libraries' probe), and the same in the drivers' configuration "
        "(sorvex0 and sorvex1 built with the drivers' flags: no vector registers outside the vector units). "
        "The drivers' scalar forms are what the shipped driver runs when it cannot save the vector state.")
    lines.append("")
    lines.append("| Run | " + " | ".join(f"{label} (µs)" for _, label in FORMS) + " | drivers / host | scalar / best, drivers |")
    lines.append("|---|" + "---:|" * (len(FORMS) + 2))
    for name in sorted(n for n in runs if n.startswith(OURS) and any(tagged(n, t) in runs for t, _ in FORMS if t)):
        times = [runs.get(tagged(name, tag)) for tag, _ in FORMS]
        cells = [fmt_time(run.cpu_us) if run else "–" for run in times]
        host, _, driver, driver_scalar = times
        to_host = fmt_ratio(driver.cpu_us / host.cpu_us) if driver and host else "–"
        to_best = fmt_ratio(driver_scalar.cpu_us / driver.cpu_us) if driver and driver_scalar else "–"
        lines.append(f"| `{name}` | " + " | ".join(cells) + f" | {to_host} | {to_best} |")
    lines.append("")

    lines.append("## Ours")
    lines.append("")
    header = "| Run | Time (µs) |"
    rule = "|---|---:|"
    if baseline:
        header += " Before (µs) | Speed-up |"
        rule += "---:|---:|"
    header += " Peer | Peer (µs) | Ours / peer | Ours / copy |"
    rule += "---|---:|---:|---:|"
    lines += [header, rule]
    for name in sorted(n for n in runs if n.startswith(OURS)):
        run = runs[name]
        row = f"| `{name}` | {fmt_time(run.cpu_us)} |"
        if baseline:
            before = baseline.get(name)
            row += f" {fmt_time(before.cpu_us)} | {before.cpu_us / run.cpu_us:.1f}× |" if before else " – | – |"
        peer = runs.get(run.peer) if run.peer else None
        row += f" {'`' + run.peer + '`' if run.peer else '–'} | {fmt_time(peer.cpu_us) if peer else '–'} |"
        row += f" {fmt_ratio(ratio(runs, run, run.peer))} | {fmt_ratio(ratio(runs, run, run.copy))} |"
        lines.append(row)
    lines.append("")

    lines.append("## Peers")
    lines.append("")
    lines.append("| Run | Time (µs) | Peer / copy |")
    lines.append("|---|---:|---:|")
    for name in sorted(n for n in runs if not n.startswith(OURS_IN_ANY_FORM) and not n.startswith("memcpy/")):
        run = runs[name]
        lines.append(f"| `{name}` | {fmt_time(run.cpu_us)} | {fmt_ratio(ratio(runs, run, run.copy))} |")
    lines.append("")

    quality = [(n, r.counters) for n, r in sorted(runs.items()) if r.counters]
    if quality:
        lines.append("## Demosaic quality")
        lines.append("")
        lines.append(
            "PSNR against coffee.png after mosaicing it to the sensor's Bayer layout, leaving out 4 pixels "
            "at each edge. Ours: `psnr_demosaic_db` is the demosaic alone, `psnr_db` raw → YUYV → bitmap."
        )
        lines.append("")
        lines.append("| Run | Measure | dB |")
        lines.append("|---|---|---:|")
        for name, counters in quality:
            for key, value in sorted(counters.items()):
                lines.append(f"| `{name}` | {key} | {value:.2f} |")
        lines.append("")
    return "\n".join(lines)


def svg_chart(runs):
    """Horizontal bars on a log scale: ours / peer and ours / copy per run."""
    rows = []
    for name in sorted(n for n in runs if n.startswith(OURS)):
        run = runs[name]
        rows.append((name, ratio(runs, run, run.peer), ratio(runs, run, run.copy)))
    values = [v for _, p, c in rows for v in (p, c) if v]
    if not values:
        return None
    low = 10 ** math.floor(math.log10(min(min(values), 1.0)))
    high = 10 ** math.ceil(math.log10(max(max(values), 1.0)))
    label_width, plot_width, row_height, top = 420, 560, 26, 60
    width = label_width + plot_width + 40
    height = top + row_height * len(rows) + 50

    def x_of(value):
        return label_width + plot_width * (math.log10(value) - math.log10(low)) / (
            math.log10(high) - math.log10(low))

    out = [
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
        'font-family="sans-serif" font-size="12">',
        f'<rect width="{width}" height="{height}" fill="white"/>',
        f'<text x="{label_width}" y="20" font-size="14" font-weight="bold">'
        "Time ratio, log scale (1 = as fast)</text>",
        f'<rect x="{label_width}" y="30" width="12" height="10" fill="#d9534f"/>'
        f'<text x="{label_width + 16}" y="39">ours / peer</text>',
        f'<rect x="{label_width + 110}" y="30" width="12" height="10" fill="#5b8fd6"/>'
        f'<text x="{label_width + 126}" y="39">ours / memcpy of the same bytes</text>',
    ]
    decade = low
    while decade <= high * 1.0001:
        x = x_of(decade)
        out.append(f'<line x1="{x:.1f}" y1="{top - 6}" x2="{x:.1f}" y2="{height - 40}" stroke="#ccc"/>')
        out.append(f'<text x="{x:.1f}" y="{height - 24}" text-anchor="middle">{decade:g}</text>')
        decade *= 10
    one = x_of(1.0)
    out.append(f'<line x1="{one:.1f}" y1="{top - 6}" x2="{one:.1f}" y2="{height - 40}" stroke="#333"/>')
    for i, (name, to_peer, to_copy) in enumerate(rows):
        y = top + i * row_height
        out.append(f'<text x="{label_width - 8}" y="{y + 15}" text-anchor="end">{html.escape(name)}</text>')
        for offset, value, colour in ((2, to_peer, "#d9534f"), (12, to_copy, "#5b8fd6")):
            if value is None:
                continue
            x = x_of(value)
            left, right = min(x, one), max(x, one)
            out.append(
                f'<rect x="{left:.1f}" y="{y + offset}" width="{max(right - left, 1):.1f}" height="9" '
                f'fill="{colour}"><title>{html.escape(name)}: {value:.2f}</title></rect>')
    out.append("</svg>")
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("run", nargs="+")
    parser.add_argument("--out", required=True)
    parser.add_argument("--baseline")
    args = parser.parse_args()

    context, runs = load_runs(args.run)
    if not runs:
        sys.exit(f"report.py: no benchmark runs in {args.run}")
    baseline = load_runs([args.baseline])[1] if args.baseline else None
    os.makedirs(args.out, exist_ok=True)
    with open(os.path.join(args.out, "report.md"), "w") as f:
        f.write(markdown(context, runs, baseline) + "\n\n![Ratios](ratios.svg)\n")
    chart = svg_chart(runs)
    if chart:
        with open(os.path.join(args.out, "ratios.svg"), "w") as f:
            f.write(chart)


if __name__ == "__main__":
    main()
