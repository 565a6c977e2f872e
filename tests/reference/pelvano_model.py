#!/usr/bin/env python3
"""Reference model of Pelvano's results file.

Given a study folder of Structure output files and the values of the run's
parameter file, this script computes the text that Pelvano writes into its
results file (the report after the six banner lines), so that end-to-end tests
can compare the program's output with it byte for byte.

It is written for clarity, not speed: every single-precision operation is
rounded to binary32 one step at a time, and every double-precision value is
formed in the same order of operations as the program does.

Usage:
  pelvano_model.py --folder DIR --generic 'K*' --kstart A --kend B
                   --nind N --nrun R --fname PARAMNAME [--banner BANNERFILE]
"""

import argparse
import fnmatch
import math
import os
import re
import struct
import sys

THRESH0 = 0.6499999761581421          # 0.65 in single precision, widened
EVANNO_START = -1.0000000150474662e+30  # -1e30 in single precision, widened
NO_SCORE = -1e300
LINE = "-" * 89


# ----------------------------------------------------------------- arithmetic

def f32(x):
    """Round a double to the nearest binary32 value (ties to even)."""
    try:
        return struct.unpack('f', struct.pack('f', x))[0]
    except OverflowError:
        return math.copysign(math.inf, x)


def div(a, b):
    """IEEE double division: no exception on a zero divisor."""
    if b == 0.0:
        if a == 0.0 or math.isnan(a):
            return math.nan
        return math.copysign(math.inf, a) * math.copysign(1.0, b)
    return a / b


# ---------------------------------------------------------- file discovery

def discover(folder, generic):
    """Names of the Structure output files, as the program lists them.

    The files are the non-directory entries of the folder matching the
    generic name followed by "_f" (shell wildcard rules: a leading "." is
    matched only by a pattern that starts with "."), in byte order.
    """
    pattern = generic + "_f"
    names = []
    for name in os.listdir(folder):
        if name.startswith(".") and not pattern.startswith("."):
            continue
        if not fnmatch.fnmatchcase(name, pattern):
            continue
        if os.path.isdir(os.path.join(folder, name)):
            continue
        names.append(name)
    names.sort(key=os.fsencode)
    return [folder + "/" + name for name in names]


# ------------------------------------------------------ Structure file reader

class LineReader:
    """Line-oriented reading of a text file, with whole-line and free-form reads."""

    def __init__(self, path):
        with open(path, "rb") as fh:
            data = fh.read().decode("latin-1")
        lines = data.split("\n")
        if lines and lines[-1] == "":
            lines.pop()          # the final line feed ends the last line
        self.lines = [ln[:-1] if ln.endswith("\r") else ln for ln in lines]
        self.pos = 0

    def whole_line(self, n):
        if self.pos >= len(self.lines):
            raise EOFError("end of file in whole-line read")
        text = self.lines[self.pos]
        self.pos += 1
        return text[:n].ljust(n)

    def free_read(self):
        """Start a free-form read at the next line."""
        return FreeRead(self)


class FreeRead:
    """One free-form read: values taken one at a time, over as many lines as needed.

    Blanks, tabs and commas separate values; a slash ends the current value and
    the read (later values come back as None).  When the read is over, the
    rest of the last line used is passed over.
    """

    def __init__(self, reader):
        self.rd = reader
        self.pending = []
        self.slash = False

    def next(self):
        while not self.pending:
            if self.slash:
                return None
            rd = self.rd
            if rd.pos >= len(rd.lines):
                raise EOFError("end of file in free-form read")
            line = rd.lines[rd.pos]
            rd.pos += 1
            if "/" in line:
                line, self.slash = line[:line.index("/")], True
            self.pending = [t for t in re.split(r"[ \t,]+", line) if t]
        return self.pending.pop(0)

    def take(self, count):
        return [self.next() for _ in range(count)]


def numeric_text(tok):
    """A numeric value runs up to a closing parenthesis; D is an exponent letter."""
    return tok.split(")")[0].replace("D", "E").replace("d", "e")


def read_structure_file(path, nind):
    """Return (K, ln P(D), membership rows) of one Structure output file.

    The rows are lists of K single-precision values, one per individual.
    """
    rd = LineReader(path)
    # Header: the first line whose first value is "Run", then three counts.
    while rd.free_read().next() != "Run":
        pass
    rd.free_read().next()                          # number of individuals
    rd.free_read().next()                          # number of loci
    k = int(numeric_text(rd.free_read().next()))   # assumed populations
    # Log probability: seventh value of the line that begins with the marker.
    while rd.whole_line(29) != "Estimated Ln Prob of Data   =":
        pass
    rd.pos -= 1
    lnp = float(numeric_text(rd.free_read().take(7)[6]))
    # Ancestry table header, then one row per individual.
    while True:
        head = rd.whole_line(29)
        if "(%Miss)" in head:
            break
    skip_max = 5 if "Pop:" in head else 4
    rows = []
    for _ in range(nind):
        # Leading values are skipped up to and including the first ":" among
        # the first skip_max values, or all skip_max of them when none is ":".
        fr = rd.free_read()
        for _ in range(skip_max):
            if fr.next() == ":":
                break
        vals = fr.take(k)
        rows.append([f32(float(numeric_text(v))) for v in vals])
    return k, lnp, rows


