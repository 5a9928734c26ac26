#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes the DXF drawings the tests read, with ezdxf (Debian's python3-ezdxf), a DXF library
independent of ours, at R12 and 2018. Run again after a change here:
    /usr/bin/python3 tests/plan/dxf/make_fixtures.py tests/plan/dxf
The bad drawings are made from the good ones, as a broken save or a wrong export would."""
import os
import sys

import ezdxf

out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))


def rooms_r12():
    # R12 has no LWPOLYLINE: closed POLYLINEs with VERTEX and SEQEND. Millimetres, which R12
    # cannot state in its header: the reader is told --units mm.
    doc = ezdxf.new("R12")
    msp = doc.modelspace()
    doc.layers.add("房间")
    # The 68 m x 30 m shop floor.
    msp.add_polyline2d([(0, 0), (68000, 0), (68000, 30000), (0, 30000)], close=True,
                       dxfattribs={"layer": "房间"})
    msp.add_text("商场", dxfattribs={"layer": "0", "height": 500}).set_placement((30000, 15000))
    # An L-shaped office to the right of it, with a column 1 m x 1 m as a hole.
    msp.add_polyline2d([(70000, 0), (90000, 0), (90000, 10000), (80000, 10000), (80000, 20000),
                        (70000, 20000)], close=True, dxfattribs={"layer": "房间"})
    msp.add_polyline2d([(74000, 4000), (75000, 4000), (75000, 5000), (74000, 5000)], close=True,
                       dxfattribs={"layer": "房间"})
    msp.add_text("办公室", dxfattribs={"height": 300}).set_placement((72000, 15000))
    # A storeroom without a name.
    msp.add_polyline2d([(92000, 0), (96000, 0), (96000, 5000), (92000, 5000)], close=True,
                       dxfattribs={"layer": "房间"})
    # Walls on another layer are not rooms.
    msp.add_line((0, -500), (96000, -500), dxfattribs={"layer": "墙"})
    doc.saveas(os.path.join(out, "floor-r12.dxf"))


def rooms_2018():
    doc = ezdxf.new("R2018")
    doc.header["$INSUNITS"] = 4  # mm
    msp = doc.modelspace()
    doc.layers.add("ROOMS")
    doc.layers.add("墙")
    # A 30 m x 30 m floor around a 10 m x 10 m core.
    msp.add_lwpolyline([(0, 0), (30000, 0), (30000, 30000), (0, 30000)], close=True,
                       dxfattribs={"layer": "ROOMS"})
    msp.add_lwpolyline([(10000, 10000), (20000, 10000), (20000, 20000), (10000, 20000)],
                       close=True, dxfattribs={"layer": "ROOMS"})
    msp.add_mtext("{\\fSimSun|b0|i0|c134;环形大厅}\\P320 m²",
                  dxfattribs={"char_height": 400}).set_location((2000, 28000))
    # The corridor drawn as two rooms of one name: one unit.
    msp.add_lwpolyline([(30000, 0), (70000, 0), (70000, 2000), (30000, 2000)], close=True,
                       dxfattribs={"layer": "ROOMS"})
    msp.add_lwpolyline([(68000, 2000), (70000, 2000), (70000, 30000), (68000, 30000)],
                       close=True, dxfattribs={"layer": "ROOMS"})
    for at in ((40000, 1000), (69000, 20000)):
        msp.add_text("走廊", dxfattribs={"height": 300}).set_placement(at)
    # Closed by repeating the first vertex, not by the flag.
    msp.add_lwpolyline([(40000, 5000), (50000, 5000), (50000, 12000), (40000, 12000),
                        (40000, 5000)], dxfattribs={"layer": "ROOMS"})
    msp.add_text("库房", dxfattribs={"height": 300}).set_placement((41000, 8000))
    # An island inside the core's hole is a room again.
    msp.add_lwpolyline([(12000, 12000), (18000, 12000), (18000, 18000), (12000, 18000)],
                       close=True, dxfattribs={"layer": "ROOMS"})
    msp.add_text("核心筒内的机房", dxfattribs={"height": 300}).set_placement((13000, 15000))
    msp.add_line((0, 0), (70000, 0), dxfattribs={"layer": "墙"})
    doc.saveas(os.path.join(out, "floor-2018.dxf"))


def bad():
    with open(os.path.join(out, "floor-2018.dxf"), encoding="utf-8") as f:
        good = f.read()
    with open(os.path.join(out, "bad-truncated.dxf"), "w", encoding="utf-8", newline="") as f:
        f.write(good[: len(good) * 2 // 3])
    doc = ezdxf.readfile(os.path.join(out, "floor-2018.dxf"))
    doc.saveas(os.path.join(out, "bad-binary.dxf"), fmt="bin")

    doc = ezdxf.new("R2018")
    doc.header["$INSUNITS"] = 6  # m
    doc.layers.add("ROOMS")
    msp = doc.modelspace()
    msp.add_lwpolyline([(0, 0), (10, 0), (10, 10), (0, 10)], dxfattribs={"layer": "ROOMS"})
    doc.saveas(os.path.join(out, "bad-open.dxf"))

    doc = ezdxf.new("R2018")
    doc.header["$INSUNITS"] = 6
    doc.layers.add("ROOMS")
    msp = doc.modelspace()
    msp.add_lwpolyline([(0, 0), (10, 0), (10, 10)], close=True, dxfattribs={"layer": "ROOMS"})
    bowtie = msp.add_lwpolyline([(20, 0), (30, 10), (30, 0), (20, 10)], close=True,
                                dxfattribs={"layer": "ROOMS"})
    with open(os.path.join(out, "bowtie-handle.txt"), "w", encoding="ascii") as f:
        f.write(bowtie.dxf.handle + "\n")
    doc.saveas(os.path.join(out, "bad-crossed.dxf"))

    doc = ezdxf.new("R2018")
    doc.header["$INSUNITS"] = 4
    doc.layers.add("ROOMS")
    msp = doc.modelspace()
    # Survey coordinates in millimetres: thousands of kilometres from the origin.
    x = 4.5e9
    msp.add_lwpolyline([(x, 0), (x + 10000, 0), (x + 10000, 8000), (x, 8000)], close=True,
                       dxfattribs={"layer": "ROOMS"})
    doc.saveas(os.path.join(out, "bad-huge.dxf"))


def layers():
    # For the layer chooser: furniture has more closed outlines than anything, the rooms are on
    # a layer named as such, one of them inside a block drawn on layer 0 and inserted on it.
    doc = ezdxf.new("R2018")
    doc.header["$INSUNITS"] = 6  # m
    for name in ("A-WALL", "家具", "空间", "轴线", "未用"):
        doc.layers.add(name)
    msp = doc.modelspace()

    def box(x, y, w, h, layer, where=msp):
        where.add_lwpolyline([(x, y), (x + w, y), (x + w, y + h), (x, y + h)], close=True,
                             dxfattribs={"layer": layer})

    for i in range(4):
        box(i * 10, -1, 10, 0.2, "A-WALL")
    for i in range(9):
        box(1 + i * 3, 1, 1.2, 0.6, "家具")
    box(0, 0, 10, 8, "空间")
    box(10, 0, 10, 8, "空间")
    unit = doc.blocks.new("UNIT")
    box(0, 0, 10, 8, "0", unit)
    msp.add_blockref("UNIT", (20, 0), dxfattribs={"layer": "空间"})
    msp.add_line((0, -5), (40, -5), dxfattribs={"layer": "轴线"})
    doc.saveas(os.path.join(out, "layers.dxf"))


rooms_r12()
rooms_2018()
bad()
layers()
