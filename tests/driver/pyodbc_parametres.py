#!/usr/bin/python3
"""A Python client through pyodbc: parameters, executemany with and without arrays, texts,
dates, decimals and binaries, on a SQLite-format base. Exits 77 (skipped) without pyodbc."""
import datetime
import decimal
import os
import sqlite3
import sys
import tempfile

try:
    import pyodbc
except ImportError:
    print("pyodbc absent : test ignoré")
    sys.exit(77)


def main():
    with tempfile.TemporaryDirectory() as folder:
        base = os.path.join(folder, "base.mdb")
        with sqlite3.connect(base) as db:
            db.execute("CREATE TABLE P(ID LONG PRIMARY KEY, T TEXT(100), M MEMO, DT DATETIME, YN YESNO,"
                       " D DOUBLE, C CURRENCY, O OLEOBJECT)")
        open(os.path.join(folder, "odbc.ini"), "w").close()
        os.environ["ODBCINI"] = os.path.join(folder, "odbc.ini")
        connection = pyodbc.connect("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=" + base, autocommit=False)
        cursor = connection.cursor()
        moment = datetime.datetime(2024, 5, 17, 10, 30, 5)
        cursor.execute("INSERT INTO P (ID, T, M, DT, YN, D, C, O) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                       1, "Été 日本", "x" * 100000, moment, True, 1.5, decimal.Decimal("12.34"), b"\x00\x01")
        cursor.execute("INSERT INTO P (ID, T) VALUES (?, ?)", 2, None)
        cursor.executemany("INSERT INTO P (ID, T) VALUES (?, ?)", [(i, "n%d" % i) for i in range(10, 60)])
        cursor.fast_executemany = True
        cursor.executemany("INSERT INTO P (ID, T, DT) VALUES (?, ?, ?)",
                           [(i, "f%d" % i, datetime.date(2020, 1, 1)) for i in range(1000, 2000)])
        connection.commit()

        row = cursor.execute("SELECT ID, T, M, DT, YN, D, C, O FROM P WHERE T = ?", "ÉTÉ 日本").fetchone()
        expected = (1, "Été 日本", "x" * 100000, moment, True, 1.5, decimal.Decimal("12.34"), b"\x00\x01")
        assert tuple(row) == expected, row
        assert cursor.execute("SELECT T FROM P WHERE ID = ?", 2).fetchone()[0] is None
        assert cursor.execute("SELECT count(*) FROM P WHERE ID >= ?", 10).fetchone()[0] == 1050
        dated = cursor.execute("SELECT ID FROM P WHERE DT = ? AND ID < ?", datetime.datetime(2020, 1, 1), 1003)
        assert [r[0] for r in dated.fetchall()] == [1000, 1001, 1002]
        assert [r[0] for r in cursor.execute("SELECT ID FROM P WHERE YN = ?", True).fetchall()] == [1]
        connection.close()
    print("pyodbc : paramètres, executemany et types relus à l'identique")


if __name__ == "__main__":
    main()
