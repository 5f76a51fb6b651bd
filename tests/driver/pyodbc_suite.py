#!/usr/bin/python3
"""pyodbc with its default settings, the way a Python application uses the driver.

On a SQLite-format base whose tables are made through the driver: every Access type written
through parameters and read back equal, NULL in each, their limits, texts in several scripts, a
long memo, binaries with zero bytes, the base reached by connection string and by data source name, executemany one set at a time and as parameter arrays,
non-Latin column names, 10,000 rows read back by fetchall and fetchmany, commit and rollback seen
from a second connection, French diagnostics read exactly, and the catalogue (tables, columns,
statistics, keys, type list) of declarations made here. On genuine Access files: the
every-type table of testV2000.mdb and testV1997.mdb, with the values their README states, as
Python's own types (nwind.mdb's figures are the C++ driver tests'); then the same types,
parameter sets, transactions and diagnostics on copies of Access 2007 and 2010 files (.accdb),
through the driver's other name, their tables made by the driver's own writer. SELECT @@IDENTITY
after inserts and parameters alone in a select list, on the SQLite base and on copies of the
Access 97 and 2000 files.
Exits 77 (skipped) without pyodbc; the Access part is skipped without the test data."""
import datetime
import os
import shutil
import sqlite3
import struct
import uuid
import sys
import tempfile
from decimal import Decimal

try:
    import pyodbc
except ImportError:
    print("pyodbc absent : test ignoré")
    sys.exit(77)

DRIVER = "DRIVER={Microsoft Access Driver (*.mdb)};DBQ="
ACE_DRIVER = "DRIVER={Microsoft Access Driver (*.mdb, *.accdb)};DBQ="
PREFIX = "[Kervane][Pilote ODBC Access]"

# Access type -> values written and read back equal (the limits of each type among them).
VALUES = {
    "BYTE": [0, 255, 17],
    "SHORT": [-32768, 32767],
    "SMALLINT": [-32768, 32767],
    "LONG": [-2147483648, 2147483647],
    "INTEGER": [-2147483648, 2147483647],
    "SINGLE": [1.5, -0.25, 3.0e38],
    "REAL": [1.5, -0.25],
    "DOUBLE": [1.7976931348623157e308, -2.2250738585072014e-308, 444.555],
    "FLOAT": [0.1, -1e-300],
    "CURRENCY": [Decimal("99999999999.9999"), Decimal("-0.0001"), Decimal("12.3456")],
    "MONEY": [Decimal("-12345678.9876"), Decimal("0.5000")],
    "DATETIME": [datetime.datetime(1850, 3, 1, 0, 0), datetime.datetime(2024, 2, 29, 23, 59, 58),
                 datetime.datetime(1899, 12, 30, 12, 34, 56)],
    "BIT": [True, False],
    "YESNO": [False, True],
    "TEXT(80)": ["Éléonore à l'été, ça dépasse", "Ελληνικά αλφάβητο", "Кириллица Ёё", "中文 日本語 한국어",
                 "😀🎉 emoji 𝄞", ""],
    "MEMO": ["x" * 100000, "Été " * 25000, "ligne 1\nligne 2\ttab"],
    "LONGBINARY": [b"\x00", b"\x00\x01\x00\xff\x00" * 1000, bytes(range(256))],
    "OLEOBJECT": [b"\x00\x00\x00", b"OLE\x00data"],
    "VARBINARY(10)": [b"\x00\x01ab\xff", b""],
    "GUID": ["{12345678-9ABC-DEF0-1234-56789ABCDEF0}"],
    "DECIMAL(18,4)": [Decimal("12345678901.2345"), Decimal("-0.0001"), Decimal("0.0000")],
}


def column(access_type):
    """A column name made from its type: TEXT(80) -> C_TEXT."""
    return "C_" + access_type.split("(")[0]


def new_base(folder):
    """An empty SQLite file (the driver recognises the format by its header)."""
    base = os.path.join(folder, "suite.mdb")
    with sqlite3.connect(base) as db:
        db.execute("PRAGMA user_version = 1")
    return base


def as_single(value):
    """A number as a Single column of an Access file keeps it: rounded to 32 bits."""
    return struct.unpack("<f", struct.pack("<f", value))[0]


