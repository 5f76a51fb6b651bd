#!/usr/bin/env python3
"""Which test cases run code that no other case runs?

Needs a build configured for coverage, for example:

  cmake -S . -B /tmp/cov -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-O0 \\
        -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_C_FLAGS=--coverage \\
        -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage
  cmake --build /tmp/cov -j2
  scripts/case-coverage.py /tmp/cov /tmp/cov-cases

Every CTest case runs alone, its counters written under a folder of its own (GCOV_PREFIX), so
the cases of one program never mix. The counters kept are GCC's arc counters of the code under
test (everything outside tests/ and bench/): a case 'runs' an arc when its counter is not zero.
The script writes to the output folder:

  unique.tsv     each case (the instances of a parameterised case taken together), the number
                 of arcs only it runs, and its lines in its test file;
  removable.tsv  the cases that could go with no arc left unrun, chosen largest first, each one
                 checked against the cases still kept.

Arc counters say what code ran, not what the case checked: a case that runs nothing of its own
may still be the only one to check a text, a table entry or a limit. Read removable.tsv as a list
to examine, and prove a cut with scripts/mutate.py. Counters of a process killed on purpose
(crash tests) are never written, so their cases look smaller than they are. A folder left by an
interrupted run is taken up where it stopped.
"""
import collections
import concurrent.futures
import glob
import json
import os
import re
import struct
import subprocess
import sys

GCDA_MAGIC = 0x67636461
TAG_FUNCTION = 0x01000000
TAG_ARC_COUNTERS = 0x01a10000
TEST_MACRO = re.compile(r'^(TEST|TEST_F|TEST_P)\((\w+),\s*(\w+)\)')
SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def arcs_run(path):
    """The (function, counter) pairs of a .gcda file (GCC 12 layout) whose counter is not zero."""
    data = open(path, 'rb').read()
    words = struct.unpack('<%dI' % (len(data) // 4), data[:len(data) // 4 * 4])
    if not words or words[0] != GCDA_MAGIC:
        raise ValueError(path + ': not a .gcda file')
    pos, function, run = 4, None, []  # magic, version, stamp, checksum
    while pos + 2 <= len(words):
        tag, length = words[pos], words[pos + 1]
        pos += 2
        count = 0 if length >= 0x80000000 else length // 4  # negative: all zero, nothing stored
        if tag == TAG_FUNCTION and count:
            function = words[pos]
        elif tag == TAG_ARC_COUNTERS:
            run += [(function, k) for k in range(count // 2) if words[pos + 2 * k] or words[pos + 2 * k + 1]]
        pos += count
    return run


def run_case(build, out, index, name):
    folder = os.path.join(out, str(index))
    if os.path.exists(os.path.join(folder, 'status')):
        return
    os.makedirs(folder, exist_ok=True)
    env = dict(os.environ, GCOV_PREFIX=folder, GCOV_PREFIX_STRIP='0', QT_QPA_PLATFORM='offscreen')
    done = subprocess.run(['ctest', '--test-dir', build, '-R', '^' + re.escape(name) + '$', '--timeout', '1500'],
                          env=env, capture_output=True)
    with open(os.path.join(folder, 'name'), 'w') as f:
        f.write(name)
    with open(os.path.join(folder, 'status'), 'w') as f:
        f.write(str(done.returncode))


def counted(gcda):
    """Counters of the code under test only: not of tests/, bench/ or generated moc files."""
    target = gcda.split('/CMakeFiles/', 1)
    return len(target) == 2 and not re.search(r'(^|/)(tests|bench)(/|$)', target[0]) and '_autogen' not in target[1]


def case_of(name):
    """Suite and case of a CTest name: 'Suite.Case' or 'Prefix/Suite.Case/Parameter'."""
    parts = name.split('/')
    suite, _, case = (parts[1] if len(parts) == 3 else parts[0]).partition('.')
    return suite, case


def test_lines():
    """(suite, case) -> (file, first line, last line) of every TEST/TEST_F/TEST_P under tests/."""
    found = {}
    for path in glob.glob(os.path.join(SOURCE, 'tests', '**', '*.cpp'), recursive=True):
        lines = open(path, encoding='utf-8', errors='replace').read().split('\n')
        i = 0
        while i < len(lines):
            match = TEST_MACRO.match(lines[i])
            if match:
                depth, j, opened = 0, i, False
                while j < len(lines):
                    code = re.sub(r'"(\\.|[^"\\])*"|\'(\\.|[^\'\\])*\'|//.*', '', lines[j])
                    depth += code.count('{') - code.count('}')
                    opened = opened or '{' in code
                    if opened and depth <= 0:
                        break
                    j += 1
                found[(match.group(2), match.group(3))] = (os.path.relpath(path, SOURCE), i + 1, j + 1)
                i = j
            i += 1
    return found


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    build, out = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    jobs = int(sys.argv[3]) if len(sys.argv) > 3 else 2
    listing = json.loads(subprocess.check_output(['ctest', '--test-dir', build, '--show-only=json-v1']))
    names = [t['name'] for t in listing['tests']]
    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        list(pool.map(lambda pair: run_case(build, out, *pair), enumerate(names)))

    ids, cases, failed = {}, collections.defaultdict(set), []
    for index, name in enumerate(names):
        folder = os.path.join(out, str(index))
        if open(os.path.join(folder, 'status')).read() != '0':
            failed.append(name)
        for gcda in glob.glob(folder + '/**/*.gcda', recursive=True):
            if counted(gcda):
                rel = gcda.split('/CMakeFiles/', 1)[1]
                cases[case_of(name)].update(ids.setdefault((rel, arc), len(ids)) for arc in arcs_run(gcda))
    spans = test_lines()
    size = {k: spans[k][2] - spans[k][1] + 1 if k in spans else 0 for k in cases}
    runs = collections.Counter(arc for arcs in cases.values() for arc in arcs)
    with open(os.path.join(out, 'unique.tsv'), 'w') as f:
        for k in sorted(cases):
            alone = sum(1 for arc in cases[k] if runs[arc] == 1)
            f.write('%s.%s\t%d\t%d\t%s\n' % (k[0], k[1], alone, size[k], spans.get(k, ('?',))[0]))
    removable = []
    for k in sorted((k for k in cases if size[k]), key=lambda k: -size[k]):
        if all(runs[arc] > 1 for arc in cases[k]):
            runs.subtract(cases[k])
            removable.append(k)
    with open(os.path.join(out, 'removable.tsv'), 'w') as f:
        for k in removable:
            f.write('%s\t%s.%s\t%d\t%d\t%d\n' % (spans[k][0], k[0], k[1], spans[k][1], spans[k][2], size[k]))
    print('%d cases (%d failed), %d arcs run; %d cases, %d lines, run nothing of their own (removable.tsv)'
          % (len(names), len(failed), len(ids), len(removable), sum(size[k] for k in removable)))


if __name__ == '__main__':
    main()
