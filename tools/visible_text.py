#!/usr/bin/env python3
"""Prints the visible text of every saved page of a directory, as an independent HTML parser
(Python's html.parser) reads it, for the page text corpus test.

For each page, in name order: a line with the file name, then a line with its text. Text inside
script, style and template is skipped; every tag except a phrasing one separates words; white
space (ASCII and
no-break spaces, as the crawler counts words) is collapsed. Pages that are not UTF-8 are read as Windows-1252."""
import html.parser
import os
import re
import sys

PHRASING = {"a", "abbr", "b", "bdi", "bdo", "cite", "code", "data", "dfn", "em", "font", "i", "kbd",
            "mark", "q", "s", "samp", "small", "span", "strong", "sub", "sup", "time", "u", "var"}
HIDDEN = {"script", "style", "template"}


class VisibleText(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.pieces = []
        self.hidden = 0

    def tag(self, name, opens):
        if name in HIDDEN:
            self.hidden = max(0, self.hidden + (1 if opens else -1))
        if name not in PHRASING:
            self.pieces.append(" ")

    def handle_starttag(self, name, attrs):
        self.tag(name, True)

    def handle_startendtag(self, name, attrs):
        if name not in PHRASING:
            self.pieces.append(" ")

    def handle_endtag(self, name):
        self.tag(name, False)

    # A comment ends at the first "-->", as in a browser; the library's own rule also takes
    # "-- >", which script code inside a comment can hold.
    def parse_comment(self, i, report=1):
        end = self.rawdata.find("-->", i + 4)
        return -1 if end < 0 else end + 3

    def handle_data(self, data):
        if not self.hidden:
            self.pieces.append(data)


def main():
    directory = sys.argv[1]
    out = sys.stdout
    for name in sorted(os.listdir(directory)):
        with open(os.path.join(directory, name), "rb") as f:
            raw = f.read()
        try:
            text = raw.decode("utf-8")
        except UnicodeDecodeError:
            text = raw.decode("cp1252", errors="replace")
        parser = VisibleText()
        parser.feed(text)
        parser.close()
        words = re.split(r"[ \t\n\r\f\xa0]+", "".join(parser.pieces).strip(" \t\n\r\f\xa0"))
        out.write(name + "\n" + " ".join(words) + "\n")


main()
