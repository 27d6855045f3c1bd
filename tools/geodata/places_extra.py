"""What place search needs beyond the four gazetteers: mountain names mended and completed, and the
place index (resource 161) that only `tesselo-cli where` reads.

Resource 161, raw, little-endian:
  int32 P, then P prefecture records in the gazetteer layout (double lat, double lon, char[32] name):
    the 47 prefectures in JIS order at their prefectural offices;
  four sections, for the gazetteers 131, 148, 149, 150 in this order:
    int32 resource id, uint32 Adler-32 of that resource's bytes, int32 N, N bytes: the prefecture
    (1 to 47, JIS order) in which record i lies, 0 when it lies in none (at sea);
  int32 A, then A aliases of 36 bytes: int16 resource id (161 for the prefecture records above),
    uint16 record index, char[32] another name of that record (CP932).
The checksum ties each section to the gazetteer it was computed from: a reader given a gazetteer
from another build leaves the prefecture column empty rather than print wrong prefectures.
"""

import csv
import os
import struct
import zlib

from shapely.geometry import Point
from shapely.prepared import prep

from meshes import PREFECTURES, cp932

RESOURCE = 161
FILE_NAME = "161-place-index.bin"
GAZETTEERS = ((131, "municipalities"), (148, "islands"), (149, "mountains"), (150, "lakes"))

# A gazetteer point outside every prefecture polygon but at most this far (degrees) from one takes
# that prefecture: the 2007 gazetteer rounds positions to one arc-minute and the polygons are
# simplified, so small islands and capes fall just offshore.
NEAR_COAST = 0.03
# An island is land whatever the polygons say: the simplified polygons drop most small islands and
# many lie tens of kilometres offshore (孀婦岩 0.7°, 竹島 1.6° from the nearest polygon). Islands
# take the nearest prefecture within this distance.
NEAR_ISLAND = 2.0
# Islands farther than that from every polygon, with the prefecture they belong to.
FAR_ISLANDS = {"沖ノ鳥島": "東京都"}

ALIASES_CSV = os.path.join(os.path.dirname(os.path.abspath(__file__)), "aliases.csv")


# --- mountain names ----------------------------------------------------------------------------

def mended_bracket(name, kana):
    """The mountain list has names whose `<` lost its `>` (丹沢山<塔ノ岳, 阿蘇山<根子岳); the
    reading keeps it, or the name's own form 山名<山頂名> needs it."""
    if name.count("<") > name.count(">"):
        return name + ">"
    return name


def common_names():
    """Rows of tools/geodata/aliases.csv: kind, name, lat, lon, common name."""
    with open(ALIASES_CSV, encoding="utf-8") as f:
        return [(r["kind"], r["name"], float(r["lat"]), float(r["lon"]), r["common"])
                for r in csv.DictReader(line for line in f if not line.startswith("#"))]


class MountainNames:
    """The names the mountain gazetteer stores, and the other names of each for place search."""

    def __init__(self):
        self.common = common_names()
        self.used = set()
        self.others = {}   # (lat, lon) -> other names
        self.mended = []
        self.completed = []

    def stored(self, m):
        name = mended_bracket(m["name"], m.get("kana", ""))
        if name != m["name"]:
            self.mended.append(f"{m['name']} -> {name}")
        common = None
        for i, (kind, source_name, lat, lon, alias) in enumerate(self.common):
            if (kind == "mountain" and source_name == m["name"] and abs(lat - float(m["lat"])) < 0.001
                    and abs(lon - float(m["lng"])) < 0.001):
                common = alias
                self.used.add(i)
        if common is not None:
            # The list's own form 山名<山頂名>: the name people use, then the summit's.
            name = f"{common}<{name}>"
            self.completed.append(f"{m['name']} -> {name}")
        others = [n["name"] for n in m.get("nameMap", [])
                  if n["name"] not in (m["name"], name) and any(c not in "<>" for c in n["name"])]
        if others:
            self.others.setdefault((float(m["lat"]), float(m["lng"])), []).extend(others)
        return name

    def check(self):
        unused = [row for i, row in enumerate(self.common) if row[0] == "mountain" and i not in self.used]
        assert not unused, f"aliases.csv names mountains that the list does not hold: {unused}"


# --- the place index ---------------------------------------------------------------------------

def read_gazetteer(path):
    with open(path, "rb") as f:
        data = f.read()
    (count,) = struct.unpack_from("<i", data)
    records = []
    for i in range(count):
        lat, lon = struct.unpack_from("<dd", data, 4 + 48 * i)
        raw = data[20 + 48 * i:52 + 48 * i].split(b"\0", 1)[0]
        records.append((lat, lon, raw))
    return data, records


class Locator:
    def __init__(self, prefs):
        self.prefs = prefs
        self.prepared = [prep(p) for p in prefs]
        self.near = 0

    def prefecture(self, lat, lon, near=NEAR_COAST):
        """1 to 47, or 0 at sea."""
        pt = Point(lon, lat)
        for i, p in enumerate(self.prepared):
            if p.contains(pt):
                return i + 1
        d, i = min((self.prefs[i].distance(pt), i) for i in range(47))
        if d <= near:
            self.near += 1
            return i + 1
        return 0


def prefecture_offices(src):
    with open(src.path("prefectures-n03", "prefjp-utf8.csv"), encoding="utf-8") as f:
        rows = list(csv.DictReader(f))
    assert [r["pref"] for r in rows] == PREFECTURES, "prefjp-utf8.csv is not in JIS order"
    return rows


