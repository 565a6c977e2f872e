#!/usr/bin/env python3
"""End-to-end tests of pelvano and pelvano-plot, their cases kept as data.

    run_cases.py --pelvano P --plot P --strwrite P --pauses P case FOLDER [--bless]
    run_cases.py --pelvano P --plot P --strwrite P --pauses P table FILE

--pauses names the library e2e/pauses.cpp (libpelvano_pauses.so), through which the runs
of a table tell their pauses.

A case folder (e2e/cases/NAME) holds a file "steps", one step per line:
    make ARGS       the Structure-format writer (tools/strwrite) with these arguments
    from PATH       a folder of the project copied in
    sh COMMAND      a set-up command (bash)
    run [-C DIR] [-i] [NAME=VALUE ...] PROGRAM ARGS
                    pelvano or pelvano-plot; -C: in the folder DIR of the case (at its top
                    otherwise); -i: with an empty environment; NAME=VALUE: with these
                    environment values (PATH=/usr/bin:/bin otherwise)
    same FILE FILE [N]  the two files are equal (after their first N lines)
    listed FOLDER STEM  the outputs of pelvano-plot in FOLDER (named STEM.*, its results and
                    list files aside) are exactly the files and folders its --help lists, and
                    the man page names each of them; they are then removed
    page PAGE TABLE  the page's per-K table holds the table file's values as it rounds them
    rendered SVG PDF PNG  the PDF and the PNG show the SVG: the PDF's page has the SVG's size
                    and holds each of its texts; the PNG is round(width in CSS px * 300 / 96)
                    pixels wide, no more than 1 % of its pixels unlike the PDF rendered at
                    300 dpi (pdftoppm) around them,
                    and shows every colour of the SVG's bar-plot clusters
    derivatives FIGURE TABLE  the figure's L'(K) and |L''(K)| points are the table file's L1
                    and Abs_L2 values, K by K, as it prints them, and there are no others
a folder "expected" with every file the runs create or change, as it must be (FILE.facts:
what an XML parser sees in FILE, see facts(); for a PDF or PNG file, what
rendered.pdf_facts() and rendered.png_facts() see), and runN.out, runN.err, runN.status of the
N-th run (no .err: nothing on standard error; no .status: exit status 0), and any other
files and folders, copied in before the steps. A file that the runs removed holds
"(removed)", and so does FOLDER.folder for a folder they removed. A line "@banner@" in an expected file stands
for the six lines of e2e/banner. --bless writes the expected folder from the runs; check
every file it writes before it is committed.

A table (e2e/*.txt) holds broken studies and what the program must say; its head tells how.
"""
import argparse
import codecs
import hashlib
import concurrent.futures
import os
import pty
import re
import resource
import shlex
import shutil
import stat
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

import rendered

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
with open(os.path.join(HERE, "banner"), "rb") as f:
    BANNER = f.read()
SKIPPED = 125  # a set-up this machine does not permit


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def run(argv, cwd, fsize=None, readonly=None, env=None, timeout=60, preload=None):
    """Runs a program with PATH=/usr/bin:/bin (or env), a file-size limit and a folder
    mounted read-only when asked. Returns status (-N: killed by signal N, None: still
    running after the time limit), standard output and error, seconds taken, and the
    pauses made: with preload, the library e2e/pauses.cpp, preloaded into every process of
    the run, tells each call of theirs to a sleep function, and each is one pause (program
    name, seconds asked for). The time limit only ends a run that hangs."""
    if readonly:
        argv = ["unshare", "-m", "--propagation", "private", "sh", "-c",
                'mount --bind "$0" "$0" && mount -o remount,bind,ro "$0" || exit 125; exec "$@"',
                readonly] + argv
    limit = (lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (fsize, fsize))) if fsize else None
    # The sanitizer builds report through these.
    env = dict({"PATH": "/usr/bin:/bin"} if env is None else env,
               **{k: v for k, v in os.environ.items() if k.startswith(("ASAN_", "UBSAN_", "LSAN_"))})
    told, reader = tempfile.mkdtemp(prefix="pelvano-pauses-") if preload else None, None
    if told:  # the runner holds the FIFO open for reading: the writers never wait
        fifo = os.path.join(told, "pauses")
        os.mkfifo(fifo, 0o600)
        reader = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK)
        env.update(LD_PRELOAD=preload, PELVANO_PAUSES=fifo)
    start = time.monotonic()
    try:
        p = subprocess.run(argv, cwd=cwd, capture_output=True, timeout=timeout, preexec_fn=limit,
                           stdin=subprocess.DEVNULL, env=env)
        return p.returncode, p.stdout, p.stderr, time.monotonic() - start, read_pauses(reader)
    except subprocess.TimeoutExpired as e:
        return None, e.stdout or b"", e.stderr or b"", timeout, read_pauses(reader)
    except FileNotFoundError:
        return SKIPPED, b"", b"", 0, []
    finally:
        if told:
            os.close(reader)
            shutil.rmtree(told)


