#!/usr/bin/env python3
"""Mutation runs: how many deliberate faults do the tests catch?

Each mutant changes one snippet of one source file (a comparison flipped, a constant moved by
one, a condition negated, a statement removed...). For each mutant in turn the script writes the
change, rebuilds the targets the mutant names, runs the tests it names and puts the file back
byte for byte, whatever happens (a failed build, an exception, Ctrl-C, SIGTERM). A mutant is

  KILLED    a test failed, crashed or ran out of time;
  SURVIVED  every test passed;
  INVALID   the snippet is not in the file exactly once, the build failed, or no test matched.

Mutants are described in a text file (scripts/mutants.txt), one block per mutant, blocks
separated by blank lines, '#' starting a comment line:

  id:      sql-parse-end
  file:    driver/sql/Parser.cpp
  from:    if (cursor.accept(";") && !cursor.atEnd())
  to:      if (cursor.accept(";") || !cursor.atEnd())
  build:   kervane_odbc test_sql test_driver
  labels:  driver/sql driver
  tests:   ^(SqlParser|SqliteAccessSql)
  exclude: ^JetCatalogue\.
  why:     a free text, shown nowhere but in the file

'labels' picks tests by the folder under tests/ that defines them (the CTest label that
kervane_add_test gives every case), 'tests' by a regex on their names, 'exclude' leaves out
the tests whose names match it (ctest -L, -R and -E); give labels or tests or both. Test cases
are renamed and merged more often than folders move, so labels are the sturdier choice, and an
exclusion that no longer matches only runs more tests. 'build' must name the driver library and
every test program whose tests are run and into which the changed file goes: a program left
out would be run as it was, without the change.

'from' must occur exactly once in the file; 'to' may be empty (the snippet is removed). Values
are taken as written after the key and its blanks, trailing blanks dropped; \\n and \\t in
'from' and 'to' stand for a line break and a tab.

Each result is appended to the report (TSV) as soon as it is known; ids already in the report
are skipped, so an interrupted run goes on where it stopped (--fresh starts over). At the end,
stopped or not, every target the mutants name is built again from the restored sources, so
that the build folder matches them (--no-rebuild leaves it). A file left changed by a run
killed outright is put back by the next one, from the copy kept in BUILD/mutate-pending.json.
--list shows the mutants with their ctest options and checks their snippets.

  scripts/mutate.py [--mutants FILE] [--build DIR] [--report FILE] [--timeout S]
                    [--mutant-timeout S] [--jobs N] [--fresh] [--list] [--no-rebuild] [ID ...]
"""

import argparse
import base64
import json
import os
import re
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FIELDS = ("id", "file", "from", "to", "build")
REPORT_HEADER = ["id", "area", "file", "status", "detail", "build_s", "test_s"]


STOP_SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)


class Stop(Exception):
    """Ctrl-C, SIGTERM or SIGHUP: the run stops after putting the file back."""


def on_signal(signum, frame):
    # The first signal stops the run; later ones must not break off the file's restoration.
    for other in STOP_SIGNALS:
        signal.signal(other, signal.SIG_IGN)
    raise Stop(signal.Signals(signum).name)


def unescape(text):
    return text.replace("\\n", "\n").replace("\\t", "\t")


def read_mutants(path):
    mutants, block = [], {}
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n") + [""]
    for number, line in enumerate(lines, 1):
        if line.startswith("#"):
            continue
        if not line.strip():
            if block:
                missing = [k for k in FIELDS if k not in block]
                if missing:
                    sys.exit(f"{path}:{number}: mutant {block.get('id', '?')} lacks {', '.join(missing)}")
                if not block.get("tests") and not block.get("labels"):
                    sys.exit(f"{path}:{number}: mutant {block['id']} names neither tests nor labels")
                mutants.append(block)
                block = {}
            continue
        key, sep, value = line.partition(":")
        if not sep or not re.fullmatch(r"[a-z]+", key):
            sys.exit(f"{path}:{number}: expected 'key: value', found {line!r}")
        block[key] = value.strip()
    ids = [m["id"] for m in mutants]
    twice = sorted({i for i in ids if ids.count(i) > 1})
    if twice:
        sys.exit(f"{path}: ids given twice: {', '.join(twice)}")
    for m in mutants:
        m["from"], m["to"] = unescape(m["from"]), unescape(m["to"])
    return mutants


def area_of(path):
    if path.startswith("driver/sql/"):
        return "sql"
    if path.startswith("driver/jet/"):
        return "jet"
    return path.split("/")[0]


def read_report(path):
    done = {}
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            for line in f.read().splitlines()[1:]:
                cells = line.split("\t")
                if len(cells) == len(REPORT_HEADER):
                    done[cells[0]] = dict(zip(REPORT_HEADER, cells))
    return done


