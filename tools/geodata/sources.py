"""Readers of the source files (see ../shared/geodata-sources/SOURCES.md)."""

import csv
import glob
import json
import os
import subprocess

from shapely.geometry import Polygon, MultiPolygon, shape
from shapely.ops import unary_union


class Sources:
    def __init__(self, root):
        self.root = root

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def prefectures(self):
        """47 shapely geometries, index = JIS order - 1."""
        with open(self.path("prefectures-n03", "prefectures_s0010.geojson"), encoding="utf-8") as f:
            features = json.load(f)["features"]
        assert len(features) == 47
        return [shape(feat["geometry"]).buffer(0) for feat in features]

    def municipal_topology(self):
        """(arcs as lists of (lon, lat), geometries as (properties, polygons as lists of rings of arc indices))."""
        with open(self.path("municipalities", "N03-21_210101_s0010.topojson"), encoding="utf-8") as f:
            topo = json.load(f)
        sx, sy = topo["transform"]["scale"]
        tx, ty = topo["transform"]["translate"]
        arcs = []
        for arc in topo["arcs"]:
            x = y = 0
            pts = []
            for dx, dy in arc:
                x += dx
                y += dy
                pts.append((x * sx + tx, y * sy + ty))
            arcs.append(pts)
        geoms = []
        (obj,) = topo["objects"].values()
        for g in obj["geometries"]:
            if g.get("type") == "Polygon":
                polys = [g["arcs"]]
            elif g.get("type") == "MultiPolygon":
                polys = g["arcs"]
            else:
                polys = []
            geoms.append((g.get("properties", {}), polys))
        return arcs, geoms

    @staticmethod
    def ring_coords(arcs, ring):
        pts = []
        for index in ring:
            seq = arcs[index] if index >= 0 else list(reversed(arcs[~index]))
            pts.extend(seq if not pts else seq[1:])
        return pts

    def municipal_polygons(self):
        """Municipality code (5 digits) -> shapely geometry, and (prefecture, designated city) -> the
        union of its wards."""
        arcs, geoms = self.municipal_topology()
        by_code = {}
        wards = {}
        for props, polys in geoms:
            parts = []
            for poly in polys:
                rings = [self.ring_coords(arcs, r) for r in poly]
                rings = [r for r in rings if len(r) >= 4]
                if rings:
                    parts.append(Polygon(rings[0], rings[1:]).buffer(0))
            code = props.get("N03_007")
            if code and parts:
                by_code.setdefault(code, []).extend(parts)
            city, ward = props.get("N03_003") or "", props.get("N03_004") or ""
            if parts and city.endswith("市") and ward.endswith("区"):
                wards.setdefault((props.get("N03_001"), city), []).extend(parts)
        return ({code: unary_union(parts) for code, parts in sorted(by_code.items())},
                {key: unary_union(parts) for key, parts in sorted(wards.items())})

    def town_halls(self):
        with open(self.path("municipalities", "localgovjp-utf8.csv"), encoding="utf-8-sig") as f:
            return list(csv.DictReader(f))

    def gazetteer_2007(self):
        with open(self.path("gazetteer-2007", "GAZETTEER_OF_JAPAN_2007.csv"), encoding="utf-8") as f:
            return [r for r in csv.DictReader(f) if r["change_information"] != "削除"]

    def mountains(self):
        with open(self.path("mountains-gsi", "JapanMountain.json"), encoding="utf-8") as f:
            return json.load(f)["data"]

    def sheets(self):
        with open(self.path("sheets-200k", "sheet200k_names.csv"), encoding="utf-8") as f:
            return list(csv.DictReader(f))

    def mean_elevations(self):
        """8-digit third-level code -> mean elevation in metres (JGD2000 grid)."""
        cells = {}
        for name in sorted(glob.glob(self.path("elevation-mesh3-g04a", "mesh_3d_ele_*.csv"))):
            first = os.path.basename(name)[len("mesh_3d_ele_"):-4]
            with open(name, encoding="utf-8") as f:
                for row in csv.DictReader(f):
                    cells[int(first + row["mesh23d"])] = float(row["elevation"])
        return cells

    def dem10_inventory(self):
        """GSI's list of its 10 m files: (6-digit code, kind "A" or "B", edition as YYYYMMDD), one per
        (code, kind), sorted."""
        files = {}
        with open(self.path("gsi-dem10-inventory", "dem10-labels.tsv"), encoding="utf-8") as f:
            for r in csv.DictReader(f, delimiter="\t"):
                product = r["product"]
                assert product in ("DEM10A", "DEM10B"), product
                key = (int(r["mesh6"]), product[-1])
                edition = r["edition"].replace("-", "")
                assert len(edition) == 8 and edition.isdigit(), r["edition"]
                assert files.get(key, edition) == edition, f"{key}: two editions"
                files[key] = edition
        return sorted((code, kind, edition) for (code, kind), edition in files.items())

    def dem5b_tiles(self):
        with open(self.path("dem5b-tiles", "dem5b_png_z15_tiles.csv"), encoding="utf-8") as f:
            return {(int(r["x"]), int(r["y"])) for r in csv.DictReader(f) if r["z"] == "15"}


def gshhg_rings(region="122/154/20/46"):
    """Closed GSHHG full-resolution shorelines in the region: (level, [(lon, lat), ...]); level 1 land,
    2 lake, 3 island in a lake, 4 pond on such an island."""
    dump = subprocess.run(["gmt", "coast", f"-R{region}", "-Df", "-W", "-M"], check=True,
                          capture_output=True, text=True).stdout
    # The pieces of a shoreline are joined level by level: a joined line's header no longer says its
    # level, and big lakes cross several of GSHHG's bins.
    pieces = {}
    level = None
    for line in dump.splitlines(keepends=True):
        if line.startswith(">"):
            level = 1
            for lv in (1, 2, 3, 4):
                if f"Level {lv}" in line:
                    level = lv
        pieces.setdefault(level, []).append(line)
    rings = []
    for level in sorted(pieces):
        text = "".join(pieces[level])
        joined = subprocess.run(["gmt", "connect", "-T0.00001"], input=text, check=True,
                                capture_output=True, text=True).stdout
        if not joined.strip():
            joined = text  # gmt connect writes nothing when every piece is closed already
        pts = None

        def flush():
            if pts and len(pts) >= 4 and pts[0] == pts[-1]:
                rings.append((level, pts))

        for line in joined.splitlines():
            if line.startswith(">"):
                flush()
                pts = []
                continue
            x, y = line.split()[:2]
            pts.append((float(x), float(y)))
        flush()
    return rings
