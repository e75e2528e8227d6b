#!/usr/bin/env python3
"""The table of the scale benchmarks: each cost beside its plain baseline.

    build/native/dorvane_bench --benchmark_filter='^Scale' \
        --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
        --benchmark_out=scale.json --benchmark_out_format=json
    tests/bench/scale_table.py scale.json

Uses the median of the repetitions (or the single run). Prints, per size,
the milliseconds of each cost and its baseline and their ratio against the
target at 150,000 records, then the fit against N of every benchmark. Exits
with 1 when a target at 150,000 records is missed.
"""
import json
import sys

# cost, baseline, how many baselines the cost may take at 150,000 records
PAIRS = [
    ("ScaleLoad", "ScalePlainLoad", 2.0),
    ("ScalePick", "ScalePlainPick", 1.5),
    ("ScaleReportTime", "ScalePlainReport", 2.0),
    ("ScaleReportStatics", "ScalePlainReport", 2.0),
    ("ScaleEditorDay", "ScalePlainDay", None),
    ("ScaleEditorPlaceFirstDay", "ScalePlainDay", None),
]
TARGET_SIZE = 150000


def main(path):
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    times = {}  # (name, n) -> ms
    fits = {}  # name -> (coefficient, rms)
    for run in runs:
        name = run["run_name"] if "run_name" in run else run["name"]
        base, _, arg = name.partition("/")
        if run.get("aggregate_name") == "BigO":
            fits.setdefault(base, [None, None])[0] = run.get("cpu_coefficient")
            continue
        if run.get("aggregate_name") == "RMS":
            fits.setdefault(base, [None, None])[1] = run.get("rms")
            continue
        if run.get("run_type") == "aggregate" and run.get("aggregate_name") != "median":
            continue
        if not arg.isdigit():
            continue
        scale = {"ms": 1.0, "us": 1e-3, "ns": 1e-6, "s": 1e3}[run.get("time_unit", "ns")]
        times[(base, int(arg))] = run["real_time"] * scale
    sizes = sorted({n for (_, n) in times})
    missed = []
    print("| cost | baseline | N | cost ms | baseline ms | ratio | target |")
    print("|---|---|---|---|---|---|---|")
    for cost, baseline, limit in PAIRS:
        for n in sizes:
            if (cost, n) not in times or (baseline, n) not in times:
                continue
            c, b = times[(cost, n)], times[(baseline, n)]
            ratio = c / b if b > 0 else float("inf")
            target = ""
            if limit is not None and n == TARGET_SIZE:
                target = "<= %.1f %s" % (limit, "ok" if ratio <= limit else "MISSED")
                if ratio > limit:
                    missed.append("%s/%d" % (cost, n))
            print("| %s | %s | %d | %.2f | %.2f | %.2f | %s |" % (cost, baseline, n, c, b, ratio, target))
    print()
    print("| benchmark | per record (us) at each N | fit RMS |")
    print("|---|---|---|")
    for name in sorted({c for (c, _) in times}):
        per = ["%.3f" % (times[(name, n)] * 1000.0 / n) for n in sizes if (name, n) in times]
        rms = fits.get(name, [None, None])[1]
        print("| %s | %s | %s |" % (name, " / ".join(per), "%.0f%%" % (rms * 100) if rms is not None else "-"))
    if missed:
        print("\nmissed at %d records: %s" % (TARGET_SIZE, ", ".join(missed)))
        return 1
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print(__doc__)
        sys.exit(2)
    sys.exit(main(sys.argv[1]))
