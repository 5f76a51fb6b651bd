// The Edition menu (copy, maximised table, grouping) and what the user does on the grid:
// the bold row marker, sizes fitted again after a resize, a column fitted by a double
// click on its title border; the export and print entry points with their guards.
#include "messages/Piege.h"
#include "messages/Programme.h"
#include "messages/Repondeur.h"
#include "platform/spread/vaSpread.h"
#include "query/FenetrePrincipale.h"
#include "query/wndKervane.h"

#include <QAction>
#include <QKeyEvent>

namespace kervane {

namespace {

constexpr qint32 TOUCHE_HAUT = 38;
constexpr qint32 TOUCHE_BAS = 40;

// The grid's redraw off for the lifetime of the object.
class SansDessin {
public:
    explicit SansDessin(vaSpread& grille) : m_grille(grille) { m_grille.setReDraw(false); }
    ~SansDessin() { m_grille.setReDraw(true); }
    SansDessin(const SansDessin&) = delete;
    SansDessin& operator=(const SansDessin&) = delete;

private:
    vaSpread& m_grille;
};

}  // namespace

void wndKervane::mnuEdition_Click(int nIndex)
{
    Pieger(QStringLiteral("mnuEdition_Click"), [&] {
        QAction* pItem = mnuEditionItem(nIndex);
        if (nIndex == 1)
            return Copier();
        if (nIndex == 3) {
            MaximiserTableau();
            pItem->setChecked(!pItem->isChecked());
            return true;
        }
        if (nIndex != 5)
            return true;
        const bool bRegrouper = !pItem->isChecked();
        {
            const SansDessin sansDessin(*griRequetes);
            if (bRegrouper) {
                qint32 nColonne = 1;
                FormatterGrille(nColonne, 1, griRequetes->MaxRows());
            } else {
                AfficherGrilleNonFormattee();
            }
            RedimensionnerGrille();
        }
        pItem->setChecked(bRegrouper);
        if (FenetrePrincipale* pPrincipale = principale())
            pPrincipale->enfoncerBouton(QStringLiteral("Regrouper_cellules"), bRegrouper);
        return true;
    });
}

bool wndKervane::Copier()
{
    return Pieger(QStringLiteral("Copier"), [this] {
        vaSpread& g = *griRequetes;
        if (g.MaxRows() == 0)
            return true;
        const qint32 nCol1 = g.SelBlockCol();
        const qint32 nRow1 = g.SelBlockRow();
        const qint32 nCol2 = g.SelBlockCol2();
        const qint32 nRow2 = g.SelBlockRow2();
        g.setCol(nCol1);
        g.setRow(nRow1);
        g.setCol2(nCol2);
        g.setRow2(nRow2);
        g.setAction(vaSpread::kActionClipboardCopy);
        return true;
    });
}

// The platform's copy key (Ctrl+C) on the grid copies the selected block as Edition >
// Copier does, not the grid's current cell alone; no shortcut elsewhere takes it first.
bool wndKervane::gridCopyKey(QEvent* pEvent)
{
    const QEvent::Type type = pEvent->type();
    if ((type != QEvent::KeyPress && type != QEvent::ShortcutOverride) ||
        !static_cast<QKeyEvent*>(pEvent)->matches(QKeySequence::Copy))
        return false;
    pEvent->accept();
    if (type == QEvent::KeyPress)
        Copier();
    return true;
}

bool wndKervane::Exporter()
{
    return Pieger(QStringLiteral("Exporter"), [this] {
        if (griRequetes->MaxRows() == 0) {
            Repondeur().afficherMessage(QStringLiteral("Aucune exportation possible."), MB_ICONEXCLAMATION,
                                        Programme().strTitreApplication);
            return true;
        }
        if (FenetrePrincipale* pPrincipale = principale())
            pPrincipale->exporter(*this);
        return true;
    });
}

bool wndKervane::Imprimer()
{
    return Pieger(QStringLiteral("Imprimer"), [this] {
        if (griRequetes->MaxRows() == 0) {
            Repondeur().afficherMessage(QStringLiteral("Votre impression est inutile."), MB_ICONEXCLAMATION,
                                        Programme().strTitreApplication);
            return true;
        }
        if (FenetrePrincipale* pPrincipale = principale())
            pPrincipale->imprimer(*this);
        return true;
    });
}

// Moves the bold row number from the marked row to nRow.
void wndKervane::griRequetes_Click(qint32 /*nCol*/, qint32 nRow)
{
    Pieger(QStringLiteral("griRequetes_Click"), [&] {
        vaSpread& g = *griRequetes;
        if (nRow < 1 || nRow > g.MaxRows())
            return true;
        g.setBlockMode(false);
        g.setCol(0);
        g.setRow(nRow);
        g.setFontBold(true);
        if (m_nLigneMarquee != 0 && m_nLigneMarquee != nRow) {
            g.setRow(m_nLigneMarquee);
            g.setFontBold(false);
        }
        m_nLigneMarquee = nRow;
        return true;
    });
}

void wndKervane::griRequetes_KeyDown(qint32 nKeyCode)
{
    if (nKeyCode == TOUCHE_BAS && m_nLigneMarquee < griRequetes->MaxRows())
        griRequetes_Click(0, m_nLigneMarquee + 1);
    else if (nKeyCode == TOUCHE_HAUT && m_nLigneMarquee > 1)
        griRequetes_Click(0, m_nLigneMarquee - 1);
}

void wndKervane::griRequetes_ColWidthChange(qint32 /*nCol1*/, qint32 /*nCol2*/)
{
    Pieger(QStringLiteral("griRequetes_ColWidthChange"), [this] {
        const SansDessin sansDessin(*griRequetes);
        fitRowsToTexts();
        return true;
    });
}

// A row can not be made lower than its texts.
void wndKervane::griRequetes_RowHeightChange(qint32 nRow1, qint32 nRow2)
{
    Pieger(QStringLiteral("griRequetes_RowHeightChange"), [&] {
        const SansDessin sansDessin(*griRequetes);
        fitRowHeights(nRow1, nRow2, true);
        return true;
    });
}

void wndKervane::griRequetes_MouseDown(qint32 /*nButton*/, qint32 /*nShift*/, qint32 x, qint32 y)
{
    m_nPresseX = x;
    m_nPresseY = y;
}

void wndKervane::griRequetes_DblClick(qint32 /*nCol*/, qint32 /*nRow*/)
{
    Pieger(QStringLiteral("griRequetes_DblClick"), [this] {
        const SpreadHit hit = griRequetes->HitTest(m_nPresseX, m_nPresseY);
        if (hit.bColBorder && hit.nCol >= 1)
            fitColumn(hit.nCol);
        return true;
    });
}

}  // namespace kervane
