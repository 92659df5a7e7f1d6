#!/usr/bin/env python3
"""Writes the code page oracle of the charset tests: the byte-to-character mappings of Python's
own codecs, an implementation independent of glibc's iconv (from which the library builds its
tables). The tests compare the library's tables with these files.

Run once from anywhere; the files go to tests/charset/data/ beside this script's repository:

    python3 tools/make_codepage_oracle.py

Single-byte code pages get one file each with a line per byte 0x00-0xFF: the byte and the UTF-16
unit it decodes to, both in hex, or "-" when the codec has no mapping for it. Double-byte code
pages list only what decodes: single bytes (two hex digits) and lead/trail pairs (four hex
digits), each with its unit and, for a run of entries whose bytes and units both count up by one,
the length of the run. Lines starting with "#" are comments.
"""

import codecs
import os
import sys

# Table-driven code pages of the library that Python also has a codec for.
SINGLE_BYTE = {
    37: "cp037", 437: "cp437", 500: "cp500", 708: "iso8859_6", 720: "cp720", 737: "cp737",
    775: "cp775", 850: "cp850", 852: "cp852", 855: "cp855", 857: "cp857", 858: "cp858",
    860: "cp860", 861: "cp861", 862: "cp862", 863: "cp863", 864: "cp864", 865: "cp865",
    866: "cp866", 869: "cp869", 874: "cp874", 875: "cp875", 1026: "cp1026", 1140: "cp1140",
    1250: "cp1250", 1251: "cp1251", 1252: "cp1252", 1253: "cp1253", 1254: "cp1254",
    1255: "cp1255", 1256: "cp1256", 1257: "cp1257", 1258: "cp1258", 10000: "mac_roman",
    10004: "mac_arabic", 10006: "mac_greek", 10007: "mac_cyrillic", 10010: "mac_romanian",
    10029: "mac_latin2", 10079: "mac_iceland", 10081: "mac_turkish", 10082: "mac_croatian",
    20127: "ascii", 20273: "cp273", 20424: "cp424", 20866: "koi8_r", 21866: "koi8_u",
    28591: "iso8859_1", 28592: "iso8859_2", 28593: "iso8859_3", 28594: "iso8859_4",
    28595: "iso8859_5", 28596: "iso8859_6", 28597: "iso8859_7", 28598: "iso8859_8",
    28599: "iso8859_9", 28603: "iso8859_13", 28605: "iso8859_15", 38598: "iso8859_8",
}

DOUBLE_BYTE = {932: "cp932", 936: "gbk", 949: "cp949", 950: "cp950"}


def decode_alone(codec, data):
    """The single BMP character the bytes decode to, or None."""
    try:
        text = data.decode(codec)
    except UnicodeDecodeError:
        return None
    if len(text) != 1 or ord(text) > 0xFFFF:
        return None
    return ord(text)


def write_single_byte(directory, code_page, codec):
    lines = ["# Code page %d from Python %s codec %s: byte, then its UTF-16 unit or '-'."
             % (code_page, sys.version.split()[0], codec)]
    for b in range(256):
        unit = decode_alone(codec, bytes([b]))
        lines.append("%02X %s" % (b, "-" if unit is None else "%04X" % unit))
    with open(os.path.join(directory, "cp%d.txt" % code_page), "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def runs(entries):
    """(width, first byte value, first unit, count) for runs counting up together."""
    result = []
    for width, value, unit in entries:
        if result:
            w, v, u, n = result[-1]
            if w == width and v + n == value and u + n == unit and (width == 1 or (v >> 8) == (value >> 8)):
                result[-1] = (w, v, u, n + 1)
                continue
        result.append((width, value, unit, 1))
    return result


def write_double_byte(directory, code_page, codec):
    entries = []
    for b in range(256):
        unit = decode_alone(codec, bytes([b]))
        if unit is not None:
            entries.append((1, b, unit))
    singles = {value for _, value, _ in entries}
    pairs = []
    for lead in range(0x80, 0x100):
        if lead in singles:
            continue
        for trail in range(256):
            unit = decode_alone(codec, bytes([lead, trail]))
            if unit is not None:
                pairs.append((2, lead << 8 | trail, unit))
    lines = ["# Code page %d from Python %s codec %s: single bytes and lead/trail pairs that decode,"
             " each with its UTF-16 unit and the length of a run counting up together (when above 1)."
             % (code_page, sys.version.split()[0], codec)]
    for width, value, unit, count in runs(entries + pairs):
        text = ("%02X" if width == 1 else "%04X") % value + " %04X" % unit
        lines.append(text + (" %d" % count if count > 1 else ""))
    with open(os.path.join(directory, "cp%d.txt" % code_page), "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    directory = os.path.join(root, "tests", "charset", "data")
    os.makedirs(directory, exist_ok=True)
    for code_page, codec in sorted(SINGLE_BYTE.items()):
        write_single_byte(directory, code_page, codec)
    for code_page, codec in sorted(DOUBLE_BYTE.items()):
        write_double_byte(directory, code_page, codec)


if __name__ == "__main__":
    main()
