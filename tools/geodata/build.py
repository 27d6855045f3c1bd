#!/usr/bin/python3
"""Builds the eight embedded data sets of Tesselo from open data, reproducibly.

    /usr/bin/python3 tools/geodata/build.py --sources ../shared/geodata-sources --out resources/geodata

Writes ID-NAME.bin for each data set, exactly the bytes that are embedded, and prints a report.
With --listing FILE the two DEM catalogues are built from a real listing of DEM file names
instead of the coverage model (see README.md, "The embedded data").
"""

import argparse
import math
import os
import struct
import sys
from collections import defaultdict

from shapely.geometry import Point, Polygon, box
from shapely.ops import unary_union
from shapely.prepared import prep
from shapely.strtree import STRtree

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import checks  # noqa: E402
import land as landmodel  # noqa: E402
import meshes  # noqa: E402
import municipalities  # noqa: E402
import water  # noqa: E402
from meshes import PREFECTURES, block_order, cp932, rect2, rect3  # noqa: E402
from sources import Sources, gshhg_rings  # noqa: E402
import places_extra  # noqa: E402

NAMES = {131: "municipalities", 132: "dem10-catalogue", 134: "elevation", 138: "boundaries",
         139: "dem5-catalogue", 148: "islands", 149: "mountains", 150: "lakes", 160: "municipal-areas"}

# The coverage model of the 5 m edition (README.md explains it). The two elevations are tuned so
# that the count of each kind comes near GSI's (checks.GSI_DEM5_FILES).
DEM5A_MAX_ELEVATION = 620.0   # laser: main-island squares up to this mean elevation, metres
DEM5B_MIN_ELEVATION = 150.0   # 20 cm photographs: where the DEM5B tiles show them, above this
MAIN_ISLAND_KM2 = 10000.0     # 本州, 北海道, 九州, 四国; the other islands have 40 cm photographs
SHORE_REACH = 0.05            # land that GSHHG lacks goes with the GSHHG land this near, degrees
DATE = "20161001"


