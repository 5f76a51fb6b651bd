#!/usr/bin/env python3
"""Checks that each folder of the driver includes only the folders before it in the order that
driver/README.md gives (no include reaching upward, so none going round in a circle). Prints
each include that breaks it and exits with 1; exits with 0 when there is none."""
import os
import re
import sys

ORDER = ['semantics', 'sql/functions', 'sql', 'jet/format', 'jet/file', 'jet/rows', 'jet/index', 'jet/write',
         'jet/schema', 'jet/catalogue', 'jet/compact', 'jet/module', 'values', 'base', 'handles', 'catalogue', 'api']


def folder(path):
    """The folder of ORDER a path of the driver lies in."""
    parts = path.split('/')
    if parts[1] == 'jet':
        return 'jet/' + parts[2]
    if parts[1] == 'sql' and parts[2] == 'functions':
        return 'sql/functions'
    return parts[1]


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..')
    broken = []
    for place, _, names in os.walk(os.path.join(root, 'driver')):
        for name in sorted(names):
            if not name.endswith(('.h', '.cpp')):
                continue
            path = os.path.relpath(os.path.join(place, name), root)
            here = folder(path)
            with open(os.path.join(root, path), encoding='utf-8') as source:
                for included in re.findall(r'#include "(driver/[^"]+)"', source.read()):
                    there = folder(included)
                    if there not in ORDER or ORDER.index(there) > ORDER.index(here):
                        broken.append(f'{path} inclut {included}')
    for line in broken:
        print(line)
    return 1 if broken else 0


if __name__ == '__main__':
    sys.exit(main())
