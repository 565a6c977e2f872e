#!/usr/bin/env python3
"""The page of a study in a real browser, headless Chromium: it opens without a console
message, its screenshots at 390 and 1280 pixels of width show its figures (enough pixels of
the figures' colours), every text of its figures is drawn at 9 CSS px or more at 390 pixels
(measured at both widths), and it prints to PDF on A4.

    check_page.py PAGE [--chromium PATH] [--out FOLDER]
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import zlib

# Colours of the figure and the bar plot of the example study, and how many pixels of each
# a screenshot must show at least; at 390 pixels the figures are shown at a legible scale
# and scroll sideways, so that less of them is in view.
COLOURS = {"#e69f00": 2000, "#56b4e9": 2000, "#009e73": 2000, "#0072b2": 200}
PHONE_COLOURS = {"#e69f00": 1000, "#56b4e9": 1000, "#009e73": 1000, "#0072b2": 200}


def chromium(path, args, profile):
    flags = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--hide-scrollbars", "--enable-logging=stderr", "--v=0", "--user-data-dir=" + profile]
    return subprocess.run([path] + flags + args, capture_output=True, text=True, timeout=120)


def png_pixels(path):
    """The RGB pixels of an 8-bit RGB or RGBA PNG without interlace, row after row."""
    data = open(path, "rb").read()
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        size = int.from_bytes(data[pos:pos + 4], "big")
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + size]
        if kind == b"IHDR":
            width, height, depth, colour = int.from_bytes(body[:4], "big"), int.from_bytes(body[4:8], "big"), body[8], body[9]
            assert depth == 8 and colour in (2, 6) and body[12] == 0, "an unexpected PNG"
            step = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + size
    raw, stride = zlib.decompress(idat), width * step
    prev = bytearray(stride)
    for y in range(height):
        f, row = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = row[i - step] if i >= step else 0
            b, c = prev[i], prev[i - step] if i >= step else 0
            if f == 1:
                row[i] = (row[i] + a) & 255
            elif f == 2:
                row[i] = (row[i] + b) & 255
            elif f == 3:
                row[i] = (row[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        yield [bytes(row[j:j + 3]) for j in range(0, stride, step)]
        prev = row


# Run in a copy of the page: the height in CSS px at which each figure draws its smallest
# text (its font size through every transform, rotation included), written into the page.
MEASURE = """<script>
const sizes = [...document.querySelectorAll("figure svg")].map(svg => {
  let least = Infinity;
  for (const t of svg.querySelectorAll("text")) {
    const m = t.getScreenCTM();
    least = Math.min(least, parseFloat(getComputedStyle(t).fontSize) * Math.hypot(m.a, m.b));
  }
  return svg.getAttribute("aria-label").split(",")[0] + "\t" + least.toFixed(2);
});
document.body.insertAdjacentHTML("beforeend", "<pre id=measured>" + sizes.join("\\n") + "</pre>");
</script>"""
LEGIBLE = 9


def text_sizes(path, page, width, profile):
    """The smallest text of each figure at a window width, in CSS px: [(figure, size)]."""
    with tempfile.TemporaryDirectory() as tmp:
        copy = os.path.join(tmp, "page.html")
        with open(page, encoding="utf-8") as f:
            open(copy, "w", encoding="utf-8").write(f.read().replace("</body>", MEASURE + "</body>"))
        r = chromium(path, ["--window-size=%d,8000" % width, "--dump-dom", "file://" + copy], profile)
    found = re.search(r"<pre id=\"measured\">(.*?)</pre>", r.stdout, re.S)
    if not found:
        return []
    return [(line.split("\t")[0], float(line.split("\t")[1])) for line in found.group(1).split("\n")]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("page")
    ap.add_argument("--chromium", default="chromium")
    ap.add_argument("--out", default=tempfile.mkdtemp(prefix="pelvano-browser-"))
    a = ap.parse_args()
    os.makedirs(a.out, exist_ok=True)
    url = "file://" + os.path.abspath(a.page)
    profile = tempfile.mkdtemp(prefix="pelvano-chromium-")
    problems = []
    for width in (390, 1280):
        shot = os.path.join(a.out, "page-%d.png" % width)
        r = chromium(a.chromium, ["--window-size=%d,8000" % width, "--screenshot=" + shot, url], profile)
        console = [line for line in r.stderr.splitlines() if "CONSOLE" in line]
        if r.returncode != 0 or not os.path.exists(shot):
            problems.append("%d px: no screenshot (%s)" % (width, r.stderr[-500:]))
            continue
        problems += ["%d px: console: %s" % (width, line) for line in console]
        wanted = {bytes.fromhex(c[1:]): c for c in COLOURS}
        seen = dict.fromkeys(COLOURS, 0)
        for row in png_pixels(shot):
            for px in row:
                if px in wanted:
                    seen[wanted[px]] += 1
        for colour, least in (PHONE_COLOURS if width == 390 else COLOURS).items():
            if seen[colour] < least:
                problems.append("%d px: %d pixels of %s, fewer than %d: a figure is missing" % (width, seen[colour], colour, least))
        print("%d px: %s, colours %s" % (width, shot, seen))
    for width in (390, 1280):
        sizes = text_sizes(a.chromium, a.page, width, profile)
        print("%d px: smallest text of each figure (CSS px): %s" % (width, sizes))
        if len(sizes) < 2:
            problems.append("%d px: the text of the figures was not measured" % width)
        if width == 390:
            problems += ["390 px: %s: text %.2f px high, less than %d" % (name, size, LEGIBLE)
                         for name, size in sizes if size < LEGIBLE]
    pdf = os.path.join(a.out, "page.pdf")
    r = chromium(a.chromium, ["--print-to-pdf=" + pdf, "--no-pdf-header-footer", url], profile)
    boxes = re.findall(rb"/MediaBox\s*\[\s*0 0 ([0-9.]+) ([0-9.]+)\s*\]", open(pdf, "rb").read()) if os.path.exists(pdf) else []
    a4 = [b for b in boxes if abs(float(b[0]) - 595.3) < 2 and abs(float(b[1]) - 841.9) < 2]
    if not boxes or len(a4) != len(boxes):
        problems.append("the PDF has no A4 pages: %s" % boxes)
    print("PDF: %s, %d pages" % (pdf, len(boxes)))
    for p in problems:
        print("FAILED: " + p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
