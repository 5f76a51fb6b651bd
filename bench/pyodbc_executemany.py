#!/usr/bin/python3
"""executemany of 10,000 rows through pyodbc, with fast_executemany off (one execution per row)
and on (parameter arrays), each timed several times on a fresh table; prints the medians and
their ratio. A benchmark, never a test.

Run it against a build's registration of the driver (the build folder's driver/odbc holds the
odbcinst.ini that names the built library):
    ODBCSYSINI=build/driver/odbc /usr/bin/python3 bench/pyodbc_executemany.py [runs]
"""
import datetime
import os
import sqlite3
import statistics
import sys
import tempfile
import time
from decimal import Decimal

try:
    import pyodbc
except ImportError:
    sys.exit("pyodbc absent (python3-pyodbc)")

ROWS = 10000
DRIVER = "DRIVER={Microsoft Access Driver (*.mdb)};DBQ="


def rows():
    start = datetime.datetime(2020, 1, 1)
    return [(i, "ligne %d été" % i, i * 0.5, Decimal(i) / 100, start + datetime.timedelta(minutes=i), i % 2 == 0)
            for i in range(ROWS)]


def one_run(base, table, fast, data):
    connection = pyodbc.connect(DRIVER + base, autocommit=False)
    cursor = connection.cursor()
    cursor.execute("CREATE TABLE %s (ID LONG, T TEXT(50), D DOUBLE, C CURRENCY, DT DATETIME, YN YESNO)" % table)
    connection.commit()
    cursor.fast_executemany = fast
    begin = time.perf_counter()
    cursor.executemany("INSERT INTO %s VALUES (?, ?, ?, ?, ?, ?)" % table, data)
    connection.commit()
    elapsed = time.perf_counter() - begin
    count = cursor.execute("SELECT count(*) FROM %s" % table).fetchone()[0]
    cursor.execute("DROP TABLE %s" % table)
    connection.commit()
    connection.close()
    if count != ROWS:
        sys.exit("%d rows instead of %d" % (count, ROWS))
    return elapsed


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    if "ODBCSYSINI" not in os.environ:
        sys.exit("ODBCSYSINI must name the build's driver/odbc folder")
    data = rows()
    with tempfile.TemporaryDirectory() as folder:
        open(os.path.join(folder, "odbc.ini"), "w").close()
        os.environ["ODBCINI"] = os.path.join(folder, "odbc.ini")
        base = os.path.join(folder, "banc.mdb")
        with sqlite3.connect(base) as db:
            db.execute("PRAGMA user_version = 1")
        times = {False: [], True: []}
        for run in range(runs):  # alternated, so that both meet the same machine load
            for fast in (False, True):
                times[fast].append(one_run(base, "BANC%d_%d" % (run, fast), fast, data))
    slow, fast = statistics.median(times[False]), statistics.median(times[True])
    print("executemany de %d lignes, médiane de %d passages" % (ROWS, runs))
    print("  fast_executemany désactivé : %.3f s" % slow)
    print("  fast_executemany activé    : %.3f s" % fast)
    print("  rapport                    : %.1f fois plus rapide" % (slow / fast))


if __name__ == "__main__":
    main()