def append_report(path, row):
    new = not os.path.exists(path)
    with open(path, "a", encoding="utf-8") as f:
        if new:
            f.write("\t".join(REPORT_HEADER) + "\n")
        f.write("\t".join(str(row[k]).replace("\t", " ").replace("\n", " ") for k in REPORT_HEADER) + "\n")


class Mutation:
    """The one source file changed, and put back. A pending file in the build folder keeps the
    original bytes, so that a run killed outright (SIGKILL) is repaired by the next one."""

    def __init__(self, build):
        self.pending = os.path.join(build, "mutate-pending.json")

    def repair(self):
        if os.path.exists(self.pending):
            with open(self.pending, encoding="utf-8") as f:
                saved = json.load(f)
            self._write(saved["file"], base64.b64decode(saved["original"]))
            os.remove(self.pending)
            print(f"restored {saved['file']} left changed by an interrupted run")

    def apply(self, path, original, changed):
        with open(self.pending + ".tmp", "w", encoding="utf-8") as f:
            json.dump({"file": path, "original": base64.b64encode(original).decode()}, f)
        os.replace(self.pending + ".tmp", self.pending)
        self._write(path, changed)

    def restore(self, path, original):
        self._write(path, original)
        with open(path, "rb") as f:
            if f.read() != original:
                raise RuntimeError(f"{path} could not be restored; its original is in {self.pending}")
        if os.path.exists(self.pending):
            os.remove(self.pending)

    @staticmethod
    def _write(path, data):
        with open(path, "wb") as f:
            f.write(data)
            f.flush()
            os.fsync(f.fileno())


def run(command, log, timeout=None, env=None):
    """Runs command in its own process group, output to log; (return code or None on timeout, seconds)."""
    start = time.monotonic()
    with open(log, "w", encoding="utf-8") as out:
        process = subprocess.Popen(command, cwd=ROOT, stdout=out, stderr=subprocess.STDOUT, env=env,
                                   start_new_session=True)
        try:
            code = process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            code = None
        finally:
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
    return code, round(time.monotonic() - start, 1)


def first_failure(log):
    """The first test ctest reports as not passed ("Suite.Case (Failed)"), None if none matched."""
    with open(log, encoding="utf-8", errors="replace") as f:
        text = f.read()
    if "No tests were found" in text or "Could not find executable" in text:
        return None
    for name, status in re.findall(r"Test +#\d+: +(\S+) \.*(.*?) +[\d.]+ sec", text):
        status = status.strip(" *")
        if status not in ("Passed", "Skipped"):
            return f"{name} ({status})"
    return "ctest failed"


def selection(m):
    """ctest's options choosing the mutant's tests: -L for its labels (whole labels), -R and -E for its regexes."""
    options = []
    if m.get("labels"):
        options += ["-L", "^(" + "|".join(re.escape(label) for label in m["labels"].split()) + ")$"]
    if m.get("tests"):
        options += ["-R", m["tests"]]
    if m.get("exclude"):
        options += ["-E", m["exclude"]]
    return options


