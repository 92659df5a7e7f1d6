#!/usr/bin/env python3
"""Reads the crawler's JSON Lines and prints each object back in the seven-field form, or
"Failed: domain" for a failed domain; exits 1 on a line that is no JSON object of the expected
fields or whose failure has no cause."""
import json
import sys

FIELDS = ["domain", "country", "state", "charset", "adId", "title"]

with open(sys.argv[1], encoding="utf-8") as lines:
    for number, text in enumerate(lines, 1):
        record = json.loads(text)
        names = set(record)
        if names - {"failed", "detail"} != set(FIELDS + ["words"]) or not isinstance(record["words"], dict):
            sys.exit(f"line {number}: unexpected fields {sorted(names)}")
        if "failed" in record:
            if not record["failed"] or "detail" not in record:
                sys.exit(f"line {number}: a failure without its cause")
            print(f"Failed: {record['domain']}")
            continue
        words = ",".join(f"{word},{count}" for word, count in record["words"].items())
        print("|".join([record[name] for name in FIELDS] + [words]))
