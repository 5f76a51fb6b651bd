#include "export/ExporterTableau.h"

#include "export/ClasseurXlsx.h"
#include "export/Coordonnees.h"
#include "export/FichierProvisoire.h"
#include "export/HauteurLigne.h"
#include "export/ValeurCellule.h"
#include "messages/Afficher.h"
#include "messages/Piege.h"
#include "messages/Sablier.h"
#include "platform/spread/vaSpread.h"

#include <QLocale>

#include <algorithm>

namespace kervane {
namespace {

const QString TITRE_FEUILLE = QStringLiteral("Requête");

// Grid cells outside the grid have no place on the sheet: such a block is left out.
bool blocDansGrille(const BlocCellules& bloc, const vaSpread& grille)
{
    return bloc.nColonne1 >= 1 && bloc.nLigne1 >= 1 && bloc.nColonne1 <= bloc.nColonne2 &&
           bloc.nLigne1 <= bloc.nLigne2 && bloc.nColonne2 <= grille.MaxCols() && bloc.nLigne2 <= grille.MaxRows();
}

void encadrerChaqueCellule(FeuilleModele& feuille, const vaSpread& grille)
{
    for (qint32 r = 1; r <= grille.MaxRows(); ++r)
        for (qint32 c = 1; c <= grille.MaxCols(); ++c)
            feuille.encadrer({r + LIGNE_TITRES, c + 1, r + LIGNE_TITRES, c + 1}, Trait::Fin);
}

void ecrireEntete(FeuilleModele& feuille, const EnteteExport& entete)
{
    feuille.ecrireDate(1, 1, entete.date);
    feuille.modifier({1, 1, 1, 1}, [](AttributsCellule& a) {
        a.bFormatDate = true;
        a.bGras = true;
        a.alignementH = AlignementH::Droite;
    });
    const auto gras = [](AttributsCellule& a) { a.bGras = true; };
    feuille.ecrireTexte(3, 2, entete.strLibelleBase + QStringLiteral(" - ") + entete.strBase);
    feuille.modifier({3, 2, 3, 2}, gras);
    feuille.ecrireTexte(5, 2, QStringLiteral("Requête: ") + entete.strTexteResultat);
    feuille.modifier({5, 2, 5, 2}, gras);
}

void ecrireTitres(FeuilleModele& feuille, const vaSpread& grille)
{
    for (qint32 c = 1; c <= grille.MaxCols(); ++c) {
        const Plage titre{LIGNE_TITRES, c + 1, LIGNE_TITRES, c + 1};
        feuille.encadrer(titre, Trait::Moyen);
        feuille.modifier(titre, [](AttributsCellule& a) {
            a.alignementH = AlignementH::Centre;
            a.bGras = true;
        });
        feuille.definirLargeur(c + 1, grille.ColWidth(c) + 5);
    }
    if (grille.MaxCols() > 0)
        feuille.modifier({LIGNE_TITRES, 2, LIGNE_TITRES, grille.MaxCols() + 1},
                         [](AttributsCellule& a) { a.nCouleurFond = COULEUR_TITRES; });
}

void ecrireValeur(FeuilleModele& feuille, qint32 nLigne, qint32 nColonne, const QString& strTexte, bool bTitre)
{
    double dNombre = 0;
    if (!bTitre && LireNombre(strTexte, Programme().strSeparateurDecimal, dNombre))
        feuille.ecrireNombre(nLigne, nColonne, dNombre);
    else
        feuille.ecrireTexte(nLigne, nColonne, strTexte);
}

void ecrireLignes(FeuilleModele& feuille, const vaSpread& grille)
{
    const auto remarquee = [](AttributsCellule& a) {
        a.nCouleurPolice = COULEUR_INDEX_41;
        a.bGras = true;
    };
    const auto ligne = [](AttributsCellule& a) {
        a.alignementV = AlignementV::Haut;
        a.bRetourLigne = true;
    };
    std::vector<double> dLargeurs;
    for (qint32 c = 1; c <= grille.MaxCols(); ++c)
        dLargeurs.push_back(feuille.largeur(c + 1));
    QStringList textes;
    for (qint32 r = 0; r <= grille.MaxRows(); ++r) {
        const qint32 nLigne = r + LIGNE_TITRES;
        textes.clear();
        for (qint32 c = 1; c <= grille.MaxCols(); ++c) {
            textes << TexteCellule(grille.CellText(c, r));
            ecrireValeur(feuille, nLigne, c + 1, textes.back(), r == 0);
            const quint32 nCouleur = grille.Cells().foreColor(c, r);
            if (nCouleur != 0 && (nCouleur & 0xFFFFFFu) == COULEUR_GRILLE_REMARQUEE)
                feuille.modifier({nLigne, c + 1, nLigne, c + 1}, remarquee);
        }
        feuille.modifierLigne(nLigne, ligne);
        feuille.definirHauteur(nLigne, HauteurLigne(textes, dLargeurs));
    }
}

void encadrerBlocs(FeuilleModele& feuille, const vaSpread& grille, const std::vector<BlocCellules>& tabBlocs)
{
    for (const BlocCellules& bloc : tabBlocs)
        if (blocDansGrille(bloc, grille))
            feuille.encadrer({bloc.nLigne1 + LIGNE_TITRES, bloc.nColonne1 + 1, bloc.nLigne2 + LIGNE_TITRES,
                              bloc.nColonne2 + 1},
                             Trait::Fin);
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
        FeuilleModele feuille(grille.MaxRows() + LIGNE_TITRES, std::max(grille.MaxCols() + 1, 2), QString());
        if (!ExporterTableauDansFichierExcel(feuille, TITRE_FEUILLE, grille, tabBlocs, entete))
            return false;
        // A grid without blocks shows every cell outlined on its own: so does the sheet.
        if (tabBlocs.empty())
            encadrerChaqueCellule(feuille, grille);
        classeur.enregistrer(feuille);
        provisoire.mettreEnPlace();
        tabBlocs.clear();
        return true;
    });
}

bool ExporterTableauDansFichierExcel(FeuilleModele& feuille, const QString& strTitreFeuille, const vaSpread& grille,
                                     const std::vector<BlocCellules>& tabBlocs, const EnteteExport& entete)
{
    return Pieger(QStringLiteral("ExporterTableauDansFichierExcel"), [&] {
        feuille.renommer(strTitreFeuille);
        ecrireEntete(feuille, entete);
        ecrireTitres(feuille, grille);
        ecrireLignes(feuille, grille);
        encadrerBlocs(feuille, grille, tabBlocs);
        return true;
    });
}

}  // namespace kervane