def run_on_terminal(argv, cwd, env):
    """Runs a program with its standard output and error on one pseudo-terminal, as a user
    at a terminal sees it. Returns what it shows, line ends as "\\n"."""
    env = dict({"PATH": "/usr/bin:/bin"} if env is None else env,
               **{k: v for k, v in os.environ.items() if k.startswith(("ASAN_", "UBSAN_", "LSAN_"))})
    master, slave = pty.openpty()
    p = subprocess.Popen(argv, cwd=cwd, stdin=subprocess.DEVNULL, stdout=slave, stderr=slave,
                         env=env)
    os.close(slave)
    shown = b""
    while True:
        try:
            chunk = os.read(master, 65536)
        except OSError:  # the program has ended and closed the terminal
            break
        if not chunk:
            break
        shown += chunk
    p.wait(timeout=60)
    os.close(master)
    return shown.replace(b"\r\n", b"\n")


def read_pauses(reader):
    """The pauses told through the FIFO open at reader (none when None): (program name,
    seconds) each."""
    data = b""
    while reader is not None:
        try:
            chunk = os.read(reader, 65536)
        except BlockingIOError:
            break
        if not chunk:
            break
        data += chunk
    return [(name.decode(errors="replace"), float(seconds))
            for name, seconds in (line.rsplit(b" ", 1) for line in data.splitlines())]


def pause_problems(got, expected):
    """What is wrong with the pauses made, got, against the lengths expected in seconds, in
    order: each pause is one sleep asked for (to the millisecond)."""
    lengths = [round(seconds, 3) for _, seconds in got]
    if lengths == [float(s) for s in expected]:
        return []
    made = ", ".join("%s %g s" % (name, seconds) for name, seconds in got) or "none"
    want = ", ".join("%g s" % s for s in expected) or "none"
    what = ("a pause too many" if len(got) > len(expected) else
            "a pause too few" if len(got) < len(expected) else "a pause of another length")
    return ["pauses %s, not %s: %s" % (made, want, what)]


def snapshot(root):
    """Every entry below root, links not followed: type, size, inode, mode and times (of
    files; a folder changes only by appearing or going)."""
    entries = {}
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            st = os.lstat(path)
            key = os.path.relpath(path, root)
            if stat.S_ISDIR(st.st_mode):
                entries[key] = ("folder",)
            else:
                link = os.readlink(path) if stat.S_ISLNK(st.st_mode) else ""
                entries[key] = (st.st_mode, st.st_size, st.st_ino, st.st_mtime_ns, st.st_ctime_ns, link)
    return entries


def changed(before, after):
    return sorted(p for p in set(before) | set(after) if before.get(p) != after.get(p))


def shown(el):
    """The text an element shows: its own and its children's but a <title>'s (a tooltip)."""
    parts = [el.text or ""]
    for child in el:
        if child.tag.split("}")[-1] != "title":
            parts.append("".join(child.itertext()))
        parts.append(child.tail or "")
    return "".join(parts)


