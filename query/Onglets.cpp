// The tab strip tabResultat ("Tables" and "Résultat") over the two pages, and the
// information line ediResultat under it.
#include "messages/Piege.h"
#include "platform/spread/vaSpread.h"
#include "query/Requete.h"
#include "query/wndKervane.h"

#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTreeWidget>

namespace kervane {

namespace {

constexpr int MARGE_ONGLETS = 2;  // pixels left of the first tab

}  // namespace

int wndKervane::tabIndex(const QString& strCle) const
{
    for (int i = 0; i < tabResultat->count(); ++i)
        if (tabResultat->tabData(i).toString() == strCle)
            return i;
    return -1;
}

QString wndKervane::ongletCourant() const
{
    return tabResultat->tabData(tabResultat->currentIndex()).toString();
}

// The information line shows its text from the start.
void wndKervane::showInformation(const QString& strTexte)
{
    ediResultat->setText(strTexte);
    ediResultat->setCursorPosition(0);
}

void wndKervane::showTab(const QString& strCle)
{
    const bool bTables = strCle == QLatin1String("tables");
    QWidget* pDevant = bTables ? cadTables : cadResultat2;
    QWidget* pDerriere = bTables ? cadResultat2 : cadTables;
    pDevant->setEnabled(true);
    pDerriere->setEnabled(false);
    pDevant->show();
    pDevant->raise();
    pDerriere->hide();
    txtDimensionGrille->setVisible(!bTables);
    showInformation(bTables ? QStringLiteral(" Base:  ") + strLibelleBase : surUneLigne(texteRequete()));
}

// The tab under x (twips) is found by adding the tab widths from the left.
void wndKervane::tabResultat_MouseDown(int /*nButton*/, int /*nShift*/, int x, int /*y*/)
{
    Pieger(QStringLiteral("tabResultat_MouseDown"), [&] {
        const int nX = x / 15;
        int nFin = MARGE_ONGLETS;
        int nOnglet = -1;
        for (int i = 0; i < tabResultat->count() && nOnglet < 0; ++i) {
            nFin += tabResultat->tabRect(i).width();
            if (nFin > nX)
                nOnglet = i;
        }
        if (nOnglet >= 0 && nOnglet != tabResultat->currentIndex())
            tabResultat->setCurrentIndex(nOnglet);  // shows its page
        else
            showTab(ongletCourant());
        return true;
    });
}

void wndKervane::tabResultat_GotFocus()
{
    Pieger(QStringLiteral("tabResultat_GotFocus"), [this] {
        if (ongletCourant() == QLatin1String("tables"))
            tvwTables->setFocus();
        else
            griRequetes->setFocus();
        return true;
    });
}

}  // namespace kervane
