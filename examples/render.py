#!/usr/bin/python3
"""Renders barcodes with the Python module `tessaline`.

    render.py OUTPUT_DIR [TYPE TEXT]...

Writes OUTPUT_DIR/N.png and OUTPUT_DIR/N.svg for each TYPE TEXT pair
(default: an EAN 8 and a Code 39 symbol) and prints each symbol's report.
A refused text is reported with its reason; exit status 1 then."""
import os
import sys

import tessaline


def main(argv):
    if len(argv) < 2 or len(argv) % 2:
        print("usage: render.py OUTPUT_DIR [TYPE TEXT]...", file=sys.stderr)
        return 2
    jobs = argv[2:] or ["EAN 8", "9638507", "Code 39", "TESSALINE PY"]
    status = 0
    for n, (type_, text) in enumerate(zip(jobs[::2], jobs[1::2]), 1):
        try:
            symbol = tessaline.Symbol(type_, text, module=3, foreground="#1A237E")
        except ValueError as error:  # an unknown type or option
            print(f"render.py: {error}", file=sys.stderr)
            return 2
        print(symbol)
        if not (symbol.valid and symbol.size_ok):
            print(f"render.py: {symbol.reason}", file=sys.stderr)
            status = 1
            continue
        name = os.path.join(argv[1], str(n))
        with open(name + ".png", "wb") as out:
            out.write(symbol.png())
        tessaline.save(name + ".svg", type_, text, module=3, foreground="#1A237E")
        print(f"wrote {name}.png ({symbol.width}x{symbol.height}) and {name}.svg")
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
