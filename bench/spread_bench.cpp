// Grid fill benchmark: a result of 100,000 rows x 10 columns put into the grid the way the
// query window fills it (redraw off, every cell set one by one through the current cell),
// every cell framed, some blocks outlined, every row fitted to its texts, then redraw on and
// the grid shown. Prints the time of each step and the peak memory of the process.
#include "platform/spread/vaSpread.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr qint32 kRows = 100'000;
constexpr qint32 kCols = 10;

long peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Resident memory now, in bytes (VmRSS of /proc/self/status).
double residentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atof(line.c_str() + 6) * 1024.0;
    return 0.0;
}

class Steps {
public:
    void done(const char* pName)
    {
        const double dMs = static_cast<double>(m_step.nsecsElapsed()) / 1e6;
        std::printf("%-42s %9.1f ms   peak %5ld MB\n", pName, dMs, peakMegabytes());
        m_step.restart();
    }
    double totalMs() const { return static_cast<double>(m_total.nsecsElapsed()) / 1e6; }

private:
    QElapsedTimer m_step = started();
    QElapsedTimer m_total = started();
    static QElapsedTimer started()
    {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }
};

// The result array as the access layer hands it over: texts of every value, a long memo
// with accents in the last column of one row in fifty.
QString value(qint32 r, qint32 c)
{
    if (c == kCols && r % 50 == 0)
        return QStringLiteral("Commande livrée à l'entrepôt de Besançon après vérification des quantités ; "
                              "le client a demandé une facture détaillée et un avoir pour l'écart constaté.");
    if (c % 3 == 0)
        return QString::number(r * 17 % 100000) + QStringLiteral(",25");
    return QStringLiteral("Valeur %1-%2").arg(r).arg(c);
}

std::vector<QString> resultArray()
{
    std::vector<QString> values;
    values.reserve(static_cast<std::size_t>(kRows) * kCols);
    for (qint32 r = 1; r <= kRows; ++r)
        for (qint32 c = 1; c <= kCols; ++c)
            values.push_back(value(r, c));
    return values;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // --own-texts: no result array; each text is made in the fill loop, so the grid holds the
    // only copy (fill time then includes making the texts).
    const bool bOwnTexts = argc > 1 && qstrcmp(argv[1], "--own-texts") == 0;
    kervane::vaSpread grid;
    grid.resize(1000, 700);
    std::printf("peak memory before: %ld MB\n", peakMegabytes());

    Steps steps;
    const std::vector<QString> values = bOwnTexts ? std::vector<QString>() : resultArray();
    steps.done(bOwnTexts ? "no result array (--own-texts)" : "result array built (not the grid)");
    Steps fill;
    const double dBeforeFill = residentBytes();

    grid.setReDraw(false);
    grid.setMaxCols(kCols);
    grid.setMaxRows(kRows);
    grid.setRow(0);
    for (qint32 c = 1; c <= kCols; ++c) {
        grid.setCol(c);
        grid.setText(QStringLiteral("COLONNE_%1").arg(c));
    }
    std::size_t nValue = 0;
    for (qint32 r = 1; r <= kRows; ++r) {
        grid.setRow(r);
        grid.setCol(0);
        grid.setFontBold(false);
        for (qint32 c = 1; c <= kCols; ++c) {
            grid.setCol(c);
            grid.setText(bOwnTexts ? value(r, c) : values[nValue++]);
        }
    }
    fill.done("1,000,000 texts set one by one");

    grid.setCellBorderType(kervane::vaSpread::kBorderOutline);
    for (qint32 r = 1; r <= kRows; ++r) {
        grid.setRow(r);
        for (qint32 c = 1; c <= kCols; ++c) {
            grid.setCol(c);
            grid.setAction(kervane::vaSpread::kActionSetBorder);
        }
    }
    fill.done("1,000,000 cells framed one by one");

    grid.setBlockMode(true);
    for (qint32 r = 1; r + 4 <= kRows; r += 100) {
        grid.setCol(1);
        grid.setRow(r);
        grid.setCol2(2);
        grid.setRow2(r + 4);
        grid.setAction(kervane::vaSpread::kActionSetBorder);
    }
    grid.setBlockMode(false);
    fill.done("1,000 blocks outlined");
    std::printf("grid cells: %.1f bytes per cell kept (resident rise over the fill)\n",
                (residentBytes() - dBeforeFill) / (static_cast<double>(kRows) * kCols));

    // Columns as the query window sizes them: the widest text + 0.25, 50 for long texts.
    grid.setColWidth(0, 4 * 1.15);
    for (qint32 c = 1; c <= kCols; ++c) {
        double dWidest = 0.0;
        bool bLong = false;
        for (qint32 r = 0; r <= kRows && !bLong; ++r) {
            const QString& strText = grid.Cells().text(c, r);
            bLong = strText.size() > 70;
            dWidest = std::max(dWidest, grid.TextWidth(strText.trimmed()));
        }
        grid.setColWidth(c, bLong ? 50.0 : dWidest + 0.25);
    }
    fill.done("10 columns fitted to their widest text");

    for (qint32 r = 0; r <= kRows; ++r)
        grid.setRowHeight(r, grid.MaxTextRowHeight(r));
    fill.done("100,001 rows fitted to their texts");

    grid.setReDraw(true);
    fill.done("redraw on");
    grid.show();
    QImage image = grid.grab().toImage();
    fill.done("shown and painted");
    std::printf("%-42s %9.1f ms\n", "whole fill (from redraw off to painted)", fill.totalMs());
    std::printf("grid: %d rows x %d columns, %zu outlined blocks, row 50 height %d px, image %dx%d\n",
                grid.MaxRows(), grid.MaxCols(), grid.Outlines().size(), grid.RowHeight(50), image.width(),
                image.height());
    std::printf("peak memory: %ld MB\n", peakMegabytes());
    return 0;
}
