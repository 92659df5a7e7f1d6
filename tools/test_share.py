#!/usr/bin/env python3
"""Share of test code in the tree: non-blank, non-comment lines of the C++, Python, shell and CMake
files git tracks under tests/ and fuzz/, against those of the crawler and its library. The
benchmarks and these tools are counted apart: they are neither. Data files (cases, pages, tables)
are not code and are not counted.

    tools/test_share.py [repository]
"""
import subprocess
import sys

CODE_SUFFIXES = (".cpp", ".h", ".py", ".sh")
TEST_FOLDERS = ("tests", "fuzz")
APART_FOLDERS = ("bench", "tools", "demo")


def is_code(path):
    return path.endswith(CODE_SUFFIXES) or path.endswith("CMakeLists.txt")


def counted_lines(path):
    hash_comments = not path.endswith((".cpp", ".h"))
    count = 0
    in_block = False
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            s = line.strip()
            if not s:
                continue
            if in_block:
                in_block = "*/" not in s
                continue
            if s.startswith("/*"):
                in_block = "*/" not in s
                continue
            if s.startswith("//") or (hash_comments and s.startswith("#")):
                continue
            count += 1
    return count


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    files = subprocess.run(["git", "-C", root, "ls-files"], capture_output=True, text=True,
                           check=True).stdout.split()
    totals = {"test": 0, "code": 0, "apart": 0}
    for path in filter(is_code, files):
        top = path.split("/")[0]
        kind = "test" if top in TEST_FOLDERS else "apart" if top in APART_FOLDERS else "code"
        totals[kind] += counted_lines(f"{root}/{path}")
    share = 100.0 * totals["test"] / (totals["test"] + totals["code"])
    print(f"tests {totals['test']}, code {totals['code']}, share {share:.1f}% "
          f"(benchmarks, tools and demo apart: {totals['apart']})")


if __name__ == "__main__":
    main()
