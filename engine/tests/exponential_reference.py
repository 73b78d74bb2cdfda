#!/usr/bin/python3
"""The engine's exponential against a high-precision reference (mpmath).

  exponential_reference.py table SOURCE
      re-derives the table of 2^(j/1024) in SOURCE (engine/src/exponential.cpp)
      from exact values and fails on any difference; `--print` prints it.
  exponential_reference.py check PROBE [--random N] [--seed S]
      hands the hard cases, arguments next to rounding boundaries, the
      special values and N random arguments to `PROBE values`, which answers
      the engine's Exp of each, and to `PROBE values exact`, its exact path
      alone, and counts the misrounded values of both.

Run with Debian's python3 (python3-mpmath; python3-gmpy2 makes it faster).
"""
import argparse
import math
import random
import re
import struct
import subprocess
import sys
import time

from mpmath import mp, mpf

WORK_BITS = 320


def nearest_double(v):
    """v (a positive mpf) rounded to the nearest binary64, ties to even, or
    None when v lies too close to a midpoint for its own precision."""
    _, man, exp, bc = v._mpf_
    top = exp + bc - 1  # floor(log2 v)
    quantum = max(top - 52, -1074)
    shift = quantum - exp
    if shift <= 0:
        n = man << -shift
    else:
        n, rem = man >> shift, man & ((1 << shift) - 1)
        half = 1 << (shift - 1)
        if abs(rem - half) <= 4:  # v carries an error of an ulp of its own
            return None
        if rem > half:
            n += 1
    if n >= 1 << 53 and quantum + 53 > 1024:
        return math.inf
    try:
        return math.ldexp(n, quantum)
    except OverflowError:
        return math.inf


def exact_exp(x):
    """e^x correctly rounded, for a finite double x."""
    if x == 0:
        return 1.0
    bits = WORK_BITS
    while True:
        with mp.workprec(bits):
            v = mp.exp(mpf(x))
        if v == 0:
            return 0.0
        r = nearest_double(v)
        if r is not None:
            return r
        bits *= 2


def reference(x):
    if math.isnan(x):
        return math.nan
    if x == math.inf:
        return math.inf
    if x == -math.inf:
        return 0.0
    if x > 710:
        return math.inf
    if x < -746:
        return 0.0
    return exact_exp(x)


TABLE_BITS = 10


def table_entries():
    """Per j: Th, 2^(j/1024) to the nearest multiple of 2^-26 (at most 27
    significant bits, so that Th times the fast path's 26-bit rhh is exact),
    and Tl, the rest to the nearest double."""
    out = []
    size = 1 << TABLE_BITS
    for j in range(size):
        with mp.workprec(WORK_BITS):
            t = mpf(2) ** (mpf(j) / size)
            th = float(mp.nint(t * 2 ** 26)) / 2 ** 26
            rest = t - mpf(th)
            tl = 0.0 if rest == 0 else math.copysign(nearest_double(abs(rest)), float(rest))
        assert abs(tl) < 2.0 ** -27
        out.append((th, tl))
    return out


def hexf(v):
    return "0x0.0p+0" if v == 0 else v.hex()


def table_text():
    return "".join(f"    {hexf(a)}, {hexf(b)},\n" for a, b in table_entries())


def check_table(source):
    text = open(source, encoding="ascii").read()
    m = re.search(r"kExp2Table\[2 \* kTableSize\] = \{\n(.*?)\};", text, re.S)
    if not m:
        print(f"FAIL: no table found in {source}")
        return 1
    found = m.group(1)
    if found != table_text():
        for j, (a, b) in enumerate(zip(found.splitlines(), table_text().splitlines())):
            if a != b:
                print(f"FAIL: entry {j}: {a.strip()} should be {b.strip()}")
        return 1
    print(f"ok: the {1 << TABLE_BITS} entries of {source} re-derived exactly")
    return 0


def boundary_arguments(rng, count):
    """Arguments whose e^x lies close to a midpoint between two doubles: x is
    the double nearest ln(midpoint) for midpoints near 1 (where x is small
    and fine-grained), and small x whose 1 + x falls on a midpoint."""
    out = []
    for _ in range(count):
        scale = rng.randint(8, 52)
        y = 1.0 + rng.choice((-1, 1)) * rng.random() * 2.0 ** -scale
        with mp.workprec(WORK_BITS):
            mid = mpf(y) + mpf(math.ulp(y)) / 2
            x = float(mp.log(mid))  # truncation: close enough, neighbours follow
        for d in (-1, 0, 1):
            out.append(x if d == 0 else math.nextafter(x, d * math.inf))
    for e in range(25, 54):
        for sign in (1, -1):
            # 1 + x on a midpoint, x^2/2 alone decides.
            out.append(sign * (2.0 ** -e + 2.0 ** -53))
            out.append(sign * (2.0 ** -e - 2.0 ** -53))
    for e in range(53, 56):
        out += [2.0 ** -e, -(2.0 ** -e), math.nextafter(2.0 ** -e, 0), -math.nextafter(2.0 ** -e, 0)]
        out += [math.nextafter(2.0 ** -e, 1), -math.nextafter(2.0 ** -e, 1)]
    return out


