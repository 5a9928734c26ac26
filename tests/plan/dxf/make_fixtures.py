#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes the DXF drawings the tests read, with ezdxf (Debian's python3-ezdxf), a DXF library
independent of ours, at R12 and 2018. Run again after a change here:
    /usr/bin/python3 tests/plan/dxf/make_fixtures.py tests/plan/dxf
The bad drawings are made from the good ones, as a broken save or a wrong export would."""
import os
import sys

import ezdxf
from ezdxf import bbox

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


def arcs():
    # The hall of 30 m x 20 m whose bottom wall is an arc with a sagitta of 10 m (bulge 2/3),
    # once bulging out of the hall and once into it; a square room around a round column; and
    # the outward hall again as an R12 POLYLINE.
    doc = ezdxf.new("R2018")
    doc.header["$INSUNITS"] = 6  # m
    doc.layers.add("ROOMS")
    msp = doc.modelspace()
    room = {"layer": "ROOMS"}
    msp.add_lwpolyline([(0, 0, 2 / 3), (30, 0, 0), (30, 20, 0), (0, 20, 0)], format="xyb",
                       close=True, dxfattribs=room)
    msp.add_text("外凸大厅", dxfattribs={"height": 0.5}).set_placement((12, 15))
    msp.add_lwpolyline([(100, 0, -2 / 3), (130, 0, 0), (130, 20, 0), (100, 20, 0)],
                       format="xyb", close=True, dxfattribs=room)
    msp.add_text("内凹大厅", dxfattribs={"height": 0.5}).set_placement((112, 15))
    msp.add_lwpolyline([(200, 0), (220, 0), (220, 20), (200, 20)], close=True, dxfattribs=room)
    msp.add_circle((210, 10), 0.5, dxfattribs=room)
    msp.add_text("圆柱厅", dxfattribs={"height": 0.5}).set_placement((202, 18))
    doc.saveas(os.path.join(out, "arc-hall.dxf"))

    doc = ezdxf.new("R12")
    msp = doc.modelspace()
    msp.add_polyline2d([(0, 0, 2 / 3), (30000, 0, 0), (30000, 20000, 0), (0, 20000, 0)],
                       format="xyb", close=True, dxfattribs={"layer": "ROOMS"})
    msp.add_text("HALL", dxfattribs={"height": 500}).set_placement((12000, 15000))
    doc.saveas(os.path.join(out, "arc-hall-r12.dxf"))


def mirrored():
    # What CAD's MIRROR leaves: extrusion (0, 0, -1), x of the object's own frame running the
    # other way. Rooms at x 10..16 (a polyline mirrored, its text not), 20..26 (the text
    # mirrored), 30..36 (mirrored, its top wall an arc with a sagitta of 1 m).
    doc = ezdxf.new("R2018")
    doc.header["$INSUNITS"] = 6
    doc.layers.add("ROOMS")
    msp = doc.modelspace()
    down = {"layer": "ROOMS", "extrusion": (0, 0, -1)}
    msp.add_lwpolyline([(-10, 0), (-16, 0), (-16, 5), (-10, 5)], close=True, dxfattribs=down)
    msp.add_text("库房", dxfattribs={"height": 0.3}).set_placement((13, 2.5))
    msp.add_lwpolyline([(20, 0), (26, 0), (26, 5), (20, 5)], close=True,
                       dxfattribs={"layer": "ROOMS"})
    msp.add_text("办公室", dxfattribs={"height": 0.3, "extrusion": (0, 0, -1)}).set_placement(
        (-23, 2.5))
    msp.add_lwpolyline([(-30, 0, 0), (-36, 0, 0), (-36, 5, -1 / 3), (-30, 5, 0)], format="xyb",
                       close=True, dxfattribs=down)
    msp.add_text("弧顶室", dxfattribs={"height": 0.3}).set_placement((33, 2.5))
    doc.saveas(os.path.join(out, "mirrored.dxf"))


def blocks():
    # Three rooms in millimetres: one in the model space, one two inserts deep, one in an insert
    # rotated by 90 degrees and scaled by 2, its outline on layer 0 taking the insert's layer.
    doc = ezdxf.new("R2018")
    doc.header["$INSUNITS"] = 4
    doc.layers.add("ROOMS")
    msp = doc.modelspace()
    msp.add_lwpolyline([(0, 0), (10000, 0), (10000, 8000), (0, 8000)], close=True,
                       dxfattribs={"layer": "ROOMS"})
    msp.add_text("前厅", dxfattribs={"height": 300}).set_placement((1000, 4000))
    inner = doc.blocks.new("INNER", base_point=(500, 500))
    inner.add_lwpolyline([(500, 500), (6500, 500), (6500, 5500), (500, 5500)], close=True,
                         dxfattribs={"layer": "ROOMS"})
    inner.add_text("会议室", dxfattribs={"height": 300}).set_placement((1000, 3000))
    outer = doc.blocks.new("OUTER")
    outer.add_blockref("INNER", (1000, 1000))
    msp.add_blockref("OUTER", (20000, 0))
    small = doc.blocks.new("SMALL")
    small.add_lwpolyline([(0, 0), (3000, 0), (3000, 2000), (0, 2000)], close=True,
                         dxfattribs={"layer": "0"})
    small.add_text("储藏室", dxfattribs={"height": 200, "layer": "0"}).set_placement((500, 1000))
    msp.add_blockref("SMALL", (40000, 0), dxfattribs={"layer": "ROOMS", "rotation": 90,
                                                       "xscale": 2, "yscale": 2})
    # An independent check of the places above: ezdxf's own exploding.
    boxes = []
    for e in msp.query("INSERT"):
        for v in e.virtual_entities():
            if v.dxftype() == "INSERT":
                for w in v.virtual_entities():
                    if w.dxftype() == "LWPOLYLINE":
                        boxes.append(bbox.extents([w]))
            elif v.dxftype() == "LWPOLYLINE":
                boxes.append(bbox.extents([v]))
    got = sorted((round(b.extmin.x), round(b.extmin.y), round(b.extmax.x), round(b.extmax.y))
                 for b in boxes)
    assert got == [(21000, 1000, 27000, 6000), (36000, 0, 40000, 6000)], got
    doc.saveas(os.path.join(out, "blocks.dxf"))


def array():
    # A MINSERT of 2 rows and 3 columns, rotated by 90 degrees (the grid turns with it), and an
    # insert mirrored by a negative scale whose room has an arc.
    doc = ezdxf.new("R2018")
    doc.header["$INSUNITS"] = 6
    doc.layers.add("ROOMS")
    msp = doc.modelspace()
    room = doc.blocks.new("ROOM")
    room.add_lwpolyline([(0, 0), (4, 0), (4, 3), (0, 3)], close=True, dxfattribs={"layer": "0"})
    room.add_text("客房", dxfattribs={"height": 0.2}).set_placement((1, 1))
    grid = msp.add_blockref("ROOM", (100, 0), dxfattribs={"layer": "ROOMS", "rotation": 90})
    grid.grid(size=(2, 3), spacing=(5, 6))
    bay = doc.blocks.new("BAY")
    bay.add_lwpolyline([(0, 0, 0), (6, 0, 0), (6, 4, 1), (0, 4, 0)], format="xyb", close=True,
                       dxfattribs={"layer": "0"})
    bay.add_text("半圆厅", dxfattribs={"height": 0.2}).set_placement((1, 2))
    msp.add_blockref("BAY", (200, 0), dxfattribs={"layer": "ROOMS", "xscale": -1})
    boxes = sorted((round(b.extmin.x, 6), round(b.extmin.y, 6), round(b.extmax.x, 6),
                    round(b.extmax.y, 6))
                   for i in msp.query("INSERT") for m in i.multi_insert()
                   for b in [bbox.extents(m.virtual_entities())])
    assert boxes[0] == (92.0, 0.0, 95.0, 4.0) and len(boxes) == 7, boxes
    doc.saveas(os.path.join(out, "array.dxf"))


def crossing():
    # Two rooms whose outlines cross, and a room whose shaft stands on its tip on the wall.
    doc = ezdxf.new("R2018")
    doc.header["$INSUNITS"] = 6
    doc.layers.add("ROOMS")
    msp = doc.modelspace()
    room = {"layer": "ROOMS"}
    a = msp.add_lwpolyline([(0, 0), (10, 0), (10, 8), (0, 8)], close=True, dxfattribs=room)
    b = msp.add_lwpolyline([(6, 4), (16, 4), (16, 12), (6, 12)], close=True, dxfattribs=room)
    msp.add_text("甲", dxfattribs={"height": 0.3}).set_placement((1, 1))
    msp.add_text("乙", dxfattribs={"height": 0.3}).set_placement((14, 11))
    msp.add_lwpolyline([(100, 0), (120, 0), (120, 10), (100, 10)], close=True, dxfattribs=room)
    msp.add_lwpolyline([(110, 0), (114, 6), (106, 6)], close=True, dxfattribs=room)
    msp.add_text("机房", dxfattribs={"height": 0.3}).set_placement((101, 9))
    with open(os.path.join(out, "crossing-handles.txt"), "w", encoding="ascii") as f:
        f.write(a.dxf.handle + "\n" + b.dxf.handle + "\n")
    doc.saveas(os.path.join(out, "crossing.dxf"))


def recursive():
    # A block that inserts itself through another: CAD cannot draw it.
    doc = ezdxf.new("R2018")
    doc.header["$INSUNITS"] = 6
    doc.layers.add("ROOMS")
    first = doc.blocks.new("FIRST")
    second = doc.blocks.new("SECOND")
    first.add_lwpolyline([(0, 0), (4, 0), (4, 3), (0, 3)], close=True, dxfattribs={"layer": "0"})
    first.add_blockref("SECOND", (10, 0))
    second.add_blockref("FIRST", (10, 0))
    doc.modelspace().add_blockref("FIRST", (0, 0), dxfattribs={"layer": "ROOMS"})
    doc.saveas(os.path.join(out, "recursive.dxf"))


rooms_r12()
rooms_2018()
bad()
layers()
arcs()
mirrored()
blocks()
array()
crossing()
recursive()
