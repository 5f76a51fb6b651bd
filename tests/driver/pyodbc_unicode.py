#!/usr/bin/python3
"""pyodbc with its default settings (no setencoding/setdecoding) is a Unicode client: it connects,
runs statements and reads diagnostics through the W functions. Connects by connection string and
by data source, reads accented and non-Latin names and values and the catalogue rows (the French
diagnostics a W client reads are checked by pyodbc_suite.py). Exits 77 (skipped) without pyodbc."""
import os
import sqlite3
import sys
import tempfile

try:
    import pyodbc
except ImportError:
    print("pyodbc absent : test ignoré")
    sys.exit(77)

DRIVER = "Microsoft Access Driver (*.mdb)"
COLUMNS = ["Numéro", "Имя", "Ελληνικά", "名前"]
ROWS = [(1, "Дмитрий", "Ωμέγα", "東京 😀 Zoë"), (2, "Наталья", "Αθήνα", "été 🎉 北京")]


def check_contents(connection):
    cursor = connection.cursor()
    cursor.execute("SELECT Numéro, Имя, Ελληνικά, 名前 FROM [Clients été] ORDER BY Numéro")
    assert [d[0] for d in cursor.description] == COLUMNS, cursor.description
    rows = [tuple(row) for row in cursor.fetchall()]
    assert rows == ROWS, rows

    tables = [(row.table_name, row.table_type) for row in cursor.tables(table="Clients été")]
    assert tables == [("Clients été", "TABLE")], tables
    columns = [row.column_name for row in cursor.columns(table="Clients été")]
    assert columns == COLUMNS, columns


def main():
    with tempfile.TemporaryDirectory() as folder:
        base = os.path.join(folder, "Base été Ωμέγα.mdb")
        with sqlite3.connect(base) as db:
            db.execute("CREATE TABLE BASE(NOM TEXT(50))")
        with open(os.path.join(folder, "odbc.ini"), "w", encoding="utf-8") as ini:
            ini.write("[Base Unicode]\nDriver=%s\nDBQ=%s\n" % (DRIVER, base))
        os.environ["ODBCINI"] = os.path.join(folder, "odbc.ini")

        connection = pyodbc.connect("DRIVER={%s};DBQ=%s" % (DRIVER, base), autocommit=True)
        cursor = connection.cursor()
        cursor.execute("CREATE TABLE [Clients été]"
                       " (Numéro LONG, Имя TEXT(50), Ελληνικά TEXT(50), 名前 TEXT(50))")
        cursor.execute("INSERT INTO [Clients été] VALUES (1, 'Дмитрий', 'Ωμέγα', '東京 😀 Zoë')")
        cursor.execute("INSERT INTO [Clients été] VALUES (?, ?, ?, ?)", *ROWS[1])
        check_contents(connection)
        connection.close()

        connection = pyodbc.connect("DSN=Base Unicode")
        check_contents(connection)
        connection.close()
    print("pyodbc : noms et valeurs non latins et catalogue relus à l'identique")


if __name__ == "__main__":
    main()