def check_types(connection, access_file=False):
    """A Yes/No column holds no Null; an Access file keeps a Single in 32 bits, a SQLite base the
    double it is given."""
    cursor = connection.cursor()
    columns = ", ".join("%s %s" % (column(t), t) for t in VALUES)
    cursor.execute("CREATE TABLE TOUS (ID LONG, AUTO COUNTER, %s)" % columns)
    next_id = 1
    for access_type, values in VALUES.items():
        name = column(access_type)
        for value in values + [None]:
            cursor.execute("INSERT INTO TOUS (ID, %s) VALUES (?, ?)" % name, next_id, value)
            got = cursor.execute("SELECT %s FROM TOUS WHERE ID = ?" % name, next_id).fetchone()[0]
            if isinstance(got, bytearray):
                got = bytes(got)
            if access_file and access_type in ("SINGLE", "REAL") and value is not None:
                value = as_single(value)
            if access_type in ("BIT", "YESNO") and value is None:
                value = False  # a Yes/No column holds no Null: Access stores No
            assert got == value and type(got) is type(value), (access_type, value if len(repr(value)) < 80 else
                                                                 "(long value)", got if len(repr(got)) < 80 else "…")
            next_id += 1
    # A uuid.UUID goes as an ODBC GUID structure and comes back as Access shows a replication ID.
    cursor.execute("INSERT INTO TOUS (ID, C_GUID) VALUES (?, ?)", next_id,
                   uuid.UUID("12345678-9abc-def0-1234-56789abcdef0"))
    got = cursor.execute("SELECT C_GUID FROM TOUS WHERE ID = ?", next_id).fetchone()[0]
    assert got == "{12345678-9ABC-DEF0-1234-56789ABCDEF0}", got
    next_id += 1
    # A counter numbers the rows itself, from 1, whatever the statement gives.
    counters = [r[0] for r in cursor.execute("SELECT AUTO FROM TOUS ORDER BY ID")]
    assert counters == list(range(1, next_id)), counters
    # Every column of one row at once, through parameters.
    row = [1000] + [values[0] for values in VALUES.values()]
    markers = ", ".join("?" * len(row))
    cursor.execute("INSERT INTO TOUS (ID, %s) VALUES (%s)" % (", ".join(column(t) for t in VALUES), markers), *row)
    got = cursor.execute("SELECT ID, %s FROM TOUS WHERE ID = 1000" % ", ".join(column(t) for t in VALUES)).fetchone()
    assert [bytes(v) if isinstance(v, bytearray) else v for v in got] == row


def check_sets(connection):
    """executemany one set at a time, then as arrays (fast_executemany); parameters in WHERE."""
    cursor = connection.cursor()
    cursor.execute("CREATE TABLE LOTS (ID LONG PRIMARY KEY, T TEXT(20), DT DATETIME)")
    cursor.executemany("INSERT INTO LOTS (ID, T) VALUES (?, ?)", [(i, "n%d" % i) for i in range(10, 60)])
    cursor.fast_executemany = True
    cursor.executemany("INSERT INTO LOTS (ID, T, DT) VALUES (?, ?, ?)",
                       [(i, "Été %d" % i, datetime.date(2020, 1, 1)) for i in range(1000, 2000)])
    assert cursor.execute("SELECT count(*) FROM LOTS WHERE ID >= ?", 10).fetchone()[0] == 1050
    dated = cursor.execute("SELECT ID FROM LOTS WHERE DT = ? AND ID < ?", datetime.datetime(2020, 1, 1), 1003)
    assert [r[0] for r in dated.fetchall()] == [1000, 1001, 1002]
    # A text parameter compares without regard to case, as Access does.
    assert cursor.execute("SELECT ID FROM LOTS WHERE T = ?", "ÉTÉ 1999").fetchone()[0] == 1999
    # Names outside Latin-1 come back whole through the W functions pyodbc calls.
    cursor.execute("SELECT T AS Ελληνικά, ID AS 名前 FROM LOTS WHERE ID = 10")
    assert [d[0] for d in cursor.description] == ["Ελληνικά", "名前"], cursor.description


