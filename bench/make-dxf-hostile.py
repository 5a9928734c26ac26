#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes the drawings a floor plan's import must answer with a message rather than memory and
hours: a polyline of a million vertices, a hundred thousand rooms, a MINSERT array of a billion
rooms, and a block that inserts itself. Plain group codes (ezdxf would take minutes over the
first two). For bench/measure-dxf.sh hostile.
Usage: make-dxf-hostile.py FOLDER"""
import math
import os
import sys

out = sys.argv[1]
os.makedirs(out, exist_ok=True)


def drawing(name, entities, blocks=""):
    with open(os.path.join(out, name), "w", encoding="ascii") as f:
        f.write("0\nSECTION\n2\nHEADER\n9\n$INSUNITS\n70\n6\n0\nENDSEC\n")
        f.write("0\nSECTION\n2\nBLOCKS\n" + blocks + "0\nENDSEC\n")
        f.write("0\nSECTION\n2\nENTITIES\n")
        for chunk in entities:
            f.write(chunk)
        f.write("0\nENDSEC\n0\nEOF\n")


def box(x, y):
    return (f"0\nLWPOLYLINE\n8\nROOMS\n90\n4\n70\n1\n10\n{x}\n20\n{y}\n10\n{x + 4}\n20\n{y}\n"
            f"10\n{x + 4}\n20\n{y + 4}\n10\n{x}\n20\n{y + 4}\n")


def block(name, body):
    return f"0\nBLOCK\n8\n0\n2\n{name}\n70\n0\n10\n0\n20\n0\n{body}0\nENDBLK\n8\n0\n"


circle = ["0\nLWPOLYLINE\n5\n2A\n8\nROOMS\n70\n1\n"] + [
    f"10\n{50 * math.cos(2 * math.pi * i / 1e6):.6f}\n20\n{50 * math.sin(2 * math.pi * i / 1e6):.6f}\n"
    for i in range(1_000_000)]
drawing("million-vertices.dxf", circle)
drawing("hundred-thousand-rooms.dxf", (box((i % 300) * 5, (i // 300) * 5) for i in range(100_000)))
drawing("billion-array.dxf",
        ["0\nINSERT\n5\n2B\n8\nROOMS\n2\nROOM\n10\n0\n20\n0\n70\n32767\n71\n32767\n44\n5\n45\n5\n"],
        block("ROOM", box(0, 0).replace("ROOMS", "0")))
drawing("self-insert.dxf", ["0\nINSERT\n5\n2C\n8\nROOMS\n2\nSELF\n10\n0\n20\n0\n"],
        block("SELF", box(0, 0).replace("ROOMS", "0") + "0\nINSERT\n8\n0\n2\nSELF\n10\n5\n20\n0\n"))
