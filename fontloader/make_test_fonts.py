#!/usr/bin/python3
"""Writes the font loader's test fonts: real TrueType fonts given family names of
their own, so that a test can tell them from the fonts the system already has.

usage: make_test_fonts.py OUTDIR
"""
import os
import sys

from fontTools.ttLib import TTFont

SOURCES = [
    ("/usr/share/fonts/truetype/lohit-tamil/Lohit-Tamil.ttf", "KorviTestTamil"),
    ("/usr/share/fonts/truetype/dejavu/DejaVuSans-ExtraLight.ttf", "KorviTestSans"),
    ("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf", "KorviTestMono"),
    ("/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf", "KorviTestSerif"),
]

# Family, full name, PostScript name, typographic family and full names.
FAMILY_IDS = (1, 4, 6, 16, 18, 21)


def rename(source, family, target):
    font = TTFont(source)
    names = font["name"]
    for record in names.names:
        if record.nameID in FAMILY_IDS:
            record.string = family
        elif record.nameID == 3:
            record.string = family + " Regular"
    font.save(target)


def main():
    outdir = sys.argv[1]
    os.makedirs(outdir, exist_ok=True)
    for source, family in SOURCES:
        rename(source, family, os.path.join(outdir, family + ".ttf"))
    print("test fonts written to", outdir)


if __name__ == "__main__":
    main()
