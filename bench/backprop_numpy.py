#!/usr/bin/python3
"""The back-propagation pass of bench/backprop_bench.cpp done with numpy
(float64): 32,767 cases x 55 inputs, 64 hidden neurons, 2 outputs, an
ordinary hidden layer and two slabs ("Logistic", "tan Hyperbolic", neurons
taken in turn). The same work as the engine's pass: range scaling with
clamping, the bias units, matmul, the activations with their saturation
beyond +-15, and the output scaling into data units. Prints cases per
second, best of --repeat runs, and the BLAS kernel numpy runs.

matmul sums in its own order (and with fused multiply-add), so numpy's
results may differ from the engine's in the last bits; the work is the same."""
import argparse
import os
import time

import numpy as np

CASES, INPUTS, HIDDEN, OUTPUTS = 32767, 55, 64, 2
SAT = 15.0


def make_network(rng, slabs):
    w_in = 0.4 * rng.uniform(-1.0, 1.0, (INPUTS + 1, HIDDEN))
    w_out = 0.5 * rng.uniform(-1.0, 1.0, (HIDDEN + slabs, OUTPUTS))
    raw = rng.uniform(-12.0, 12.0, (CASES, INPUTS))
    return w_in, w_out, raw


def logistic(x):
    y = 1.0 / (np.exp(-np.clip(x, -SAT, SAT)) + 1.0)
    y[x < -SAT] = 0.0
    y[x > SAT] = 1.0
    return y


def tan_hyperbolic(x):
    c = np.clip(x, -SAT, SAT)
    up, down = np.exp(c), np.exp(-c)
    y = (up - down) / (down + up)
    y[x < -SAT] = -1.0
    y[x > SAT] = 1.0
    return y


def run(slabs, w_in, w_out, raw):
    lo, hi = -10.0, 10.0
    scaled = np.empty((CASES, INPUTS + 1))
    scaled[:, 0] = 1.0
    s = 2.0 * (raw - lo) / (hi - lo) - 1.0
    s[raw >= hi] = 1.0
    s[raw <= lo] = -1.0
    scaled[:, 1:] = s
    sums = scaled @ w_in
    hidden = np.empty((CASES, HIDDEN + slabs))
    hidden[:, :slabs] = 1.0
    if slabs == 1:
        hidden[:, 1:] = logistic(sums)
    else:
        hidden[:, slabs::2] = logistic(sums[:, 0::2])
        hidden[:, slabs + 1::2] = tan_hyperbolic(sums[:, 1::2])
    out = logistic(hidden @ w_out)
    return (100.0 - 0.0) * out + 0.0


def blas_note():
    """Which BLAS library (and, for OpenBLAS, which kernel) numpy's matmul runs."""
    try:
        from threadpoolctl import threadpool_info
        found = [f"{i.get('internal_api')} {i.get('version')} kernel {i.get('architecture')}, "
                 f"{i.get('num_threads')} threads" for i in threadpool_info()]
        if found:
            return "; ".join(found)
    except ImportError:
        pass
    try:
        with open("/proc/self/maps") as maps:
            libs = sorted({line.split()[-1] for line in maps if "blas" in line.lower()})
        return "BLAS " + ", ".join(os.path.realpath(p) for p in libs) if libs else "BLAS unknown"
    except OSError:
        return "BLAS unknown"


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--repeat", type=int, default=7)
    args = parser.parse_args()
    for slabs in (1, 2):
        net = make_network(np.random.default_rng(42), slabs)
        best = float("inf")
        times = []
        for _ in range(args.repeat):
            start = time.perf_counter()
            out = run(slabs, *net)
            times.append(time.perf_counter() - start)
        best = min(times)
        assert np.isfinite(out).all()
        print(f"numpy backprop slabs:{slabs} best {best * 1e3:8.2f} ms  median {sorted(times)[len(times) // 2] * 1e3:8.2f} ms"
              f"  cases/s={CASES / best / 1e3:.1f}k/s")
    print(f"numpy {np.__version__}; {blas_note()}")


if __name__ == "__main__":
    main()
