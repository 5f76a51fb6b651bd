#pragma once
// The sheet behind a grid: every cell text in row-major order over rows 0..MaxRows and
// columns 0..MaxCols (row 0 holds the column titles, column 0 the row titles) kept as UTF-8
// (SpreadTexts), one byte of flags per cell (border sides, bold, static), an optional colour index per cell, the row
// heights and the column widths. Every access is bounds-checked: a read outside the sheet
// gives the default, a write outside the sheet is ignored.
#include "platform/spread/SpreadTexts.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <vector>

namespace kervane {

// Border sides of a cell, with the component's border-type values.
enum SpreadBorder : quint8 {
    BorderLeft = 1,
    BorderRight = 2,
    BorderTop = 4,
    BorderBottom = 8,
    BorderAll = 15,
};

// A rectangle of cells, first and last column and row included.
struct SpreadBlock {
    qint32 nCol1 = 0;
    qint32 nRow1 = 0;
    qint32 nCol2 = 0;
    qint32 nRow2 = 0;
    friend bool operator==(const SpreadBlock&, const SpreadBlock&) = default;
};

class SpreadCells {
public:
    static constexpr qint64 kMaxCells = 50'000'000;  // a larger sheet is refused

    SpreadCells();

    qint32 rows() const { return m_nRows; }
    qint32 cols() const { return m_nCols; }
    bool contains(qint32 nCol, qint32 nRow) const;

    // Keeps the cells that still fit; new cells are empty, new columns get dNewColWidth.
    // Refused (false) for negative counts or a sheet above kMaxCells.
    bool resize(qint32 nRows, qint32 nCols, double dNewColWidth);

    // Stored text; a null text for a cell never written or outside the sheet.
    QString text(qint32 nCol, qint32 nRow) const;
    // The same as UTF-8 bytes, without a copy (valid until the sheet changes); empty for a
    // null cell or outside the sheet.
    QByteArrayView utf8(qint32 nCol, qint32 nRow) const;
    void setText(qint32 nCol, qint32 nRow, const QString& strText);
    void setText(qint32 nCol, qint32 nRow, QString&& strText);
    // Takes over the texts of whole rows from nRow1 on, every column 0..cols() of each, as
    // UTF-8 back to back with an end offset per cell (see SpreadTexts::adoptCells): no text
    // is copied. False, nothing changed, when they do not fit the sheet.
    bool adoptRowTexts(qint32 nRow1, QByteArray&& utf8, FinsCellules&& ends);
    // Bytes that the texts hold in memory, for measurements.
    qsizetype textBytes() const { return m_texts.bytes(); }
    // The texts set aside in a file while the next result is read, when they hold at least
    // nMinimumBytes (see SpreadTexts::park); back in memory as they were.
    bool parkTexts(qsizetype nMinimumBytes) { return m_texts.park(nMinimumBytes); }
    void bringTextsBack() { m_texts.bringBack(); }

    bool bold(qint32 nCol, qint32 nRow) const;
    void setBold(qint32 nCol, qint32 nRow, bool bBold);
    bool isStatic(qint32 nCol, qint32 nRow) const;
    void setStatic(qint32 nCol, qint32 nRow, bool bStatic);
    // Static state given to cells that later growth of the sheet creates.
    void setStaticDefault(bool bStatic) { m_bStaticDefault = bStatic; }

    quint8 borders(qint32 nCol, qint32 nRow) const;
    void setBorders(qint32 nCol, qint32 nRow, quint8 nSides);
    // Adds the sides to every cell of the rectangle (already inside the sheet), row by row.
    void addBorders(qint32 nCol1, qint32 nRow1, qint32 nCol2, qint32 nRow2, quint8 nSides);

    // Colour of the cell's text; 0 means the grid's default.
    quint32 foreColor(qint32 nCol, qint32 nRow) const;
    void setForeColor(qint32 nCol, qint32 nRow, quint32 nRgb, bool bDefault);

    // Row heights in pixels (0 = the grid's default height), column widths in characters.
    qint32 rowHeight(qint32 nRow) const;
    void setRowHeight(qint32 nRow, qint32 nPixels);
    double colWidth(qint32 nCol) const;
    void setColWidth(qint32 nCol, double dCharacters);

    // Reorders the data rows 1..rows() by the texts of one column, stably; the titles of
    // row 0 and column 0 stay in place.
    void sortRows(qint32 nCol, bool bAscending);

private:
    qsizetype index(qint32 nCol, qint32 nRow) const;
    void setFlag(qint32 nCol, qint32 nRow, quint8 nFlag, bool bOn);

    qint32 m_nRows = 0;
    qint32 m_nCols = 0;
    bool m_bStaticDefault = false;
    SpreadTexts m_texts;
    std::vector<quint8> m_flags;
    std::vector<quint8> m_colourIndex;  // empty until a cell gets its own colour
    std::vector<quint32> m_palette;     // colours by index; index 0 is the default
    std::vector<qint32> m_rowHeights;
    std::vector<double> m_colWidths;
};

}  // namespace kervane