def hard_cases():
    """Arguments that need the most precision: small x whose
    e^x = 1 + x + x^2/2 + ... lies within 2^-107 of a midpoint between two
    doubles, near or beyond what the exact path's first precision decides,
    and the published worst case for binary64 e^x (7.5417527749959590e-10:
    its rounding bit is 1 and 58 zeros follow)."""
    cases = [
        "0x1.9e9cbbfd6080bp-31",
        "0x1.0000000000001p-53", "-0x1.0000000000001p-54", "0x1.fffffffffffffp-54", "-0x1p-54",
        "0x1p-53", "-0x1.fffffffffffffp-55", "0x1.8p-53", "-0x1.8p-54",
    ]
    return [float.fromhex(c) for c in cases]


def special_arguments():
    return [0.0, -0.0, math.inf, -math.inf, math.nan, 5e-324, -5e-324, 2.2250738585072014e-308,
            709.782712893384, 709.7827128933841, 709.78271289338397, 709.79, 710.0, 1e300,
            -708.3964185322641, -708.39641853226408, -708.4, -745.1332191019411, -745.13321910194122,
            -745.1332191019412, -745.2, -746.0, -1e300, 1.0, -1.0, 15.0, -15.0, -225.0, 0.5, -0.5,
            math.log(2), -math.log(2), 2.0 ** -1022, -(2.0 ** -1022)]


def random_arguments(rng, count):
    out = []
    for i in range(count):
        kind = i % 5
        if kind == 0:
            out.append(rng.uniform(-745.2, 709.8))
        elif kind == 1:
            out.append(rng.uniform(-20.0, 20.0))  # activations
        elif kind == 2:
            out.append(-rng.expovariate(1 / 50.0))  # kernel weights
        elif kind == 3:
            out.append(rng.choice((-1, 1)) * 2.0 ** rng.uniform(-60, 9.47))
        else:
            bits = rng.getrandbits(64)
            x = struct.unpack("<d", struct.pack("<Q", bits))[0]
            out.append(x if math.isnan(x) or abs(x) < 746 else rng.uniform(-746, 710))
    return out


def run_probe(probe, xs, path):
    text = "\n".join(hexf(x) if not math.isnan(x) else "nan" for x in xs) + "\n"
    done = subprocess.run([probe, "values"] + ([path] if path else []), input=text, capture_output=True, text=True,
                          check=True)
    lines = done.stdout.split()
    if len(lines) != len(xs):
        raise RuntimeError(f"{probe} answered {len(lines)} values for {len(xs)}")
    return [float.fromhex(t) if t not in ("nan", "-nan") else math.nan for t in lines]


def same(a, b):
    if math.isnan(a) or math.isnan(b):
        return math.isnan(a) and math.isnan(b)
    return a == b and math.copysign(1, a) == math.copysign(1, b)


def check(args):
    rng = random.Random(args.seed)
    groups = [("special values", special_arguments()), ("hard cases", hard_cases()),
              ("next to rounding boundaries", boundary_arguments(rng, 3000))]
    if args.random:
        groups.append((f"random (seed {args.seed})", None))
    failures = 0
    for name, xs in groups:
        start = time.time()
        total = args.random if xs is None else len(xs)
        wrong = 0
        for first in range(0, total, args.batch):
            batch = xs[first:first + args.batch] if xs is not None else random_arguments(
                rng, min(args.batch, total - first))
            # Exp itself, and its exact path alone on every argument.
            got = run_probe(args.probe, batch, None)
            exact = run_probe(args.probe, batch, "exact")
            for x, y, z in zip(batch, got, exact):
                want = reference(x)
                for path, value in (("", y), (" (exact path)", z)):
                    if not same(want, value):
                        wrong += 1
                        if wrong <= 20:
                            print(f"FAIL: exp({hexf(x)}) = {hexf(value)}{path}, correctly rounded {hexf(want)}")
            if xs is None and total > args.batch:
                print(f"  {first + len(batch)} of {total} ({time.time() - start:.0f} s)", file=sys.stderr)
        print(f"{name}: {total} arguments, {wrong} misrounded ({time.time() - start:.1f} s)")
        failures += wrong
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    t = sub.add_parser("table")
    t.add_argument("source", nargs="?")
    t.add_argument("--print", action="store_true")
    c = sub.add_parser("check")
    c.add_argument("probe")
    c.add_argument("--random", type=int, default=20000)
    c.add_argument("--seed", type=int, default=18)
    c.add_argument("--batch", type=int, default=200000)
    args = parser.parse_args()
    if args.command == "table":
        if args.print:
            sys.stdout.write(table_text())
            return 0
        return check_table(args.source)
    return check(args)


if __name__ == "__main__":
    sys.exit(main())
