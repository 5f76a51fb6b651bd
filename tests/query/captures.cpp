// Screenshots of a query window on the demonstration database, for a person to check:
// a grouped result, the tables tree opened, the maximised result. Run under Xvfb:
//   xvfb-run -a query_captures <folder>
#include "access/Module_ODBC.h"
#include "messages/Programme.h"
#include "platform/spread/vaSpread.h"
#include "query/wndKervane.h"
#include "tests/query/FenetreTest.h"
#include "tests/support/DossierTemporaire.h"
#include "tests/support/OdbcPrive.h"
#include "tests/support/RepondeurScripte.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTabBar>
#include <QTreeWidget>

#include <cstdio>

using namespace kervane;
using namespace kervane::test;

namespace {

bool capture(wndKervane& fenetre, const QString& strFichier)
{
    QApplication::processEvents();
    const bool bOk = fenetre.grab().save(strFichier);
    std::printf("%s %s\n", bOk ? "ecrit" : "ECHEC", qPrintable(strFichier));
    return bOk;
}

void ouvrirBranche(QTreeWidgetItem* pNoeud, const QString& strTexte)
{
    for (int i = 0; i < pNoeud->childCount(); ++i)
        if (pNoeud->child(i)->text(0) == strTexte)
            pNoeud->child(i)->setExpanded(true);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QString strDossier = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("captures");
    QDir().mkpath(strDossier);
    DossierTemporaire dossier;
    OdbcPrive odbc(dossier);
    RepondeurScripte repondeur;
    FenetreTest principale;
    QFile source(QStringLiteral(KERVANE_SOURCE_DIR "/data/base_source_velmora.sql"));
    if (!source.open(QIODevice::ReadOnly))
        return 1;
    const QString strBase = dossier.fichier(QStringLiteral("Base source Velmora.mdb"));
    creerBaseSQLite(strBase, QString::fromUtf8(source.readAll()));
    odbc.ajouterDSN(QStringLiteral("Base Suite Velmora"), strBase);
    if (!ODBC_Initialiser())
        return 1;

    auto* fenetre = new wndKervane;
    principale.fenetres << fenetre;
    if (!ODBC_Connecter({QString(), QString(), QStringLiteral("Base Suite Velmora")}, fenetre->nIndBase, strBase))
        return 1;
    fenetre->strBase = strBase;
    fenetre->strLibelleBase = QStringLiteral("Base source Velmora");
    fenetre->LireParametres();
    fenetre->ChargerRequetes();
    if (!fenetre->AfficherTables())
        return 1;
    fenetre->setTag(QString::number(fenetre->nIndBase));
    fenetre->nOccurrence = 1;
    fenetre->setWindowTitle(fenetre->titre(false));
    fenetre->resize(980, 680);
    fenetre->show();
    fenetre->Form_Activate();

    fenetre->definirTexteRequete(QStringLiteral(
        "SELECT F.LIB_FAMILLE, A.ACTIF_ARTICLE, A.REF_ARTICLE, A.LIB_ARTICLE, A.PRIX_HT_ARTICLE,\r\n"
        "       A.CREATION_ARTICLE, A.DESCRIPTIF_ARTICLE\r\n"
        "FROM ARTICLE A, FAMILLE F WHERE F.ID_FAMILLE = A.ID_FAMILLE ORDER BY 1, 2, 3"));
    fenetre->btnLancer_Click();
    fenetre->griRequetes_Click(1, 3);
    bool bOk = capture(*fenetre, strDossier + QStringLiteral("/resultat_regroupe.png"));

    fenetre->tabResultat_MouseDown(1, 0, fenetre->tabResultat->tabRect(0).center().x() * 15, 0);
    QTreeWidgetItem* pTables = fenetre->tvwTables->topLevelItem(0);
    pTables->setExpanded(true);
    ouvrirBranche(pTables, QStringLiteral("FAMILLE"));
    for (int i = 0; i < pTables->childCount(); ++i)
        if (pTables->child(i)->text(0) == QLatin1String("FAMILLE"))
            for (int j = 0; j < pTables->child(i)->childCount(); ++j)
                pTables->child(i)->child(j)->setExpanded(true);
    if (QTreeWidgetItem* pVues = fenetre->tvwTables->topLevelItem(1))
        pVues->setExpanded(true);
    fenetre->tvwTables_click();
    bOk = capture(*fenetre, strDossier + QStringLiteral("/arbre.png")) && bOk;

    fenetre->tabResultat_MouseDown(1, 0, fenetre->tabResultat->tabRect(1).center().x() * 15, 0);
    fenetre->mnuEdition_Click(3);
    bOk = capture(*fenetre, strDossier + QStringLiteral("/maximise.png")) && bOk;
    std::printf("barre d'outils : Maximiser = %s (%s), Regrouper_cellules %s\n",
                qPrintable(principale.imageBouton(QStringLiteral("Maximiser"))),
                qPrintable(principale.infobulleBouton(QStringLiteral("Maximiser"))),
                principale.boutonEnfonce(QStringLiteral("Regrouper_cellules")) ? "enfonce" : "relache");
    fenetre->close();
    QApplication::processEvents();
    ODBC_Cloturer();
    return bOk ? 0 : 1;
}
