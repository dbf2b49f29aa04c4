#!/usr/bin/env python3
"""Ratios ours / peer from one run of COLbenchmarks written with --benchmark_format=json
(or --benchmark_out=FILE). Benchmarks are named work/who[/size]; "who" starting with COL or
FIL is ours, every other "who" of the same work and size is a peer. With repetitions the
medians are used, otherwise the single figure; the time is the thread's CPU time."""
import json
import sys


def main():
    data = json.load(open(sys.argv[1]) if len(sys.argv) > 1 else sys.stdin)
    times = {}
    for run in data["benchmarks"]:
        if run.get("run_type") == "aggregate" and run.get("aggregate_name") != "median":
            continue
        parts = run["run_name"].split("/")
        work, who, size = parts[0], parts[1], "/".join(parts[2:])
        times.setdefault((work, size), {})[who] = (run["cpu_time"], run["time_unit"])
    print("%-16s %-10s %-14s %12s  %-22s %12s  %6s" % ("work", "size", "ours", "time", "peer", "time", "ratio"))
    def order(item):
        (work, size), _ = item
        return (work, int(size) if size.isdigit() else 0)

    for (work, size), group in sorted(times.items(), key=order):
        ours = [w for w in group if w.startswith(("COL", "FIL"))]
        for mine in ours:
            for peer, (t, unit) in sorted(group.items()):
                if peer in ours:
                    continue
                m, munit = group[mine]
                print("%-16s %-10s %-14s %9.4g %-2s  %-22s %9.4g %-2s  %6.2f" %
                      (work, size, mine, m, munit, peer, t, unit, m / t if munit == unit else float("nan")))


main()
