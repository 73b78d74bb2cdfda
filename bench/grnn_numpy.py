#!/usr/bin/python3
"""The general regression pass of bench/grnn_bench.cpp done with numpy
(float64, broadcasting): 1,000 cases x 10,000 patterns x 50 inputs, one
output, "Holdout" and "Genetic". Prints kernel terms (case x pattern x input)
per second, best over --repeat runs and the --chunks sizes tried.

numpy sums the squared differences pairwise rather than input by input, so
its results may differ from the engine's in the last bits; the work is the
same. Cases go through in chunks so the (chunk, patterns, inputs) temporary
stays small; a chunk of a few cases, whose temporary fits the cache, was
fastest here."""
import argparse
import time

import numpy as np

CASES, PATTERNS, INPUTS = 1000, 10000, 50


def make_network(rng):
    training_inputs = rng.uniform(-1.0, 1.0, (PATTERNS, INPUTS))
    factors = 1.25 + 0.75 * rng.uniform(-1.0, 1.0, (PATTERNS, INPUTS))
    training_outputs = 0.5 + 0.5 * rng.uniform(-1.0, 1.0, (PATTERNS, 1))
    raw = rng.uniform(-1.0, 1.0, (CASES, INPUTS))
    return training_inputs, factors, training_outputs, raw


def run(calibration, training_inputs, factors, training_outputs, raw, chunk):
    lo, hi = -1.0, 1.0
    scaled = ((raw - lo) / (hi - lo)) * 2.0 - 1.0
    sigma = 1.0
    two_sigma2 = sigma**2 + sigma**2
    squares = factors**2
    out = np.empty((CASES, training_outputs.shape[1]))
    for first in range(0, CASES, chunk):
        x = scaled[first:first + chunk]
        d = training_inputs[None, :, :] - x[:, None, :]
        d *= d
        if calibration == "Genetic":
            d /= squares[None, :, :]
            q = -d.sum(axis=2)
        else:
            q = -d.sum(axis=2) / two_sigma2
        w = np.exp(q)
        a = w @ training_outputs
        s = w.sum(axis=1, keepdims=True)
        out[first:first + chunk] = np.where(s > 1e-140, a / np.where(s > 1e-140, s, 1.0), 1.0)
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--repeat", type=int, default=2)
    parser.add_argument("--chunks", default="1,4,16", help="cases per broadcast, comma-separated")
    args = parser.parse_args()
    net = make_network(np.random.default_rng(42))
    terms = CASES * PATTERNS * INPUTS
    for calibration in ("Holdout", "Genetic"):
        best, best_cpu, best_chunk = float("inf"), None, None
        for chunk in (int(c) for c in args.chunks.split(",")):
            for _ in range(args.repeat):
                start, start_cpu = time.perf_counter(), time.process_time()
                out = run(calibration, *net, chunk)
                elapsed = time.perf_counter() - start
                if elapsed < best:
                    best, best_cpu, best_chunk = elapsed, time.process_time() - start_cpu, chunk
            assert np.isfinite(out).all()
        print(f"numpy {calibration:8s} {best * 1e3:9.1f} ms (CPU {best_cpu * 1e3:.1f} ms)  terms/s={terms / best / 1e9:.3f}G/s "
              f"(numpy {np.__version__}, best chunk {best_chunk})")


if __name__ == "__main__":
    main()
