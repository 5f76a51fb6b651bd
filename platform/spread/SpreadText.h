#pragma once
// How a grid lays out a cell text: word-wrapped (a word longer than the cell breaks
// anywhere), line breaks kept, top-aligned. Measuring and drawing share one layout, so a row
// fitted to its texts shows all of them. A one-line text is recognised from a table of
// character widths without building a layout, so fitting a large sheet stays fast.
// Many fonts draw the accents of capitals (É, À, Ç) above the ascent they declare: the text
// starts below a room as tall as the font's accented capitals need, so none is cut.
#include <QFont>
#include <QByteArrayView>
#include <QString>

#include <array>

class QPainter;
class QRectF;

namespace kervane {

class SpreadText {
public:
    explicit SpreadText(const QFont& font = QFont());

    void setFont(const QFont& font);
    const QFont& font(bool bBold) const { return m_fonts[bBold ? 1 : 0]; }

    double digitWidth() const { return m_dDigitWidth; }  // width of "0" in the regular font
    double lineHeight() const { return m_dLineHeight; }  // one line, regular or bold
    // Whole pixels that nLines lines take, the room above the first included.
    qint32 height(qint32 nLines) const;

    // True when the text holds a line break (CR, LF or a Unicode line or paragraph separator).
    static bool hasLineBreak(const QString& strText);
    // Width of the text on one line, in pixels.
    double width(const QString& strText, bool bBold) const;
    // The same for a UTF-8 text, without converting it when its characters are Latin-1.
    double widthUtf8(QByteArrayView utf8, bool bBold) const;
    // The UTF-8 text's width from the Latin-1 character widths alone; negative for another
    // character or a line break (measure it with widthUtf8()).
    double tableWidthUtf8(QByteArrayView utf8, bool bBold) const;
    // True when a UTF-8 text surely takes one line in the given width: no line break, Latin-1
    // characters only, and narrower than the width. False when unsure (measure it as a QString).
    bool fitsOneLineUtf8(QByteArrayView utf8, bool bBold, double dWidth) const;
    // Number of lines the text takes in the given width (at least 1).
    qint32 lineCount(const QString& strText, bool bBold, double dWidth) const;
    void draw(QPainter& painter, const QRectF& rect, const QString& strText, bool bBold) const;

private:
    bool fitsOneLine(const QString& strText, bool bBold, double dWidth) const;
    // Sum of the Latin-1 character widths; negative when another character occurs.
    double tableWidth(const QString& strText, bool bBold) const;

    std::array<QFont, 2> m_fonts;
    std::array<std::array<double, 256>, 2> m_advances{};  // Latin-1 character widths
    double m_dDigitWidth = 1.0;
    double m_dLineHeight = 1.0;
    double m_dAccentRoom = 0.0;
};

}  // namespace kervane
