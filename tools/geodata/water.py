"""Lakes of the relief: open outlines of the lakes of Japan, and which cells of the raster they cover.

GSHHG gives the inland lakes (its level 2, with its level-3 islands as holes). Lagoons joined to the
sea by a narrow mouth (サロマ湖, 浜名湖, 能取湖 ...) are sea to GSHHG; for a lake of the gazetteer that
no GSHHG lake holds, the water that the shoreline encloses once its narrow mouths are closed is taken
as the lake.
"""

import math

from shapely.geometry import Point, Polygon, box
from shapely.ops import unary_union
from shapely.prepared import prep
from shapely.strtree import STRtree

import meshes

# A cell of the relief is water when more than this share of it is lake.
WATER_SHARE = 0.5
# A water cell that has an elevation (the lake's surface) carries the colour index of the sea in its
# colorIndex byte, which is otherwise 0 in the data set: the loader keeps that colour for it.
WATER_INDEX = 244
# Mouths narrower than about twice this (degrees, about 1 km) are closed to find a lagoon.
MOUTH = 0.01
# How far a GSHHG lake may lie from the gazetteer point that names it.
NEAR = 0.03
# How far a lagoon may lie from its gazetteer point: half an arc-minute each way, the points' precision.
# (Further than that, the cove found is more likely sea beside a lake that GSHHG lacks, such as 戸賀湾
# beside 一ノ目潟.)
NEAR_LAGOON = math.hypot(0.5 / 60, 0.5 / 60)
LAGOON_WINDOW = 0.3
MIN_LAKE_KM2 = 0.5


def km2(geom):
    """Area in square kilometres at the geometry's latitude."""
    return geom.area * 111.32 ** 2 * math.cos(math.radians(geom.centroid.y))


def parts(geom):
    return list(getattr(geom, "geoms", [geom])) if not geom.is_empty else []