def facts(path):
    """What an XML parser sees in a figure or page: its title, every text, the number of
    elements of each class, every coordinate that is not a plain finite number, and every
    text that may reach beyond the picture (a character taking 0.6 times the font size)."""
    num = r"-?[0-9]+(\.[0-9]+)?"
    forms = {"d": r"(([MLHV]" + num + r"( " + num + r")?|Z) ?)+",
             "transform": r"translate\(" + num + " " + num + r"\)( rotate\(-90\))?",
             "viewBox": num + "( " + num + "){3}"}
    for name in ("x", "y", "x1", "y1", "x2", "y2", "cx", "cy", "r", "width", "height"):
        forms[name] = num + "(mm|%)?"
    try:
        root = ET.parse(path).getroot()
    except ET.ParseError as e:
        return "not well-formed: %s\n" % e
    if root.tag == "html":
        return page_facts(root)
    lines, counts = [], {}
    box = root.get("viewBox")
    width = float(box.split()[2]) if box else None
    for el in root.iter():
        tag = el.tag.split("}")[-1]
        if el.get("class"):
            key = tag + "." + el.get("class")
            counts[key] = counts.get(key, 0) + 1
        if tag in ("title", "text"):
            lines.append(tag + "=" + (shown(el) if tag == "text" else "".join(el.itertext())))
        if el.get("class") == "offscale":  # a triangle at the edge: which way it points
            tip, base = [float(v) for v in re.findall(r"M\S+ (\S+) L\S+ (\S+)", el.get("d"))[0]]
            lines.append("offscale %s" % ("up" if tip < base else "down"))
        if el.get("class") == "cluster":  # a shape of the bar plot: its colour and geometry
            lines.append("cluster %s %s" % (el.get("fill"), hashlib.sha1(el.get("d").encode()).hexdigest()[:12]))
        if tag == "text" and width and el.get("x") and el.get("font-size"):
            w = 0.6 * float(el.get("font-size")) * len(shown(el))
            left = float(el.get("x")) - {"middle": w / 2, "end": w}.get(el.get("text-anchor"), 0)
            if left < 0 or left + w > width:
                lines.append("outside the picture: " + shown(el))
        for name, value in el.attrib.items():
            if name in forms and not re.fullmatch(forms[name], value):
                lines.append("bad %s=%s" % (name, value))
    lines += ["count.%s=%d" % kv for kv in sorted(counts.items())]
    return "\n".join(lines) + "\n"


def page_facts(root):
    """A page: its language, title and figures, every link (and any that leaves its folder),
    and the text of its headings, terms, cells, items and paragraphs."""
    lines = ["lang=" + el.get("lang") for el in root.iter() if el.get("lang")]

    def walk(el):
        tag = el.tag.split("}")[-1]
        if tag == "svg":
            label = el.get("aria-label") or (el.find("{http://www.w3.org/2000/svg}title") is not None)
            lines.append("figure=%s" % (el.get("aria-label") if label else "(no label)"))
            lines.append("figure style=%s" % el.get("style"))  # its legible width on a phone
            return
        for name in ("href", "src"):
            ref = el.get(name)
            if ref is not None:
                lines.append("link=" + ref)
                if re.match(r"^[a-zA-Z][a-zA-Z0-9+.-]*:|^/|(^|/)\.\.(/|$)", ref):
                    lines.append("outside the folder: " + ref)
        if tag in ("title", "h1", "h2", "dt", "dd", "th", "td", "li", "p"):
            lines.append(tag + "=" + " ".join("".join(el.itertext()).split()))
        elif tag == "pre":
            lines.extend("pre|" + line for line in "".join(el.itertext()).split("\n"))
        for child in el:
            walk(child)
    walk(root)
    return "\n".join(lines) + "\n"


def page_matches_table(page, tsv):
    """The per-K table of a page holds the table file's values, rounded as the page rounds
    them: Ln P(D|K) and its deviation to 2 decimals, DeltaK and the Parsimony value to 4."""
    rows = [r.split("\t") for r in open(tsv, encoding="utf-8", errors="surrogateescape").read().split("\n")[:-1]]
    head = rows[0]
    table = [t for t in ET.parse(page).getroot().iter("table")][-1]
    shown = [["".join(td.itertext()) for td in tr if td.tag == "td"] for tr in table.iter("tr")][1:]

    def rounded(cell, decimals):
        if cell in ("", "NaN", "Inf", "-Inf"):
            return cell
        v = float(cell)
        if abs(v) >= 1e250:
            return "none"
        text = "%.*f" % (decimals, v)
        return text.lstrip("-") if float(text) == 0 else text
    problems = []
    for row, got in zip(rows[1:], shown):
        cell = dict(zip(head, row))
        want = [cell["K"], cell["Runs"], rounded(cell["Mean_LnP"], 2), rounded(cell["SD_LnP"], 2),
                rounded(cell["DeltaK"], 4), rounded(cell["Parsimony"], 4)]
        want += [cell[h] for h in head if h.startswith(("MedMeaK", "MaxMeaK", "MedMedK", "MaxMedK"))]
        if got[:len(want)] != want:
            problems.append("page row %s: %s, table file: %s" % (cell["K"], got, want))
    if len(shown) != len(rows) - 1:
        problems.append("page rows %d, table rows %d" % (len(shown), len(rows) - 1))
    return problems


