// vaSpread: construction, sheet size, current cell and block, texts and cell attributes,
// actions.
#include "platform/spread/vaSpread.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QStringList>

#include <algorithm>

namespace kervane {

namespace {

constexpr double kDefaultRowTitleWidth = 4.0;  // characters: room for "999" in bold

// Maps one span of a block: -1 at either end means every data column or row 1..nMax.
bool resolveSpan(qint32 nFrom, qint32 nTo, qint32 nMax, qint32& nLow, qint32& nHigh)
{
    if (nFrom == -1 || nTo == -1) {
        nLow = 1;
        nHigh = nMax;
    } else {
        nLow = std::max(std::min(nFrom, nTo), 0);
        nHigh = std::min(std::max(nFrom, nTo), nMax);
    }
    return nLow <= nHigh;
}

}  // namespace

vaSpread::vaSpread(QWidget* pParent)
    : QTableView(pParent), m_text(font()), m_delegate(m_model, m_text)
{
    m_model.setHeaderFont(font());
    m_model.cells().setColWidth(0, kDefaultRowTitleWidth);
    setModel(&m_model);
    setItemDelegate(&m_delegate);
    setShowGrid(false);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);

    QHeaderView* pTitles = horizontalHeader();
    pTitles->setDefaultAlignment(Qt::AlignCenter | Qt::Alignment(Qt::TextWordWrap));
    pTitles->setTextElideMode(Qt::ElideNone);
    pTitles->setMinimumSectionSize(1);
    pTitles->setHighlightSections(false);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setHighlightSections(false);
    // A double click on a title border is the caller's to handle (DblClick), not an automatic fit.
    disconnect(pTitles, SIGNAL(sectionHandleDoubleClicked(int)), this, SLOT(resizeColumnToContents(int)));

    connect(pTitles, &QHeaderView::sectionResized, this, &vaSpread::userResizedColumn);
    connect(verticalHeader(), &QHeaderView::sectionResized, this, &vaSpread::userResizedRow);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &vaSpread::applyAllSizes);
    connect(&m_model, &QAbstractItemModel::columnsInserted, this,
            [this](const QModelIndex&, int nFirst, int nLast) { applyInsertedColumns(nFirst + 1, nLast + 1); });

    pTitles->viewport()->installEventFilter(this);
    verticalHeader()->viewport()->installEventFilter(this);
    if (auto* pCorner = findChild<QAbstractButton*>())
        pCorner->installEventFilter(this);
    applyAllSizes();
}

vaSpread::~vaSpread()
{
    // The model and delegate are members: detach them before they go.
    setItemDelegate(nullptr);
    setModel(nullptr);
}

qint32 vaSpread::MaxRows() const
{
    return m_model.cells().rows();
}

qint32 vaSpread::MaxCols() const
{
    return m_model.cells().cols();
}

void vaSpread::setMaxRows(qint32 nRows)
{
    if (m_model.resize(nRows, MaxCols(), m_dDefaultColWidth))
        m_outlines.clear();
}

void vaSpread::setMaxCols(qint32 nCols)
{
    if (m_model.resize(MaxRows(), nCols, m_dDefaultColWidth))
        m_outlines.clear();
}

void vaSpread::setCol(qint32 nCol)
{
    if (nCol >= -1)
        m_nCol = nCol;
}

void vaSpread::setRow(qint32 nRow)
{
    if (nRow >= -1)
        m_nRow = nRow;
}

void vaSpread::setCol2(qint32 nCol)
{
    if (nCol >= -1)
        m_nCol2 = nCol;
}

void vaSpread::setRow2(qint32 nRow)
{
    if (nRow >= -1)
        m_nRow2 = nRow;
}

bool vaSpread::resolveBlock(SpreadBlock& block) const
{
    SpreadBlock resolved;
    if (!resolveSpan(block.nCol1, block.nCol2, MaxCols(), resolved.nCol1, resolved.nCol2) ||
        !resolveSpan(block.nRow1, block.nRow2, MaxRows(), resolved.nRow1, resolved.nRow2))
        return false;
    block = resolved;
    return true;
}

// The cells the next setting applies to: the working block in block mode, else the current cell.
bool vaSpread::targetBlock(SpreadBlock& block) const
{
    block = m_bBlockMode ? SpreadBlock{m_nCol, m_nRow, m_nCol2, m_nRow2} : SpreadBlock{m_nCol, m_nRow, m_nCol, m_nRow};
    return resolveBlock(block);
}

QString vaSpread::Text() const
{
    return m_model.displayText(m_nCol, m_nRow);
}

void vaSpread::setText(QString&& strText)
{
    if (!m_bBlockMode && m_nCol >= 0 && m_nRow >= 0)
        m_model.setText(m_nCol, m_nRow, std::move(strText));
    else
        setText(static_cast<const QString&>(strText));
}

bool vaSpread::adoptRowTexts(QByteArray&& utf8, FinsCellules&& ends)
{
    return m_nRow >= 0 && m_model.adoptRowTexts(m_nRow, std::move(utf8), std::move(ends));
}

bool vaSpread::parkTexts()
{
    return m_model.cells().parkTexts(kParkedTextsMinimum);
}

void vaSpread::bringTextsBack()
{
    m_model.cells().bringTextsBack();
}

void vaSpread::setText(const QString& strText)
{
    if (!m_bBlockMode && m_nCol >= 0 && m_nRow >= 0) {
        m_model.setText(m_nCol, m_nRow, strText);  // the common case, kept short
        return;
    }
    SpreadBlock block;
    if (!targetBlock(block))
        return;
    for (qint32 r = block.nRow1; r <= block.nRow2; ++r)
        for (qint32 c = block.nCol1; c <= block.nCol2; ++c)
            m_model.cells().setText(c, r, strText);
    m_model.cellsChanged(block);
}

