// Export benchmark: a grouped result of 50,000 rows x 30 columns exported to .xlsx by the
// writer (ExporterTableau), side by side with the floor: libxlsxwriter alone, in the same
// constant-memory mode, writing the same cells with the same formats from texts made on the
// fly. Prints the median time of each over several runs (wall clock, and the processor time
// of the process, which other work on a shared machine disturbs less), their ratios, and
// the memory each needs above the grid (peak resident size after the export minus the resident size
// before it, the peak being reset first).
//
//   export_bench [runs] [--sans-blocs]   (--sans-blocs: no block list, every cell framed)
#include "export/ExporterTableau.h"
#include "platform/spread/vaSpread.h"
#include "tests/support/RepondeurScripte.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <malloc.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <time.h>
#include <vector>

namespace {

constexpr qint32 kRows = 50'000;
constexpr qint32 kCols = 30;
constexpr qint32 kRun1 = 10;  // grid column 1 is grouped in runs of 10 rows, column 2 of 5

const char* const kMemo = "Commande livrée à l'entrepôt de Besançon après vérification des quantités ; "
                          "le client a demandé une facture détaillée et un avoir pour l'écart constaté.";

// The texts of the result, as the access layer hands them over: a number with a decimal
// comma in one column of three, a long memo in the last column of one row in fifty.
std::string text(qint32 r, qint32 c)
{
    if (c == kCols && r % 50 == 0)
        return kMemo;
    if (c % 3 == 0)
        return std::to_string(r * 17 % 100000) + ",25";
    return "Valeur " + std::to_string(r) + '-' + std::to_string(c);
}

lxw_col_t column(qint32 c)
{
    return static_cast<lxw_col_t>(c);
}

long statusKilobytes(const char* pszField)
{
    std::ifstream status("/proc/self/status");
    std::string strLine;
    const std::string strField = std::string(pszField) + ':';
    while (std::getline(status, strLine))
        if (strLine.rfind(strField, 0) == 0)
            return std::stol(strLine.substr(strField.size()));
    return -1;
}

double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct Measure {
    double dWallMs = 0;
    double dCpuMs = 0;
    double dMb = 0;  // peak resident size above the size before
};

// Runs one export and gives its times and the memory it took above what was resident.
template <class Export>
Measure measure(Export&& exporter)
{
    malloc_trim(0);  // what an earlier run freed goes back to the system, not into this run's figure
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from the current size
    const long nBefore = statusKilobytes("VmRSS");
    QElapsedTimer timer;
    timer.start();
    const double dCpu = cpuMs();
    exporter();
    return {static_cast<double>(timer.nsecsElapsed()) / 1e6, cpuMs() - dCpu,
            static_cast<double>(statusKilobytes("VmHWM") - nBefore) / 1024.0};
}

std::vector<kervane::BlocCellules> groupedBlocks()
{
    std::vector<kervane::BlocCellules> blocks;
    for (qint32 r = 1; r <= kRows; r += kRun1)
        blocks.push_back({1, r, 1, std::min(r + kRun1 - 1, kRows)});
    for (qint32 r = 1; r <= kRows; r += kRun1 / 2)
        blocks.push_back({2, r, 2, std::min(r + kRun1 / 2 - 1, kRows)});
    for (qint32 r = 1; r <= kRows; ++r)
        blocks.push_back({3, r, kCols, r});
    return blocks;
}

void fillGrid(kervane::vaSpread& grid)
{
    grid.setMaxCols(kCols);
    grid.setMaxRows(kRows);
    for (qint32 c = 1; c <= kCols; ++c) {
        grid.setColWidth(c, c == kCols ? 50 : 12);
        grid.setCol(c);
        grid.setRow(0);
        grid.setText(QStringLiteral("COLONNE_%1").arg(c));
    }
    for (qint32 r = 1; r <= kRows; ++r) {
        grid.setRow(r);
        for (qint32 c = 1; c <= kCols; ++c) {
            grid.setCol(c);
            grid.setText(QString::fromStdString(text(r, c)));
        }
    }
}

// The floor: the same sheet written straight through the library.
class Floor {
public:
    explicit Floor(bool bEveryCell) : m_bEveryCell(bEveryCell) {}

