#pragma once
// The grid control every grid of the system uses, with the component's property, action and
// event names. It is a table view over a flat sheet (SpreadCells):
//
// - Cells are addressed by column and row; row 0 holds the column titles (letters until set),
//   column 0 the row titles (row numbers until set); data starts at column 1, row 1.
// - Col and Row make the current cell; -1 in either means every data column or row. In block
//   mode the settings (text, bold, cell type, colour, border) apply to the working block
//   Col..Col2 x Row..Row2 instead. A target is clipped to the sheet: a write to a cell
//   outside 0..MaxCols x 0..MaxRows is ignored, a read there gives an empty text, and a
//   negative count or a position below -1 is refused (the property keeps its value).
// - Column widths are in characters of the grid's font (the width of "0"); the pixel width
//   is characters x that width, rounded, plus the cell margins and grid line. Row heights are
//   in pixels; row 0 is the title row, column 0 the row-title column. Row -1 sets every data
//   row, and the height of rows added later; -1 with 0 pixels returns them all to one line.
// - With redraw off, changes are only stored; switching redraw on resets the view once.
#include "platform/spread/SpreadCells.h"
#include "platform/spread/SpreadDelegate.h"
#include "platform/spread/SpreadModel.h"
#include "platform/spread/SpreadText.h"

#include <QColor>
#include <QTableView>

#include <vector>

namespace kervane {

// What lies under a position of the grid: a cell (-1, -1 when none), and whether the
// position is on the right border of a column title, the column that border resizes.
struct SpreadHit {
    qint32 nCol = -1;
    qint32 nRow = -1;
    bool bColBorder = false;
};

class vaSpread : public QTableView {
    Q_OBJECT

public:
    static constexpr qint32 kCellTypeEdit = 1;
    static constexpr qint32 kCellTypeStaticText = 5;
    static constexpr qint32 kBorderOutline = 16;       // CellBorderType: outline of the block
    static constexpr qint32 kActionSetBorder = 16;     // Action: border on the cell or block
    static constexpr qint32 kActionClipboardCopy = 22; // Action: block texts to the clipboard

    explicit vaSpread(QWidget* pParent = nullptr);
    ~vaSpread() override;

    qint32 MaxRows() const;
    void setMaxRows(qint32 nRows);
    qint32 MaxCols() const;
    void setMaxCols(qint32 nCols);

    qint32 Col() const { return m_nCol; }
    void setCol(qint32 nCol);
    qint32 Row() const { return m_nRow; }
    void setRow(qint32 nRow);
    qint32 Col2() const { return m_nCol2; }
    void setCol2(qint32 nCol);
    qint32 Row2() const { return m_nRow2; }
    void setRow2(qint32 nRow);
    bool BlockMode() const { return m_bBlockMode; }
    void setBlockMode(bool bBlockMode) { m_bBlockMode = bBlockMode; }

    QString Text() const;
    void setText(const QString& strText);
    void setText(QString&& strText);  // the same, taking the text over (filling a large grid)
    // The texts of whole rows from Row on, every column 0..MaxCols of each, taken over as
    // UTF-8 back to back with the end offset of each cell (a cell with no bytes stays unset):
    // a large result read elsewhere fills the grid without a text being copied. False,
    // nothing changed, when the rows do not fit the sheet.
    bool adoptRowTexts(QByteArray&& utf8, FinsCellules&& ends);
    // While the next result is read: the texts of a large sheet set aside in a file (the grid
    // still shows them from there), then back in memory when no result replaced them. Small
    // sheets stay where they are (false).
    bool parkTexts();
    void bringTextsBack();
    static constexpr qsizetype kParkedTextsMinimum = qsizetype{32} << 20;
    bool FontBold() const;
    void setFontBold(bool bBold);
    qint32 CellType() const;
    void setCellType(qint32 nType);  // kCellTypeStaticText: read-only; any other: editable
    QColor ForeColor() const;
    void setForeColor(const QColor& colour);  // an invalid colour returns to the default

    qint32 CellBorderType() const { return m_nCellBorderType; }
    void setCellBorderType(qint32 nType) { m_nCellBorderType = nType; }
    qint32 Action() const { return m_nAction; }
    void setAction(qint32 nAction);  // runs the action; unknown numbers do nothing

    double ColWidth(qint32 nCol) const;
    void setColWidth(qint32 nCol, double dCharacters);
    qint32 RowHeight(qint32 nRow) const;
    void setRowHeight(qint32 nRow, qint32 nPixels);
    qint32 MaxTextRowHeight(qint32 nRow) const;
    // The height of a row of one line, and of the title row, whatever rows the grid has.
    qint32 defaultRowHeight() const;
    qint32 titleRowHeight() const;
    qint32 ColWidthToPixels(double dCharacters) const;
    // Width of a text on one line in the grid's font, in characters (widths of "0").
    double TextWidth(const QString& strText, bool bBold = false) const;
    // The same for a UTF-8 text (as the sheet keeps them), converted only beyond Latin-1.
    double TextWidthUtf8(QByteArrayView utf8, bool bBold = false) const;
    // The same read from the font's Latin-1 widths alone, as cheap as a look at each byte;
    // negative for a text beyond Latin-1 or holding a line break.
    double LatinTextWidthUtf8(QByteArrayView utf8) const;
    double PixelsToColWidth(qint32 nPixels) const;
    // Width of the widest character of the grid's font, in characters (widths of "0"): an
    // upper bound of TextWidth per character for texts in the font's own scripts.
    double MaxCharWidth() const;

