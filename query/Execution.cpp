// btnLancer_Click: the editor's statement flattened, classified and run inside a
// transaction; rows go to the grid, a change waits for the user's answer on its count.
#include "access/Module_ODBC.h"
#include "messages/Afficher.h"
#include "messages/Programme.h"
#include "messages/Repondeur.h"
#include "messages/Sablier.h"
#include "platform/spread/vaSpread.h"
#include "query/FenetrePrincipale.h"
#include "query/Requete.h"
#include "query/wndKervane.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>

namespace kervane {

namespace {

constexpr qint32 STYLE_ECHEC_LANCER = MB_OKCANCEL | MB_ICONEXCLAMATION;  // 49

}  // namespace

QString wndKervane::texteRequete() const
{
    QString strTexte = ediRequete->toPlainText();
    strTexte.replace(u'\n', QStringLiteral("\r\n"));
    return strTexte;
}

void wndKervane::definirTexteRequete(const QString& strTexte)
{
    QString strAffiche = strTexte;
    strAffiche.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    ediRequete->setPlainText(strAffiche);
}

void wndKervane::btnLancer_Click()
{
    const Sablier sablier;
    try {
        runStatement();
    } catch (...) {
        const ErreurPiegee erreur = ErreurEnCours();
        MSG_Afficher(erreur, GENRE_ERREUR, STYLE_ECHEC_LANCER, QStringLiteral("btnLancer_Click"));
        if (nIndBase != 0)
            ODBC_EtablirTransaction(nIndBase, TRANS_ROLLBACK);
    }
    finalStep();
}

bool wndKervane::runStatement()
{
    if (nIndBase == 0 || !ODBC_EtablirTransaction(nIndBase, TRANS_BEGIN))
        return false;
    QString strRequete;
    QString strPositions;
    InterpreterRequete(texteRequete(), strRequete, strPositions);
    const GenreRequete genre = classerRequete(strRequete);
    const bool bReussie = genre == GenreRequete::Selection ? runSelection(strRequete) : runChange(strRequete, genre);
    if (bReussie)
        successTail(strRequete, strPositions);
    return bReussie;
}

// A statement picked from the history that fails leaves the list. A statement taken for a
// selection that gives no columns (a change behind a leading PARAMETERS, for instance) must not
// stay pending in the open transaction, to be committed with the next accepted change: it is
// undone at once and the user told so.
bool wndKervane::runSelection(const QString& strRequete)
{
    TableauTextes tabLignes;
    const bool bLue = ODBC_SelectionnerDansTableau(nIndBase, strRequete, tabLignes, true);
    if (bLue && tabLignes.colonnes() <= 1) {
        ODBC_EtablirTransaction(nIndBase, TRANS_ROLLBACK);
        Repondeur().afficherMessage(texteSelectionSansLignes(), MB_ICONEXCLAMATION, Programme().strTitreApplication);
        return false;
    }
    if (!bLue) {
        const int nCourante = cboRequetes->currentIndex();
        if (nCourante >= 0 && cboRequetes->currentText() == strRequete) {
            cboRequetes->removeItem(nCourante);
            cboRequetes->setCurrentIndex(-1);
            definirTexteRequete(QStringLiteral(" "));
        }
        return false;
    }
    m_strRequeteGrille = strRequete;
    remplirGrille(tabLignes);
    showDimension();
    enableResultCommands();
    return true;
}

// True when the change was accepted and committed; every other outcome is rolled back.
bool wndKervane::runChange(const QString& strRequete, GenreRequete genre)
{
    qint32 nLignes = 0;
    if (!ODBC_Executer(nIndBase, strRequete, nLignes))
        return false;
    qint16 nReponse = 0;
    if (genre != GenreRequete::Autre)
        nReponse = Repondeur().afficherMessage(texteQuestion(genre, nLignes), styleQuestion(nLignes),
                                               Programme().strTitreApplication);
    if (nReponse == IDYES && ODBC_EtablirTransaction(nIndBase, TRANS_COMMIT))
        return true;
    ODBC_EtablirTransaction(nIndBase, TRANS_ROLLBACK);
    return false;
}

void wndKervane::enableResultCommands()
{
    mnuFichierItem(6)->setEnabled(true);
    mnuFichierItem(2)->setEnabled(true);
    if (FenetrePrincipale* pPrincipale = principale())
        for (const char* szCle : {"Imprimer", "Copier", "Maximiser", "Regrouper_cellules"})
            pPrincipale->activerBouton(QString::fromLatin1(szCle), true);
}

void wndKervane::successTail(const QString& strRequete, const QString& strPositions)
{
    for (wndKervane* pFenetre : fenetresMemeBase())
        pFenetre->enregistrerRequete(strRequete, strPositions);
    cboRequetes->setCurrentIndex(cboRequetes->findText(strRequete, Qt::MatchExactly | Qt::MatchCaseSensitive));
    const QRect onglet = tabResultat->tabRect(tabIndex(QStringLiteral("resultat")));
    tabResultat_MouseDown(0, 0, (onglet.left() + onglet.width() / 2) * 15, 0);
    showInformation(surUneLigne(texteRequete()));
}

void wndKervane::finalStep()
{
    if (nIndBase != 0)
        SauvegarderRequetes();
    griRequetes->setReDraw(true);
}

}  // namespace kervane