def read_study(files, kstart, kend, nind):
    """Fill LOGLK[K][r] and Q[K][r] (r from 1) and the header K of each file."""
    loglk = {k: {} for k in range(kstart, kend + 1)}
    q = {k: {} for k in range(kstart, kend + 1)}
    file_k = []
    for path in files:
        k, lnp, rows = read_structure_file(path, nind)
        r = len(loglk[k]) + 1
        loglk[k][r] = lnp
        q[k][r] = rows
        file_k.append(k)
    return loglk, q, file_k


# ---------------------------------------------------------- Parsimony scoring

def score_replicate(rows, k, nind):
    """Assign individuals and score one above-mean replicate.

    Returns (cluster of each individual, score or None when the threshold
    fell to 0, number of small clusters).
    """
    cluster, qm = [], []
    for i in range(nind):
        best, bc = -math.inf, 1
        for c in range(1, k + 1):
            if rows[i][c - 1] > best:
                best, bc = rows[i][c - 1], c
        cluster.append(bc)
        qm.append(rows[i][bc - 1])

    def sizes(t):
        size = [0] * (k + 1)
        for i in range(nind):
            if qm[i] > t:
                size[cluster[i]] += 1
        return size

    t = THRESH0
    size = sizes(t)
    while not (sum(size[1:]) > nind * THRESH0):
        t = t * 0.5
        if t == 0.0:
            return cluster, None, 0
        size = sizes(t)

    sw = cw = sb = cb = 0.0
    for i in range(nind):
        acc = 0.0
        for c in range(k):
            acc = f32(acc + f32(rows[i][c] * rows[i][c]))
        sw += acc
        cw += 1
        for j in range(i):
            acc = 0.0
            for c in range(k):
                acc = f32(acc + f32(rows[i][c] * rows[j][c]))
            if cluster[j] == cluster[i]:
                sw += acc
                cw += 1
            else:
                sb += acc
                cb += 1
    if cb < 0.5:
        sb, cb = 1.0, 1.0
    d = div(sw, cw) - div(sb, cb)

    f, m, small = 0.0, 0.0, 0
    for c in range(1, k + 1):
        if size[c] <= 5:
            small += 1
        else:
            m += 1
            f += 1.0 / size[c]
    return cluster, div(f, m) * d, small


# ---------------------------------------------------------------- analysis

def analyse(loglk, q, kstart, kend, nind, nrun):
    ks = list(range(kstart, kend + 1))
    mean_ln, sd, l1, deltak = {}, {}, {}, {}
    q2 = {}          # Parsimony value of K
    bestrep = {}     # K -> best replicate run, only when one was scored
    for k in ks:
        lk = [loglk[k][r] for r in range(1, nrun + 1)]
        s = 0.0
        for v in lk:
            s += v
        mean = div(s, float(nrun))
        above = [r for r in range(1, nrun + 1) if not (mean >= loglk[k][r])]

        best_score, small = NO_SCORE, 0.0
        clusters = {}
        for r in above:
            cl, score, nsmall = score_replicate(q[k][r], k, nind)
            clusters[r] = cl
            if score is None:
                continue
            small += nsmall
            if score > best_score:
                best_score, bestrep[k] = score, r

        x1 = x2 = 0.0
        for v in lk:
            x1 += v
            x2 += v * v

        # Small-cluster penalty; h is formed in single precision.
        h = f32(f32(f32(float(k)) * 0.5) * f32(float(nrun)))
        value = best_score - div(small, h)

        # Pair consistency over the above-mean replicates.
        p = c = 0.0
        for i in range(nind):
            for j in range(i):
                together = apart = 0.0
                for r in above:
                    if clusters[r][i] == clusters[r][j]:
                        together += 1
                    else:
                        apart += 1
                if together + apart >= 1.5:
                    p += 1
                    if together < 0.1 or apart < 0.1:
                        c += 1
        consistency = c / (p + 0.00001)

        x1 = div(x1, float(nrun))
        x2 = div(x2, float(nrun))
        x2 = math.sqrt(div(abs(x2 - x1 * x1) * float(nrun), float(nrun) - 1.0))
        mean_ln[k], sd[k] = x1, x2
        if k > kstart:
            l1[k] = x1 - mean_ln[k - 1]
        q2[k] = (value, consistency)

    evanno, best = 0, EVANNO_START
    for k in range(kstart + 1, kend):
        deltak[k] = div(abs(l1[k + 1] - l1[k]), sd[k])
        if deltak[k] > best:
            best, evanno = deltak[k], k

    pars = {}
    for k in ks:
        value, consistency = q2[k]
        pars[k] = (value + consistency) - 1.0 / float(2 * k)
    return mean_ln, deltak, pars, evanno, bestrep