def check_many_rows(connection, base):
    """10,000 rows written beside the driver come back exactly by fetchall and by fetchmany."""
    rows = [(i, None if i % 11 == 0 else "ligne %d é😀" % i, i * 0.25,
             datetime.datetime(2020, 1, 1) + datetime.timedelta(hours=i)) for i in range(1, 10001)]
    with sqlite3.connect(base) as db:
        db.execute("CREATE TABLE BEAUCOUP (ID LONG PRIMARY KEY, T TEXT(60), D DOUBLE, DT DATETIME)")
        db.executemany("INSERT INTO BEAUCOUP VALUES (?, ?, ?, ?)",
                       [(i, t, d, dt.strftime("%Y-%m-%d %H:%M:%S")) for i, t, d, dt in rows])
    cursor = connection.cursor()
    got = [tuple(r) for r in cursor.execute("SELECT ID, T, D, DT FROM BEAUCOUP ORDER BY ID").fetchall()]
    assert got == rows, next(((g, e) for g, e in zip(got, rows) if g != e), len(got))
    cursor.execute("SELECT ID FROM BEAUCOUP ORDER BY ID")
    ids = []
    while True:
        block = cursor.fetchmany(777)
        if not block:
            break
        ids.extend(r[0] for r in block)
    assert ids == list(range(1, 10001))


def check_transactions(base, driver=DRIVER):
    writer = pyodbc.connect(driver + base, autocommit=False)
    reader = pyodbc.connect(driver + base, autocommit=True)
    cursor = writer.cursor()
    cursor.execute("CREATE TABLE JOURNAL (ID LONG, TEXTE TEXT(20))")
    writer.commit()
    cursor.execute("INSERT INTO JOURNAL VALUES (?, ?)", 1, "annulée")
    writer.rollback()
    assert cursor.execute("SELECT count(*) FROM JOURNAL").fetchone()[0] == 0
    cursor.execute("INSERT INTO JOURNAL VALUES (?, ?)", 2, "validée")
    writer.commit()
    cursor.execute("INSERT INTO JOURNAL VALUES (?, ?)", 3, "annulée")
    writer.rollback()
    for connection in (writer, reader):
        rows = [tuple(r) for r in connection.cursor().execute("SELECT ID, TEXTE FROM JOURNAL")]
        assert rows == [(2, "validée")], rows
    writer.close()
    reader.close()


def expect_error(cursor, statement, state, text, *parameters):
    try:
        cursor.execute(statement, *parameters)
    except pyodbc.Error as error:
        got_state, message = error.args
        # pyodbc frames the driver's text: "[state] text (native) (function)".
        assert got_state == state, error.args
        assert message == "[%s] %s%s (0) (SQLExecDirectW)" % (state, PREFIX, text), repr(message)
        return
    raise AssertionError("accepted: " + statement)


def check_errors(connection):
    cursor = connection.cursor()
    expect_error(cursor, "SELEC * FROM TOUS", "42000", "Erreur de syntaxe près de « SELEC » (caractère 1).")
    expect_error(cursor, "SELECT * FROM [Table absente]", "42S02",
                 "La table ou la requête « Table absente » est introuvable.")
    # Markers without values: pyodbc runs the statement as it is, the driver counts them.
    expect_error(cursor, "SELECT ID FROM TOUS WHERE ID = ? OR ID = ?", "07002",
                 "Nombre de paramètres incorrect : l'instruction en attend 2, 2 n'ont pas reçu de valeur.")
    expect_error(cursor, "SELECT ID FROM TOUS WHERE ID = ?", "07002",
                 "Nombre de paramètres incorrect : l'instruction en attend 1, 1 n'a pas reçu de valeur.")


def check_data_source(folder, base):
    """The same base through a data source of the user's odbc.ini, by name."""
    with open(os.environ["ODBCINI"], "w", encoding="utf-8") as ini:
        ini.write("[Base Suite]\nDriver=Microsoft Access Driver (*.mdb)\nDBQ=%s\n" % base)
    connection = pyodbc.connect("DSN=Base Suite", autocommit=True)
    assert connection.cursor().execute("SELECT count(*) FROM TOUS WHERE ID = 1000").fetchone()[0] == 1
    assert connection.getinfo(pyodbc.SQL_DATA_SOURCE_NAME) == "Base Suite"
    connection.close()


