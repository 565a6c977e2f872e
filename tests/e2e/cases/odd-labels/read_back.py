# Reads a table of pelvano-plot with Python's csv module and prints, for each row, the
# Label and Pop_name it read back (as Python literals, so that every character shows).
import csv
import sys

with open(sys.argv[1], newline="", encoding="utf-8") as f:
    for row in csv.DictReader(f, delimiter="\t"):
        print(repr(row["Label"]), repr(row["Pop_name"]), len(row))
