"""Checks of the written data sets against known geography; a failed check fails the build.

They read the files back as the program does, so that they test what is embedded.
"""

import math
import os
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


def catalogue_names(data):
    (count,) = struct.unpack_from("<i", data, 0)
    names = []
    for i in range(count):
        off = 4 + i * 76
        names.append(data[off + 4:off + 44].rstrip(b"\0").decode("ascii"))
    return names


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


def run(out, report):
    """Runs every check on the data sets written to out; raises Failed listing what is wrong."""
    problems = []
    check_water(out, problems)
    check_catalogues(out, problems)
    if problems:
        raise Failed("data checks failed:\n" + "\n".join("  " + p for p in problems[:50]))
    report.append(f"Checks passed: water at {sum(len(p) for p in LAKE_POINTS.values())} points in "
                  f"{len(LAKE_POINTS)} lakes, {len(REQUIRED_10M)} required 10 m squares, "
                  "no 5 m file in 北方領土, 竹島 or 尖閣諸島")
