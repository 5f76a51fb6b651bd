#!/usr/bin/env python3
"""Reads back the sample workbooks with openpyxl and checks the layout of each sheet
against the JSON file written beside it: heading block, grey framed titles, values,
column widths, wrapping and top alignment, the frame around every block, and the height
of the rows whose texts take several lines."""
import datetime
import json
import pathlib
import sys

import openpyxl
from openpyxl.utils import get_column_letter

TITLE_ROW = 7
CELL_MAX = 32767
LINE_HEIGHT = 15  # points: Excel's default row height, one line of Calibri 11
ROW_HEIGHT_MAX = 409  # points: the highest row a sheet accepts


class Checker:
    passed = failed = 0

    def check(self, condition, what):
        if condition:
            self.passed += 1
        else:
            self.failed += 1
            print(f"FAILED: {what}")


def sheet_text(raw):
    """A grid text as the sheet holds it: trimmed of spaces, line breaks as LF."""
    return raw.strip(" ").replace("\r\n", "\n").replace("\r", "\n")


def expected_value(expect, row, col, raw):
    number = expect["nombres"].get(f"{row},{col}")
    if number is not None:
        return number
    text = sheet_text(raw)
    return text[:CELL_MAX] if text else None


def expected_edges(expect, rows, cols):
    """Sides framed for each grid cell: the outer edges of every block, or of every cell."""
    blocks = expect["blocs"] or [[c, r, c, r] for r in range(1, rows + 1) for c in range(1, cols + 1)]
    edges = {}
    for c1, r1, c2, r2 in blocks:
        for r in range(r1, r2 + 1):
            for c in range(c1, c2 + 1):
                edges.setdefault((r, c), set()).update(
                    side for side, edge in (("top", r == r1), ("bottom", r == r2), ("left", c == c1), ("right", c == c2))
                    if edge)
    return edges


def check_heading(ck, ws, expect, name):
    a1 = ws["A1"]
    ck.check(isinstance(a1.value, datetime.datetime)
             and a1.value.date().isoformat() == expect["date"], f"{name} A1 date {a1.value!r}")
    ck.check(a1.number_format == "dd/mm/yy", f"{name} A1 format {a1.number_format}")
    ck.check(a1.font.b and a1.alignment.horizontal == "right", f"{name} A1 bold and right-aligned")
    for ref, key in (("B3", "b3"), ("B5", "b5")):
        ck.check(ws[ref].value == expect[key], f"{name} {ref} {ws[ref].value!r}")
        ck.check(ws[ref].font.b, f"{name} {ref} bold")


def check_titles(ck, ws, expect, name):
    titles = expect["titres"]
    for c, title in enumerate(titles, start=1):
        cell = ws.cell(TITLE_ROW, c + 1)
        where = f"{name} {cell.coordinate}"
        ck.check(cell.value == title, f"{where} title {cell.value!r}")
        ck.check(cell.font.b and cell.alignment.horizontal == "center", f"{where} bold centred")
        ck.check(cell.fill.fill_type == "solid" and cell.fill.fgColor.rgb == "FFC0C0C0", f"{where} grey")
        sides = [getattr(cell.border, s).style for s in ("left", "right", "top", "bottom")]
        ck.check(sides == ["medium"] * 4, f"{where} medium frame {sides}")
        width = ws.column_dimensions[get_column_letter(c + 1)].width
        wanted = expect["largeurs"][c - 1] + 5
        ck.check(abs(width - wanted) < 1, f"{name} column {c + 1} width {width} for {wanted}")
    for col in (1, len(titles) + 2):
        ck.check(ws.cell(TITLE_ROW, col).fill.fill_type is None, f"{name} no grey outside the titles")


def check_rows(ck, ws, expect, name):
    rows, cols = len(expect["lignes"]), len(expect["titres"])
    edges = expected_edges(expect, rows, cols)
    marked = {tuple(p) for p in expect["remarquees"]}
    for r, line in enumerate(expect["lignes"], start=1):
        for c in range(1, cols + 1):
            cell = ws.cell(TITLE_ROW + r, c + 1)
            where = f"{name} {cell.coordinate}"
            raw = line[c - 1] if c - 1 < len(line) else ""
            ck.check(cell.value == expected_value(expect, r, c, raw), f"{where} value {str(cell.value)[:40]!r}")
            # An empty cell without an entry of its own shows its row's format.
            look = cell if cell.has_style else ws.row_dimensions[TITLE_ROW + r]
            ck.check(look.alignment.vertical == "top" and look.alignment.wrap_text, f"{where} top, wrapped")
            sides = {s for s in ("left", "right", "top", "bottom") if getattr(cell.border, s).style == "thin"}
            ck.check(sides == edges.get((r, c), set()), f"{where} frame {sorted(sides)}")
            colour = cell.font.color.rgb if cell.font.color is not None and cell.font.color.type == "rgb" else None
            if (c, r) in marked:
                ck.check(cell.font.b and colour == "FF3366FF", f"{where} colour 41, bold")
            else:
                ck.check(not cell.font.b and colour in (None, "FF000000"), f"{where} plain font {colour}")
    ck.check(ws.max_row == TITLE_ROW + rows, f"{name} last row {ws.max_row}")


def check_heights(ck, ws, expect, name):
    """Rows of one short line keep the default height (no height of their own); a row
    holding line breaks is at least as high as its lines, up to the highest row."""
    widths = [w + 5 for w in expect["largeurs"]]
    for row in range(1, TITLE_ROW):
        ck.check(ws.row_dimensions[row].height is None, f"{name} heading row {row} default height")
    for r, line in enumerate([expect["titres"]] + expect["lignes"]):
        row = TITLE_ROW + r
        texts = [sheet_text(line[c] if c < len(line) else "") for c in range(len(widths))]
        height = ws.row_dimensions[row].height
        if all("\n" not in t and len(t) <= int(widths[c]) for c, t in enumerate(texts)):
            ck.check(height is None, f"{name} row {row} default height, not {height}")
            continue
        lines = max(t.count("\n") + 1 for t in texts)
        ck.check(height is not None and min(lines * LINE_HEIGHT, ROW_HEIGHT_MAX) <= height <= ROW_HEIGHT_MAX,
                 f"{name} row {row} height {height} for {lines} line(s)")


def check_workbook(ck, folder, name):
    expect = json.loads((folder / f"{name}.json").read_text(encoding="utf-8"))
    wb = openpyxl.load_workbook(folder / f"{name}.xlsx")
    ck.check(wb.sheetnames == ["Requête"], f"{name} sheets {wb.sheetnames}")
    ws = wb["Requête"]
    check_heading(ck, ws, expect, name)
    check_titles(ck, ws, expect, name)
    check_rows(ck, ws, expect, name)
    check_heights(ck, ws, expect, name)
    return expect


def main():
    folder = pathlib.Path(sys.argv[1])
    ck = Checker()
    for name in ("groupe", "simple"):
        expect = check_workbook(ck, folder, name)
    # The plain sample: 30 columns, the 4500-character memo intact, the longer one cut.
    ws = openpyxl.load_workbook(folder / "simple.xlsx")["Requête"]
    ck.check(len(expect["titres"]) == 30 and ws.cell(TITLE_ROW, 31).value == "COL30", "30 columns, AE7")
    ck.check(len(ws["F8"].value) == 4500 and ws["F8"].value == expect["lignes"][0][4], "memo of 4500 characters")
    ck.check(len(ws["F9"].value) == CELL_MAX, "longest text a cell holds")
    print(f"{ck.passed} passed, {ck.failed} failed")
    return 1 if ck.failed else 0


if __name__ == "__main__":
    sys.exit(main())
