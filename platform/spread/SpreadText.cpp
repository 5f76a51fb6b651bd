#include "platform/spread/SpreadText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace kervane {

namespace {

// CR LF, CR and LF all become one line separator, which the layout honours.
QString withLineSeparators(QString strText)
{
    strText.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    strText.replace(u'\r', QChar::LineSeparator);
    strText.replace(u'\n', QChar::LineSeparator);
    return strText;
}

// Lays the text out in lines of the given width; returns the number of lines.
qint32 layoutLines(QTextLayout& layout, double dWidth)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    qint32 nLines = 0;
    double dTop = 0.0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(dWidth, 1.0));
        line.setPosition(QPointF(0.0, dTop));
        dTop += line.height();
        ++nLines;
    }
    layout.endLayout();
    return std::max(nLines, 1);
}

// How far the font's accented capitals rise above the ascent it declares, in pixels.
double accentOverflow(const QFont& font)
{
    static const QString strCapitales = QStringLiteral("ÀÁÂÃÄÅÇÈÉÊËÌÍÎÏÑÒÓÔÕÖÙÚÛÜÝŸ");
    const QFontMetricsF metrics(font);
    return std::max(-metrics.tightBoundingRect(strCapitales).top() - metrics.ascent(), 0.0);
}

}  // namespace

SpreadText::SpreadText(const QFont& font)
{
    setFont(font);
}

void SpreadText::setFont(const QFont& font)
{
    m_fonts[0] = font;
    m_fonts[0].setBold(false);
    m_fonts[1] = font;
    m_fonts[1].setBold(true);
    for (std::size_t f = 0; f < 2; ++f) {
        const QFontMetricsF metrics(m_fonts[f]);
        for (std::size_t c = 0; c < 256; ++c)
            m_advances[f][c] = metrics.horizontalAdvance(QChar(static_cast<char16_t>(c)));
    }
    m_dDigitWidth = std::max(QFontMetricsF(m_fonts[0]).horizontalAdvance(u'0'), 1.0);
    m_dLineHeight = std::max(QFontMetricsF(m_fonts[0]).height(), QFontMetricsF(m_fonts[1]).height());
    m_dAccentRoom = std::ceil(std::max(accentOverflow(m_fonts[0]), accentOverflow(m_fonts[1])));
}

bool SpreadText::hasLineBreak(const QString& strText)
{
    return std::any_of(strText.cbegin(), strText.cend(), [](QChar c) {
        return c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
    });
}

qint32 SpreadText::height(qint32 nLines) const
{
    return static_cast<qint32>(std::ceil(nLines * m_dLineHeight + m_dAccentRoom));
}

double SpreadText::tableWidth(const QString& strText, bool bBold) const
{
    const auto& advances = m_advances[bBold ? 1 : 0];
    double dTotal = 0.0;
    for (QChar c : strText) {
        if (c.unicode() > 255)
            return -1.0;
        dTotal += advances[c.unicode()];
    }
    return dTotal;
}

double SpreadText::width(const QString& strText, bool bBold) const
{
    const double dWidth = tableWidth(strText, bBold);
    return dWidth >= 0.0 ? dWidth : QFontMetricsF(font(bBold)).horizontalAdvance(strText);
}

double SpreadText::tableWidthUtf8(QByteArrayView utf8, bool bBold) const
{
    const auto& advances = m_advances[bBold ? 1 : 0];
    double dTotal = 0.0;
    const qsizetype n = utf8.size();
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            if (b == '\n' || b == '\r')
                return -1.0;
            dTotal += advances[b];
            continue;
        }
        // U+0080..U+00FF are C2 or C3 and one continuation byte.
        if ((b != 0xC2 && b != 0xC3) || i + 1 >= n)
            return -1.0;
        const auto b2 = static_cast<unsigned char>(utf8[++i]);
        dTotal += advances[((b & 0x03) << 6) | (b2 & 0x3F)];
    }
    return dTotal;
}

double SpreadText::widthUtf8(QByteArrayView utf8, bool bBold) const
{
    const double dWidth = tableWidthUtf8(utf8, bBold);
    return dWidth >= 0.0 ? dWidth : width(QString::fromUtf8(utf8), bBold);
}

bool SpreadText::fitsOneLineUtf8(QByteArrayView utf8, bool bBold, double dWidth) const
{
    if (utf8.isEmpty())
        return true;
    const double dTotal = tableWidthUtf8(utf8, bBold);
    return dTotal >= 0.0 && dTotal + 0.5 <= dWidth;
}

bool SpreadText::fitsOneLine(const QString& strText, bool bBold, double dWidth) const
{
    const double dTotal = tableWidth(strText, bBold);
    return dTotal >= 0.0 && dTotal + 0.5 <= dWidth;
}

qint32 SpreadText::lineCount(const QString& strText, bool bBold, double dWidth) const
{
    if (strText.isEmpty())
        return 1;
    const bool bBreaks = hasLineBreak(strText);
    if (!bBreaks && fitsOneLine(strText, bBold, dWidth))
        return 1;
    QTextLayout layout(bBreaks ? withLineSeparators(strText) : strText, font(bBold));
    return layoutLines(layout, dWidth);
}

void SpreadText::draw(QPainter& painter, const QRectF& rect, const QString& strText, bool bBold) const
{
    if (strText.isEmpty())
        return;
    QTextLayout layout(hasLineBreak(strText) ? withLineSeparators(strText) : strText, font(bBold));
    layoutLines(layout, rect.width());
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    layout.draw(&painter, rect.topLeft() + QPointF(0.0, m_dAccentRoom));
    painter.restore();
}

}  // namespace kervane
