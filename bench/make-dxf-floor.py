#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes a floor of N rooms (default 500) as a DXF drawing, with ezdxf (python3-ezdxf), for
bench/measure-dxf.sh: a grid of rooms 6 m to 24 m wide in millimetres, every fifth one L-shaped,
every seventh with a column 0.8 m square, each named by a TEXT inside it.
Usage: make-dxf-floor.py OUT.dxf [N]"""
import sys

import ezdxf

path = sys.argv[1]
rooms = int(sys.argv[2]) if len(sys.argv) > 2 else 500
doc = ezdxf.new("R2018")
doc.header["$INSUNITS"] = 4
doc.layers.add("ROOMS")
msp = doc.modelspace()
columns = 25
for n in range(rooms):
    row, col = divmod(n, columns)
    w = 6000 + (n * 7919) % 18000
    h = 6000 + (n * 104729) % 12000
    x0, y0 = col * 26000, row * 20000
    if n % 5 == 0:
        outline = [(x0, y0), (x0 + w, y0), (x0 + w, y0 + h / 2), (x0 + w / 2, y0 + h / 2),
                   (x0 + w / 2, y0 + h), (x0, y0 + h)]
    else:
        outline = [(x0, y0), (x0 + w, y0), (x0 + w, y0 + h), (x0, y0 + h)]
    msp.add_lwpolyline(outline, close=True, dxfattribs={"layer": "ROOMS"})
    if n % 7 == 0:
        cx, cy = x0 + w / 4, y0 + h / 4
        msp.add_lwpolyline([(cx, cy), (cx + 800, cy), (cx + 800, cy + 800), (cx, cy + 800)],
                           close=True, dxfattribs={"layer": "ROOMS"})
    msp.add_text(f"房间{n + 1}", dxfattribs={"height": 300}).set_placement((x0 + 500, y0 + 500))
doc.saveas(path)
