"""The municipal areas of the N03 2021 TopoJSON: their polygons as a data set of their own, and the
arcs between two municipalities of one prefecture for the boundary lines."""

import struct
from collections import defaultdict

from meshes import PREFECTURES, compress, cp932


def pack(lon, lat):
    """The packed point of the boundary lines: (lon - 100) x 1000 high, lat x 1000 low, 0.001 deg."""
    return (round((lon - 100) * 1000) << 16) | round(lat * 1000)


def owner(props):
    """Who an area belongs to, for telling borders from coasts: its code, or its name where the
    data has none (所属未定地)."""
    return props.get("N03_007") or (props.get("N03_001"), props.get("N03_004"))


def packed_ring(pts):
    ring = []
    for lon, lat in pts:
        v = pack(lon, lat)
        if not ring or ring[-1] != v:
            ring.append(v)
    if ring and ring[0] != ring[-1]:
        ring.append(ring[0])
    # A ring that collapses at 0.001 deg (fewer than three distinct corners) encloses nothing.
    return ring if len(set(ring)) >= 3 else None


def areas(src, notes):
    """Content of the municipal-area data set, and a line for the report.

    int32 count, then per municipality (ascending code): int32 prefecture (0-based), int32 code
    (N03_007), char[32] county or designated city (N03_003, CP932, may be empty), char[32] name
    (N03_004, CP932), int32 ring count, then per ring int32 n and n packed points (closed: the
    last equals the first). Holes and islands are rings like any other: a point is inside when
    an odd number of the municipality's rings surround it."""
    arcs, geoms = src.municipal_topology()
    by_code = {}
    for props, polys in geoms:
        code = props.get("N03_007")
        if not code:
            continue  # 所属未定地: land that belongs to no municipality
        rings = []
        for poly in polys:
            for r in poly:
                ring = packed_ring(src.ring_coords(arcs, r))
                if ring:
                    rings.append(ring)
        entry = by_code.setdefault(code, {"props": props, "rings": []})
        entry["rings"].extend(rings)
    out = bytearray(struct.pack("<i", len(by_code)))
    rings_total = points_total = 0
    for code in sorted(by_code):
        props, rings = by_code[code]["props"], by_code[code]["rings"]
        pref = PREFECTURES.index(props["N03_001"])
        upper = cp932(props.get("N03_003") or "", 32, notes, "municipal area")
        name = cp932(props.get("N03_004") or "", 32, notes, "municipal area")
        out += struct.pack("<ii", pref, int(code)) + upper.ljust(32, b"\0") + name.ljust(32, b"\0")
        out += struct.pack("<i", len(rings))
        for ring in rings:
            out += struct.pack(f"<i{len(ring)}I", len(ring), *ring)
            rings_total += 1
            points_total += len(ring)
    report = f"160: {len(by_code):,} municipal areas, {rings_total:,} rings, {points_total:,} points"
    return compress(bytes(out)), report, len(by_code)


def border_arcs(arcs, geoms):
    """The arcs that two municipalities of the same prefecture share, in arc order. Arcs of one
    area only are coasts, arcs between prefectures are the prefecture borders: both are drawn
    already."""
    owners = defaultdict(set)
    prefs = defaultdict(set)
    for props, polys in geoms:
        for poly in polys:
            for ring in poly:
                for index in ring:
                    i = index if index >= 0 else ~index
                    owners[i].add(owner(props))
                    prefs[i].add(props.get("N03_001"))
    return [arcs[i] for i in sorted(owners) if len(owners[i]) >= 2 and len(prefs[i]) == 1]
