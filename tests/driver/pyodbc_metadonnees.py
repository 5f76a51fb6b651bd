#!/usr/bin/python3
"""A Python client reading the catalogue through pyodbc: tables, columns, statistics, primary
and foreign keys and the type list, on a SQLite-format base made here with known declarations
(nwind.mdb's catalogue is test_driver_metadata_jet's). Exits 77 (skipped) without pyodbc."""
import os
import sqlite3
import sys
import tempfile

try:
    import pyodbc
except ImportError:
    print("pyodbc absent : test ignoré")
    sys.exit(77)

DRIVER = "DRIVER={Microsoft Access Driver (*.mdb)};DBQ="


def check_sqlite_base(folder):
    base = os.path.join(folder, "base.mdb")
    with sqlite3.connect(base) as db:
        db.executescript(
            "CREATE TABLE CLIENT(NUM INTEGER PRIMARY KEY AUTOINCREMENT, NOM TEXT(40) NOT NULL,"
            " VILLE TEXT(30) DEFAULT 'Lyon');"
            "CREATE INDEX CLIENT_VILLE ON CLIENT(VILLE);"
            "CREATE TABLE FACTURE(NUMFAC LONG PRIMARY KEY, CLIENT LONG REFERENCES CLIENT(NUM), MONTANT CURRENCY,"
            " EMISE DATETIME);"
            "INSERT INTO CLIENT(NOM) VALUES ('Été'), ('Hiver');")
    connection = pyodbc.connect(DRIVER + base)
    cursor = connection.cursor()

    tables = [row.table_name for row in cursor.tables(tableType="TABLE")]
    assert "CLIENT" in tables and "FACTURE" in tables, tables

    columns = cursor.columns(table="CLIENT").fetchall()
    assert [c.column_name for c in columns] == ["NUM", "NOM", "VILLE"], columns
    assert columns[0].type_name == "COUNTER" and columns[0].is_nullable == "NO", columns[0]
    assert columns[1].nullable == 0 and columns[1].column_size == 40, columns[1]
    assert columns[2].column_def == "'Lyon'" and columns[2].ordinal_position == 3, columns[2]
    dates = [c for c in cursor.columns(table="FACTURE") if c.column_name == "EMISE"]
    assert dates[0].data_type == pyodbc.SQL_TYPE_TIMESTAMP, dates

    statistics = cursor.statistics("CLIENT", quick=False).fetchall()
    assert statistics[0].type == 0 and statistics[0].cardinality == 2, statistics[0]
    assert [(s.index_name, s.column_name, s.non_unique) for s in statistics[1:]] == \
        [("PrimaryKey", "NUM", 0), ("CLIENT_VILLE", "VILLE", 1)], statistics
    assert [k.column_name for k in cursor.primaryKeys("FACTURE")] == ["NUMFAC"]

    keys = cursor.foreignKeys(table="CLIENT").fetchall()
    assert [(k.pkcolumn_name, k.fktable_name, k.fkcolumn_name, k.key_seq) for k in keys] == \
        [("NUM", "FACTURE", "CLIENT", 1)], keys

    types = cursor.getTypeInfo().fetchall()
    codes = [t.data_type for t in types]
    assert codes == sorted(codes), codes
    names = {t.type_name: t for t in types}
    for name in ("VARCHAR", "LONGCHAR", "BYTE", "SMALLINT", "INTEGER", "COUNTER", "REAL", "DOUBLE", "CURRENCY",
                 "DATETIME", "BIT", "LONGBINARY", "GUID", "DECIMAL"):
        assert name in names, name
    assert names["COUNTER"].auto_unique_value == 1
    assert [t.type_name for t in cursor.getTypeInfo(pyodbc.SQL_INTEGER)] == ["INTEGER", "COUNTER"]
    connection.close()


def main():
    with tempfile.TemporaryDirectory() as folder:
        open(os.path.join(folder, "odbc.ini"), "w").close()
        os.environ["ODBCINI"] = os.path.join(folder, "odbc.ini")
        check_sqlite_base(folder)
    print("pyodbc : catalogue d'une base SQLite conforme")


if __name__ == "__main__":
    main()