def build_place_index(b, out, mountains, report):
    """Writes resource 161 from the gazetteers already written to out; b is the build (its sources,
    prefecture polygons and name notes)."""
    locate = Locator(b.prefs)
    notes = b.notes
    blob = bytearray()
    aliases = []

    offices = prefecture_offices(b.src)
    blob += struct.pack("<i", 47)
    for i, row in enumerate(offices):
        lat, lon = float(row["lat"]), float(row["lng"])
        assert locate.prefecture(lat, lon) == i + 1, f"{row['pref']}: its office lies outside it"
        blob += struct.pack("<dd", lat, lon) + cp932(row["pref"], 32, notes, "prefecture").ljust(32, b"\0")
        if row["prefshort"] != row["pref"]:
            aliases.append((RESOURCE, i, row["prefshort"]))

    sections = {}
    for rid, name in GAZETTEERS:
        data, records = read_gazetteer(os.path.join(out, f"{rid}-{name}.bin"))
        if rid == 148:
            found = [PREFECTURES.index(FAR_ISLANDS[n.decode("cp932")]) + 1 if n.decode("cp932") in FAR_ISLANDS
                     else locate.prefecture(lat, lon, NEAR_ISLAND) for lat, lon, n in records]
        else:
            found = [locate.prefecture(lat, lon) for lat, lon, _n in records]
        sections[rid] = (records, found)
        blob += struct.pack("<iIi", rid, zlib.adler32(data), len(records)) + bytes(found)
        if rid == 149:
            for i, (lat, lon, raw) in enumerate(records):
                for other in mountains.others.get((lat, lon), []):
                    aliases.append((rid, i, other))

    blob += struct.pack("<i", len(aliases))
    for rid, index, name in aliases:
        blob += struct.pack("<hH", rid, index) + cp932(name, 32, notes, "alias").ljust(32, b"\0")

    with open(os.path.join(out, FILE_NAME), "wb") as f:
        f.write(blob)
    report.append(f"{RESOURCE} place-index: {len(blob):,} bytes stored")
    at_sea = {rid: sum(1 for p in found if p == 0) for rid, (_r, found) in sections.items()}
    report.append(f"{RESOURCE}: 47 prefectures at their offices; prefectures of "
                  + ", ".join(f"{sum(1 for p in found if p)}/{len(found)} of {rid}"
                              for rid, (_r, found) in sections.items())
                  + f" ({locate.near} outside every polygon, from the nearest); {len(aliases)} other names")
    for rid, (records, found) in sections.items():
        for (lat, lon, raw), p in zip(records, found):
            if p == 0:
                report.append(f"  {rid}: {raw.decode('cp932')} ({lat:.4f}, {lon:.4f}) lies in no prefecture")
    for m in mountains.mended:
        report.append(f"  mountain name mended: {m}")
    for m in mountains.completed:
        report.append(f"  mountain name completed from aliases.csv: {m}")
    check_place_index(b, sections, locate)
    return at_sea


def check_place_index(b, sections, locate):
    """Checks against what the sources say of each place."""
    def of(rid, name):
        records, found = sections[rid]
        return sorted(PREFECTURES[p - 1] if p else "" for (_a, _o, raw), p in zip(records, found)
                      if raw.decode("cp932") == name)

    # Every town hall lies in its own prefecture.
    halls = {}
    for row in b.src.town_halls():
        halls.setdefault(row["city"].split(" ")[-1], []).append(row["pref"])
    assert of(131, "中央区") == sorted(halls["中央区"]), of(131, "中央区")
    records, found = sections[131]
    wrong = [raw.decode("cp932") for (_a, _o, raw), p in zip(records, found)
             if not p or PREFECTURES[p - 1] not in halls.get(raw.decode("cp932"), [])]
    assert not wrong, f"municipalities outside their prefecture: {wrong}"
    # Every mountain lies in one of the prefectures the list gives it.
    listed = {}
    for m in b.src.mountains():
        listed.setdefault((round(float(m["lat"]), 6), round(float(m["lng"]), 6)), set()).update(m["prefectures"])
    records, found = sections[149]
    wrong = [raw.decode("cp932") for (lat, lon, raw), p in zip(records, found)
             if not p or PREFECTURES[p - 1] not in listed[(round(lat, 6), round(lon, 6))]]
    assert not wrong, f"mountains outside their listed prefectures: {wrong}"
    assert of(149, "桜島<御岳>") == ["鹿児島県"]
    assert of(150, "琵琶湖") == ["滋賀県"]
    assert of(148, "竹島") == ["島根県", "鹿児島県"] and of(148, "沖ノ鳥島") == ["東京都"]
    assert not [p for p in sections[148][1] if p == 0], "an island without a prefecture"
    # Open sea: the middle of Sagami Bay and the Sea of Japan lie in no prefecture.
    assert locate.prefecture(35.1, 139.35) == 0 and locate.prefecture(39.0, 135.0) == 0
    # No name was cut to fit its field (29 bytes of CP932), and every one keeps its brackets closed.
    assert not [n for n in b.notes if "shortened" in n], [n for n in b.notes if "shortened" in n]
    for rid, (records, _f) in sections.items():
        for _a, _o, raw in records:
            name = raw.decode("cp932")
            assert name.count("<") == name.count(">") and name.count("(") == name.count(")"), name