def try_mutant(m, args, mutation):
    row = {"id": m["id"], "area": area_of(m["file"]), "file": m["file"], "status": "INVALID", "detail": "",
           "build_s": 0, "test_s": 0}
    path = os.path.join(ROOT, m["file"])
    try:
        with open(path, "rb") as f:
            original = f.read()
    except OSError as e:
        row["detail"] = f"file unreadable: {e.strerror}"
        return row
    text = original.decode("utf-8")
    count = text.count(m["from"])
    if count != 1 or m["from"] == m["to"]:
        row["detail"] = f"snippet found {count} times" if count != 1 else "replacement equals snippet"
        return row
    logs = os.path.join(args.build, "mutate-logs")
    os.makedirs(logs, exist_ok=True)
    try:
        mutation.apply(path, original, text.replace(m["from"], m["to"]).encode("utf-8"))
        build = ["cmake", "--build", args.build, "-j", str(args.jobs), "--target", *m["build"].split()]
        code, row["build_s"] = run(build, os.path.join(logs, m["id"] + ".build.log"))
        if code != 0:
            row["detail"] = "build failed"
            return row
        os.remove(os.path.join(logs, m["id"] + ".build.log"))
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        test = ["ctest", "--test-dir", args.build, *selection(m), "--stop-on-failure", "--no-tests=error",
                "--timeout", str(args.timeout), "-j", str(args.jobs)]
        test_log = os.path.join(logs, m["id"] + ".test.log")
        code, row["test_s"] = run(test, test_log, timeout=args.mutant_timeout, env=env)
        if code is None:
            row["status"], row["detail"] = "KILLED", f"tests beyond {args.mutant_timeout} s"
        elif code == 0:
            row["status"] = "SURVIVED"
        else:
            failure = first_failure(test_log)
            if failure is None:
                row["detail"] = "no test selected, or a test program not built"
            else:
                row["status"], row["detail"] = "KILLED", failure
        return row
    finally:
        mutation.restore(path, original)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("ids", nargs="*", help="mutants to run (all when none is given)")
    parser.add_argument("--mutants", default=os.path.join(ROOT, "scripts", "mutants.txt"))
    parser.add_argument("--build", default=os.path.join(ROOT, "build"), help="the configured build folder")
    parser.add_argument("--report", help="TSV report (default: BUILD/mutants-report.tsv)")
    parser.add_argument("--timeout", type=int, default=300, help="seconds allowed to each test (ctest --timeout)")
    parser.add_argument("--mutant-timeout", type=int, default=3600, help="seconds allowed to one mutant's tests")
    parser.add_argument("--jobs", type=int, default=2, help="parallel jobs for the build and for ctest")
    parser.add_argument("--fresh", action="store_true", help="empty the report first instead of going on")
    parser.add_argument("--list", action="store_true", help="list the mutants and stop")
    parser.add_argument("--no-rebuild", action="store_true",
                        help="leave the last mutant's objects in the build folder at the end")
    args = parser.parse_args()
    args.build = os.path.abspath(args.build)
    report = os.path.abspath(args.report or os.path.join(args.build, "mutants-report.tsv"))

    mutants = read_mutants(args.mutants)
    if args.ids:
        unknown = set(args.ids) - {m["id"] for m in mutants}
        if unknown:
            sys.exit(f"unknown ids: {', '.join(sorted(unknown))}")
        mutants = [m for m in mutants if m["id"] in args.ids]
    if args.list:
        wrong = 0
        for m in mutants:
            try:
                with open(os.path.join(ROOT, m["file"]), encoding="utf-8") as f:
                    count = f.read().count(m["from"])
            except OSError:
                count = -1
            wrong += count != 1
            mark = "" if count == 1 else "  <- file unreadable" if count < 0 else f"  <- snippet found {count} times"
            print(f"{m['id']:28} {m['file']:42} {' '.join(selection(m))}{mark}")
        print(f"{len(mutants)} mutants, {wrong} whose snippet is not found exactly once")
        return 1 if wrong else 0

    for signum in STOP_SIGNALS:
        signal.signal(signum, on_signal)
    mutation = Mutation(args.build)
    mutation.repair()
    if args.fresh and os.path.exists(report):
        os.remove(report)
    done = read_report(report)
    todo = [m for m in mutants if m["id"] not in done]
    print(f"{len(mutants)} mutants, {len(mutants) - len(todo)} already in {report}")
    started = time.monotonic()
    status = 0
    try:
        for n, m in enumerate(todo, 1):
            row = try_mutant(m, args, mutation)
            append_report(report, row)
            done[m["id"]] = row
            print(f"[{n}/{len(todo)}] {row['status']:8} {m['id']:28} {row['detail']} "
                  f"(build {float(row['build_s']):.0f} s, tests {float(row['test_s']):.0f} s)", flush=True)
    except Stop as stop:
        print(f"\nstopped by {stop}: the file is restored; run again to go on", file=sys.stderr)
        status = 130
    finally:
        mutation.repair()  # in case the stop came while the file was being put back
        elapsed = time.monotonic() - started
        rows = [done[m["id"]] for m in mutants if m["id"] in done]
        for area in sorted({r["area"] for r in rows}) + [None]:
            part = [r for r in rows if area is None or r["area"] == area]
            counts = {s: sum(r["status"] == s for r in part) for s in ("KILLED", "SURVIVED", "INVALID")}
            valid = counts["KILLED"] + counts["SURVIVED"]
            score = f"{100 * counts['KILLED'] / valid:.0f} %" if valid else "-"
            print(f"{area or 'all':8} {len(part):3} mutants: {counts['KILLED']} killed, "
                  f"{counts['SURVIVED']} survived, {counts['INVALID']} invalid; score {score}")
        survivors = [r["id"] for r in rows if r["status"] == "SURVIVED"]
        if survivors:
            print("survived: " + " ".join(survivors))
        print(f"this run: {elapsed / 60:.0f} min; report {report}")
    # The sources are as they were; every target a mutant built is built again from them.
    targets = sorted({t for m in mutants for t in m["build"].split()})
    if targets and not args.no_rebuild:
        print("rebuilding " + " ".join(targets), flush=True)
        os.makedirs(os.path.join(args.build, "mutate-logs"), exist_ok=True)
        code, _ = run(["cmake", "--build", args.build, "-j", str(args.jobs), "--target", *targets],
                      os.path.join(args.build, "mutate-logs", "rebuild.log"))
        print("targets rebuilt from the restored sources" if code == 0 else "the final rebuild failed")
        if code != 0:
            status = status or 1
    return status


if __name__ == "__main__":
    sys.exit(main())
