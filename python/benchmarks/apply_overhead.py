"""Engine.apply against a bare ctypes call of ApplyNNet, 100,000 cases of the
sample network Well, best of 7 each:

    QUENBY_LIBRARY=build/bin/libQuenby.so PYTHONPATH=python /usr/bin/python3 \
        python/benchmarks/apply_overhead.py SAMPLE_FOLDER

SAMPLE_FOLDER as build/bin/sample-generator writes it."""
import ctypes, sys, time
import numpy as np
import quenby
from quenby._library import QuenbyTable
sample = sys.argv[1]
e = quenby.Engine()
p = f'{sample}/projects/Well'
x = np.loadtxt(f'{sample}/checks/Well.inputs.csv', delimiter=',', skiprows=1)
rng = np.random.default_rng(1)
big = x[rng.integers(0, 20, 100_000)] * (1 + rng.normal(0, 0.1, (100_000, 47)))
lib = ctypes.CDLL(e.library)
def raw():
    t = QuenbyTable(big.ctypes.data_as(ctypes.POINTER(ctypes.c_double)), 1, big.shape[0], 1, big.shape[1]); o = QuenbyTable()
    assert lib.ApplyNNet(b"Back Prop", p.encode(), ctypes.byref(t), ctypes.byref(o)) == 0
    lib.QuenbyFreeTable(ctypes.byref(o))
fort = np.asfortranarray(big); lists = big.tolist()
cases = [("bare ApplyNNet (ctypes)", raw), ("Engine.apply, C order", lambda: e.apply(p, big)),
         ("Engine.apply, Fortran order", lambda: e.apply(p, fort)), ("Engine.apply, list of lists", lambda: e.apply(p, lists))]
best = {n: 1e9 for n, _ in cases}
for _ in range(7):
    for n, f in cases:
        t0 = time.perf_counter(); f(); best[n] = min(best[n], time.perf_counter() - t0)
for n, _ in cases:
    print(f"{n:30s} {best[n]*1000:7.1f} ms")
