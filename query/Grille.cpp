// The result grid: filled from a result array, shown plain or grouped (equal values of
// consecutive rows shown once and framed), its columns and rows fitted to their texts.
#include "access/Module_ODBC.h"
#include "messages/Piege.h"
#include "messages/Programme.h"
#include "messages/Texte.h"
#include "platform/spread/vaSpread.h"
#include "query/GrilleAuRepos.h"
#include "query/Module_TAB.h"
#include "query/Requete.h"
#include "query/TextesUtf8.h"
#include "query/wndKervane.h"

#include <QAction>
#include <QLabel>

#include <algorithm>

namespace kervane {

namespace {

constexpr double LARGEUR_MEMO = 50.0;
constexpr qsizetype LONGUEUR_TEXTE_LONG = 70;
constexpr double MARGE_LARGEUR = 0.25;
constexpr qint32 LIGNES_ENTETE_LARGE = 1000;
constexpr double FACTEUR_ENTETE = 1.15;

// Measured width of a text trimmed of spaces, without a copy when it has none.
double largeurTexte(const vaSpread& g, const QString& strTexte)
{
    if (strTexte.isEmpty() || (strTexte.front() != u' ' && strTexte.back() != u' '))
        return g.TextWidth(strTexte);
    return g.TextWidth(sansEspaces(strTexte));
}

// A UTF-8 text without the spaces it starts and ends with.
QByteArrayView sansEspacesAutour(QByteArrayView utf8)
{
    while (!utf8.isEmpty() && utf8.front() == ' ')
        utf8 = utf8.sliced(1);
    while (!utf8.isEmpty() && utf8.back() == ' ')
        utf8.chop(1);
    return utf8;
}

// Measured width of one line of a UTF-8 cell text, trimmed of spaces.
double largeurLigneUtf8(const vaSpread& g, QByteArrayView utf8)
{
    return g.TextWidthUtf8(sansEspacesAutour(utf8));
}

// The same from the font's Latin-1 widths alone; negative beyond Latin-1 or for a text on
// several lines, which largeurUtf8() measures.
double largeurLatine(const vaSpread& g, QByteArrayView utf8)
{
    return g.LatinTextWidthUtf8(sansEspacesAutour(utf8));
}

// Measured width of a UTF-8 cell text: a text on several lines is as wide as its widest line,
// the way the cell shows it.
double largeurUtf8(const vaSpread& g, QByteArrayView utf8)
{
    if (!contientSautDeLigne(utf8))
        return largeurLigneUtf8(g, utf8);
    double dLargeur = 0;
    qsizetype nDebut = 0;
    for (qsizetype i = 0; i <= utf8.size(); ++i) {
        if (i < utf8.size() && utf8[i] != '\r' && utf8[i] != '\n')
            continue;
        dLargeur = std::max(dLargeur, largeurLigneUtf8(g, utf8.sliced(nDebut, i - nDebut)));
        nDebut = i + 1;
    }
    return dLargeur;
}

// True when the text may take more than one line in its column: it holds a line break, or
// it is wider than dPlace, the width of the column's widest text (its margin covers the
// rounding to pixels).
bool mayTakeLines(const vaSpread& g, QByteArrayView utf8, double dPlace, double dCaractereMax)
{
    if (contientSautDeLigne(utf8))
        return true;
    return !largeurBornee(utf8, dPlace, dCaractereMax) && g.TextWidthUtf8(utf8) > dPlace;
}

// Over 70 characters: a long text, whose column takes the memo width.
bool isLongText(QByteArrayView utf8)
{
    return utf8.size() > LONGUEUR_TEXTE_LONG && longueurUtf16(utf8) > LONGUEUR_TEXTE_LONG;
}

}  // namespace

// Titles in upper case, every value in its own outlined cell, row numbers not bold. The
// array's rows are taken over by the grid as they are, their UTF-8 texts not copied.
void wndKervane::fillCells(TableauTextes&& tabLignes)
{
    vaSpread& g = *griRequetes;
    const auto nColonnes = static_cast<qint32>(tabLignes.colonnes() - 1);
    const qint32 nLignes = tabLignes.texte(0, 0).toInt();
    g.setMaxRows(0);
    g.setMaxCols(0);
    g.setMaxCols(nColonnes);
    g.setMaxRows(nLignes);
    Programme().tabBlocs.clear();
    m_nLigneMarquee = 0;
    g.setBlockMode(false);
    g.setRow(0);
    for (qint32 c = 1; c <= nColonnes; ++c) {
        g.setCol(c);
        g.setText(tabLignes.texte(1, c).toUpper());
        g.setFontBold(false);
    }
    // The sheet was emptied: no row number is bold.
    g.setCol(1);
    g.setRow(1);
    if (tabLignes.lignes() - 2 == nLignes) {
        QByteArray texte;
        FinsCellules fins;
        tabLignes.cederLignes(texte, fins);
        g.adoptRowTexts(std::move(texte), std::move(fins));
    } else {
        copyRows(tabLignes, std::min<qsizetype>(nLignes, tabLignes.lignes() - 2));
    }
    g.setRow(nLignes);
    outlineEveryCell();
}

// The rows of an array whose row count does not match its rows, cell by cell.
void wndKervane::copyRows(const TableauTextes& tabLignes, qsizetype nLignes)
{
    vaSpread& g = *griRequetes;
    for (qint32 r = 1; r <= nLignes; ++r) {
        g.setRow(r);
        for (qint32 c = 1; c <= g.MaxCols(); ++c) {
            const QByteArrayView utf8 = tabLignes.utf8(r + 1, c);
            if (!utf8.isEmpty()) {
                g.setCol(c);
                g.setText(QString::fromUtf8(utf8));
            }
        }
    }
}

// Every data cell gets its own outline: the four sides on each cell of the data block.
void wndKervane::outlineEveryCell()
{
    vaSpread& g = *griRequetes;
    if (g.MaxRows() == 0 || g.MaxCols() == 0)
        return;
    g.setBlockMode(true);
    g.setCol(1);
    g.setRow(1);
    g.setCol2(g.MaxCols());
    g.setRow2(g.MaxRows());
    g.setCellBorderType(BorderAll);
    g.setAction(vaSpread::kActionSetBorder);
    g.setBlockMode(false);
}

// A new result is shown from its first row and column, whatever the previous one showed.
void wndKervane::remplirGrille(TableauTextes&& tabLignes)
{
    griRequetes->setReDraw(false);
    fillCells(std::move(tabLignes));
    griRequetes->setTopRow(1);
    griRequetes->setLeftCol(1);
    if (griRequetes->MaxRows() == 0) {
        sizeEmptyResult();
        return;
    }
    if (mnuEditionItem(5)->isChecked()) {
        qint32 nColonne = 1;
        FormatterGrille(nColonne, 1, griRequetes->MaxRows());
    }
    RedimensionnerGrille();
    m_nLigneMarquee = 1;
}

// No rows: the columns take the width of their titles.
void wndKervane::sizeEmptyResult()
{
    vaSpread& g = *griRequetes;
    g.setRow(0);
    for (qint32 c = 1; c <= g.MaxCols(); ++c) {
        g.setCol(c);
        const QString strTitre = g.Text();
        g.setColWidth(c, isMemoColumn(strTitre) ? LARGEUR_MEMO : largeurTexte(g, strTitre) + MARGE_LARGEUR);
        g.setRowHeight(0, g.MaxTextRowHeight(0));
    }
}

void wndKervane::showDimension()
{
    const qint32 nLignes = griRequetes->MaxRows();
    const qint32 nColonnes = griRequetes->MaxCols();
    if (nLignes == 0 && nColonnes == 0)
        return;
    txtDimensionGrille->setVisible(true);
    txtDimensionGrille->setText(u'(' + QString::number(nLignes) + u'x' + QString::number(nColonnes) + u')');
}

bool wndKervane::isMemoColumn(const QString& strTexte) const
{
    return m_tabChampsMemo.contains(strTexte);
}

// Width 50 for a memo column (its title written as the name) or a long text, else the
// widest text of the column.
double wndKervane::columnWidth(qint32 nCol) const
{
    const vaSpread& g = *griRequetes;
    const NomsUtf8 memos(m_tabChampsMemo);
    double dLargeur = 0.0;
    for (qint32 r = 0; r <= g.MaxRows(); ++r) {
        const QByteArrayView utf8 = g.Cells().utf8(nCol, r);
        if (isLongText(utf8) || memos.contient(utf8))
            return LARGEUR_MEMO;
        dLargeur = std::max(dLargeur, largeurUtf8(g, utf8));
    }
    return dLargeur + MARGE_LARGEUR;
}

void wndKervane::fitColumn(qint32 nCol)
{
    griRequetes->setColWidth(nCol, columnWidth(nCol));
}

// Every column fitted in one pass over the rows, in the order the cells are stored. A text
// that cannot be wider than the column's widest so far is not measured, nor a text equal to
// the one above it. The same pass notes the rows holding a line break.
wndKervane::ColonnesAjustees wndKervane::fitAllColumns()
{
    vaSpread& g = *griRequetes;
    const SpreadCells& cells = g.Cells();
    const NomsUtf8 memos(m_tabChampsMemo);
    const auto nColonnes = static_cast<std::size_t>(std::max(g.MaxCols(), 0));
    std::vector<double> largeurs(nColonnes + 1, 0.0);
    ColonnesAjustees ajustees{std::vector<bool>(nColonnes + 1, false), {}};
    std::vector<bool>& larges = ajustees.memos;
    std::vector<QByteArrayView> precedents(nColonnes + 1);
    std::vector<bool> sauts(nColonnes + 1, false);  // whether the text above holds a line break
    const double dCaractereMax = g.MaxCharWidth();
    for (qint32 r = 0; r <= g.MaxRows(); ++r) {
        bool bSaut = false;
        for (std::size_t c = 1; c <= nColonnes; ++c) {
            const QByteArrayView utf8 = cells.utf8(static_cast<qint32>(c), r);
            if (larges[c])
                continue;
            if (!utf8.isEmpty() && utf8 == precedents[c]) {
                bSaut = bSaut || sauts[c];
                continue;
            }
            precedents[c] = utf8;
            // A memo column's rows are all judged by fitRowsToTexts(), line breaks included.
            if (isLongText(utf8) || memos.contient(utf8)) {
                larges[c] = true;
                continue;
            }
            // Most texts are one line of Latin-1: their width costs no more than a bound of it.
            const double dLatine = largeurLatine(g, utf8);
            sauts[c] = dLatine < 0.0 && contientSautDeLigne(utf8);
            bSaut = bSaut || sauts[c];
            if (dLatine >= 0.0)
                largeurs[c] = std::max(largeurs[c], dLatine);
            else if (!largeurBornee(utf8, largeurs[c], dCaractereMax))
                largeurs[c] = std::max(largeurs[c], largeurUtf8(g, utf8));
        }
        if (bSaut && r > 0)
            ajustees.lignesASauts.push_back(r);
    }
    for (std::size_t c = 1; c <= nColonnes; ++c)
        g.setColWidth(static_cast<qint32>(c), larges[c] ? LARGEUR_MEMO : largeurs[c] + MARGE_LARGEUR);
    return ajustees;
}

// Rows take the height their texts need; with bSeulementPlusHaut a row only grows.
void wndKervane::fitRowHeights(qint32 nRow1, qint32 nRow2, bool bSeulementPlusHaut)
{
    vaSpread& g = *griRequetes;
    for (qint32 r = std::max(nRow1, 0); r <= std::min(nRow2, g.MaxRows()); ++r) {
        const qint32 nHauteur = g.MaxTextRowHeight(r);
        if (!bSeulementPlusHaut || nHauteur > g.RowHeight(r))
            g.setRowHeight(r, nHauteur);
    }
}

// Every row takes the height its texts need. Only the rows with a text that may take more
// than one line are measured: one holding a line break, or wider than the room its column
// leaves (a column of long texts is narrower than its widest text). The others keep the
// grid's one-line height. A text that consecutive rows of a column share is judged once. In
// the columns fitAllColumns() just fitted to their widest text, only a line break can take
// more than one line: its rows are known already, and only the memo columns are gone through.
void wndKervane::fitRowsToTexts(const ColonnesAjustees* ajustees)
{
    vaSpread& g = *griRequetes;
    fitRowHeights(0, 0, false);
    g.setRowHeight(-1, 0);
    const auto nColonnes = static_cast<std::size_t>(std::max(g.MaxCols(), 0));
    std::vector<std::size_t> colonnes;  // those whose texts are judged here
    for (std::size_t c = 1; c <= nColonnes; ++c)
        if (ajustees == nullptr || ajustees->memos[c])
            colonnes.push_back(c);
    std::vector<bool> ajustee(ajustees != nullptr ? static_cast<std::size_t>(g.MaxRows()) + 1 : 0, false);
    for (std::size_t i = 0; ajustees != nullptr && i < ajustees->lignesASauts.size(); ++i) {
        const qint32 r = ajustees->lignesASauts[i];
        g.setRowHeight(r, g.MaxTextRowHeight(r));
        ajustee[static_cast<std::size_t>(r)] = true;
    }
    if (colonnes.empty())
        return;
    std::vector<double> places(nColonnes + 1, 0.0);  // a text this wide fits on one line
    for (const std::size_t c : colonnes)
        places[c] = g.ColWidth(static_cast<qint32>(c)) - MARGE_LARGEUR;
    std::vector<QByteArrayView> precedents(nColonnes + 1);
    std::vector<bool> verdicts(nColonnes + 1, false);
    const double dCaractereMax = g.MaxCharWidth();
    for (qint32 r = 1; r <= g.MaxRows(); ++r) {
        if (!ajustee.empty() && ajustee[static_cast<std::size_t>(r)])
            continue;
        for (const std::size_t c : colonnes) {
            // Views stay valid: measuring and row heights leave the texts alone.
            const QByteArrayView utf8 = g.Cells().utf8(static_cast<qint32>(c), r);
            if (utf8.isEmpty())
                continue;
            if (precedents[c].isEmpty() || utf8 != precedents[c]) {
                precedents[c] = utf8;
                verdicts[c] = mayTakeLines(g, utf8, places[c], dCaractereMax);
            }
            if (verdicts[c]) {
                g.setRowHeight(r, g.MaxTextRowHeight(r));
                break;
            }
        }
    }
}

bool wndKervane::RedimensionnerGrille()
{
    return Pieger(QStringLiteral("RedimensionnerGrille"), [this] {
        vaSpread& g = *griRequetes;
        // Row numbers of 1000 and more need a wider title column; its digits decide how wide.
        if (g.MaxRows() >= LIGNES_ENTETE_LARGE) {
            const auto nChiffres = std::max<qsizetype>(4, QString::number(g.MaxRows()).size());
            g.setColWidth(0, static_cast<double>(nChiffres) * FACTEUR_ENTETE);
        } else {
            g.setColWidth(0, m_dLargeurEnteteLignes);
        }
        const ColonnesAjustees ajustees = fitAllColumns();
        fitRowsToTexts(&ajustees);
        return true;
    });
}

void wndKervane::frameRun(qint32 nCol, qint32 nLigne1, qint32 nLigne2)
{
    const qint32 nDerniere = griRequetes->MaxCols();
    if (nLigne2 > nLigne1 && nCol < nDerniere) {
        qint32 nSuivante = nCol + 1;
        FormatterGrille(nSuivante, nLigne1, nLigne2);
        TAB_Encadrer(*griRequetes, nCol, nLigne1, nCol, nLigne2, Programme().tabBlocs);
        return;
    }
    for (qint32 c = nCol; c <= nDerniere; ++c)
        TAB_Encadrer(*griRequetes, c, nLigne1, c, nLigne2, Programme().tabBlocs);
}

// Runs of equal texts in column nIndiceColonne within rows nIndiceLigneDebut..nNbLigne: the
// value once, blanks under it, the next column grouped within the run, the run framed.
bool wndKervane::FormatterGrille(qint32& nIndiceColonne, qint32 nIndiceLigneDebut, qint32 nNbLigne)
{
    return Pieger(QStringLiteral("FormatterGrille"), [&] {
        vaSpread& g = *griRequetes;
        const qint32 c = nIndiceColonne;
        if (c < 1 || c > g.MaxCols() || nIndiceLigneDebut > nNbLigne)
            return true;
        g.setBlockMode(false);
        const QString strBlanc = QStringLiteral(" ");
        qint32 nDebut = nIndiceLigneDebut;
        // A run's first cell keeps its text; the others are compared with it as UTF-8 (read
        // again after each blank, which may move the texts).
        for (qint32 r = nDebut + 1; r <= nNbLigne; ++r) {
            if (g.Cells().utf8(c, r) == g.Cells().utf8(c, nDebut)) {
                g.setCol(c);
                g.setRow(r);
                g.setText(strBlanc);
                continue;
            }
            frameRun(c, nDebut, r - 1);
            nDebut = r;
        }
        frameRun(c, nDebut, nNbLigne);
        return true;
    });
}

// The grid shown again without grouping: the statement that filled it is read again.
bool wndKervane::AfficherGrilleNonFormattee()
{
    const bool bAffichee = Pieger(QStringLiteral("AfficherGrilleNonFormattee"), [this] {
        QString strRequete = m_strRequeteGrille;
        if (strRequete.isEmpty()) {
            QString strPositions;
            InterpreterRequete(texteRequete(), strRequete, strPositions);
            if (classerRequete(strRequete) != GenreRequete::Selection)
                return true;
        }
        if (sansEspaces(strRequete).isEmpty())
            return true;
        GrilleAuRepos repos(*griRequetes);
        repos.mettreAuRepos();  // the statement ran a moment ago
        TableauTextes tabLignes;
        if (ODBC_SelectionnerDansTableau(nIndBase, strRequete, tabLignes, true)) {
            fillCells(std::move(tabLignes));
            showDimension();
        }
        return true;
    });
    SauvegarderRequetes();
    return bAffichee;
}

}  // namespace kervane
