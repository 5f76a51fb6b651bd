#include "print/ImprimerRequete.h"

#include "messages/Piege.h"
#include "print/EnteteImpression.h"
#include "print/ImpressionGrille.h"

#include <QDate>

namespace kervane {

QString nomTravailImpression()
{
    return QStringLiteral("Impression Kervane Vitrelle");
}

QString enteteImpression(const QString& strTexteResultat, bool bLibelle)
{
    const QString strDate = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    if (!bLibelle)
        return QStringLiteral("/r") + strDate + QStringLiteral("/n/c/n/n");
    QString strLibelle = strTexteResultat;
    strLibelle.replace(u'\r', u' ').replace(u'\n', u' ');
    return QStringLiteral("/r") + strDate + QStringLiteral("/n/c") + protegerEntete(strLibelle) +
           QStringLiteral("/n/n");
}

bool ImprimerRequete(ImpressionGrille& impression, const QString& strTexteResultat, bool bLibelle,
                     QPrinter& imprimante)
{
    return Pieger(QStringLiteral("ImprimerRequete"), [&] {
        impression.setEntete(enteteImpression(strTexteResultat, bLibelle));
        impression.setNomTravail(nomTravailImpression());
        ReglagesImpression& reglages = impression.reglages();
        reglages.bTitresLignes = true;
        reglages.bCouleur = true;
        reglages.bTitresColonnes = true;
        reglages.bBordure = true;
        reglages.bOmbre = false;
        reglages.bQuadrillage = true;
        impression.imprimer(imprimante);
        return true;
    });
}

}  // namespace kervane