def derivatives_match_table(figure, tsv):
    """Evanno's panels of a figure against the table file: each point's tooltip ("K = 3:
    L'(K) 20") names a K and a value, which must be that K's cell of L1 (Abs_L2), and every
    K whose cell is a finite number has its point."""
    rows = [r.split("\t") for r in open(tsv, encoding="utf-8", errors="surrogateescape").read().split("\n")[:-1]]
    table = [dict(zip(rows[0], row)) for row in rows[1:]]
    problems = []
    for cls, column in (("l1", "L1"), ("l2", "Abs_L2")):
        shown = {}
        for el in ET.parse(figure).getroot().iter("{http://www.w3.org/2000/svg}circle"):
            if el.get("class") == cls:
                m = re.fullmatch(r"K = (\d+): \S+ (\S+)", "".join(el.itertext()))
                shown[m.group(1)] = m.group(2)
        want = {cell["K"]: cell[column] for cell in table
                if cell[column] not in ("", "NaN", "Inf", "-Inf")}
        if shown != want:
            problems.append("%s panel %s, table file %s" % (column, shown, want))
    return problems


def outputs_listed(a, folder, stem):
    """The outputs in the folder against the files --help and the man page list."""
    _, out, _, _, _ = run([a.plot, "--help"], folder)
    listed = sorted(m.decode() for m in re.findall(rb"^  (\.\S+)", out, re.M))
    written = []
    for name in os.listdir(folder):
        if name.startswith(stem + ".") and name not in (stem + ".K", stem + ".list"):
            full = os.path.join(folder, name)
            written.append(name[len(stem):] + ("/" if os.path.isdir(full) else ""))
            shutil.rmtree(full) if os.path.isdir(full) else os.remove(full)
    problems = []
    if sorted(written) != listed:
        problems.append("--help lists %s, pelvano-plot wrote %s" % (listed, sorted(written)))
    with open(os.path.join(ROOT, "doc", "pelvano.1"), encoding="utf-8") as f:
        man = f.read()
    files = man[man.index(".SH FILES WRITTEN"):]
    files = files[:files.find("\n.SH ", 1)]
    for suffix in listed:
        if "/K" + suffix not in files:
            problems.append("the man page's FILES WRITTEN does not name K%s" % suffix)
    return problems