class Lakes:
    def __init__(self, rings, land, near_japan, gazetteer):
        """rings: GSHHG (level, points); land: level-1 polygons of Japan; near_japan: a prepared
        geometry around Japan; gazetteer: (name, lat, lon) of the lakes."""
        self.report = []
        islands = [Polygon(pts).buffer(0) for lv, pts in rings if lv == 3]
        lakes = []
        for level, pts in rings:
            if level != 2:
                continue
            poly = Polygon(pts).buffer(0)
            if poly.is_empty or not near_japan.intersects(poly):
                continue
            holes = [i for i in islands if poly.intersects(i)]
            if holes:
                poly = poly.difference(unary_union(holes))
            lakes.append(poly)
        self.gshhg_count = len(lakes)
        # Names from the gazetteer: the lake that holds the point, or the nearest one close by.
        self.named = {}
        tree = STRtree(lakes) if lakes else None
        land_tree = STRtree(land)
        lagoons = 0
        for name, lat, lon in gazetteer:
            pt = Point(lon, lat)
            found = None
            if tree is not None:
                near = [g for g in tree.query(pt.buffer(NEAR)) if g.distance(pt) < NEAR]
                if near:
                    found = min(near, key=lambda g: (g.distance(pt), -g.area))
            if found is None:
                found = self.lagoon(pt, land_tree)
                if found is not None:
                    lakes.append(found)
                    lagoons += 1
            if found is not None:
                self.named[name] = found
            else:
                self.report.append(f"  lake without an outline: {name} ({lat:.4f}, {lon:.4f})")
        self.lagoon_count = lagoons
        self.polygons = [g for g in lakes if km2(g) >= MIN_LAKE_KM2]
        self.polygons.sort(key=lambda g: (g.bounds, g.area))
        self.tree = STRtree(self.polygons)

    @staticmethod
    def lagoon(pt, land_tree):
        """The water next to pt that the shoreline encloses once mouths narrower than 2 MOUTH are
        closed, or None."""
        x, y = pt.x, pt.y
        window = box(x - LAGOON_WINDOW, y - LAGOON_WINDOW, x + LAGOON_WINDOW, y + LAGOON_WINDOW)
        local = unary_union([g.intersection(window) for g in land_tree.query(window)])
        if local.is_empty:
            return None
        closed = local.buffer(MOUTH, resolution=4).buffer(-MOUTH, resolution=4)
        # A lagoon wider than its mouth stays a hole of the closed shore: fill the holes.
        closed = unary_union([Polygon(g.exterior) for g in parts(closed) if g.geom_type == "Polygon"])
        inner = window.buffer(-3 * MOUTH)
        gaps = [g for g in parts(closed.difference(local).intersection(inner))
                if g.geom_type == "Polygon" and g.distance(pt) < NEAR_LAGOON and km2(g) >= MIN_LAKE_KM2]
        if not gaps:
            return None
        return min(gaps, key=lambda g: (g.distance(pt), -g.area))

    def describe(self):
        total = sum(km2(g) for g in self.polygons)
        lines = [f"lakes: {len(self.polygons)} outlines of at least {MIN_LAKE_KM2} km2 "
                 f"({self.gshhg_count} GSHHG lakes near Japan, {self.lagoon_count} lagoons closed at their mouths), "
                 f"{total:,.0f} km2; {len(self.named)} of the gazetteer's lakes found"]
        return lines + self.report

    def share(self, cell):
        """The share of a cell (a polygon) that is lake."""
        wet = 0.0
        for g in self.tree.query(cell):
            if g.intersects(cell):
                wet += g.intersection(cell).area
        return wet / cell.area

    def water_cells(self, first):
        """Interior cells (row, column) of the raster block of first-level sheet `first` that are
        mostly lake, the cells taken where the relief draws them (Tokyo-datum squares shifted)."""
        ll, oo = first // 100, first % 100
        sheet = box(100 + oo, ll / 1.5, 101 + oo, (ll + 1) / 1.5).buffer(0.02)
        cells = set()
        for lake in self.tree.query(sheet):
            if not lake.intersects(sheet):
                continue
            minx, miny, maxx, maxy = lake.bounds
            # Rows and columns whose shifted square may meet the lake.
            r_lo = max(1, 80 - int(math.floor((maxy + 0.01 - ll / 1.5) * 120)))
            r_hi = min(80, 80 - int(math.floor((miny - 0.01 - ll / 1.5) * 120)))
            c_lo = max(1, 1 + int(math.floor((minx - 0.02 - 100 - oo) * 80)))
            c_hi = min(80, 1 + int(math.floor((maxx + 0.02 - 100 - oo) * 80)))
            inside = prep(lake)
            for r in range(r_lo, r_hi + 1):
                for c in range(c_lo, c_hi + 1):
                    if (r, c) in cells:
                        continue
                    cell = drawn_cell(ll, oo, r, c)
                    if not inside.intersects(cell):
                        continue
                    if inside.contains(cell) or self.share(cell) > WATER_SHARE:
                        cells.add((r, c))
        return cells


def drawn_cell(ll, oo, r, c):
    """Cell (r, c) of sheet LLOO where the relief draws it: its Tokyo-datum square moved by the
    datum shift of its centre."""
    s = ll / 1.5 + (80 - r) / 120
    w = 100 + oo + (c - 1) / 80
    lat, lon = s + 0.5 / 120, w + 0.5 / 80
    jlon, jlat = meshes.shift_tokyo_to_jgd(lon, lat)
    dx, dy = jlon - lon, jlat - lat
    return box(w + dx, s + dy, w + 1 / 80 + dx, s + 1 / 120 + dy)


def flag(elevation, wet):
    """The colorIndex byte of a raster cell as stored: WATER_INDEX for lake water over an elevation,
    else 0 (a cell without an elevation is painted as the sea already)."""
    return WATER_INDEX if wet and elevation != 0 else 0
