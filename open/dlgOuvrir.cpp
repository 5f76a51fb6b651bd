#include "open/dlgOuvrir.h"

#include "messages/Piege.h"
#include "messages/Programme.h"
#include "messages/Sablier.h"
#include "open/EntreeRecente.h"
#include "open/FenetreCourante.h"
#include "platform/spread/vaSpread.h"
#include "settings/Registration.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include <algorithm>

namespace kervane {

dlgOuvrir::dlgOuvrir(QWidget* pParent) : QDialog(pParent)
{
    buildControls();
    connectEvents();
}

dlgOuvrir::~dlgOuvrir() = default;

bool dlgOuvrir::charger()
{
    Programme().bDialogueCharge = false;
    Pieger(QStringLiteral("Form_Load"), [&] {
        m_strDernierValide.clear();
        m_nColonneTri = 1;
        m_bTriCroissant = false;
        LireBasesRecentes();
        const QString strCourante = cheminFenetreCourante();
        if (!strCourante.isEmpty()) {
            cboBases->setEditText(strCourante);
            strBase = strCourante;
            bool bOk = false;
            AfficherLibelleBase(bOk);
        } else {
            proposeBaseSource();
        }
        griRecent->setGrayAreaBackColor(palette().color(QPalette::Button));
        Programme().bDialogueCharge = true;
        Programme().bDialogueValide = false;
        return true;
    });
    cboBases->setFocus();
    return Programme().bDialogueCharge;
}

// With no query window open, the suite's reference database is only offered: Enter then OK
// opens it, but like any typed path it is examined once the user validates it. Loading the
// dialog thus never connects to it, asks the user anything or writes its label row, and
// Annuler leaves it as it was.
void dlgOuvrir::proposeBaseSource()
{
    const QString& strSource = Programme().strBaseSource;
    if (strSource.isEmpty())
        return;
    cboBases->setEditText(strSource);
    cboBases->lineEdit()->selectAll();
    btnOk->setEnabled(false);
}

bool dlgOuvrir::LireBasesRecentes()
{
    return Pieger(QStringLiteral("LireBasesRecentes"), [&] {
        Sablier sablier;
        griRecent->setReDraw(false);
        griRecent->setMaxCols(2);
        griRecent->setMaxRows(0);
        griRecent->setCol(-1);
        griRecent->setRow(-1);
        griRecent->setCellType(vaSpread::kCellTypeStaticText);
        griRecent->setRow(0);
        griRecent->setCol(1);
        griRecent->setText(QStringLiteral("Libellé"));
        griRecent->setCol(2);
        griRecent->setText(QStringLiteral("Dossier"));
        griRecent->setColWidth(1, 30);
        griRecent->setColWidth(2, 50);

        // Adding to the list must not change what is typed in the combo.
        const QString strSaisie = cboBases->currentText();
        QString strEntree;
        double dLargeurChemins = 50;
        for (qint32 i = 1; SYS_LireChaineRegistration(cleBasesRecentes(), QString::number(i), strEntree, false, true);
             ++i) {
            const EntreeRecente entree = decouperEntreeRecente(strEntree);
            griRecent->setMaxRows(i);
            griRecent->setRow(i);
            griRecent->setCol(1);
            griRecent->setText(entree.strLibelle);
            griRecent->setCol(2);
            griRecent->setText(entree.strChemin);
            dLargeurChemins = std::max(dLargeurChemins, griRecent->TextWidth(entree.strChemin) + 1);
            bool bPresent = false;
            for (int j = 0; j < cboBases->count() && !bPresent; ++j)
                bPresent = cboBases->itemText(j).toUpper() == entree.strChemin.toUpper();
            if (!bPresent)
                cboBases->addItem(entree.strChemin);
        }
        cboBases->setEditText(strSaisie);
        // A longer path widens its column, which the grid then scrolls, rather than lose its end.
        griRecent->setColWidth(2, dLargeurChemins);
        griRecent->setReDraw(true);
        return true;
    });
}

}  // namespace kervane
