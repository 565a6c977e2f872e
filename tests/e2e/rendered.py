"""The PDF and PNG files of pelvano-plot, read by poppler-utils (pdfinfo, pdffonts,
pdftotext, pdftoppm) and by tests/support/pngtoppm, for the end-to-end runner."""
import os
import re
import subprocess
import tempfile
import xml.etree.ElementTree as ET

PNGTOPPM = None  # the path of pngtoppm, set by the runner


def tool(argv):
    """The standard output of a tool of poppler-utils (or pngtoppm) as bytes."""
    return subprocess.run(argv, capture_output=True, check=True).stdout


def pdf_facts(path):
    """A PDF: its pages and their size, its fonts (without the subset tag) and whether each
    is embedded, and its text as pdftotext reads it, a line each."""
    info = tool(["pdfinfo", path]).decode()
    lines = [l for l in info.splitlines() if l.startswith(("Pages:", "Page size:"))]
    for row in tool(["pdffonts", path]).decode().splitlines()[2:]:
        f = row.split()
        lines.append("font %s %s emb %s" % (re.sub(r"^[A-Z]{6}\+", "", f[0]), f[1], f[-5]))
    text = tool(["pdftotext", "-enc", "UTF-8", path, "-"]).decode()
    lines += ["text=" + l for l in text.splitlines() if l.strip() and l != "\f"]
    return "\n".join(" ".join(l.split()) for l in lines) + "\n"


def ppm(data):
    """Width, height and RGB bytes of a binary PPM (P6, maxval 255)."""
    head = data.split(maxsplit=4)
    assert head[0] == b"P6" and head[3] == b"255"
    return int(head[1]), int(head[2]), head[4]


def png_facts(path):
    width, height, _ = ppm(tool([PNGTOPPM, path]))
    return "png %d x %d\n" % (width, height)


def rendered_alike(svg, pdf, png):
    """The PDF and the PNG against the SVG they were rendered from."""
    problems = []
    root = ET.parse(svg).getroot()
    mm = [float(root.get(n).removesuffix("mm")) for n in ("width", "height")]
    size = re.search(rb"Page size:\s+([0-9.]+) x ([0-9.]+) pts", tool(["pdfinfo", pdf]))
    pts = [float(size.group(1)), float(size.group(2))]
    if any(abs(p - m / 25.4 * 72) > 0.01 for p, m in zip(pts, mm)):
        problems.append("%s: page of %s pt, the SVG %s mm" % (pdf, pts, mm))
    text = " ".join(tool(["pdftotext", "-enc", "UTF-8", pdf, "-"]).decode().split())
    for el in root.iter("{http://www.w3.org/2000/svg}text"):
        words = " ".join("".join(el.itertext()).split())
        if words not in text:
            problems.append("%s: no text %r" % (pdf, words))
    width, height, pixels = ppm(tool([PNGTOPPM, png]))
    if width != round(mm[0] / 25.4 * 300):
        problems.append("%s: %d pixels wide, not %d" % (png, width, round(mm[0] / 25.4 * 300)))
    with tempfile.TemporaryDirectory() as tmp:
        tool(["pdftoppm", "-r", "300", "-singlefile", pdf, os.path.join(tmp, "page")])
        with open(os.path.join(tmp, "page.ppm"), "rb") as f:
            w, h, printed = ppm(f.read())
    if abs(w - width) > 1 or abs(h - height) > 1:
        problems.append("%s is %d x %d, the PDF at 300 dpi %d x %d" % (png, width, height, w, h))
    else:
        # Two rasterisers draw the edges of glyphs and lines a little apart: a pixel differs
        # when its colour is more than 32 from that of every pixel around it in the other.
        def far(i, j):
            return max(abs(pixels[i] - printed[j]), abs(pixels[i + 1] - printed[j + 1]),
                       abs(pixels[i + 2] - printed[j + 2])) > 32
        differ = 0
        for y in range(min(h, height)):
            row = y * width * 3
            if width != w or pixels[row:row + width * 3] == printed[row:row + width * 3]:
                continue
            for x in range(width):
                i = row + x * 3
                if far(i, i) and all(far(i, (v * w + u) * 3) for v in range(max(0, y - 1), min(h, y + 2))
                                     for u in range(max(0, x - 1), min(w, x + 2))):
                    differ += 1
        if width != w or differ > 0.01 * width * height:
            problems.append("%s: %d of %d pixels differ from the PDF at 300 dpi" % (png, differ, width * height))
    colours = {bytes.fromhex(el.get("fill")[1:]) for el in root.iter() if el.get("class") == "cluster"}
    seen = {pixels[i:i + 3] for i in range(0, len(pixels), 3)} if colours else set()
    for c in sorted(colours - seen):
        problems.append("%s: no pixel of the colour #%s" % (png, c.hex()))
    return problems
