#!/usr/bin/python3
"""unixODBC's iusql, a Unicode client, queries genuine Access files through the W functions:
every column of a Jet 4 table, row counts of nwind.mdb and its non-ASCII table name. Exits 77
(skipped) without iusql or without the shared test files."""
import os
import shutil
import subprocess
import sys
import tempfile
from decimal import Decimal

DRIVER = "Microsoft Access Driver (*.mdb)"


def skip(why):
    print(why)
    sys.exit(77)


def iusql(dsn, statement):
    """Runs one statement in batch mode; the output lines, columns split at '|', as bytes."""
    done = subprocess.run(["iusql", "-b", "-d|", "-c", dsn], input=(statement + "\n").encode(),
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120, check=False)
    assert done.returncode == 0, done.stdout
    return [line.split(b"|") for line in done.stdout.splitlines() if line]


def check_every_column(dsn):
    # testV2000.mdb's Table1 holds exactly two rows, whose values its README states.
    lines = iusql(dsn, "SELECT * FROM Table1 ORDER BY E DESC")
    assert lines[0] == [b"A", b"B", b"C", b"D", b"E", b"F", b"G", b"H", b"I"], lines[0]
    rows = [[value.decode() for value in line] for line in lines[1:]]
    assert len(rows) == 2, lines
    first, second = rows
    assert first[:5] == ["abcdefg", "hijklmnop", "2", "222", "333333333"], first
    assert float(first[5]) == 444.555 and first[6] == "1974-09-21 00:00:00", first
    assert Decimal(first[7]) == Decimal("3.5") and int(first[8]) != 0, first
    assert second[:5] == ["a", "b", "0", "0", "0"], second
    assert float(second[5]) == 0 and second[6] == "1981-12-12 00:00:00", second
    assert Decimal(second[7]) == 0 and int(second[8]) == 0, second


def check_nwind(dsn):
    assert iusql(dsn, "SELECT COUNT(*) AS N FROM Orders")[1] == [b"830"]
    assert iusql(dsn, "SELECT COUNT(*) AS N FROM [Order Details]")[1] == [b"2155"]
    # iusql prints each UTF-16 unit as its low byte: the table name arrives as U+00E4, one
    # unit, not as the two units of its UTF-8 bytes.
    tables = iusql(dsn, "help")
    assert [b"", b"", b"Ums\xe4tze", b"TABLE", b""] in tables, tables
    # Every column of every table is read without an error. (iusql prints a value longer than
    # its 300-character column as empty: it shows only values read whole.)
    names = [line[2] for line in tables[1:] if len(line) > 3 and line[3] == b"TABLE"]
    assert len(names) == 9, names
    for name in names:
        if name == b"Ums\xe4tze":
            continue  # iusql cannot send back the name it printed as one byte
        lines = iusql(dsn, "SELECT * FROM [%s]" % name.decode())
        assert not any(b"ERROR" in b"|".join(line) for line in lines), (name, lines[:3])
        if b" " not in name:  # iusql's help takes one word
            columns = iusql(dsn, "help %s" % name.decode())
            assert len(lines[0]) == len(columns) - 1, (name, lines[0], len(columns))


def main():
    if shutil.which("iusql") is None:
        skip("iusql absent : test ignoré")
    data = os.environ.get("KERVANE_TEST_DATA", "")
    jet = os.path.join(data, "jet", "testV2000.mdb")
    nwind = os.path.join(data, "nwind.mdb")
    if not (os.path.isfile(jet) and os.path.isfile(nwind)):
        skip("fichiers Access de test absents (KERVANE_TEST_DATA) : test ignoré")
    with tempfile.TemporaryDirectory() as folder:
        with open(os.path.join(folder, "odbc.ini"), "w", encoding="utf-8") as ini:
            ini.write("[Jet Test]\nDriver=%s\nDBQ=%s\n\n[Nwind]\nDriver=%s\nDBQ=%s\n" % (DRIVER, jet, DRIVER, nwind))
        os.environ["ODBCINI"] = os.path.join(folder, "odbc.ini")
        check_every_column("Jet Test")
        check_nwind("Nwind")
    print("iusql : toutes les colonnes d'une table Access relues, comptes et nom non ASCII exacts")


if __name__ == "__main__":
    main()
