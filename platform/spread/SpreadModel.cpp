#include "platform/spread/SpreadModel.h"

#include <algorithm>

namespace kervane {

QString spreadColumnLetters(qint32 nCol)
{
    QString strLetters;
    for (qint32 n = nCol; n > 0; n = (n - 1) / 26)
        strLetters.prepend(QChar(u'A' + (n - 1) % 26));
    return strLetters;
}

SpreadModel::SpreadModel(QObject* pParent) : QAbstractTableModel(pParent) {}

int SpreadModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nShownRows;
}

int SpreadModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nShownCols;
}

QString SpreadModel::displayText(qint32 nCol, qint32 nRow) const
{
    QString strText = m_cells.text(nCol, nRow);
    if (!strText.isNull() || !m_cells.contains(nCol, nRow))
        return strText;
    if (nCol == 0 && nRow > 0)
        return QString::number(nRow);
    if (nRow == 0 && nCol > 0)
        return spreadColumnLetters(nCol);
    return strText;
}

QVariant SpreadModel::data(const QModelIndex& index, int nRole) const
{
    if (!index.isValid() || index.row() >= m_nShownRows || index.column() >= m_nShownCols)
        return {};
    const qint32 nCol = index.column() + 1;
    const qint32 nRow = index.row() + 1;
    if (!m_cells.contains(nCol, nRow))
        return {};
    if (nRole == Qt::DisplayRole || nRole == Qt::EditRole)
        return m_cells.text(nCol, nRow);
    return {};
}

QVariant SpreadModel::headerData(int nSection, Qt::Orientation orientation, int nRole) const
{
    const bool bHorizontal = orientation == Qt::Horizontal;
    const qint32 nCol = bHorizontal ? nSection + 1 : 0;
    const qint32 nRow = bHorizontal ? 0 : nSection + 1;
    if (nSection < 0 || nSection >= (bHorizontal ? m_nShownCols : m_nShownRows) || !m_cells.contains(nCol, nRow))
        return {};
    if (nRole == Qt::DisplayRole)
        return displayText(nCol, nRow);
    if (nRole == Qt::FontRole && m_cells.bold(nCol, nRow))
        return m_boldHeaderFont;
    return {};
}

Qt::ItemFlags SpreadModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags base = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return m_cells.isStatic(index.column() + 1, index.row() + 1) ? base : base | Qt::ItemIsEditable;
}

bool SpreadModel::setData(const QModelIndex& index, const QVariant& value, int nRole)
{
    if (nRole != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    if (!m_cells.contains(index.column() + 1, index.row() + 1))
        return false;
    setText(index.column() + 1, index.row() + 1, value.toString());
    return true;
}

bool SpreadModel::resize(qint32 nRows, qint32 nCols, double dNewColWidth)
{
    if (nRows < 0 || nCols < 0 || static_cast<qint64>(nRows + 1) * (nCols + 1) > SpreadCells::kMaxCells)
        return false;
    if (m_bQuiet) {
        m_bDirty = true;
        return m_cells.resize(nRows, nCols, dNewColWidth);
    }
    resizeNotified(nRows, nCols, dNewColWidth);
    return true;
}

// Resizes in steps the view follows: rows removed or inserted, then columns.
void SpreadModel::resizeNotified(qint32 nRows, qint32 nCols, double dNewColWidth)
{
    const qint32 nOldRows = m_cells.rows();
    if (nRows < nOldRows) {
        beginRemoveRows(QModelIndex(), nRows, nOldRows - 1);
        m_cells.resize(nRows, m_cells.cols(), dNewColWidth);
        m_nShownRows = nRows;
        endRemoveRows();
    } else if (nRows > nOldRows) {
        beginInsertRows(QModelIndex(), nOldRows, nRows - 1);
        m_cells.resize(nRows, m_cells.cols(), dNewColWidth);
        m_nShownRows = nRows;
        endInsertRows();
    }
    const qint32 nOldCols = m_cells.cols();
    if (nCols < nOldCols) {
        beginRemoveColumns(QModelIndex(), nCols, nOldCols - 1);
        m_cells.resize(nRows, nCols, dNewColWidth);
        m_nShownCols = nCols;
        endRemoveColumns();
    } else if (nCols > nOldCols) {
        beginInsertColumns(QModelIndex(), nOldCols, nCols - 1);
        m_cells.resize(nRows, nCols, dNewColWidth);
        m_nShownCols = nCols;
        endInsertColumns();
    }
}

void SpreadModel::setText(qint32 nCol, qint32 nRow, const QString& strText)
{
    if (!m_cells.contains(nCol, nRow))
        return;
    m_cells.setText(nCol, nRow, strText);
    changed(nCol, nRow, nCol, nRow);
}

void SpreadModel::setText(qint32 nCol, qint32 nRow, QString&& strText)
{
    if (!m_cells.contains(nCol, nRow))
        return;
    m_cells.setText(nCol, nRow, std::move(strText));
    changed(nCol, nRow, nCol, nRow);
}

bool SpreadModel::adoptRowTexts(qint32 nRow1, QByteArray&& utf8, FinsCellules&& ends)
{
    const qsizetype nRows = ends.taille() / (static_cast<qsizetype>(m_cells.cols()) + 1);
    if (!m_cells.adoptRowTexts(nRow1, std::move(utf8), std::move(ends)))
        return false;
    if (nRows > 0)
        changed(0, nRow1, m_cells.cols(), nRow1 + static_cast<qint32>(nRows) - 1);
    return true;
}

void SpreadModel::cellsChanged(const SpreadBlock& block)
{
    changed(block.nCol1, block.nRow1, block.nCol2, block.nRow2);
}

void SpreadModel::changed(qint32 nCol1, qint32 nRow1, qint32 nCol2, qint32 nRow2)
{
    if (m_bQuiet) {
        m_bDirty = true;
        return;
    }
    if (nRow1 == 0 && nCol2 >= 1)
        emit headerDataChanged(Qt::Horizontal, std::max(nCol1, 1) - 1, nCol2 - 1);
    if (nCol1 == 0 && nRow2 >= 1)
        emit headerDataChanged(Qt::Vertical, std::max(nRow1, 1) - 1, nRow2 - 1);
    if (nCol2 >= 1 && nRow2 >= 1)
        emit dataChanged(index(std::max(nRow1, 1) - 1, std::max(nCol1, 1) - 1), index(nRow2 - 1, nCol2 - 1));
}

void SpreadModel::sortRows(qint32 nCol, bool bAscending)
{
    if (m_bQuiet) {
        m_cells.sortRows(nCol, bAscending);
        m_bDirty = true;
        return;
    }
    beginResetModel();
    m_cells.sortRows(nCol, bAscending);
    endResetModel();
}

void SpreadModel::setQuiet(bool bQuiet)
{
    m_bQuiet = bQuiet;
    if (bQuiet || !m_bDirty)
        return;
    beginResetModel();
    m_nShownRows = m_cells.rows();
    m_nShownCols = m_cells.cols();
    m_bDirty = false;
    endResetModel();
}

void SpreadModel::setHeaderFont(const QFont& font)
{
    m_boldHeaderFont = font;
    m_boldHeaderFont.setBold(true);
}

}  // namespace kervane
