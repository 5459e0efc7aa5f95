#!/usr/bin/env python3
"""Prints the markdown table of one read_bench JSON run: per chart size the
library's throughput, the fscanf baseline's and the floor's, and the ratios
between them, then the peak memory of a read."""
import json
import sys


def cpu_seconds(run):
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[run["time_unit"]]
    return run["cpu_time"] * scale


def main(path):
    with open(path) as f:
        data = json.load(f)
    runs = {}
    sizes = []
    for run in data["benchmarks"]:
        if run.get("run_type", "iteration") != "iteration" or "error_occurred" in run:
            continue
        kind, size = run["name"].split("/")[:2]
        runs[(kind, size)] = run
        if size not in sizes:
            sizes.append(size)

    print("| chart | file MB | library MB/s | library elements/s | fscanf MB/s | floor MB/s "
          "| library ÷ fscanf | library ÷ floor | library ms per MB |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    for size in sizes:
        reader, stdio, floor = (runs.get((k, size)) for k in ("Reader", "Stdio", "Floor"))
        if not (reader and stdio and floor):
            continue
        mb = reader["file_MB"]
        speed = {k: mb / cpu_seconds(r) for k, r in (("r", reader), ("s", stdio), ("f", floor))}
        print(f"| {size} | {mb:.1f} | {speed['r']:.0f} | {reader['elements/s'] / 1e6:.2f} M "
              f"| {speed['s']:.0f} | {speed['f']:.0f} "
              f"| {speed['r'] / speed['s']:.1f}× | {speed['r'] / speed['f']:.2f}× "
              f"| {1000 * cpu_seconds(reader) / mb:.2f} |")

    context = data.get("context", {})
    memory = [(k[len("memory_"):], v) for k, v in context.items() if k.startswith("memory_")]
    if memory:
        print()
        print("| chart | peak growth of a read | ÷ file size | returned blocks ÷ file size "
              "| (peak − blocks) ÷ file size |")
        print("|---|---:|---:|---:|---:|")
        for size, text in sorted(memory, key=lambda item: float(item[0].rstrip("MB"))):
            fields = dict(item.split("=") for item in text.split())
            if "file" not in fields:
                print(f"| {size} | {text} | | | |")
                continue
            file, peak, blocks = (float(fields[k]) for k in ("file", "peak_growth", "blocks"))
            print(f"| {size} | {peak / 1e6:.1f} MB | {peak / file:.2f}× | {blocks / file:.2f}× "
                  f"| {(peak - blocks) / file:.2f}× |")


if __name__ == "__main__":
    main(sys.argv[1])
