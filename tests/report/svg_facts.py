#!/usr/bin/env python3
"""Facts about a figure of pelvano-plot for the tests, one per line: "title=...", "text=..."
for every text element, "count.<element>.<class>=N", and "bad=<attribute>=<value>" for a
coordinate that is not a plain finite number. Status 1 when the file is not a well-formed
SVG document."""
import re
import sys
import xml.etree.ElementTree as ET

SVG = "{http://www.w3.org/2000/svg}"
NUM = r"-?[0-9]+(\.[0-9]+)?"
FORMS = {"d": r"([MLHV]" + NUM + r"( " + NUM + r")? ?)+",
         "transform": r"translate\(" + NUM + " " + NUM + r"\) rotate\(-90\)",
         "viewBox": NUM + "( " + NUM + "){3}"}
for name in ("x", "y", "x1", "y1", "x2", "y2", "cx", "cy", "r", "width", "height"):
    FORMS[name] = NUM + "(mm|%)?"

try:
    root = ET.parse(sys.argv[1]).getroot()
except ET.ParseError as e:
    sys.exit("not well-formed: %s" % e)
if root.tag != SVG + "svg":
    sys.exit("not an SVG document")
counts = {}
for el in root.iter():
    tag = el.tag.replace(SVG, "")
    if el.get("class"):
        key = tag + "." + el.get("class")
        counts[key] = counts.get(key, 0) + 1
    if tag == "text":
        print("text=" + "".join(el.itertext()))
    for name, value in el.attrib.items():
        if name in FORMS and not re.fullmatch(FORMS[name], value):
            print("bad=%s=%s" % (name, value))
print("title=" + root.find(SVG + "title").text)
for key in sorted(counts):
    print("count.%s=%d" % (key, counts[key]))
