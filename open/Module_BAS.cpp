#include "open/Module_BAS.h"

#include "access/Module_ODBC.h"
#include "messages/Afficher.h"
#include "messages/Piege.h"
#include "messages/Programme.h"

namespace kervane {

bool BAS_TesterExistenceChamp(const BaseMoteur& base, const QString& strColonne, const QString& strTable,
                              bool& bExiste)
{
    bExiste = false;
    return Pieger(QStringLiteral("BAS_TesterExistenceChamp"), [&] {
        const QString strTableCherchee = strTable.toUpper();
        const QString strColonneCherchee = strColonne.toUpper();
        for (const TableMoteur& table : base.tables()) {
            if (table.strNom.toUpper() != strTableCherchee)
                continue;
            for (const QString& strChamp : table.champs) {
                if (strChamp.toUpper() == strColonneCherchee) {
                    bExiste = true;
                    break;
                }
            }
            break;  // only the first table of that name is examined
        }
        return true;
    });
}

bool BAS_VerifierBase(const QString& strChemin)
{
    bool bExiste = false;
    const bool bLue = Pieger(QStringLiteral("BAS_VerifierBase"), [&] {
        BaseMoteur base;
        ErreurMoteur erreur;
        if (!base.ouvrir(strChemin, erreur))
            LeverErreur(erreur.nNumero, erreur.strDescription);
        if (!base.avertissement().isEmpty())
            MSG_Afficher(base.avertissement(), GENRE_CATALOGUE, MB_ICONINFORMATION, QStringLiteral("BAS_VerifierBase"));
        BAS_TesterExistenceChamp(base, QStringLiteral("TRADUCTION_HTML_FAMILLE"), QStringLiteral("FAMILLE"), bExiste);
        base.fermer();
        return true;
    });
    return bLue && bExiste;
}

bool BAS_TesterUtilisateur(qint16 nIndice)
{
    return Pieger(QStringLiteral("BAS_TesterUtilisateur"), [&] {
        TableauTextes tabUtilisateurs;
        const QString strSQL = QStringLiteral("Select ID_CLE_UTILR,NOM_UTILR From UTILR Where CONNECTE_UTILR<>0");
        if (!ODBC_SelectionnerDansTableau(nIndice, strSQL, tabUtilisateurs, true))
            return false;
        if (tabUtilisateurs.texte(0, 0) == QLatin1String("0"))
            return true;
        // Only the first connected user is examined.
        const QString strIdentifiant = tabUtilisateurs.texte(2, 1);
        if (strIdentifiant.isEmpty())
            return true;
        if (strIdentifiant.toUpper() == Programme().strNumeroUtilisateur.toUpper())
            return true;
        MSG_Afficher(QStringLiteral("Vous vous êtes connecté(e) sous le nom de '") + tabUtilisateurs.texte(2, 2)
                         + QStringLiteral("'. Pour utiliser cette base, votre identification numérique doit être '")
                         + strIdentifiant + QStringLiteral("'."),
                     GENRE_CATALOGUE, MB_ICONSTOP, QStringLiteral("BAS_TesterUtilisateur"));
        return false;
    });
}

}  // namespace kervane