class Build:
    def __init__(self, sources, out, report):
        self.src = Sources(sources)
        self.out = out
        self.report = report
        self.notes = []
        self.counts = {}

    def write(self, rid, data):
        with open(os.path.join(self.out, f"{rid}-{NAMES[rid]}.bin"), "wb") as f:
            f.write(data)
        self.report.append(f"{rid} {NAMES[rid]}: {len(data):,} bytes stored")

    # --- land, prefectures -------------------------------------------------------------------

    def load_geometry(self):
        self.prefs = self.src.prefectures()
        self.pref_prepared = [prep(p) for p in self.prefs]
        japan = unary_union(self.prefs)
        near_japan = prep(japan.buffer(0.2))
        rings = gshhg_rings()
        land = []
        for level, pts in rings:
            if level != 1:
                continue
            poly = Polygon(pts).buffer(0)
            if poly.is_empty:
                continue
            if near_japan.intersects(poly):
                land.append(poly)
        self.rings = [(lv, pts) for lv, pts in rings]
        self.land = land
        self.near_japan = near_japan
        self.municipal_land = landmodel.MunicipalLand(self.src.municipal_polygons()[0])
        self.land_tree = STRtree(land)
        self.land_index = {id(g): i for i, g in enumerate(land)}
        self.report.append(f"GSHHG: {len(rings):,} closed shorelines in the region, {len(land):,} land polygons of Japan")

    def land_query(self, geom):
        return [g for g in self.land_tree.query(geom) if g.intersects(geom)]

    def prefectures_touching(self, geom):
        return [i for i in range(47) if self.pref_prepared[i].intersects(geom)]

    def nearest_prefecture(self, geom):
        return min(range(47), key=lambda i: (self.prefs[i].distance(geom), i))

    # --- 10 m catalogue ----------------------------------------------------------------------

    def second_level_cells(self):
        """(code, prefectures) for every second-level square that holds land in GSHHG or N03."""
        cells = []
        minx, miny, maxx, maxy = unary_union([box(*unary_union(self.land).bounds),
                                              box(*self.municipal_land.bounds())]).bounds
        lat_codes = range(int(miny * 1.5), int(maxy * 1.5) + 1)
        lon_codes = range(int(minx) - 100, int(maxx) - 100 + 1)
        for p in lat_codes:
            for q in lon_codes:
                first = box(q + 100, p / 1.5, q + 101, (p + 1) / 1.5)
                if not self.land_query(first) and not self.municipal_land.meeting(first):
                    continue
                for r in range(8):
                    for c in range(8):
                        code = (p * 100 + q) * 100 + r * 10 + c
                        s, w, n, e = rect2(code)
                        cell = box(w, s, e, n)
                        parts = self.land_query(cell)
                        onland = unary_union([g.intersection(cell) for g in parts]) if parts else None
                        if onland is None or onland.is_empty:
                            # Land that GSHHG lacks: reclaimed land, small islands.
                            onland = unary_union(self.municipal_land.meeting(cell))
                            if onland.is_empty:
                                continue
                        prefs = (self.prefectures_touching(cell) or self.municipal_land.prefectures(cell)
                                 or [self.nearest_prefecture(onland)])
                        cells.append((code, prefs))
        return cells

    def square_prefectures(self, code):
        """The prefectures a second-level square is listed under: those whose land it meets (N03
        prefectures, else municipal polygons), else the one nearest to its land or to the square."""
        s, w, n, e = rect2(code)
        cell = box(w, s, e, n)
        prefs = self.prefectures_touching(cell) or self.municipal_land.prefectures(cell)
        if prefs:
            return prefs
        for r in self.src.gazetteer_2007():
            far = places_extra.FAR_ISLANDS.get(r["JP_Kanji"])
            if far and r["Classification"] == "Island" and meshes.code3_of(float(r["lat"]), float(r["lon"])) // 100 == code:
                return [PREFECTURES.index(far)]
        onland = unary_union([g.intersection(cell) for g in self.land_query(cell)])
        return [self.nearest_prefecture(cell if onland.is_empty else onland)]

    def build_dem10(self, listing=None):
        if listing is not None:
            rows = listing["10m"]
        else:
            # GSI's own list of its 10 m files, each under the prefectures its square meets.
            rows = []
            for code, kind, edition in self.src.dem10_inventory():
                s = f"{code:06d}"
                xml = f"FG-GML-{s[:4]}-{s[4:]}-dem10{kind.lower()}-{edition}.xml"
                zipname = f"FG-GML-{s[:4]}-{s[4:]}-DEM10{kind}.zip"
                for p in self.square_prefectures(code):
                    rows.append((p, code, xml, zipname))
            land = {code for code, _prefs in self.second_level_cells()}
            listed = {r[1] for r in rows}
            self.report.append(f"10 m: {len(listed):,} squares of GSI's list; {len(listed - land):,} of them without "
                               f"land in GSHHG or N03, {len(land - listed):,} squares with land but no file")
        self.dem10 = self.ordered(rows)
        self.dem10_prefs = defaultdict(list)
        for p, code, _xml, _zip in self.dem10:
            if p not in self.dem10_prefs[code]:
                self.dem10_prefs[code].append(p)
        self.write(132, meshes.compress(meshes.catalogue([(p, x, z) for p, _c, x, z in self.dem10])))

    @staticmethod
    def ordered(rows):
        """Prefecture blocks in the catalogue order; inside a block ascending code, then name."""
        rank = {p: i for i, p in enumerate(block_order())}
        return sorted(set(rows), key=lambda r: (rank[r[0]], r[1], r[2]))

    # --- 5 m catalogue -----------------------------------------------------------------------

    def build_dem5(self, listing=None):
        if listing is not None:
            rows = listing["5m"]
        else:
            rows = self.dem5_model()
        self.dem5 = self.ordered(rows)
        self.write(139, meshes.compress(meshes.catalogue([(p, x, z) for p, _c, x, z in self.dem5])))

    def dem5_model(self):
        elev = self.elevations
        tiles = self.src.dem5b_tiles()
        shores = Shores(self.land, self.municipal_land, elev)
        rows = []
        kinds = defaultdict(int)
        no_survey = landmodel.NoSurvey(self.land)
        for code2, prefs in sorted(self.dem10_prefs.items()):
            for rc in range(100):
                code3 = code2 * 100 + rc
                main, island = shores.of(code3)
                if not (main or island) or no_survey.area_of(code3):
                    continue
                have = []
                if main and elev[code3] <= DEM5A_MAX_ELEVATION:
                    have.append("A")
                s, w, n, e = rect3(code3)
                if (code3 in elev and elev[code3] > DEM5B_MIN_ELEVATION
                        and tile_of((s + n) / 2, (w + e) / 2) in tiles):
                    have.append("B")
                if island:
                    have.append("C")
                t = f"{code3:08d}"
                for kind in have:
                    kinds[kind] += 1
                    xml = f"FG-GML-{t[:4]}-{t[4:6]}-{t[6:]}-DEM5{kind}-{DATE}.xml"
                    zipname = f"FG-GML-{t[:4]}-{t[4:6]}-DEM5{kind}.zip"
                    for p in prefs:
                        rows.append((p, code3, xml, zipname))
        self.report.append("5 m model: " + ", ".join(f"DEM5{k} {v:,} files" for k, v in sorted(kinds.items())))
        self.report.append(shores.describe())
        self.land_squares = set(elev) | shores.islets
        self.report.append(no_survey.describe())
        return rows

    # --- gazetteers --------------------------------------------------------------------------

    def build_municipalities(self):
        polygons, designated = self.src.municipal_polygons()
        records = []
        moved = []
        counts = defaultdict(int)
        for row in self.src.town_halls():
            name = row["city"].split(" ")[-1]
            if not name or name[-1] not in "市区町村":
                continue
            lat, lon = float(row["lat"]), float(row["lng"])
            code = row["lgcode"][:5]
            territory = polygons.get(code)
            if territory is None:
                territory = designated.get((row["pref"], row["city"]))
            if territory is not None and not territory.contains(Point(lon, lat)):
                largest = max(getattr(territory, "geoms", [territory]), key=lambda g: g.area)
                inside = largest.representative_point()
                moved.append(f"{row['city']} ({lat:.5f}, {lon:.5f}) -> ({inside.y:.5f}, {inside.x:.5f})")
                lat, lon = inside.y, inside.x
            counts[name[-1]] += 1
            records.append((lat, lon, cp932(name, 30, self.notes, "municipality")))
        records.sort(key=lambda r: (r[0], r[1], r[2]))
        self.write(131, meshes.gazetteer(records))
        self.report.append("131: {:,} municipalities ({})".format(
            len(records), ", ".join(f"{k} {counts[k]:,}" for k in "市区町村")))
        for m in moved:
            self.report.append(f"  office outside its territory, moved inside: {m}")
        self.counts[131] = len(records)

    def build_features(self):
        rows = self.src.gazetteer_2007()
        for rid, cls in ((148, "Island"), (150, "Lake")):
            records = [(float(r["lat"]), float(r["lon"]), cp932(r["JP_Kanji"], 30, self.notes, cls))
                       for r in rows if r["Classification"] == cls]
            records.sort(key=lambda r: (r[0], r[1], r[2]))
            self.write(rid, meshes.gazetteer(records))
            self.counts[rid] = len(records)
            self.report.append(f"{rid}: {len(records):,} {cls.lower()}s")
        mountains = []
        self.mountain_names = places_extra.MountainNames()
        for m in self.src.mountains():
            name = self.mountain_names.stored(m)
            mountains.append((float(m["lat"]), float(m["lng"]), cp932(name, 30, self.notes, "mountain")))
        self.mountain_names.check()
        mountains.sort(key=lambda r: (r[0], r[1], r[2]))
        self.write(149, meshes.gazetteer(mountains))
        self.counts[149] = len(mountains)
        self.report.append(f"149: {len(mountains):,} mountains")

    # --- elevation raster --------------------------------------------------------------------

    def build_raster(self):
        elev = self.elevations
        sheets = self.src.sheets()
        origin = {}
        for s in sheets:
            if s["is_sheet_origin"] == "1":
                origin[s["sheet_name"]] = int(s["meshcode"])
        firsts = sorted({c // 10000 for c in elev}, reverse=True)
        names = {int(s["meshcode"]): s for s in sheets}
        blocks = bytearray()
        table = bytearray()
        lo, hi = 0, 0
        self.lakes = water.Lakes(self.rings, self.land, self.near_japan,
                                 [(r["JP_Kanji"], float(r["lat"]), float(r["lon"]))
                                  for r in self.src.gazetteer_2007() if r["Classification"] == "Lake"])
        self.report.extend(self.lakes.describe())
        self.water_cells = {}
        for i, first in enumerate(firsts):
            ll, oo = first // 100, first % 100
            wet = self.water_cells[first] = self.lakes.water_cells(first)
            cells = [[0] * 82 for _ in range(82)]
            for r in range(1, 81):
                for c in range(1, 81):
                    # The cell as the relief draws it: Tokyo-datum square shifted to JGD2000.
                    lat = ll / 1.5 + (80 - r + 0.5) / 120
                    lon = 100 + oo + (c - 1 + 0.5) / 80
                    jlon, jlat = meshes.shift_tokyo_to_jgd(lon, lat)
                    v = elev.get(meshes.code3_of(jlat, jlon))
                    if v is None:
                        continue
                    h = int(round(v))
                    if h == 0:
                        h = 1 if v >= 0 else -1  # land stays land
                    cells[r][c] = h
                    lo, hi = min(lo, h), max(hi, h)
            for r, row in enumerate(cells):
                blocks += b"".join(struct.pack("<hBB", h, water.flag(h, (r, c) in wet), 0) for c, h in enumerate(row))
            table += struct.pack("<ii", first, i) + bytes(16) + self.sheet_name(first, names, origin) + bytes(32)
        self.sheet_count = len(firsts)
        self.elevation_range = (lo, hi)
        blocks += bytes(26896 * (180 - len(firsts)))
        table += bytes(184 * (200 - len(firsts)))
        assert len(blocks) == 4841280 and len(table) == 36800
        self.write(134, meshes.compress(bytes(blocks + table)))
        self.report.append(f"134: {len(firsts)} sheets, {firsts[0]} to {firsts[-1]}, elevations {lo} to {hi} m, "
                           f"{sum(len(w) for w in self.water_cells.values()):,} cells of lake water")

    def sheet_name(self, first, names, origin):
        row = names.get(first)
        if row is None:
            text = ""
        else:
            text = row["sheet_name"]
            home = origin.get(text)
            if home is not None and home != first:
                dlat = first // 100 - home // 100
                dlon = first % 100 - home % 100
                direction = ("北" if dlat > 0 else "南" if dlat < 0 else "") + ("東" if dlon > 0 else "西" if dlon < 0 else "")
                text = f"{text} ({direction})"
        return cp932(text, 128, self.notes, "sheet").ljust(128, b"\0")

    # --- boundary lines ----------------------------------------------------------------------

    def build_boundaries(self):
        lines = []
        near = prep(unary_union(self.prefs).buffer(0.2))
        for level, pts in self.rings:
            if level in (1, 2) and near.intersects(Polygon(pts).buffer(0) if len(pts) >= 4 else Point(pts[0])):
                lines.append(pts)
        coast = len(lines)
        arcs, geoms = self.src.municipal_topology()
        users = defaultdict(set)
        for props, polys in geoms:
            pref = props.get("N03_001")
            for poly in polys:
                for ring in poly:
                    for index in ring:
                        users[index if index >= 0 else ~index].add(pref)
        for index in sorted(users):
            if len(users[index]) >= 2:
                lines.append(arcs[index])
        prefecture_borders = len(lines) - coast
        lines += municipalities.border_arcs(arcs, geoms)
        out = bytearray()
        polylines = vertices = 0
        for pts in lines:
            packed = []
            for lon, lat in pts:
                v = (round((lon - 100) * 1000) << 16) | round(lat * 1000)
                if not packed or packed[-1] != v:
                    packed.append(v)
            if len(packed) < 2:
                continue
            # Long lines in pieces, so that a window sees only the pieces it needs.
            for start in range(0, len(packed) - 1, 4999):
                piece = packed[start:start + 5000]
                if len(piece) < 2:
                    continue
                lons = [v >> 16 for v in piece]
                lats = [v & 0xFFFF for v in piece]
                out += struct.pack("<iII", len(piece), (min(lons) << 16) | min(lats), (max(lons) << 16) | max(lats))
                out += struct.pack(f"<{len(piece)}I", *piece)
                polylines += 1
                vertices += len(piece)
        self.write(138, meshes.compress(bytes(out)))
        self.boundary_counts = (polylines, vertices)
        self.report.append(f"138: {polylines:,} polylines ({coast:,} coastlines before cutting, "
                           f"{prefecture_borders:,} prefecture borders, "
                           f"{len(lines) - coast - prefecture_borders:,} municipal borders), {vertices:,} vertices, "
                           f"{polylines * 3 + vertices:,} items")


def km2(g):
    """The area of a lon/lat polygon in km2, at its latitude."""
    return g.area * (111.32 ** 2) * math.cos(math.radians(g.centroid.y))


class Shores:
    """Which land a third-level square holds: of a main island, of another island, or none."""

    def __init__(self, land, municipal_land, elevations):
        self.main = [g for g in land if km2(g) >= MAIN_ISLAND_KM2]
        main_ids = {id(g) for g in self.main}
        self.is_main = {id(g): id(g) in main_ids for g in land}
        self.prepared = {id(g): prep(g) for g in land}
        self.tree = STRtree(land)
        self.municipal_land = municipal_land
        self.elevations = elevations
        self.without_gshhg = self.sea = 0
        # The squares of islets (GSHHG's other islands, N03's islands that GSHHG lacks) that G04-a
        # has no elevation for.
        self.islets = set()
        others = [g for g in land if not self.is_main[id(g)]]
        others += [g for g in municipal_land.parts if not self.gshhg_meeting(g)]
        for g in others:
            shape = prep(g)
            minx, miny, maxx, maxy = g.bounds
            for r in range(math.floor(miny * 120), math.floor(maxy * 120) + 1):
                for c in range(math.floor(minx * 80), math.floor(maxx * 80) + 1):
                    code = meshes.code3_of((r + 0.5) / 120, (c + 0.5) / 80)
                    if code not in elevations and shape.intersects(box(c / 80, r / 120, (c + 1) / 80, (r + 1) / 120)):
                        self.islets.add(code)

    def gshhg_meeting(self, geom):
        return [g for g in self.tree.query(geom) if self.prepared[id(g)].intersects(geom)]

    def of(self, code3):
        """(holds main-island land, holds other island land) for a square of G04-a or an islet.
        G04-a's land that GSHHG lacks (reclaimed land, islets) goes with the GSHHG land within
        SHORE_REACH, else counts as an island; a 0 m square without land in GSHHG or N03 is sea
        (the reef of 沖ノ鳥島)."""
        if code3 not in self.elevations:
            return False, code3 in self.islets
        s, w, n, e = rect3(code3)
        cell = box(w, s, e, n)
        hits = self.gshhg_meeting(cell)
        if not hits:
            if self.elevations[code3] == 0 and not self.municipal_land.meeting(cell):
                self.sea += 1
                return False, False
            self.without_gshhg += 1
            near = [(g.distance(cell), i, g) for i, g in enumerate(self.tree.query(cell.buffer(SHORE_REACH)))]
            near = [x for x in near if x[0] <= SHORE_REACH]
            if not near:
                return False, True
            hits = [min(near)[2]]
        main = any(self.is_main[id(g)] for g in hits)
        return main, any(not self.is_main[id(g)] for g in hits)

    def describe(self):
        return (f"5 m model: {len(self.main)} main islands of at least {MAIN_ISLAND_KM2:,.0f} km2; "
                f"{self.without_gshhg:,} squares of G04-a without land in GSHHG, {self.sea:,} of 0 m "
                f"without land in GSHHG or N03 (left out), {len(self.islets):,} of islets that G04-a lacks")


def tile_of(lat, lon, z=15):
    n = 2 ** z
    x = int((lon + 180.0) / 360.0 * n)
    y = int((1.0 - math.asinh(math.tan(math.radians(lat))) / math.pi) / 2.0 * n)
    return x, y


def read_listing(path, build):
    """A listing of DEM file names: one XML name a line (optionally 'PREFECTURE,XML'), or the output
    of `unzip -l` on the archives. Returns rows for both editions."""
    import re
    rows = {"10m": [], "5m": []}
    pat10 = re.compile(r"(FG-GML-(\d{4})-(\d{2})-DEM10[AB]-\d{8}\.xml)", re.I)
    pat5 = re.compile(r"(FG-GML-(\d{4})-(\d{2})-(\d{2})-DEM5([ABC])-\d{8}\.xml)", re.I)
    with open(path, encoding="utf-8") as f:
        for line in f:
            pref = None
            if "," in line:
                head = line.split(",", 1)[0].strip()
                if head in PREFECTURES:
                    pref = PREFECTURES.index(head)
            m = pat5.search(line)
            if m:
                xml, a, rc, RC, kind = m.groups()
                code = int(a + rc + RC)
                zipname = f"FG-GML-{a}-{rc}-DEM5{kind.upper()}.zip"
                s, w, n, e = rect3(code)
                key = "5m"
            else:
                m = pat10.search(line)
                if not m:
                    continue
                xml, a, rc = m.groups()
                code = int(a + rc)
                zipname = xml[:14] + "-" + xml[15:21].upper() + ".zip"
                s, w, n, e = rect2(code)
                key = "10m"
            prefs = [pref] if pref is not None else build.prefectures_touching(box(w, s, e, n))
            if not prefs:
                prefs = [build.nearest_prefecture(box(w, s, e, n))]
            for p in prefs:
                rows[key].append((p, code, xml, zipname))
    return rows


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--sources", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--listing", help="build the DEM catalogues from this listing instead of the model")
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    report = []
    b = Build(args.sources, args.out, report)
    b.elevations = b.src.mean_elevations()
    report.append(f"G04-a mean elevations: {len(b.elevations):,} third-level squares")
    b.load_geometry()
    b.build_municipalities()
    data, line, _count = municipalities.areas(b.src, b.notes)
    b.write(160, data)
    report.append(line)
    b.build_features()
    places_extra.build_place_index(b, args.out, b.mountain_names, report)
    b.build_boundaries()
    b.build_raster()
    listing = read_listing(args.listing, b) if args.listing else None
    b.build_dem10(listing)
    b.build_dem5(listing)
    for name, rows in (("132", b.dem10), ("139", b.dem5)):
        report.append(f"{name}: {len(rows):,} records, {len({r[2] for r in rows}):,} distinct XML names")
    samples(b, report)
    write_stats(b, args.out)
    try:
        checks.run(args.out, report, *((None, None) if listing else (b.src.dem10_inventory(), b.land_squares)))
    except checks.Failed as failure:
        print("\n".join(report))
        sys.exit(str(failure))
    print("\n".join(report))
    if b.notes:
        print("Names adjusted:")
        print("\n".join("  " + n for n in b.notes))


def write_stats(b, out):
    """What `tesselo-cli stats` must print for these data sets (a test compares the two)."""
    polylines, vertices = b.boundary_counts
    lines = [("prefectures", 47), ("dem10Files", len(b.dem10)), ("dem10Tiles", len(b.dem10)),
             ("dem5Files", len(b.dem5)), ("dem5Tiles", len(b.dem5)),
             ("municipalities", b.counts[131]), ("islands", b.counts[148]), ("mountains", b.counts[149]),
             ("lakes", b.counts[150]), ("boundaryPoints", polylines * 3 + vertices), ("boundaryHeaders", polylines),
             ("sheets", b.sheet_count)]
    with open(os.path.join(out, "stats.txt"), "w", encoding="ascii") as f:
        f.writelines(f"{k} {v}\n" for k, v in lines)
        f.write("elevation {} {}\n".format(*b.elevation_range))


def samples(b, report):
    first = b.dem10[0] if b.dem10 else None
    report.append("Sample checks:")
    report.append(f"  first 10 m record: {first[2] if first else 'none'} in prefecture {first[0] if first else '-'} "
                  f"({'reproduced' if first and first[1] == 513677 and first[0] == 22 else 'differs'}: expected 5136-77 in 22)")
    second = b.dem5[1] if len(b.dem5) > 1 else None
    report.append(f"  second 5 m record: {second[2] if second else 'none'} "
                  f"({'reproduced' if second and second[1] == 51376091 else 'differs'}: expected tile 51376091)")
    prefs = sorted(p for p, c, _x, _z in b.dem10 if c == 543925)
    report.append(f"  FG-GML-5439-25: listed under {len(prefs)} prefectures "
                  f"({', '.join(PREFECTURES[p] for p in prefs)}; expected four)")


if __name__ == "__main__":
    main()
