"""The regional grid of Japan, the datum shift of the relief, and the packed record formats."""

import struct
import zlib

PREFECTURES = [
    "北海道", "青森県", "岩手県", "宮城県", "秋田県", "山形県", "福島県", "茨城県", "栃木県", "群馬県",
    "埼玉県", "千葉県", "東京都", "神奈川県", "新潟県", "富山県", "石川県", "福井県", "山梨県", "長野県",
    "岐阜県", "静岡県", "愛知県", "三重県", "滋賀県", "京都府", "大阪府", "兵庫県", "奈良県", "和歌山県",
    "鳥取県", "島根県", "岡山県", "広島県", "山口県", "徳島県", "香川県", "愛媛県", "高知県", "福岡県",
    "佐賀県", "長崎県", "熊本県", "大分県", "宮崎県", "鹿児島県", "沖縄県"]

# Prefecture blocks of the catalogues: these first, then the rest ascending.
BLOCK_ORDER_FIRST = [22, 37, 7, 32]


def block_order():
    return BLOCK_ORDER_FIRST + [p for p in range(47) if p not in BLOCK_ORDER_FIRST]


def rect2(code):
    """South, west, north, east of a 6-digit code, computed as the program does."""
    s = str(code)
    lat1 = int(s[0:2]) / 1.5
    lon1 = int(s[2:4]) + 100
    lat2 = int(s[4]) * 0.0833333333333333
    lon2 = int(s[5]) * 0.125
    south = lat2 + lat1
    west = lon2 + lon1
    return south, west, south + 0.0833333333333333, west + 0.125


def rect3(code):
    south2, west2, _n, _e = rect2(code // 100)
    s = str(code)
    south = south2 + int(s[6]) * 0.0083333333333333
    west = west2 + int(s[7]) * 0.0125
    return south, west, south + 0.0083333333333333, west + 0.0125


def code3_of(lat, lon):
    """The 8-digit code of the third-level square holding a point (exact grid, 1/120 x 1/80)."""
    p = int(lat * 1.5)
    q = int(lon) - 100
    r = (lat * 1.5 - p) * 8
    c = (lon - int(lon)) * 8
    r2, c2 = int(r), int(c)
    r3 = int((r - r2) * 10)
    c3 = int((c - c2) * 10)
    return ((p * 100 + q) * 100 + r2 * 10 + c2) * 100 + r3 * 10 + c3


def code2_of3(code3):
    return code3 // 100


def shift_tokyo_to_jgd(lon, lat):
    """The approximate conversion the relief drawing applies to the Tokyo-datum sheets."""
    new_lat = lat - 0.00010695 * lat + 0.000017464 * lon + 0.0046017
    new_lon = lon - 0.000046038 * lat - 0.000083043 * lon + 0.01004
    return new_lon, new_lat


def cp932(text, width, report, what):
    """CP932 bytes of a name, within width - 1 bytes (cut at a character boundary)."""
    raw = b""
    for ch in text:
        try:
            raw_ch = ch.encode("cp932")
        except UnicodeEncodeError:
            variant = VARIANTS.get(ch, "?")
            report.append(f"{what}: {text!r}: {ch!r} has no CP932 form, written as {variant!r}")
            raw_ch = variant.encode("cp932")
        raw += raw_ch
    limit = width - 1
    if len(raw) > limit:
        cut = b""
        i = 0
        while i < len(raw):
            step = 2 if (0x81 <= raw[i] <= 0x9F or 0xE0 <= raw[i] <= 0xFC) else 1
            if len(cut) + step > limit:
                break
            cut += raw[i:i + step]
            i += step
        report.append(f"{what}: {text!r} shortened to {cut.decode('cp932')!r}")
        raw = cut
    return raw


# Characters of the sources outside CP932, with the form CP932 has.
VARIANTS = {"屛": "屏", "鷗": "鴎", "萊": "莱", "𠮷": "吉", "﨑": "崎", "髙": "高"}


def gazetteer(records):
    """int32 count, then per record double lat, double lon, char[32] name."""
    out = bytearray(struct.pack("<i", len(records)))
    for lat, lon, name in records:
        out += struct.pack("<dd", lat, lon) + name.ljust(32, b"\0")
    return bytes(out)


def catalogue(records):
    """int32 count, then per record int32 prefecture, char[40] XML name, char[32] ZIP name."""
    out = bytearray(struct.pack("<i", len(records)))
    for pref, xml, zipname in records:
        out += struct.pack("<i", pref) + xml.encode("ascii").ljust(40, b"\0") + zipname.encode("ascii").ljust(32, b"\0")
    return bytes(out)


def compress(data):
    # The default level: streams start 78 9C.
    return zlib.compress(data, -1)