    bool ReDraw() const { return m_bReDraw; }
    void setReDraw(bool bReDraw);

    // The selected block (the active cell when nothing is selected).
    qint32 SelBlockCol() const { return selectedBlock().nCol1; }
    qint32 SelBlockRow() const { return selectedBlock().nRow1; }
    qint32 SelBlockCol2() const { return selectedBlock().nCol2; }
    qint32 SelBlockRow2() const { return selectedBlock().nRow2; }
    void SetSelection(qint32 nCol1, qint32 nRow1, qint32 nCol2, qint32 nRow2);
    qint32 ActiveCol() const;
    qint32 ActiveRow() const;
    void SetActiveCell(qint32 nCol, qint32 nRow);

    // The data row and column shown first at the top left. Setting them scrolls the view;
    // while redraw is off, the view scrolls when it is switched on again.
    qint32 TopRow() const;
    void setTopRow(qint32 nRow);
    qint32 LeftCol() const;
    void setLeftCol(qint32 nCol);

    // Position in the grid's own coordinates (those of MouseDown).
    SpreadHit HitTest(qint32 x, qint32 y) const;
    // Reorders data rows 1..MaxRows by the texts of one column (French collation, case ignored).
    void Sort(qint32 nCol, bool bAscending);

    QColor BackColor() const { return m_delegate.backColour(); }
    void setBackColor(const QColor& colour);  // cells
    QColor GrayAreaBackColor() const;
    void setGrayAreaBackColor(const QColor& colour);  // the area beyond the last cells

    // Read access for export and printing.
    QString CellText(qint32 nCol, qint32 nRow) const { return m_model.displayText(nCol, nRow); }
    const SpreadCells& Cells() const { return m_model.cells(); }
    // Blocks outlined in block mode, in order, since the sheet was last sized.
    const std::vector<SpreadBlock>& Outlines() const { return m_outlines; }

signals:
    void Click(qint32 nCol, qint32 nRow);
    void DblClick(qint32 nCol, qint32 nRow);
    // nButton 1 left, 2 right, 4 middle; nShift 1 Shift, 2 Ctrl, 4 Alt; x, y in pixels.
    void MouseDown(qint32 nButton, qint32 nShift, qint32 x, qint32 y);
    void KeyDown(qint32 nKeyCode);
    void ColWidthChange(qint32 nCol1, qint32 nCol2);
    void RowHeightChange(qint32 nRow1, qint32 nRow2);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;

private:
    // A span of changes made by the user while a button is down, told once at release.
    struct ResizedSpan {
        qint32 nFirst = 0;
        qint32 nLast = -1;
        void add(qint32 n);
        bool empty() const { return nLast < nFirst; }
    };

    bool resolveBlock(SpreadBlock& block) const;
    bool targetBlock(SpreadBlock& block) const;
    SpreadBlock selectedBlock() const;
    void setBorders(const SpreadBlock& block, qint32 nType);
    void applyScroll();
    void copyBlock() const;

    void applyColWidth(qint32 nCol);
    void applyRowHeight(qint32 nRow);
    void applyAllSizes();
    void applyInsertedColumns(qint32 nFirst, qint32 nLast);
    void userResizedColumn(int nSection, int nOldSize, int nNewSize);
    void userResizedRow(int nSection, int nOldSize, int nNewSize);

    void pressAt(const QPoint& position, const QMouseEvent& event);
    void releaseAt(const QPoint& position);
    void doubleClickAt(const QPoint& position);
    void tellResizes();
    qint32 headerBorderAt(qint32 x) const;

    SpreadText m_text;
    SpreadModel m_model;
    SpreadDelegate m_delegate;

    qint32 m_nCol = 1;
    qint32 m_nRow = 1;
    qint32 m_nCol2 = 1;
    qint32 m_nRow2 = 1;
    bool m_bBlockMode = false;
    qint32 m_nCellBorderType = 0;
    qint32 m_nAction = 0;
    bool m_bReDraw = true;
    bool m_bSizesDirty = false;
    double m_dDefaultColWidth = 9.0;
    qint32 m_nDefaultRowHeight = 0;  // 0: one line of the grid's font
    std::vector<SpreadBlock> m_outlines;
    qint32 m_nTopRow = 0;  // a scroll waiting for redraw; 0: none
    qint32 m_nLeftCol = 0;

    qint32 m_nApplyingSizes = 0;  // section sizes set by the grid itself, not the user
    bool m_bPressed = false;
    SpreadHit m_press;
    ResizedSpan m_resizedCols;
    ResizedSpan m_resizedRows;
};

}  // namespace kervane