def run_case(a, folder, bless):
    scratch = tempfile.mkdtemp(prefix="pelvano-e2e-")
    try:
        for name in os.listdir(folder):
            if name not in ("steps", "expected"):
                copy(os.path.join(folder, name), os.path.join(scratch, name))
        got, before, problems = {}, None, []
        with open(os.path.join(folder, "steps")) as f:
            steps = [shlex.split(line) for line in f if line.strip() and line[0] != "#"]
        for op, *rest in steps:
            if op == "make":
                subprocess.run([a.strwrite] + rest, cwd=scratch, check=True, capture_output=True)
            elif op == "sh":
                subprocess.run(["bash", "-c", rest[0]], cwd=scratch, check=True)
            elif op == "from":
                shutil.copytree(os.path.join(ROOT, rest[0]), scratch, symlinks=True, dirs_exist_ok=True)
            elif op == "run":
                before = before or snapshot(scratch)
                cwd = scratch
                if rest[0] == "-C":
                    cwd = os.path.join(scratch, rest[1])
                    rest = rest[2:]
                env = {} if rest[0] == "-i" else {"PATH": "/usr/bin:/bin"}
                rest = rest[1:] if rest[0] == "-i" else rest
                while "=" in rest[0]:
                    env.update([rest.pop(0).split("=", 1)])
                status, out, err, _, _ = run([program(a, rest[0])] + rest[1:], cwd, env=env)
                n = "run%d." % (sum(k.endswith(".out") for k in got) + 1)
                got[n + "out"] = out
                got[n + "err"] = err or None
                got[n + "status"] = b"%s\n" % str(status).encode() if status else None
            elif op == "page":
                problems += page_matches_table(os.path.join(scratch, rest[0]), os.path.join(scratch, rest[1]))
            elif op == "rendered":
                problems += rendered.rendered_alike(*(os.path.join(scratch, f) for f in rest[:3]))
            elif op == "derivatives":
                problems += derivatives_match_table(os.path.join(scratch, rest[0]), os.path.join(scratch, rest[1]))
            elif op == "listed":
                problems += outputs_listed(a, os.path.join(scratch, rest[0]), rest[1])
            elif op == "same":
                skip = int(rest[2]) if len(rest) > 2 else 0
                texts = [read(os.path.join(scratch, f)).split(b"\n")[skip:] for f in rest[:2]]
                if texts[0] != texts[1]:
                    problems.append("%s and %s differ" % tuple(rest[:2]))
        for path in changed(before or {}, snapshot(scratch)):
            full = os.path.join(scratch, path)
            if os.path.isdir(full) and not os.path.islink(full):
                continue
            if (before or {}).get(path) == ("folder",) and not os.path.lexists(full):
                got[path + ".folder"] = b"(removed)\n"
                continue
            if path.endswith((".svg", ".html")) and os.path.lexists(full):
                got[path + ".facts"] = facts(full).encode()
            elif path.endswith(".pdf") and os.path.lexists(full):
                got[path + ".facts"] = rendered.pdf_facts(full).encode()
            elif path.endswith(".png") and os.path.lexists(full):
                got[path + ".facts"] = rendered.png_facts(full).encode()
            else:
                got[path] = read(full) if os.path.lexists(full) else b"(removed)\n"
        got = {k: v.replace(scratch.encode(), b"@scratch@") for k, v in got.items() if v is not None}
        expected_dir = os.path.join(folder, "expected")
        if bless:
            shutil.rmtree(expected_dir, ignore_errors=True)
            for path, data in got.items():
                os.makedirs(os.path.dirname(os.path.join(expected_dir, path)), exist_ok=True)
                write(os.path.join(expected_dir, path), data.replace(BANNER, b"@banner@\n"))
            return []
        expected = {}
        for dirpath, _, files in os.walk(expected_dir):
            for name in files:
                path = os.path.join(dirpath, name)
                expected[os.path.relpath(path, expected_dir)] = read(path).replace(b"@banner@\n", BANNER)
        for path in sorted(set(got) | set(expected)):
            if got.get(path) != expected.get(path):
                problems.append("%s:\n  expected %r\n  got      %r" % (path, expected.get(path), got.get(path)))
        return problems
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def copy(src, dst):
    if os.path.isdir(src) and not os.path.islink(src):
        shutil.copytree(src, dst, symlinks=True)
    else:
        shutil.copy(src, dst, follow_symlinks=False)


def program(a, name):
    return {"pelvano": a.pelvano, "pelvano-plot": a.plot}[name]


# ---------------------------------------------------------------------------- tables

def parse_table(path):
    """The cases of a table: "== name", then one line "key values" per set-up step or
    expectation. The values of "out", "err" and "out..." are text with Python escapes;
    those of every other key a Python expression list."""
    rows = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("== "):
                rows.append((line[3:], []))
            elif line and line[0] != "#" and rows:
                key, _, value = line.partition(" ")
                if key in ("out", "err", "out..."):
                    value = codecs.escape_decode(value.encode())[0]
                else:
                    value = eval("(" + value + ",)", {"__builtins__": {}}) if value else ()
                rows[-1][1].append((key, value))
    return rows


def study_template(a, folder):
    """The study every row starts from: 6 individuals, K = 1 to 3, 2 runs per K in "runs",
    its parameter file "study.par", and an earlier report and table."""
    subprocess.run([a.strwrite, "study", "--dir", "runs", "--kmin", "1", "--kmax", "3", "--runs", "2",
                    "--ind", "6", "--pops", "2", "--loci", "2", "--seed", "4"],
                   cwd=folder, check=True, capture_output=True)
    write(os.path.join(folder, "study.par"), b"runs\nK*\n1\n3\n6\n2\n")
    write(os.path.join(folder, "runs/K.K"), b"the earlier report\n")
    write(os.path.join(folder, "runs/K.tsv"), b"an older table\n")
    # And a study of ADMIXTURE's memberships files in "q": 4 individuals, K = 2 and 3, two
    # replicate runs in folders of their own; a .fam file and a file of groups beside it.
    rows = {2: [b"0.900000 0.100000", b"0.850000 0.150000", b"0.200000 0.800000",
                b"0.100000 0.900000"],
            3: [b"0.800000 0.100000 0.100000", b"0.700000 0.200000 0.100000",
                b"0.100000 0.850000 0.050000", b"0.050000 0.050000 0.900000"]}
    for r in (1, 2):
        os.makedirs(os.path.join(folder, "q/run%d" % r))
        for k, lines in rows.items():
            write(os.path.join(folder, "q/run%d/s.%d.Q" % (r, k)), b"\n".join(lines) + b"\n")
    write(os.path.join(folder, "q.fam"),
          b"north n1 0 0 1 -9\nnorth n2 0 0 2 -9\nsouth s1 0 0 1 -9\nsouth s2 0 0 2 -9\n")
    write(os.path.join(folder, "groups.txt"), b"Pop A\nPop A\nPop B\nPop C\n")