def first_max(values, kstart):
    best, p = -math.inf, 1
    for j, v in enumerate(values, start=1):
        if v > best:
            best, p = v, j
    return kstart + p - 1


# ------------------------------------------------------------------ rendering

def text_field(s, w):
    return s[:w] if len(s) > w else s.rjust(w)


def int_field(v, w):
    s = str(v)
    return "*" * w if len(s) > w else s.rjust(w)


def fixed_field(x, w, d):
    if math.isnan(x):
        s = "NaN"
    elif math.isinf(x):
        s = "Infinity" if x > 0 else "-Infinity"
        if len(s) > w:
            s = "Inf" if x > 0 else "-Inf"
    else:
        s = "%.*f" % (d, x)
        if s.startswith("-") and s.strip("-0.") == "":
            s = s[1:]                     # a value that rounds to zero has no sign
    return "*" * w if len(s) > w else s.rjust(w)


# --------------------------------------------------------------------- report

def make_report(folder, generic, kstart, kend, nind, nrun, fname):
    folder = folder.strip(" ")
    generic = generic.strip(" ")
    stem = generic[:-1] if generic.endswith("*") else generic
    files = discover(folder, generic)
    loglk, q, file_k = read_study(files, kstart, kend, nind)
    mean_ln, deltak, pars, evanno, bestrep = analyse(loglk, q, kstart, kend, nind, nrun)

    out = []
    out.append("Input file for Pelvano: " + fname.rstrip(" "))
    out.append("Structure output file names in file: " + folder + "/" + stem + ".list")
    out.append("Number of sampled individuals: " + str(nind))
    out.append("Number of runs per K value: " + str(nrun))
    out.append("Range of K values: [" + str(kstart) + ", " + str(kend) + "]")
    out += ["", LINE[:46]]
    out.append(text_field("K", 4) + text_field("Mean_Ln(D|K)", 14)
               + text_field("DeltaK", 14) + text_field("Parsimony", 14))
    out.append(LINE[:46])
    for k in range(kstart, kend + 1):
        row = int_field(k, 4) + fixed_field(mean_ln[k], 14, 2)
        if k == kstart or k == kend:
            row += text_field("-", 14)
        else:
            row += fixed_field(deltak[k], 14, 4)
        row += fixed_field(pars[k], 14, 4)
        out.append(row)
    out += ["", LINE[:20], text_field("Method", 10) + text_field("Best_K", 10), LINE[:20]]
    out.append(text_field("Evanno", 10) + int_field(evanno, 10))
    ks = range(kstart, kend + 1)
    pritchard = first_max([mean_ln[k] for k in ks], kstart)
    out.append(text_field("Pritchard", 10) + int_field(pritchard, 10))
    idx = first_max([pars[k] for k in ks], kstart)
    out.append(text_field("Parsimony", 10) + int_field(idx, 10))

    # Best output file: the bestrep-th file, in list order, whose header gives idx.
    rep = bestrep.get(idx, 0)
    best_file = "none"
    if rep != 0:
        count = 0
        for path, k in zip(files, file_k):
            if k == idx:
                count += 1
            if count == rep:
                best_file = path
                break
    out += ["", LINE[:18], "Parsimony method:", LINE[:18]]
    out.append("  Best K = " + str(idx))
    out.append("  Best replicate run = " + str(rep))
    out.append("  Best output file = " + best_file)
    return "".join(line + "\n" for line in out)


def main(argv=None):
    ap = argparse.ArgumentParser(description="Expected Pelvano results file.")
    ap.add_argument("--folder", required=True)
    ap.add_argument("--generic", required=True)
    ap.add_argument("--kstart", type=int, required=True)
    ap.add_argument("--kend", type=int, required=True)
    ap.add_argument("--nind", type=int, required=True)
    ap.add_argument("--nrun", type=int, required=True)
    ap.add_argument("--fname", required=True)
    ap.add_argument("--banner", help="file holding the six banner lines")
    a = ap.parse_args(argv)
    report = make_report(a.folder, a.generic, a.kstart, a.kend, a.nind, a.nrun, a.fname)
    banner = ""
    if a.banner:
        with open(a.banner, "rb") as fh:
            banner = fh.read().decode("latin-1")
    sys.stdout.buffer.write((banner + report).encode("latin-1"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