    void write(const std::string& strPath) const
    {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        lxw_workbook* pBook = workbook_new_opt(strPath.c_str(), &options);
        lxw_worksheet* pSheet = workbook_add_worksheet(pBook, "Requête");
        for (qint32 c = 1; c <= kCols; ++c)
            worksheet_set_column(pSheet, column(c), column(c), (c == kCols ? 50 : 12) + 5, nullptr);
        lxw_format* pDate = workbook_add_format(pBook);
        format_set_bold(pDate);
        format_set_align(pDate, LXW_ALIGN_RIGHT);
        format_set_num_format(pDate, "dd/mm/yy");
        lxw_datetime today{2026, 1, 2, 0, 0, 0};
        worksheet_write_datetime(pSheet, 0, 0, &today, pDate);
        lxw_format* pBold = workbook_add_format(pBook);
        format_set_bold(pBold);
        worksheet_write_string(pSheet, 2, 1, "Démo Velmora - /bases/Velmora.mdb", pBold);
        worksheet_write_string(pSheet, 4, 1, "Requête: 50000 ligne(s)", pBold);
        lxw_format* pRow = workbook_add_format(pBook);
        format_set_align(pRow, LXW_ALIGN_VERTICAL_TOP);
        format_set_text_wrap(pRow);
        lxw_format* pTitle = workbook_add_format(pBook);
        format_set_bold(pTitle);
        format_set_border(pTitle, LXW_BORDER_MEDIUM);
        format_set_align(pTitle, LXW_ALIGN_CENTER);
        format_set_align(pTitle, LXW_ALIGN_VERTICAL_TOP);
        format_set_text_wrap(pTitle);
        format_set_pattern(pTitle, LXW_PATTERN_SOLID);
        format_set_bg_color(pTitle, 0xC0C0C0);
        worksheet_set_row(pSheet, 6, LXW_DEF_ROW_HEIGHT, pRow);
        for (qint32 c = 1; c <= kCols; ++c)
            worksheet_write_string(pSheet, 6, column(c), ("COLONNE_" + std::to_string(c)).c_str(), pTitle);
        std::array<lxw_format*, 16> formats{};
        for (int nSides = 0; nSides < 16; ++nSides) {
            formats[nSides] = workbook_add_format(pBook);
            format_set_align(formats[nSides], LXW_ALIGN_VERTICAL_TOP);
            format_set_text_wrap(formats[nSides]);
            format_set_left(formats[nSides], (nSides & 1) ? LXW_BORDER_THIN : LXW_BORDER_NONE);
            format_set_right(formats[nSides], (nSides & 2) ? LXW_BORDER_THIN : LXW_BORDER_NONE);
            format_set_top(formats[nSides], (nSides & 4) ? LXW_BORDER_THIN : LXW_BORDER_NONE);
            format_set_bottom(formats[nSides], (nSides & 8) ? LXW_BORDER_THIN : LXW_BORDER_NONE);
        }
        for (qint32 r = 1; r <= kRows; ++r) {
            const auto nRow = static_cast<lxw_row_t>(r + 6);
            worksheet_set_row(pSheet, nRow, r % 50 == 0 ? 45 : LXW_DEF_ROW_HEIGHT, pRow);
            for (qint32 c = 1; c <= kCols; ++c) {
                lxw_format* pFormat = formats[static_cast<std::size_t>(sides(r, c))];
                if (c % 3 == 0 && !(c == kCols && r % 50 == 0))
                    worksheet_write_number(pSheet, nRow, column(c), (r * 17 % 100000) + 0.25, pFormat);
                else
                    worksheet_write_string(pSheet, nRow, column(c), text(r, c).c_str(), pFormat);
            }
        }
        workbook_close(pBook);
    }

private:
    // The frame edges of a cell of the grouped grid (bits: left, right, top, bottom).
    int sides(qint32 r, qint32 c) const
    {
        if (m_bEveryCell)
            return 15;
        if (c <= 2) {
            const qint32 nRun = c == 1 ? kRun1 : kRun1 / 2;
            return 1 | 2 | ((r - 1) % nRun == 0 ? 4 : 0) | ((r % nRun == 0 || r == kRows) ? 8 : 0);
        }
        return 4 | 8 | (c == 3 ? 1 : 0) | (c == kCols ? 2 : 0);
    }
    bool m_bEveryCell;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    int nRuns = 5;
    bool bEveryCell = false;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--sans-blocs") == 0)
            bEveryCell = true;
        else
            nRuns = std::max(1, std::atoi(argv[i]));
    }
    kervane::test::RepondeurScripte answers;
    kervane::Programme().strSeparateurDecimal = QStringLiteral(",");
    kervane::vaSpread grid;
    fillGrid(grid);
    const std::vector<kervane::BlocCellules> blocks = bEveryCell ? std::vector<kervane::BlocCellules>() : groupedBlocks();
    const kervane::EnteteExport heading{QStringLiteral("Démo Velmora"), QStringLiteral("/bases/Velmora.mdb"),
                                        QStringLiteral("50000 ligne(s)")};
    QTemporaryDir folder;
    const QString strOurs = folder.filePath(QStringLiteral("ours.xlsx"));
    const std::string strFloor = folder.filePath(QStringLiteral("floor.xlsx")).toStdString();
    std::printf("grid %d x %d, %zu blocks%s; resident with the grid: %ld MB\n", kRows, kCols, blocks.size(),
                bEveryCell ? " (every cell framed)" : "", statusKilobytes("VmRSS") / 1024);