def check_row(a, template, name, keys):
    scratch = tempfile.mkdtemp(prefix="pelvano-e2e-")
    try:
        return check_row_in(a, template, scratch, keys)
    except Exception as e:  # a set-up step that does not fit the study
        return ["%s: %r" % (type(e).__name__, e)]
    finally:
        subprocess.run(["chmod", "-R", "u+rwx", scratch], capture_output=True)
        shutil.rmtree(scratch, ignore_errors=True)


def check_row_in(a, template, scratch, keys):
    shutil.copytree(template, scratch, symlinks=True, dirs_exist_ok=True)
    at = lambda rel: os.path.join(scratch, rel)
    prog, args, fsize, readonly, shell, env, exp = "pelvano", ["study.par"], None, None, None, None, {}
    for key, v in keys:
        if key == "par":
            write(at("study.par"), v[0])
        elif key == "put":
            write(at(v[0]), v[1])
        elif key == "edit":
            text = read(at(v[0]))
            assert v[1] in text, "edit: %r not found" % v[1]
            write(at(v[0]), text.replace(v[1], v[2], 1))
        elif key == "cut":  # keeps the file up to the text, and the text itself unless False
            text = read(at(v[0]))
            write(at(v[0]), text[:text.index(v[1]) + (len(v[1]) if len(v) < 3 or v[2] else 0)])
        elif key in ("link", "fifo", "mkdir"):
            if os.path.lexists(at(v[0])):
                os.remove(at(v[0]))
            {"link": lambda: os.symlink(v[1], at(v[0])), "fifo": lambda: os.mkfifo(at(v[0])),
             "mkdir": lambda: os.mkdir(at(v[0]))}[key]()
        elif key == "sparse":
            with open(at(v[0]), "wb") as f:
                f.truncate(v[1])
        elif key == "rename":
            os.rename(at(v[0]), at(v[1]))
        elif key == "sh":
            subprocess.run(["bash", "-c", v[0]], cwd=scratch, check=True)
        elif key == "fsize":
            fsize = v[0]
        elif key == "readonly":
            readonly = at(v[0])
        elif key == "program":
            prog = v[0]
        elif key == "args":
            args = list(v)
        elif key == "shell":
            shell = v[0]
        elif key == "env":
            env = v[0]
        else:
            exp[key] = v
    argv = ["bash", "-c", shell, program(a, prog)] if shell else [program(a, prog)] + args
    before = snapshot(scratch)
    status, out, err, seconds, pauses = run(argv, scratch, fsize, readonly, env, preload=a.pauses)
    if status == SKIPPED and readonly:
        print("skipped: the read-only mount is not permitted here")
        return []
    problems = []
    check = lambda ok, what: ok or problems.append(what)
    check(status is not None, "still running after 60 s")
    check(status is None or status >= 0, "killed by signal %s" % -(status or 0))
    kind = next((k for k in ("out", "err", "out...") if k in exp), None)
    usage = "status" in exp and kind  # a command line that cannot be used: no banner, no file
    if kind:
        message = exp[kind]
        check(status == exp.get("status", (1,))[0], "exit status %s" % status)
        rest = out
        if prog == "pelvano" and not usage:
            check(rest.startswith(BANNER), "no banner: %r" % out)
            rest = rest[len(BANNER):]
        rest = re.sub(rb"^(\rReading file [0-9]+, .*?        )+\n?", b"", rest, flags=re.S)
        line = err if kind == "err" else rest
        check(kind != "err" or rest == b"", "standard output: %r" % out)
        check("stderr" in exp or kind == "err" or err == b"", "standard error: %r" % err)
        check(exp.get("stderr", (err,))[0] == err, "standard error: %r" % err)
        check(line.count(b"\n") == 1 and line.endswith(b"\n") and
              (line.startswith(message) if kind == "out..." else line == message + b"\n"),
              "message: %r" % line)
        errorfile = exp.get("errorfile", ("study.par.error",))[0]
        if "stderr" not in exp and not usage:
            check(os.path.isfile(at(errorfile)) and read(at(errorfile)) == line,
                  "error file %s: %r" % (errorfile, os.path.isfile(at(errorfile)) and read(at(errorfile))))
        if os.path.isfile(at("runs/K.K")):
            check(read(at("runs/K.K")) == b"the earlier report\n", "the earlier report changed")
        extra = [p for p in changed(before, snapshot(scratch)) if p not in ("runs/K.list", errorfile)]
        check(not extra, "changed: %s" % extra)
    else:
        check(status == exp.get("status", (0,))[0], "exit status %s: %r %r" % (status, out, err))
        check(exp.get("stderr", (b"",))[0] == err, "standard error: %r" % err)
    # The pauses, counted as the program asks for them, not timed: 1 s after the banner of
    # pelvano, 2 s before the end of a run that fails other than in a read, none for a
    # command line that cannot be used or with --no-pause. A run is never shorter than its
    # pauses.
    pause = [1] * (prog == "pelvano") + [2] * (kind in ("out", "out..."))
    pause = [] if usage or "--no-pause" in args else pause
    pause = exp.get("pause", pause)
    if status is not None:
        problems += pause_problems(pauses, pause)
        check(seconds >= sum(pause), "%.2f s: shorter than its pauses" % seconds)
    if "changed" in exp:
        got = changed(before, snapshot(scratch))
        check(got == sorted(exp["changed"]), "changed: %s" % got)
    for key, v in keys:
        if key == "same":
            check(os.path.isfile(at(v[0])) and read(at(v[0])) == v[1], "%s: not %r" % (v[0], v[1]))
        elif key == "has":
            check(os.path.isfile(at(v[0])) and v[1] in read(at(v[0])), "%s: no %r" % (v[0], v[1]))
        elif key == "nolink":
            check(not os.path.islink(at(v[0])), "%s is a link" % v[0])
        elif key == "absent":
            check(not os.path.lexists(at(v[0])), "%s exists" % v[0])
        elif key == "stdout":
            check(out == v[0], "standard output: %r" % out)
        elif key == "says":
            check(v[0] in out, "standard output without %r: %r" % (v[0], out))
        elif key == "silent":
            check(v[0] not in out, "standard output with %r: %r" % (v[0], out))
        elif key == "shown":
            got = re.findall(rb"\rReading file ([0-9]+), ", out)
            check(got == [b"%d" % i for i in range(1, v[0] + 1)], "progress lines: %r" % got)
        elif key == "terminal":  # run again, on a terminal: the message is a line of its own
            shown = run_on_terminal(argv, scratch, env)
            check(b"\rReading file " in shown and b"\n" + exp[kind] + b"\n" in shown,
                  "on a terminal: %r" % shown)
    return problems


