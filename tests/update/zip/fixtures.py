#!/usr/bin/env python3
"""Makes the zip packages the zip reader tests use.

  fixtures.py raw OUT RECIPE       archive written byte by byte, for what tools do not make
  fixtures.py zipfile OUT RECIPE   archive written by python's zipfile
  fixtures.py many OUT RECIPE      RECIPE (a number) small entries; over 65535 needs ZIP64
  fixtures.py patch ZIP NAME HOW breaks one entry of a zipfile-made archive

RECIPE is a JSON file: {"entries": [...]} and options. Entries: {"name": text or "name_hex": bytes, "data": text or "data_hex"
or "gen": {"kind": "text"|"random", "size": n, "seed": s}, "method": number,
"flags": n, "extra_hex": bytes, "upath": [[text, "right"|"wrong"], ...],
"zip64": bool, "date_time": [y, m, d, H, M, S]}.
"""
import bz2
import json
import lzma
import random
import struct
import sys
import zipfile
import zlib


def entry_name(e):
    if "name_hex" in e:
        return bytes.fromhex(e["name_hex"])
    return e["name"].encode("utf-8")


def entry_data(e):
    if "data_hex" in e:
        return bytes.fromhex(e["data_hex"])
    if "gen" in e:
        g = e["gen"]
        rnd = random.Random(g.get("seed", 1))
        if g["kind"] == "random":
            return rnd.randbytes(g["size"])
        words = [b"update", b"skin", b"window", b"\xe6\x9b\xb4\xe6\x96\xb0", b"42", b"\n"]
        out = bytearray()
        while len(out) < g["size"]:
            out += rnd.choice(words) + b" "
        return bytes(out[: g["size"]])
    return e.get("data", "").encode("utf-8")


def compress(method, data):
    if method == 0:
        return data
    if method == 8:
        c = zlib.compressobj(6, zlib.DEFLATED, -15)
        return c.compress(data) + c.flush()
    if method == 12:
        return bz2.compress(data)
    return data


def dos_stamp(dt):
    y, mo, d, h, mi, s = dt
    return (h << 11) | (mi << 5) | (s // 2), ((y - 1980) << 9) | (mo << 5) | d


def unicode_paths(e, name):
    out = b""
    for text, crc in e.get("upath", []):
        value = zlib.crc32(name) if crc == "right" else zlib.crc32(name) ^ 0x5A5A5A5A
        body = b"\x01" + struct.pack("<I", value) + text.encode("utf-8")
        out += struct.pack("<HH", 0x7075, len(body)) + body
    return out


def write_raw(out, recipe):
    blob = bytearray()
    central = []
    for e in recipe["entries"]:
        name = entry_name(e)
        data = entry_data(e)
        method = e.get("method", 8)
        packed = compress(method, data)
        crc = zlib.crc32(data)
        t, d = dos_stamp(e.get("date_time", [2020, 1, 2, 3, 4, 6]))
        extra = bytes.fromhex(e.get("extra_hex", "")) + unicode_paths(e, name)
        offset = len(blob)
        z64 = e.get("zip64", False)
        if z64:
            local_extra = struct.pack("<HHQQ", 1, 16, len(data), len(packed)) + extra
            sizes = (0xFFFFFFFF, 0xFFFFFFFF)
        else:
            local_extra = extra
            sizes = (len(packed), len(data))
        blob += struct.pack("<IHHHHHIIIHH", 0x04034B50, 45 if z64 else 20, e.get("flags", 0),
                            method, t, d, crc, sizes[0], sizes[1], len(name), len(local_extra))
        blob += name + local_extra + packed
        if z64:
            cd_extra = struct.pack("<HHQQQ", 1, 24, len(data), len(packed), offset) + extra
            fields = (0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF)
        else:
            cd_extra = extra
            fields = (len(packed), len(data), offset)
        central.append(struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 0x031E, 45 if z64 else 20,
                                   e.get("flags", 0), method, t, d, crc, fields[0], fields[1],
                                   len(name), len(cd_extra), 0, 0, 0, 0o100644 << 16, fields[2])
                       + name + cd_extra)
    if recipe.get("reverse_cd"):
        central.reverse()
    cd_offset = len(blob)
    for c in central:
        blob += c
    cd_size = len(blob) - cd_offset
    count = len(central)
    if recipe.get("zip64_end"):
        end64 = len(blob)
        blob += struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, count, count, cd_size,
                            cd_offset)
        blob += struct.pack("<IIQI", 0x07064B50, 0, end64, 1)
        blob += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF,
                            0xFFFFFFFF, 0)
    else:
        comment = recipe.get("comment", "").encode("utf-8")
        blob += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, count, count, cd_size, cd_offset,
                            len(comment)) + comment
    with open(out, "wb") as f:
        f.write(blob)


METHODS = {0: zipfile.ZIP_STORED, 8: zipfile.ZIP_DEFLATED, 12: zipfile.ZIP_BZIP2,
           14: zipfile.ZIP_LZMA}


def write_zipfile(out, recipe):
    with zipfile.ZipFile(out, "w") as z:
        for e in recipe["entries"]:
            info = zipfile.ZipInfo(e["name"], tuple(e.get("date_time", [2020, 1, 2, 3, 4, 6])))
            info.compress_type = METHODS[e.get("method", 8)]
            if e["name"].endswith("/"):
                z.writestr(info, b"")
                continue
            with z.open(info, "w", force_zip64=e.get("zip64", False)) as f:
                f.write(entry_data(e))


def write_many(out, count):
    with zipfile.ZipFile(out, "w", zipfile.ZIP_STORED) as z:
        for i in range(count):
            z.writestr("d%03d/f%06d.txt" % (i % 100, i), b"%d" % i)


def patch(path, name, how):
    with zipfile.ZipFile(path) as z:
        info = z.getinfo(name)
    with open(path, "r+b") as f:
        blob = bytearray(f.read())
        local = info.header_offset
        n, m = struct.unpack_from("<HH", blob, local + 26)
        data = local + 30 + n + m
        cd = struct.unpack_from("<I", blob, blob.rfind(b"PK\x05\x06") + 16)[0]
        while struct.unpack_from("<I", blob, cd + 42)[0] != local:
            cd += 46 + sum(struct.unpack_from("<HHH", blob, cd + 28))
        if how == "data":
            blob[data + info.compress_size // 2] ^= 0x01
        elif how == "crc":
            struct.pack_into("<I", blob, cd + 16, info.CRC ^ 1)
        elif how == "shorter":
            struct.pack_into("<I", blob, cd + 24, info.file_size - 1)
        elif how == "longer":
            struct.pack_into("<I", blob, cd + 24, info.file_size + 1)
        f.seek(0)
        f.write(blob)


def main():
    cmd, out = sys.argv[1], sys.argv[2]
    if cmd in ("raw", "zipfile", "many"):
        with open(sys.argv[3], encoding="utf-8") as f:
            recipe = json.load(f)
    if cmd == "raw":
        write_raw(out, recipe)
    elif cmd == "zipfile":
        write_zipfile(out, recipe)
    elif cmd == "many":
        write_many(out, recipe)
    elif cmd == "patch":
        patch(out, sys.argv[3], sys.argv[4])
    else:
        sys.exit("unknown command " + cmd)


if __name__ == "__main__":
    main()
