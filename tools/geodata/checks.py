"""Checks of the written data sets against known geography; a failed check fails the build.

They read the files back as the program does, so that they test what is embedded.
"""

import math
import os
import re
import struct
import zlib

import meshes

# A point well inside each lake (JGD2000) that the relief must paint as water: the lakes larger than
# 10 km2 that GSHHG outlines or that close at their mouths.
LAKE_POINTS = {
    "琵琶湖": [(35.300, 136.130), (35.150, 136.000), (35.420, 136.120)],
    "霞ヶ浦": [(36.034, 140.402), (36.000, 140.420)],
    "猪苗代湖": [(37.470, 140.090)],
    "宍道湖": [(35.445, 132.960)],
    "サロマ湖": [(44.140, 143.850)],
    "浜名湖": [(34.750, 137.580)],
    "十和田湖": [(40.460, 140.880)],
    "中海": [(35.470, 133.200)],
    "屈斜路湖": [(43.620, 144.340)],
    "支笏湖": [(42.760, 141.330)],
    "洞爺湖": [(42.592, 140.825)],
    "小川原湖": [(40.780, 141.330)],
    "北浦": [(35.994, 140.578)],
    "田沢湖": [(39.717, 140.671)],
    "風蓮湖": [(43.340, 145.278)],
    "能取湖": [(44.050, 144.150)],
}

NOSAPPU_FIRST = 6545   # the first-level square of Cape Nosappu
NOSAPPU_LON = 145.8167
KIX = (34.434, 135.232)
REQUIRED_10M = {513551: "関西国際空港 (34.434, 135.232)", 382343: "魚釣島"}
TAKESHIMA = (37.20, 131.80, 37.28, 131.90)
SENKAKU = (25.60, 123.30, 26.00, 124.70)


class Failed(Exception):
    pass


def inflate(out, name):
    with open(os.path.join(out, name), "rb") as f:
        return zlib.decompress(f.read())


def catalogue_records(data):
    """(prefecture, XML name, ZIP name) of every record."""
    (count,) = struct.unpack_from("<i", data, 0)
    records = []
    for i in range(count):
        off = 4 + i * 76
        (pref,) = struct.unpack_from("<i", data, off)
        records.append((pref, data[off + 4:off + 44].rstrip(b"\0").decode("ascii"),
                        data[off + 44:off + 76].rstrip(b"\0").decode("ascii")))
    return records


def catalogue_names(data):
    return [xml for _pref, xml, _zip in catalogue_records(data)]


TEN_METRE_XML = re.compile(r"FG-GML-(\d{4})-(\d{2})-dem10([ab])-(\d{8})\.xml")


def check_dem10_listing(out, inventory, problems):
    """The 10 m catalogue names exactly the files of GSI's list: (code, kind, edition) triples."""
    built = set()
    for pref, xml, zipname in catalogue_records(inflate(out, "132-dem10-catalogue.bin")):
        m = TEN_METRE_XML.fullmatch(xml)
        if not m or not 0 <= pref < 47:
            problems.append(f"10 m catalogue: record ({pref}, {xml}) is not of the listed form")
            continue
        a, rc, kind, edition = m.groups()
        if zipname != f"FG-GML-{a}-{rc}-DEM10{kind.upper()}.zip":
            problems.append(f"10 m catalogue: {xml} comes in {zipname}")
        built.add((int(a + rc), kind.upper(), edition))
    listed = set(inventory)
    for code, kind, edition in sorted(listed - built):
        problems.append(f"10 m catalogue: lacks GSI's DEM10{kind} file of {code} ({edition})")
    for code, kind, edition in sorted(built - listed):
        problems.append(f"10 m catalogue: lists DEM10{kind} of {code} ({edition}), which GSI's list lacks")
    return len(listed)


def raster_cell(content, lat, lon):
    """(elevation, colorIndex) of the raster cell that the relief draws at JGD2000 (lat, lon)."""
    # The relief draws Tokyo-datum cells moved by the datum shift; undo the shift.
    tlon, tlat = lon, lat
    for _ in range(3):
        slon, slat = meshes.shift_tokyo_to_jgd(tlon, tlat)
        tlon, tlat = tlon - (slon - lon), tlat - (slat - lat)
    ll = math.floor(tlat * 1.5)
    oo = math.floor(tlon) - 100
    r = 80 - math.floor((tlat * 1.5 - ll) * 80)
    c = 1 + math.floor((tlon - math.floor(tlon)) * 80)
    first = ll * 100 + oo
    table = 180 * 26896
    for i in range(200):
        code, block = struct.unpack_from("<ii", content, table + i * 184)
        if code == 0:
            break
        if code == first:
            h, index, _shade = struct.unpack_from("<hBB", content, block * 26896 + (r * 82 + c) * 4)
            return h, index
    raise Failed(f"no raster sheet {first} for ({lat}, {lon})")


