#pragma once
// The table model a grid shows: its data cells are the sheet's columns 1..MaxCols and rows
// 1..MaxRows; row 0 and column 0 are the header data. While the grid's redraw is off the
// model is quiet: changes go to the sheet without any signal, the view keeps the dimensions
// it was told, and switching redraw on resets the view once.
#include "platform/spread/SpreadCells.h"

#include <QAbstractTableModel>
#include <QFont>

namespace kervane {

class SpreadModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit SpreadModel(QObject* pParent = nullptr);

    const SpreadCells& cells() const { return m_cells; }
    // Direct access for attribute changes; follow them with cellsChanged().
    SpreadCells& cells() { return m_cells; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation, int nRole = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int nRole = Qt::EditRole) override;

    // The text a cell shows: its stored text, or for an unset title the row number (column 0)
    // or the column letters (row 0).
    QString displayText(qint32 nCol, qint32 nRow) const;

    bool resize(qint32 nRows, qint32 nCols, double dNewColWidth);
    void setText(qint32 nCol, qint32 nRow, const QString& strText);
    void setText(qint32 nCol, qint32 nRow, QString&& strText);
    bool adoptRowTexts(qint32 nRow1, QByteArray&& utf8, FinsCellules&& ends);
    void sortRows(qint32 nCol, bool bAscending);
    // Tells the view that the cells of a block changed (nothing while quiet).
    void cellsChanged(const SpreadBlock& block);

    void setQuiet(bool bQuiet);
    bool isQuiet() const { return m_bQuiet; }

    // Font of bold titles, so that the headers show the bold state of row and column titles.
    void setHeaderFont(const QFont& font);

private:
    void changed(qint32 nCol1, qint32 nRow1, qint32 nCol2, qint32 nRow2);
    void resizeNotified(qint32 nRows, qint32 nCols, double dNewColWidth);

    SpreadCells m_cells;
    qint32 m_nShownRows = 0;  // dimensions the view knows
    qint32 m_nShownCols = 0;
    bool m_bQuiet = false;
    bool m_bDirty = false;
    QFont m_boldHeaderFont;
};

// Column letters of a title: 1 "A" .. 26 "Z", 27 "AA", ...
QString spreadColumnLetters(qint32 nCol);

}  // namespace kervane
