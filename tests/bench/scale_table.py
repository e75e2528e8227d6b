#!/usr/bin/env python3
"""The table of the scale benchmarks: each step beside its plain baseline.

    tests/bench/scale_table.py                  runs build/native/dorvane_bench
    tests/bench/scale_table.py --repetitions 9  more repetitions on a busy machine
    tests/bench/scale_table.py --json run.json  tables a run saved before

Every step and its baseline are measured in the same run, repeated with the
repetitions interleaved at random; the table uses the medians of the wall
times. It prints, per step and size, both times, their ratio and the target
where there is one, then the cost per record of every benchmark. Exits with 1
when a target is missed (a shared machine may need a second run to tell
noise from a miss: compare the ratios, never the times of two runs).
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile

# step, benchmark, its baseline, the most baselines it may take, at which sizes
STEPS = [
    ("pick (save with backup, flushed)", "ScalePick", "ScalePlainPick", 1.2, (100000, 150000)),
    ("load", "ScaleLoad", "ScalePlainLoad", 1.5, (100000, 150000)),
    ("add on the first day", "ScaleEditorPlaceFirstDay", "ScalePlainDay", 2.0, (225000,)),
    ("change on the last day", "ScaleEditorChangeLastDay", "ScalePlainDay", 2.0, (225000,)),
    ("delete on the last day", "ScaleEditorDeleteLastDay", "ScalePlainDay", 2.0, (225000,)),
    ("editor rows of a day", "ScaleEditorDay", "ScalePlainDay", None, ()),
    ("report page: time chart", "ScaleReportTime", "ScalePlainReport", 0.5, (100000, 150000, 225000)),
    ("report page: day totals", "ScaleReportStatics", "ScalePlainReport", 0.5, (100000, 150000, 225000)),
]
UNITS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def run_benchmarks(bench, repetitions):
    out = tempfile.NamedTemporaryFile(suffix=".json", delete=False)
    out.close()
    try:
        subprocess.run([bench, "--benchmark_filter=^Scale",
                        "--benchmark_repetitions=%d" % repetitions,
                        "--benchmark_enable_random_interleaving=true",
                        "--benchmark_report_aggregates_only=true",
                        "--benchmark_out=" + out.name, "--benchmark_out_format=json"],
                       check=True, stdout=subprocess.DEVNULL)
        with open(out.name) as f:
            return json.load(f)
    finally:
        os.unlink(out.name)


def medians(run):
    times = {}  # (name, n) -> ms
    for b in run["benchmarks"]:
        name = b.get("run_name", b["name"])
        base, _, arg = name.partition("/")
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        if not arg.isdigit():
            continue
        times[(base, int(arg))] = b["real_time"] * UNITS[b.get("time_unit", "ns")]
    return times


def table(times):
    sizes = sorted({n for (_, n) in times})
    missed = []
    print("| step | N | Dorvane ms | plain ms | ratio | target |")
    print("|---|---|---|---|---|---|")
    for step, cost, baseline, limit, at in STEPS:
        for n in sizes:
            if (cost, n) not in times or (baseline, n) not in times:
                continue
            c, b = times[(cost, n)], times[(baseline, n)]
            ratio = c / b if b > 0 else float("inf")
            target = ""
            if limit is not None and n in at:
                ok = ratio <= limit
                target = "<= %.1f %s" % (limit, "ok" if ok else "MISSED")
                if not ok:
                    missed.append("%s at %d" % (step, n))
            print("| %s | %d | %.3f | %.3f | %.2f | %s |" % (step, n, c, b, ratio, target))
    print()
    print("| benchmark | us per record at N = %s |" % " / ".join(str(n) for n in sizes))
    print("|---|---|")
    for name in sorted({c for (c, _) in times}):
        per = ["%.4f" % (times[(name, n)] * 1000.0 / n) for n in sizes if (name, n) in times]
        print("| %s | %s |" % (name, " / ".join(per)))
    if missed:
        print("\nmissed: " + ", ".join(missed))
    return 1 if missed else 0


def main():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--bench", default=os.path.join(root, "build", "native", "dorvane_bench"))
    parser.add_argument("--repetitions", type=int, default=5)
    parser.add_argument("--json", help="a saved run (--benchmark_out_format=json) instead of a new one")
    args = parser.parse_args()
    if args.json:
        with open(args.json) as f:
            run = json.load(f)
    else:
        run = run_benchmarks(args.bench, args.repetitions)
    return table(medians(run))


if __name__ == "__main__":
    sys.exit(main())