    std::vector<Measure> ours, floor;
    bool bOk = true;
    for (int i = 0; i < nRuns; ++i) {
        QFile::remove(strOurs);
        std::vector<kervane::BlocCellules> copy = blocks;
        ours.push_back(measure([&] { bOk = kervane::ExporterTableau(strOurs, grid, copy, heading) && bOk; }));
        floor.push_back(measure([&] { Floor(bEveryCell).write(strFloor); }));
        std::printf("run %d: ours %6.0f ms (cpu %6.0f) %+6.1f MB   floor %6.0f ms (cpu %6.0f) %+6.1f MB\n", i + 1,
                    ours.back().dWallMs, ours.back().dCpuMs, ours.back().dMb, floor.back().dWallMs,
                    floor.back().dCpuMs, floor.back().dMb);
    }
    const auto med = [](const std::vector<Measure>& runs, double Measure::*pField) {
        std::vector<double> values;
        for (const Measure& m : runs)
            values.push_back(m.*pField);
        return median(values);
    };
    const double dOurs = med(ours, &Measure::dWallMs), dFloor = med(floor, &Measure::dWallMs);
    const double dOursCpu = med(ours, &Measure::dCpuMs), dFloorCpu = med(floor, &Measure::dCpuMs);
    std::printf("median wall: ours %.0f ms, floor %.0f ms, ratio %.2fx\n", dOurs, dFloor, dOurs / dFloor);
    std::printf("median cpu:  ours %.0f ms, floor %.0f ms, ratio %.2fx\n", dOursCpu, dFloorCpu, dOursCpu / dFloorCpu);
    std::printf("memory above the grid (median of peaks): ours %+.1f MB, floor %+.1f MB\n", med(ours, &Measure::dMb),
                med(floor, &Measure::dMb));
    std::printf("file sizes: ours %lld bytes, floor %lld bytes\n", static_cast<long long>(QFile(strOurs).size()),
                static_cast<long long>(QFile(QString::fromStdString(strFloor)).size()));
    for (const auto& question : answers.questions())
        std::printf("message: %s\n", qPrintable(question.strTexte));
    return bOk ? 0 : 1;
}
