#!/usr/bin/python3
"""A Python client through pyodbc reading many rows with its default settings: fetchall, fetchmany
and iteration give back exactly the 10,000 rows inserted. Exits 77 (skipped) without pyodbc."""
import datetime
import os
import sqlite3
import sys
import tempfile

try:
    import pyodbc
except ImportError:
    print("pyodbc absent : test ignoré")
    sys.exit(77)

ROWS = 10000


def expected_row(i):
    texte = None if i % 11 == 0 else "ligne %d é😀" % i
    return (i, texte, i * 0.25, datetime.datetime(2020, 1, 1) + datetime.timedelta(hours=i))


def main():
    with tempfile.TemporaryDirectory() as folder:
        base = os.path.join(folder, "base.mdb")
        rows = [expected_row(i) for i in range(1, ROWS + 1)]
        with sqlite3.connect(base) as db:
            db.execute("CREATE TABLE B(ID LONG PRIMARY KEY, T TEXT(60), D DOUBLE, DT DATETIME)")
            db.executemany("INSERT INTO B VALUES (?, ?, ?, ?)",
                           [(i, t, d, dt.strftime("%Y-%m-%d %H:%M:%S")) for i, t, d, dt in rows])
        open(os.path.join(folder, "odbc.ini"), "w").close()
        os.environ["ODBCINI"] = os.path.join(folder, "odbc.ini")
        connection = pyodbc.connect("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=" + base)
        cursor = connection.cursor()

        got = cursor.execute("SELECT ID, T, D, DT FROM B ORDER BY ID").fetchall()
        assert len(got) == ROWS, len(got)
        for row, expected in zip(got, rows):
            assert tuple(row) == expected, (tuple(row), expected)

        cursor.execute("SELECT ID FROM B ORDER BY ID")
        ids = []
        while True:
            block = cursor.fetchmany(777)
            if not block:
                break
            ids.extend(r[0] for r in block)
        assert ids == list(range(1, ROWS + 1))
        assert sum(1 for _ in cursor.execute("SELECT T FROM B WHERE T IS NULL")) == ROWS // 11
        connection.close()
    print("pyodbc : %d lignes relues à l'identique" % ROWS)


if __name__ == "__main__":
    main()
