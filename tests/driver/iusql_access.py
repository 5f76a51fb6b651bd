#!/usr/bin/python3
"""unixODBC's iusql, a Unicode client, queries nwind.mdb through the W functions: row counts,
its non-ASCII table name, every table read whole (testV2000.mdb's every-type table is read by
pyodbc_suite.py through the same functions). Exits 77 (skipped) without iusql or nwind.mdb."""
import os
import shutil
import subprocess
import sys
import tempfile

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


def check_nwind(dsn):
    assert iusql(dsn, "SELECT COUNT(*) AS N FROM Orders")[1] == [b"830"]
    assert iusql(dsn, "SELECT COUNT(*) AS N FROM [Order Details]")[1] == [b"2155"]
    # iusql prints each UTF-16 unit as its low byte: the table name arrives as U+00E4, one
    # unit, not as the two units of its UTF-8 bytes.
    tables = iusql(dsn, "help")
    assert [b"Ums\xe4tze", b"TABLE"] in [line[2:4] for line in tables], tables
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
    nwind = os.path.join(data, "nwind.mdb")
    if not os.path.isfile(nwind):
        skip("nwind.mdb absent (KERVANE_TEST_DATA) : test ignoré")
    with tempfile.TemporaryDirectory() as folder:
        with open(os.path.join(folder, "odbc.ini"), "w", encoding="utf-8") as ini:
            ini.write("[Nwind]\nDriver=%s\nDBQ=%s\n" % (DRIVER, nwind))
        os.environ["ODBCINI"] = os.path.join(folder, "odbc.ini")
        check_nwind("Nwind")
    print("iusql : nwind.mdb relu, comptes et nom non ASCII exacts")


if __name__ == "__main__":
    main()
