#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer above its own.

The layers, lowest first: base, charset, markup, http, analysis, app. A file may include its own
layer and any below it; http/socket and http/tls belong to http. http/limits.h is the one home of
every bound on what the network sends and includes nothing of the project, so any layer may read it.
Usage: check_include_order.py SOURCE_ROOT
"""
import pathlib
import re
import sys

LAYERS = ["base", "charset", "markup", "http", "analysis", "app"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/([^"]*)"')
SHARED = {"http/limits.h"}


def main():
    root = pathlib.Path(sys.argv[1])
    violations = []
    for rank, layer in enumerate(LAYERS):
        for path in sorted((root / layer).rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
                match = INCLUDE.match(line)
                if not match or f"{match.group(1)}/{match.group(2)}" in SHARED:
                    continue
                if match.group(1) in LAYERS and LAYERS.index(match.group(1)) > rank:
                    violations.append(f"{path.relative_to(root)}:{number}: {layer} includes {line.strip()}")
    for violation in violations:
        print(violation)
    return 1 if violations else 0


if __name__ == "__main__":
    sys.exit(main())
