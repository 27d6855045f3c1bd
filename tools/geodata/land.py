"""Where there is land, for the 10 m catalogue, and where no 5 m survey can exist.

GSHHG misses newer reclaimed land (関西国際空港's island), and some small islands (魚釣島's main
part); the municipal polygons of N03 (2021) hold them. A second-level square holds land when either
source puts land in it.

The 5 m DEM is surveyed only where Japan administers the land: nothing of it exists for the Northern
Territories (北方領土: 歯舞群島, 色丹島, 国後島, 択捉島), 竹島 or 尖閣諸島.
"""

from shapely.geometry import Point, box
from shapely.prepared import prep
from shapely.strtree import STRtree

import meshes

# Cape Nosappu, the easternmost point of Hokkaido's main island: every island east of it, from
# 貝殻島 on, is one of the Northern Territories.
NOSAPPU = (145.8167, 43.3853)
# The other areas, by boxes that hold nothing else.
TAKESHIMA = box(131.80, 37.20, 131.90, 37.28)
SENKAKU = box(123.30, 25.60, 124.70, 26.00)


class MunicipalLand:
    """The N03 municipal polygons, parts with their prefecture (0-based JIS order)."""

    def __init__(self, polygons):
        """polygons: municipality code (5 digits) -> shapely geometry."""
        self.parts = []
        self.prefecture = {}
        for code, geom in sorted(polygons.items()):
            for g in getattr(geom, "geoms", [geom]):
                if g.is_empty:
                    continue
                self.prefecture[id(g)] = int(code[:2]) - 1
                self.parts.append(g)
        self.tree = STRtree(self.parts)

    def meeting(self, geom):
        """The parts that put land in geom (not only touching its edge)."""
        return [g for g in self.tree.query(geom) if g.intersects(geom) and g.intersection(geom).area > 0]

    def prefectures(self, geom):
        return sorted({self.prefecture[id(g)] for g in self.meeting(geom)})

    def bounds(self):
        xs = [g.bounds for g in self.parts]
        return (min(b[0] for b in xs), min(b[1] for b in xs), max(b[2] for b in xs), max(b[3] for b in xs))


class NoSurvey:
    """Third-level squares where no 5 m file can exist."""

    def __init__(self, land):
        """land: the GSHHG land polygons of Japan (level 1)."""
        x0 = NOSAPPU[0]
        main = max(land, key=lambda g: g.area if g.intersects(Point(141.35, 43.06).buffer(0.01)) else 0)

        def east_of_nosappu(g):
            # Wholly east of the cape, or reaching east of it while lying north of the Nemuro
            # peninsula (国後島 reaches further west than the cape).
            minx, miny, maxx, _maxy = g.bounds
            return minx > x0 or (miny > NOSAPPU[1] + 0.2 and maxx > x0)

        north = [g for g in land if g is not main and east_of_nosappu(g)]
        # Islets between go with the nearer shore: the territories' or Hokkaido's main island.
        for g in land:
            b = g.bounds
            if g is main or east_of_nosappu(g) or b[2] < x0 - 1.0 or b[1] < NOSAPPU[1] - 0.5:
                continue
            if min(n.distance(g) for n in north) < main.distance(g):
                north.append(g)
        self.north = north
        ids = {id(g) for g in north}
        self.others = [g for g in land if id(g) not in ids]
        self.north_tree = STRtree(self.north)
        self.other_tree = STRtree(self.others)
        minx = min(g.bounds[0] for g in self.north)
        miny = min(g.bounds[1] for g in self.north)
        self.north_box = prep(box(minx - 0.1, miny - 0.1, 150.0, 46.0))
        self.boxes = [(minx - 0.1, miny - 0.1, 150.0, 46.0), TAKESHIMA.bounds, SENKAKU.bounds]
        self.excluded = {}
        self.takeshima = prep(TAKESHIMA)
        self.senkaku = prep(SENKAKU)

    def area_of(self, code3):
        """The name of the area holding third-level square code3, or None where a 5 m survey can
        exist."""
        area = self._area_of(code3)
        if area:
            self.excluded[area] = self.excluded.get(area, 0) + 1
        return area

    def describe(self):
        return "5 m model, squares left out where no survey exists: " + ", ".join(
            f"{k} {v:,}" for k, v in sorted(self.excluded.items()))

    def _area_of(self, code3):
        s, w, n, e = meshes.rect3(code3)
        if not any(x0 <= e and w <= x1 and y0 <= n and s <= y1 for x0, y0, x1, y1 in self.boxes):
            return None
        cell = box(w, s, e, n)
        if self.takeshima.intersects(cell):
            return "竹島"
        if self.senkaku.intersects(cell):
            return "尖閣諸島"
        if not self.north_box.intersects(cell):
            return None
        # Nearer to the Northern Territories' land than to any other: so the sea squares between
        # 貝殻島 and Cape Nosappu go with the nearer shore.
        centre = cell.centroid
        d_north = min((g.distance(cell) for g in self.north_tree.query(cell.buffer(0.2))), default=1e9)
        if d_north > 0.05:
            return None
        d_other = min((g.distance(cell) for g in self.other_tree.query(cell.buffer(0.2))), default=1e9)
        if d_other == 0 and d_north == 0:
            d_north, d_other = min(g.distance(centre) for g in self.north_tree.query(cell)), \
                min(g.distance(centre) for g in self.other_tree.query(cell))
        return "北方領土" if d_north < d_other else None