bool vaSpread::FontBold() const
{
    return m_model.cells().bold(m_nCol, m_nRow);
}

void vaSpread::setFontBold(bool bBold)
{
    SpreadBlock block;
    if (!targetBlock(block))
        return;
    for (qint32 r = block.nRow1; r <= block.nRow2; ++r)
        for (qint32 c = block.nCol1; c <= block.nCol2; ++c)
            m_model.cells().setBold(c, r, bBold);
    m_model.cellsChanged(block);
}

qint32 vaSpread::CellType() const
{
    return m_model.cells().isStatic(m_nCol, m_nRow) ? kCellTypeStaticText : kCellTypeEdit;
}

void vaSpread::setCellType(qint32 nType)
{
    const bool bStatic = nType == kCellTypeStaticText;
    const bool bWholeSheet = m_nCol == -1 && m_nRow == -1 && (!m_bBlockMode || (m_nCol2 == -1 && m_nRow2 == -1));
    if (bWholeSheet)
        m_model.cells().setStaticDefault(bStatic);  // rows and columns added later too
    SpreadBlock block;
    if (!targetBlock(block))
        return;
    for (qint32 r = block.nRow1; r <= block.nRow2; ++r)
        for (qint32 c = block.nCol1; c <= block.nCol2; ++c)
            m_model.cells().setStatic(c, r, bStatic);
    m_model.cellsChanged(block);
}

QColor vaSpread::ForeColor() const
{
    const quint32 nRgb = m_model.cells().foreColor(m_nCol, m_nRow);
    return nRgb != 0 ? QColor::fromRgb(nRgb) : palette().color(QPalette::Text);
}

void vaSpread::setForeColor(const QColor& colour)
{
    SpreadBlock block;
    if (!targetBlock(block))
        return;
    for (qint32 r = block.nRow1; r <= block.nRow2; ++r)
        for (qint32 c = block.nCol1; c <= block.nCol2; ++c)
            m_model.cells().setForeColor(c, r, colour.isValid() ? colour.rgb() : 0u, !colour.isValid());
    m_model.cellsChanged(block);
}

void vaSpread::setAction(qint32 nAction)
{
    m_nAction = nAction;
    SpreadBlock block;
    if (nAction == kActionSetBorder && targetBlock(block)) {
        setBorders(block, m_nCellBorderType);
        if (m_bBlockMode && m_nCellBorderType == kBorderOutline)
            m_outlines.push_back(block);
    } else if (nAction == kActionClipboardCopy) {
        copyBlock();
    }
}

// Border type 16 frames the block as one unit (outer sides on, inner sides off); types 1, 2,
// 4 and 8 add that side to every cell of the block; type 0 removes every side.
void vaSpread::setBorders(const SpreadBlock& block, qint32 nType)
{
    SpreadCells& cells = m_model.cells();
    if (nType != 0 && !(nType & kBorderOutline)) {
        cells.addBorders(block.nCol1, block.nRow1, block.nCol2, block.nRow2, quint8(nType & BorderAll));
    } else {
        for (qint32 r = block.nRow1; r <= block.nRow2; ++r)
            for (qint32 c = block.nCol1; c <= block.nCol2; ++c)
                cells.setBorders(c, r, nType == 0 ? quint8(0)
                                                  : quint8((c == block.nCol1 ? BorderLeft : 0)
                                                           | (c == block.nCol2 ? BorderRight : 0)
                                                           | (r == block.nRow1 ? BorderTop : 0)
                                                           | (r == block.nRow2 ? BorderBottom : 0)));
    }
    // The neighbours draw the shared lines: widen the repaint by one cell.
    m_model.cellsChanged({std::max(block.nCol1 - 1, 0), std::max(block.nRow1 - 1, 0),
                          std::min(block.nCol2 + 1, MaxCols()), std::min(block.nRow2 + 1, MaxRows())});
}

// Texts of the working block Col..Col2 x Row..Row2: columns separated by tabs, rows by line feeds.
void vaSpread::copyBlock() const
{
    SpreadBlock block{m_nCol, m_nRow, m_nCol2, m_nRow2};
    if (!resolveBlock(block))
        return;
    QStringList rows;
    for (qint32 r = block.nRow1; r <= block.nRow2; ++r) {
        QStringList texts;
        for (qint32 c = block.nCol1; c <= block.nCol2; ++c)
            texts << m_model.displayText(c, r);
        rows << texts.join(u'\t');
    }
    QGuiApplication::clipboard()->setText(rows.join(u'\n'));
}

void vaSpread::setReDraw(bool bReDraw)
{
    m_bReDraw = bReDraw;
    m_model.setQuiet(!bReDraw);  // switching on resets the view when the sheet changed
    if (bReDraw && m_bSizesDirty)
        applyAllSizes();
    if (bReDraw)
        applyScroll();
}

void vaSpread::Sort(qint32 nCol, bool bAscending)
{
    m_model.sortRows(nCol, bAscending);
    if (!m_bReDraw)
        m_bSizesDirty = true;  // row heights moved with their rows
}

void vaSpread::setBackColor(const QColor& colour)
{
    m_delegate.setBackColour(colour);
    viewport()->update();
}

QColor vaSpread::GrayAreaBackColor() const
{
    return viewport()->palette().color(QPalette::Base);
}

void vaSpread::setGrayAreaBackColor(const QColor& colour)
{
    QPalette area = viewport()->palette();
    area.setColor(QPalette::Base, colour);
    viewport()->setPalette(area);
}

}  // namespace kervane