def run_table(a, path):
    rows = parse_table(path)
    template = tempfile.mkdtemp(prefix="pelvano-e2e-")
    try:
        study_template(a, template)
        with concurrent.futures.ThreadPoolExecutor(16) as pool:
            results = list(pool.map(lambda r: check_row(a, template, *r), rows))
    finally:
        shutil.rmtree(template, ignore_errors=True)
    failed = [(name, p) for (name, _), p in zip(rows, results) if p]
    for name, problems in failed:
        print("FAILED: %s\n  %s" % (name, "\n  ".join(problems)))
    print("%d cases, %d failed" % (len(rows), len(failed)))
    return not failed


def main():
    p = argparse.ArgumentParser()
    for name in ("--pelvano", "--plot", "--strwrite", "--pauses"):
        p.add_argument(name, required=True)
    p.add_argument("kind", choices=("case", "table"))
    p.add_argument("path")
    p.add_argument("--bless", action="store_true")
    p.add_argument("--pngtoppm", help="tests/support/pngtoppm, for the PDF and PNG files")
    a = p.parse_args()
    rendered.PNGTOPPM = a.pngtoppm and os.path.abspath(a.pngtoppm)
    a.pelvano, a.plot, a.strwrite, a.pauses = map(os.path.abspath, (a.pelvano, a.plot, a.strwrite, a.pauses))
    if a.kind == "table":
        return 0 if run_table(a, a.path) else 1
    problems = run_case(a, a.path, a.bless)
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
