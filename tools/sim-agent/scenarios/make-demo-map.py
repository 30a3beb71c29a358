#!/usr/bin/env python3
"""Writes demo.map, the terrain of the demo exercise (demo.scenario).

    tools/sim-agent/scenarios/make-demo-map.py [OUTPUT]

The map is committed; this script is only for changing it (the build and
the tests never run it). The output is the same on every run.

The grid is 240 x 240 cells over the exercise's rectangle, latitude 0..950
across the columns and longitude 95..655 up the rows: six cells to each of
the 40 x 40 squares of the exercise's grid lines, so that the map fills the
station's view at zoom 2 (480 x 480 pixels). Cells are addressed here as
(x, y) with x towards the east (latitude) and y towards the north
(longitude); the file gives the northern row first.

The landscape: the sea in the west with a shallow shelf, a bay in the south
and an island; beaches along the coast; plains; a lake with marsh round it
in the middle, fed by a river from the mountains in the north-east and
drained by one to the sea; forest in the north-west, in the south-east and
on the foothills.
"""

import math
import os
import sys

WIDTH = 240
HEIGHT = 240
LAT_BOUNDS = (0.0, 950.0)
LNG_BOUNDS = (95.0, 655.0)

DEEP, SHALLOW, SAND, PLAINS, FOREST, MOUNTAINS, MARSH = "~-s.f^m"


def lattice(ix, iy, seed):
    """A fixed pseudo-random value in [0, 1) for a lattice point."""
    h = (ix * 374761393 + iy * 668265263 + seed * 982451653) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((h ^ (h >> 16)) & 0xFFFF) / 65536.0


def noise(x, y, scale, seed):
    """Smooth value noise in [0, 1) with features about `scale` cells wide."""
    fx, fy = x / scale, y / scale
    ix, iy = math.floor(fx), math.floor(fy)
    tx, ty = fx - ix, fy - iy
    sx, sy = tx * tx * (3 - 2 * tx), ty * ty * (3 - 2 * ty)
    top = lattice(ix, iy, seed) * (1 - sx) + lattice(ix + 1, iy, seed) * sx
    bottom = lattice(ix, iy + 1, seed) * (1 - sx) + lattice(ix + 1, iy + 1, seed) * sx
    return top * (1 - sy) + bottom * sy


def rough(x, y, seed):
    """Noise of three octaves in [-1, 1): for ragged edges."""
    total = (noise(x, y, 24.0, seed) * 0.55 + noise(x, y, 10.0, seed + 1) * 0.3 +
             noise(x, y, 4.0, seed + 2) * 0.15)
    return total * 2.0 - 1.0


def distance_to_path(x, y, path):
    best = float("inf")
    for (ax, ay), (bx, by) in zip(path, path[1:]):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        best = min(best, math.hypot(x - ax - t * dx, y - ay - t * dy))
    return best


def ellipse(x, y, cx, cy, rx, ry):
    """1.0 on the ellipse, below 1 inside."""
    return math.hypot((x - cx) / rx, (y - cy) / ry)


def coast(y):
    """Column of the shoreline in row y: the sea lies west of it."""
    line = 44 + 7 * math.sin(y / 31.0) + 4 * math.sin(y / 11.0 + 1.3)
    line += 30 * math.exp(-(((y - 30) / 16.0) ** 2))  # the bay in the south
    line -= 14 * math.exp(-(((y - 160) / 14.0) ** 2))  # the headland
    return line


# Shapes in cells: ellipses as centre and half-axes, rivers as the points of
# their course, downstream.
LAKE = (150.0, 112.0, 24.0, 16.0)
INFLOW = [(212, 196), (200, 172), (186, 150), (170, 130), (160, 122)]
OUTFLOW = [(128, 110), (110, 104), (92, 98), (70, 96), (40, 94)]
ISLAND = (16.0, 200.0, 10.0, 14.0)
# The forests, drawn as overlapping ellipses.
FORESTS = [(104.0, 190.0, 26.0, 16.0), (126.0, 172.0, 16.0, 20.0), (192.0, 46.0, 24.0, 18.0),
           (170.0, 30.0, 14.0, 12.0), (62.0, 22.0, 12.0, 10.0)]


def cell(x, y):
    shore = x - coast(y) + 9 * rough(x, y, 11)  # cells inland from the shoreline
    island = ellipse(x, y, *ISLAND) + 0.25 * rough(x, y, 17)
    if shore < 0 and island > 1.0:
        return DEEP if shore < -6 + 3 * rough(x, y, 13) and island > 1.6 else SHALLOW

    lake = ellipse(x, y, *LAKE) + 0.2 * rough(x, y, 23)
    if lake < 0.55:
        return DEEP
    if lake < 1.0:
        return SHALLOW
    # The rivers wind: the distance is taken from a point shifted by noise.
    wx, wy = x + 5 * rough(x, y, 47), y + 5 * rough(x, y, 53)
    river = min(distance_to_path(wx, wy, INFLOW), distance_to_path(wx, wy, OUTFLOW))
    if river < 1.5 + 0.5 * rough(x, y, 29):
        return SHALLOW
    # Reed beds, thinning out away from the lake and the river mouth: the
    # station draws a marsh cell as a dark ring, so a sparse mix of marsh and
    # plains reads as marsh where a solid patch would read as a black one.
    wet = max(1.6 - lake, 0.8 - river / 12.0 if x < 80 else 0.0)
    if wet > 0 and noise(x, y, 2.0, 31) < min(0.4, 0.05 + 0.6 * wet):
        return MARSH
    if (shore < 3 and island > 1.0) or island < 0.55:
        return SAND

    # The mountains rise towards the north-east corner, with outlying peaks
    # and then wooded foothills in front of them.
    ridge = x + y + 28 * rough(x, y, 37)
    if ridge > 350 or noise(x, y, 3.0, 59) * (ridge - 250) > 60:
        # Wooded valleys between the ridges.
        return FOREST if ridge < 420 and noise(x, y, 9.0, 61) > 0.72 else MOUNTAINS
    if ridge > 325 and noise(x, y, 6.0, 41) > 0.45:
        return FOREST
    # The forests, and copses scattered over the plains.
    for cx, cy, rx, ry in FORESTS:
        if ellipse(x, y, cx, cy, rx, ry) + 0.6 * rough(x, y, 43) < 1.0:
            return FOREST
    return FOREST if noise(x, y, 6.0, 67) > 0.8 else PLAINS


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "demo.map")
    lines = [
        "#Druvik MapData(1.2) - demo exercise",
        str(WIDTH),
        "%.6f:%.6f" % LAT_BOUNDS,
        str(HEIGHT),
        "%.6f:%.6f" % LNG_BOUNDS,
        "0",
    ]
    for y in range(HEIGHT - 1, -1, -1):
        lines.append("".join(cell(x, y) for x in range(WIDTH)) + " \x01")
    with open(path, "w", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
