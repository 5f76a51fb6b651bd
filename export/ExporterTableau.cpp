#include "export/ExporterTableau.h"

#include "export/BordsBlocs.h"
#include "export/ClasseurXlsx.h"
#include "export/Coordonnees.h"
#include "export/FichierProvisoire.h"
#include "export/LignesGrille.h"
#include "messages/Afficher.h"
#include "messages/Piege.h"
#include "messages/Sablier.h"
#include "platform/spread/vaSpread.h"

#include <QLocale>

namespace kervane {
namespace {

const QString TITRE_FEUILLE = QStringLiteral("Requête");

void ecrireEntete(ClasseurXlsx& classeur, const EnteteExport& entete)
{
    AttributsCellule date;
    date.bFormatDate = true;
    date.bGras = true;
    date.alignementH = AlignementH::Droite;
    classeur.ecrireDate(1, 1, entete.date, classeur.format(date));
    AttributsCellule gras;
    gras.bGras = true;
    classeur.ecrireTexte(3, 2, entete.strLibelleBase + QStringLiteral(" - ") + entete.strBase, classeur.format(gras));
    classeur.ecrireTexte(5, 2, QStringLiteral("Requête: ") + entete.strTexteResultat, classeur.format(gras));
}

void definirLargeurs(ClasseurXlsx& classeur, const vaSpread& grille)
{
    for (qint32 c = 1; c <= grille.MaxCols(); ++c)
        if (const double dLargeur = grille.ColWidth(c) + 5; dLargeur > 0)
            classeur.definirLargeur(c + 1, dLargeur);
}

}  // namespace

bool TableauExportable(const vaSpread& grille, const QString& strProcedure)
{
    const QLocale francais(QLocale::French, QLocale::France);
    const qint32 nColonnesMax = COLONNE_TABLEUR_MAX - 1;
    const qint32 nLignesMax = LIGNES_FEUILLE_MAX - LIGNE_TITRES;
    QString strRefus;
    if (grille.MaxCols() > nColonnesMax)
        strRefus = QStringLiteral("Le tableau compte %1 colonnes : un classeur en accepte au plus %2 à l'export.")
                       .arg(francais.toString(grille.MaxCols()), francais.toString(nColonnesMax));
    else if (grille.MaxRows() > nLignesMax)
        strRefus = QStringLiteral("Le tableau compte %1 lignes : un classeur en accepte au plus %2 à l'export.")
                       .arg(francais.toString(grille.MaxRows()), francais.toString(nLignesMax));
    if (strRefus.isEmpty())
        return true;
    MSG_Afficher(strRefus, GENRE_CATALOGUE, MB_ICONEXCLAMATION, strProcedure);
    return false;
}

bool ExporterTableau(const QString& strChemin, const vaSpread& grille, std::vector<BlocCellules>& tabBlocs,
                     const EnteteExport& entete)
{
    const QString strProcedure = QStringLiteral("ExporterTableau");
    return Pieger(strProcedure, [&] {
        Sablier sablier;
        if (!TableauExportable(grille, strProcedure))
            return false;
        FichierProvisoire provisoire(strChemin);
        ClasseurXlsx classeur;
        if (!classeur.creer(provisoire.chemin(), provisoire.dossier(), strChemin)) {
            MSG_Afficher(QStringLiteral("L'application Microsoft Excel n'est pas installée. Cette action n'est pas "
                                        "possible."),
                         GENRE_CATALOGUE, MB_ICONEXCLAMATION, strProcedure);
            return false;
        }
        if (!ExporterTableauDansFichierExcel(classeur, TITRE_FEUILLE, grille, tabBlocs, entete))
            return false;
        classeur.fermer();
        provisoire.mettreEnPlace();
        tabBlocs.clear();
        return true;
    });
}

bool ExporterTableauDansFichierExcel(ClasseurXlsx& classeur, const QString& strTitreFeuille, const vaSpread& grille,
                                     const std::vector<BlocCellules>& tabBlocs, const EnteteExport& entete)
{
    return Pieger(QStringLiteral("ExporterTableauDansFichierExcel"), [&] {
        classeur.ajouterFeuille(strTitreFeuille);
        // The widths come first: the workbook takes no column setting once rows are written.
        definirLargeurs(classeur, grille);
        ecrireEntete(classeur, entete);
        // A grid without blocks shows every cell outlined on its own: so does the sheet.
        BordsBlocs bords = tabBlocs.empty() ? BordsBlocs::chaqueCellule(grille.MaxCols())
                                            : BordsBlocs(tabBlocs, grille.MaxCols(), grille.MaxRows());
        EcrireLignesGrille(classeur, grille, bords);
        return true;
    });
}

}  // namespace kervane
