#!/usr/bin/env python3
"""Writes the zip harness's seeds (seeds/zip/*.zip) through the zip tests'
fixtures.py, one small package for each road through the reader. Run again
after changing a recipe; the packages are kept in the repository."""
import json
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURES = os.path.join(HERE, "..", "update", "zip", "fixtures.py")
OUT = os.path.join(HERE, "seeds", "zip")

SEEDS = {
    "tool-made": ("zipfile", {"entries": [
        {"name": "a.txt", "data": "update skin window\n" * 4},
        {"name": "sub/"},
        {"name": "sub/b.bin", "data": "stored", "method": 0}]}),
    "utf8-flag": ("raw", {"entries": [
        {"name": "数据/说明.txt", "data": "更新", "flags": 0x800}]}),
    "unicode-path": ("raw", {"entries": [
        {"name_hex": "8274822e747874", "data": "x", "upath": [["插件/é.txt", "right"]]},
        {"name": "wrong.txt", "data": "y", "upath": [["ignored.txt", "wrong"]]}]}),
    "cp437": ("raw", {"entries": [{"name_hex": "8274822e747874", "data": "x", "method": 0}]}),
    "zip64": ("raw", {"zip64_end": True, "entries": [
        {"name": "big/one.dat", "data": "zip64 sizes", "zip64": True},
        {"name": "small.dat", "data": "", "method": 0}]}),
    "zip64-tool": ("zipfile", {"entries": [{"name": "f.txt", "data": "forced", "zip64": True}]}),
    "comment": ("raw", {"comment": "release 1.2", "reverse_cd": True, "entries": [
        {"name": "x/y/z.txt", "data": "deep"}, {"name": "x/", "data": "", "method": 0}]}),
    "parent-name": ("raw", {"entries": [{"name": "../up.txt", "data": "out"}]}),
    "bzip2": ("raw", {"entries": [{"name": "b.txt", "data": "bz", "method": 12}]}),
}


def main():
    os.makedirs(OUT, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        for name, (kind, recipe) in SEEDS.items():
            path = os.path.join(tmp, "recipe.json")
            with open(path, "w", encoding="utf-8") as f:
                json.dump(recipe, f)
            subprocess.run([sys.executable, FIXTURES, kind,
                            os.path.join(OUT, name + ".zip"), path], check=True)


if __name__ == "__main__":
    main()
