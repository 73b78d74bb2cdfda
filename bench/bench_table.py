#!/usr/bin/python3
"""Prints the table of bench/run_all.sh from the raw outputs in FOLDER."""
import json
import re
import sys
from pathlib import Path


def medians(path):
    """run_name -> median entry of a Google Benchmark JSON file."""
    data = json.loads(Path(path).read_text())
    return {b["run_name"]: b for b in data["benchmarks"] if b.get("aggregate_name") == "median"}


def cvs(path):
    data = json.loads(Path(path).read_text())
    return {b["run_name"]: b for b in data["benchmarks"] if b.get("aggregate_name") == "cv"}


def ms(entry):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[entry["time_unit"]]
    return entry["real_time"] * scale


def si(text):
    """'1.30942k' -> 1309.42"""
    m = re.fullmatch(r"([0-9.]+)([kMG]?)", text)
    return float(m.group(1)) * {"": 1, "k": 1e3, "M": 1e6, "G": 1e9}[m.group(2)]


def main():
    out = Path(sys.argv[1])
    rows = []

    def row(measure, quenby, alternative, ratio, goal, note=""):
        rows.append((measure, quenby, alternative, ratio, goal, note))

    # Back-propagation.
    bp = medians(out / "backprop.json")
    bp_cv = cvs(out / "backprop.json")
    def numpy_rates(path):
        rates = {}
        for line in path.read_text().splitlines():
            m = re.match(r"numpy backprop slabs:(\d) best +([0-9.]+) ms +median +([0-9.]+) ms", line)
            if m:
                rates[int(m.group(1))] = 32767 / (float(m.group(3)) / 1e3)
        return rates, path.read_text().splitlines()[-1]

    numpy, numpy_note = numpy_rates(out / "backprop_numpy.txt")
    openblas, openblas_note = ({}, None)
    if (out / "backprop_numpy_openblas.txt").exists():
        openblas, openblas_note = numpy_rates(out / "backprop_numpy_openblas.txt")
    for slabs in (1, 2):
        alt = numpy.get(slabs)
        for name, label in ((f"BM_RunBackProp/slabs:{slabs}/threads:0/isa:-1/process_time/real_time", "pass"),
                            (f"BM_RunBackProp/slabs:{slabs}/threads:1/isa:-1/process_time/real_time", "pass, 1 thread"),
                            (f"BM_ApplyNNet/slabs:{slabs}/process_time/real_time", "whole ApplyNNet call")):
            e = bp.get(name)
            if not e:
                continue
            rate = e["cases/s"]
            cv = bp_cv.get(name, {}).get("real_time")
            row(f"Back Prop, {slabs} slab{'s' if slabs > 1 else ''}, {label} (cases/s)", f"{rate / 1e3:,.0f}k",
                f"numpy {alt / 1e3:,.0f}k" if alt else "-", f"{rate / alt:.1f}x" if alt else "-", ">= 1x numpy",
                f"cv {cv * 100:.0f} %" if cv is not None else "")
            ob = openblas.get(slabs)
            if ob and label == "pass":
                row(f"Back Prop, {slabs} slab{'s' if slabs > 1 else ''}, pass beside numpy over OpenBLAS (cases/s)",
                    f"{rate / 1e3:,.0f}k", f"numpy+OpenBLAS {ob / 1e3:,.0f}k", f"{rate / ob:.1f}x", "-", "")

    for cases in (100, 1000):
        auto = bp.get(f"BM_RunBackPropSmall/cases:{cases}/threads:0/process_time/real_time")
        one = bp.get(f"BM_RunBackPropSmall/cases:{cases}/threads:1/process_time/real_time")
        if auto and one:
            row(f"Back Prop, {cases} cases, automatic threads (us per table)", f"{ms(auto) * 1e3:,.0f}",
                f"1 thread {ms(one) * 1e3:,.0f}", f"{ms(one) / ms(auto):.2f}x", "no slower", "")

    # Loading.
    ld = medians(out / "load.json")
    wc = re.search(r"wc -l: (\d+) lines, (\d+) bytes, best (\d+) ns", (out / "load_wc.txt").read_text())
    wc_mbs = int(wc.group(2)) / 1e6 / (int(wc.group(3)) / 1e9)
    size_mb = int(wc.group(2)) / 1e6
    without = ld.get("BM_BackPropWithoutSection/real_time")
    for name, label in (("BM_BackPropWithSection/real_time", "Back Prop on 100 rows"),
                        ("BM_LoadNetworkFile/real_time", "load alone (section checked, kept)"),
                        ("BM_LoadAndConvert/real_time", "load converting the section"),
                        ("BM_GrnnOneCase/real_time", "GRNN on one case")):
        e = ld.get(name)
        if e:
            mbs = size_mb / (ms(e) / 1e3)
            row(f"Loading a {size_mb:.1f} MB, {int(wc.group(1)):,}-line .DLLFile, {label} (MB/s)", f"{mbs:,.0f}",
                f"wc -l {wc_mbs:,.0f}", f"{mbs / wc_mbs:.2f}x", ">= 3,000 MB/s" if "100 rows" in label else "",
                f"{ms(e):.2f} ms")
    if without and ld.get("BM_BackPropWithSection/real_time"):
        w = ms(ld["BM_BackPropWithSection/real_time"])
        row("Back Prop on 100 rows, with the section against without (ms)", f"{w:.2f}",
            f"without {ms(without):.3f}", f"{w / ms(without):.0f}x", "", "")

    # One host calculation.
    host = (out / "host.txt").read_text()
    d = re.search(r"driver: median ([0-9.]+) ms +p90 ([0-9.]+) ms +\((\d+) calls", host)
    f = re.search(r"floor: +median ([0-9.]+) ms +p90 ([0-9.]+) ms", host)
    mem = re.search(r"driver (\d+) kB, copy driver (\d+) kB", host)
    first = re.search(r"first .*: ([0-9.]+) ms", host)
    if d and f:
        row(f"Host calculation, median per call (ms, {d.group(3)} calls)", d.group(1), f"floor {f.group(1)}",
            f"{float(d.group(1)) / float(f.group(1)):.2f}x", "<= 1.5x floor")
        row("Host calculation, 90th percentile per call (ms)", d.group(2), f"floor {f.group(2)}",
            f"{float(d.group(2)) / float(f.group(2)):.2f}x", "<= 1.5x floor")
    cpu = re.search(r"processor time per call .*: driver ([0-9.]+) ms +floor ([0-9.]+) ms", host)
    if cpu:
        row("Host calculation, processor time per call, all processes (ms)", cpu.group(1), f"floor {cpu.group(2)}",
            f"{float(cpu.group(1)) / float(cpu.group(2)):.2f}x", "-", "steadier than elapsed on a busy machine")
    if first:
        row("Host calculation, first call: compiles the four projects (ms)", first.group(1), "-", "-", "-")
    if mem:
        row("Peak memory of one driver run (kB, max RSS)", mem.group(1), f"copy driver {mem.group(2)}",
            f"{int(mem.group(1)) / int(mem.group(2)):.2f}x", "-")

    # The same with Spring keeping 20,000 stored patterns.
    large = out / "host_20000.txt"
    if large.exists():
        text = large.read_text()
        d = re.search(r"driver: median ([0-9.]+) ms", text)
        f = re.search(r"floor: +median ([0-9.]+) ms", text)
        cpu = re.search(r"processor time per call .*: driver ([0-9.]+) ms +floor ([0-9.]+) ms", text)
        size = re.search(r"compiled file ([0-9.]+) MB", text)
        if d and f and cpu and size:
            row(f"Host calculation, Spring with 20,000 patterns ({size.group(1)} MB), median (ms)", d.group(1),
                f"floor {f.group(1)}", f"{float(d.group(1)) / float(f.group(1)):.2f}x", "-")
            row("... processor time per call, all processes (ms)", cpu.group(1), f"floor {cpu.group(2)}",
                f"{float(cpu.group(1)) / float(cpu.group(2)):.2f}x", "-")

    # Compilation (compile_bench.sh's own output).
    comp = (out / "compile.txt").read_text()
    c = re.search(r"BM_CompileProject/real_time_median .*?MB=([0-9.]+[kMG]?)/s", comp)
    w = re.search(r"wc -l on bench.dat: .*= ([0-9.]+) MB/s", comp)
    size = re.search(r"([0-9.]+) MB of project files, (\d+) data lines", comp)
    if c:
        mbs = si(c.group(1))
        label = f"{size.group(1)} MB, {int(size.group(2)):,} data lines" if size else "generated project"
        row(f"Compilation, {label} (MB/s)", f"{mbs:,.0f}", f"wc -l {float(w.group(1)):,.0f}" if w else "-",
            f"{mbs / float(w.group(1)):.2f}x" if w else "-", "-")

    # General regression (grnn_bench.sh's own output).
    grnn = (out / "grnn.txt").read_text()
    gn = {m.group(1): float(m.group(2)) for m in re.finditer(r"numpy (Holdout|Genetic) .*?terms/s=([0-9.]+)G/s", grnn)}
    for genetic, cal in ((0, "Holdout"), (1, "Genetic")):
        m = re.search(rf"BM_RunGrnn/genetic:{genetic}/isa:-1/threads:0/sigma%:100/real_time .*?terms/s=([0-9.]+[kMG]?)/s",
                      grnn)
        if m:
            rate = si(m.group(1)) / 1e9
            alt = gn.get(cal)
            row(f"GRNN {cal}, 1,000 cases x 10,000 patterns x 50 inputs (G terms/s)", f"{rate:.2f}",
                f"numpy {alt:.2f}" if alt else "-", f"{rate / alt:.1f}x" if alt else "-", "-")

    print((out / "machine.txt").read_text().rstrip())
    print(numpy_note)
    if openblas_note:
        print(openblas_note)
    print()
    print("| Measure | Quenby | Alternative | Ratio | Goal | Note |")
    print("|---|---:|---:|---:|---|---|")
    for r in rows:
        print("| " + " | ".join(r) + " |")


if __name__ == "__main__":
    main()