def check_identity(base, driver):
    """SELECT @@IDENTITY after an insert, as ORMs run it: the AutoNumber the row got, on a table
    declared as ORMs declare one (NULL allowed in words, the key as a constraint of its own); a
    duplicate key is an integrity violation."""
    connection = pyodbc.connect(driver + base, autocommit=True)
    cursor = connection.cursor()
    cursor.execute("CREATE TABLE NUMEROS (N COUNTER NOT NULL, T TEXT(10) NULL, PRIMARY KEY (N))")
    for expected in (1, 2, 3):
        cursor.execute("INSERT INTO NUMEROS (T) VALUES (?)", "x")
        assert cursor.execute("SELECT @@IDENTITY").fetchone()[0] == expected, base
        if expected == 2:  # a number once given is not given again
            cursor.execute("DELETE FROM NUMEROS WHERE N = 1")
    try:
        cursor.execute("INSERT INTO NUMEROS (N, T) VALUES (2, 'y')")
        raise AssertionError("duplicate key accepted: " + base)
    except pyodbc.IntegrityError as error:
        assert error.args[0] == "23000", error.args
    check_select_list_parameters(cursor)
    connection.close()


def check_select_list_parameters(cursor):
    """A parameter alone in the select list comes back as the type it was bound with (a date as
    Access's one Date/Time type)."""
    for value, expected in ((datetime.datetime(2020, 1, 2, 3, 4, 5), datetime.datetime(2020, 1, 2, 3, 4, 5)),
                            (datetime.date(2020, 1, 2), datetime.datetime(2020, 1, 2)),
                            (Decimal("12.34"), Decimal("12.34")), (True, True)):
        got = cursor.execute("SELECT ? AS X", value).fetchone()[0]
        assert got == expected and type(got) is type(expected), (value, got)


def check_sqlite_base(folder):
    base = new_base(folder)
    connection = pyodbc.connect(DRIVER + base, autocommit=True)
    check_types(connection)
    check_sets(connection)
    check_many_rows(connection, base)
    check_errors(connection)
    connection.close()
    check_transactions(base)
    check_identity(base, ACE_DRIVER)
    check_data_source(folder, base)


def check_catalogue(folder):
    """The catalogue through the W functions pyodbc calls, on a base whose declarations are known."""
    base = os.path.join(folder, "catalogue.mdb")
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


# testV1997.mdb and testV2000.mdb: Table1 holds exactly these two rows.
TABLE1 = [
    ("abcdefg", "hijklmnop", 2, 222, 333333333, 444.555, datetime.datetime(1974, 9, 21), Decimal("3.5"), True),
    ("a", "b", 0, 0, 0, 0.0, datetime.datetime(1981, 12, 12), Decimal("0"), False),
]


def check_every_type(path):
    connection = pyodbc.connect(DRIVER + path)
    cursor = connection.cursor()
    rows = [tuple(r) for r in cursor.execute("SELECT A, B, C, D, E, F, G, H, I FROM Table1 ORDER BY E DESC")]
    assert rows == TABLE1, (path, rows)
    for row in rows:
        assert [type(v) for v in row] == [type(v) for v in TABLE1[0]], (path, row)
    connection.close()


def check_access_2007_file(folder, original):
    """A copy of an .accdb file changed as the SQLite base is, by Access's own writer format."""
    base = os.path.join(folder, os.path.basename(original))
    shutil.copyfile(original, base)
    connection = pyodbc.connect(ACE_DRIVER + base, autocommit=True)
    check_types(connection, access_file=True)
    check_sets(connection)
    check_errors(connection)
    connection.close()
    check_transactions(base, ACE_DRIVER)


def main():
    with tempfile.TemporaryDirectory() as folder:
        open(os.path.join(folder, "odbc.ini"), "w").close()
        os.environ["ODBCINI"] = os.path.join(folder, "odbc.ini")
        check_sqlite_base(folder)
        check_catalogue(folder)
        data = os.environ.get("KERVANE_TEST_DATA", "")
        files = [os.path.join(data, name) for name in ("jet/testV2000.mdb", "jet/testV1997.mdb")]
        if not data or not all(os.path.isfile(f) for f in files):
            print("pyodbc : base SQLite conforme ; fichiers Access de test absents, partie Access ignorée")
            return
        for path in files:
            check_every_type(path)
            copy = os.path.join(folder, "copie-" + os.path.basename(path))
            shutil.copyfile(path, copy)
            check_identity(copy, ACE_DRIVER)
        for name in ("ace/delTestV2007.accdb", "ace/delTestV2010.accdb"):
            check_access_2007_file(folder, os.path.join(data, name))
    print("pyodbc : types, textes, lots de paramètres, transactions, erreurs et catalogue d'une base SQLite, fichiers Access relus conformes, copies .accdb modifiées conformes")


if __name__ == "__main__":
    main()
