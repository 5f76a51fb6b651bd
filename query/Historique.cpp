// The history of the statements run on a database: the combo cboRequetes (most recent
// first, each entry carrying its line-break positions), its size, and its copy in the
// registry under "Requetes\<database key name>" (CleHistorique.h), one value per entry.
#include "messages/Erreur.h"
#include "messages/Piege.h"
#include "messages/Programme.h"
#include "messages/Sablier.h"
#include "messages/Texte.h"
#include "query/CleHistorique.h"
#include "query/Requete.h"
#include "query/wndKervane.h"
#include "settings/Cles.h"
#include "settings/GroupeRegistration.h"
#include "settings/Registration.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>

namespace kervane {

namespace {

const QString SEPARATEUR = QStringLiteral("../..OCCURENCE: ");
const QString MARQUE = QStringLiteral("OCCURENCE");
const QString NOM_TAILLE = QStringLiteral("Dimension de la liste des requêtes stockées");

// Histories stored under the key name that paths differing only by case or separator
// shared: a path whose own key does not exist yet starts from a copy of it, made once, in
// one write. The shared key stays as it was for the other paths that read it.
void reprendreHistoriquePartage(const QString& strBase)
{
    const QString strCle = CleRequetes(NomCleBase(strBase));
    const QString strClePartagee = CleRequetes(NomCleBasePartagee(strBase));
    if (strCle == strClePartagee)
        return;
    SYS_GrouperRegistration(QStringLiteral("ChargerRequetes"), [&] {
        if (SYS_ExisteCleRegistration(strCle, true) || !SYS_ExisteCleRegistration(strClePartagee, true))
            return true;
        QString strValeur;
        for (int k = 0; SYS_LireChaineRegistration(strClePartagee, QString::number(k), strValeur, false, true); ++k)
            if (!SYS_EcrireChaineRegistration(strCle, QString::number(k), strValeur, true))
                return false;
        return true;
    });
}

}  // namespace

bool wndKervane::LireParametres()
{
    qint32 nTaille = 0;
    if (SYS_LireLongRegistration(cleProgramme(), NOM_TAILLE, nTaille, false, true))
        Programme().nTailleListeRequetes = static_cast<qint16>(std::clamp(nTaille, 0, 32767));
    else
        Programme().nTailleListeRequetes = 30;
    return true;
}

bool wndKervane::ChargerRequetes()
{
    const Sablier sablier;
    if (nIndBase == 0)
        return false;
    strCleBase = NomCleBase(strBase);
    const bool bLues = Pieger(QStringLiteral("ChargerRequetes"), [this] {
        reprendreHistoriquePartage(strBase);
        const QString strCle = CleRequetes(strCleBase);
        for (qint32 k = 0; k < Programme().nTailleListeRequetes; ++k) {
            QString strValeur;
            if (!SYS_LireChaineRegistration(strCle, QString::number(k), strValeur, false, true))
                break;
            const qsizetype p = strValeur.indexOf(MARQUE);
            if (p < 5)
                LeverErreur(ERREUR_ARGUMENT);
            cboRequetes->addItem(strValeur.left(p - 5), strValeur.mid(p + MARQUE.size() + 2));
        }
        return true;
    });
    cboRequetes->setCurrentIndex(-1);
    return bLues;
}

bool wndKervane::SauvegarderRequetes()
{
    const Sablier sablier;
    if (nIndBase == 0)
        return false;
    if (strCleBase.isEmpty())
        strCleBase = NomCleBase(strBase);
    return Pieger(QStringLiteral("SauvegarderRequetes"), [this] {
        const QString strCle = CleRequetes(strCleBase);
        const int nEntrees = std::min<int>(cboRequetes->count(), Programme().nTailleListeRequetes);
        // The whole history is one rewrite of the hive, made under its lock.
        SYS_GrouperRegistration(QStringLiteral("SauvegarderRequetes"), [&] {
            int nEcrites = 0;
            while (nEcrites < nEntrees &&
                   SYS_EcrireChaineRegistration(strCle, QString::number(nEcrites),
                                                cboRequetes->itemText(nEcrites) + SEPARATEUR
                                                    + positionsRequete(nEcrites),
                                                true))
                ++nEcrites;
            QString strAncienne;
            for (int k = nEcrites; SYS_LireChaineRegistration(strCle, QString::number(k), strAncienne, false, true);
                 ++k)
                if (!SYS_DetruireDonneeRegistration(strCle, QString::number(k), true))
                    break;
            return true;
        });
        return true;
    });
}

QString wndKervane::positionsRequete(int nIndex) const
{
    return cboRequetes->itemData(nIndex).toString();
}

// A statement listed once, at the top, with the text of its latest run; the oldest entry
// goes when the list is longer than its size. The combo's own text is kept unless its
// entry is the one that moves.
void wndKervane::enregistrerRequete(const QString& strRequete, const QString& strPositions)
{
    // A statement that sets a database password is never kept.
    if (sansMotsDePasse(strRequete) != strRequete)
        return;
    const QString strForme = formeComparaison(strRequete);
    int nTrouvee = -1;
    for (int i = 0; i < cboRequetes->count(); ++i)
        if (formeComparaison(cboRequetes->itemText(i)) == strForme)
            nTrouvee = i;
    bool bSansTexte = cboRequetes->currentIndex() < 0;
    if (nTrouvee >= 0) {
        const int nCourante = cboRequetes->currentIndex();
        const bool bCourante = nCourante >= 0 && cboRequetes->currentText() == strRequete;
        cboRequetes->removeItem(bCourante ? nCourante : nTrouvee);
        bSansTexte = bSansTexte || bCourante || nTrouvee == nCourante;
    }
    cboRequetes->insertItem(0, strRequete, strPositions);
    const int nTaille = Programme().nTailleListeRequetes;
    while (cboRequetes->count() > nTaille)
        cboRequetes->removeItem(nTaille);
    if (bSansTexte)
        cboRequetes->setCurrentIndex(-1);
}

void wndKervane::cboRequetes_Click()
{
    const int nIndex = cboRequetes->currentIndex();
    if (nIndex < 0)
        return;
    definirTexteRequete(reconstruireLignes(cboRequetes->itemText(nIndex), positionsRequete(nIndex)));
}

void wndKervane::ediRequete_Change()
{
    btnLancer->setEnabled(!sansEspaces(texteRequete()).isEmpty());
}

}  // namespace kervane