def check_water(out, problems):
    content = inflate(out, "134-elevation.bin")
    for name, points in LAKE_POINTS.items():
        for lat, lon in points:
            h, index = raster_cell(content, lat, lon)
            if h != 0 and index != 244:
                problems.append(f"{name}: the relief cell at ({lat}, {lon}) is land ({h} m), not water")


def check_catalogues(out, problems):
    dem10 = {int(n[7:11] + n[12:14]) for n in catalogue_names(inflate(out, "132-dem10-catalogue.bin"))}
    for code, what in REQUIRED_10M.items():
        if code not in dem10:
            problems.append(f"10 m catalogue: no file for {code // 100}-{code % 100:02d} ({what})")
    for name in catalogue_names(inflate(out, "139-dem5-catalogue.bin")):
        code = int(name[7:11] + name[12:14] + name[15:17])
        first = code // 10000
        s, w, n, e = meshes.rect3(code)
        if first // 100 >= NOSAPPU_FIRST // 100 and first % 100 > NOSAPPU_FIRST % 100:
            problems.append(f"5 m catalogue: {name} lies north-east of Cape Nosappu's first-level square")
        elif w >= NOSAPPU_LON and s >= 43.0:
            problems.append(f"5 m catalogue: {name} lies east of Cape Nosappu (北方領土)")
        for area, (bs, bw, bn, be) in (("竹島", TAKESHIMA), ("尖閣諸島", SENKAKU)):
            if s < bn and bs < n and w < be and bw < e:
                problems.append(f"5 m catalogue: {name} lies in {area}")


# GSI's counts of its 5 m files by kind (third-level squares, 2025-01-29) and how near the model
# must come to each.
GSI_DEM5_FILES = {"A": 287681, "B": 18076, "C": 21616}
DEM5_TOLERANCE = 0.10
DEM5_XML = re.compile(r"FG-GML-(\d{4})-(\d{2})-(\d{2})-DEM5([ABC])-\d{8}\.xml")


def check_dem5_model(out, land_squares, problems):
    """The 5 m estimate: each kind within DEM5_TOLERANCE of GSI's count, and every square on land
    (one with a G04-a mean elevation). Returns the count of distinct files per kind."""
    files = {kind: set() for kind in GSI_DEM5_FILES}
    for name in set(catalogue_names(inflate(out, "139-dem5-catalogue.bin"))):
        m = DEM5_XML.fullmatch(name)
        if not m:
            problems.append(f"5 m catalogue: {name} is not of the listed form")
            continue
        code = int("".join(m.groups()[:3]))
        files[m.group(4)].add(code)
        if code not in land_squares:
            problems.append(f"5 m catalogue: {name} lies where no land is")
    counts = {kind: len(codes) for kind, codes in files.items()}
    for kind, gsi in GSI_DEM5_FILES.items():
        if abs(counts[kind] - gsi) > DEM5_TOLERANCE * gsi:
            problems.append(f"5 m catalogue: {counts[kind]:,} DEM5{kind} files, more than "
                            f"{DEM5_TOLERANCE:.0%} away from GSI's {gsi:,}")
    return counts


def run(out, report, dem10_inventory=None, land_squares=None):
    """Runs every check on the data sets written to out; raises Failed listing what is wrong.
    dem10_inventory: GSI's 10 m files as (code, kind, edition), which the 10 m catalogue must name
    exactly; land_squares: the third-level squares with land, where the 5 m estimate must lie and
    come near GSI's counts (neither is checked for catalogues built from another listing)."""
    problems = []
    check_water(out, problems)
    check_catalogues(out, problems)
    listed = check_dem10_listing(out, dem10_inventory, problems) if dem10_inventory is not None else 0
    dem5 = check_dem5_model(out, land_squares, problems) if land_squares is not None else None
    if problems:
        raise Failed("data checks failed:\n" + "\n".join("  " + p for p in problems[:50]))
    report.append(f"Checks passed: water at {sum(len(p) for p in LAKE_POINTS.values())} points in "
                  f"{len(LAKE_POINTS)} lakes, {len(REQUIRED_10M)} required 10 m squares, "
                  "no 5 m file in 北方領土, 竹島 or 尖閣諸島"
                  + (f", the 10 m catalogue names exactly the {listed:,} files of GSI's list" if listed else "")
                  + (", 5 m files on land only and by kind within {:.0%} of GSI's counts ({})".format(
                      DEM5_TOLERANCE, ", ".join(f"DEM5{k} {dem5[k]:,} for {GSI_DEM5_FILES[k]:,}" for k in dem5))
                     if dem5 else ""))
