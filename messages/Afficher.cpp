#include "messages/Afficher.h"

#include "messages/Catalogue.h"
#include "messages/Programme.h"
#include "messages/Repondeur.h"
#include "messages/Sablier.h"
#include "messages/Texte.h"
#include "messages/Trace.h"

namespace kervane {
namespace {

const QString MESSAGE_INCONNU = QStringLiteral("Message inconnu");

QString titleFor(const QString& strProcedure)
{
    const QString& strTitre = Programme().strTitreApplication;
    if (!Programme().bModeDebug)
        return strTitre;
    return strTitre + QStringLiteral(" [") + strProcedure + QLatin1Char(']');
}

QString odbcDiagnostic()
{
    QString strTexte = QStringLiteral("Impossible de récupérer le message d'erreur ODBC.");
    if (const LecteurDiagnosticODBC pLecteur = Programme().pLecteurDiagnosticODBC)
        pLecteur(strTexte);
    return strTexte;
}

qint16 showError(const QString& strTexte, const QString& strTitre)
{
    MSG_Tracer(QStringLiteral("Erreur         -> ") + strTitre + QStringLiteral(" - ") + strTexte);
    return Repondeur().afficherMessage(strTexte, MB_ICONEXCLAMATION, strTitre);
}

qint16 showErrorNumber(const ErreurPiegee& erreur, const QString& strTitre)
{
    if (erreur.nNumero == ERREUR_ODBC)
        return showError(odbcDiagnostic(), strTitre);
    return showError(texteErreurPiegee(erreur), strTitre);
}

qint16 showCatalogue(qint32 nNumero, qint32 nStyle, const QString& strTitre)
{
    const QString* pTexte = TexteCatalogue(nNumero);
    if (!pTexte)
        LeverErreur(ERREUR_RESSOURCE, QStringLiteral("Ressource introuvable : message %1").arg(nNumero));
    if (pTexte->trimmed().isEmpty()) {
        Repondeur().afficherMessage(MESSAGE_INCONNU, MB_ICONEXCLAMATION, strTitre);
        return 0;
    }
    return Repondeur().afficherMessage(*pTexte, nStyle, strTitre);
}

qint16 dispatch(const Message& message, qint16 nGenre, qint32 nStyle, const QString& strTitre)
{
    if (const auto* pTexte = std::get_if<QString>(&message))
        return Repondeur().afficherMessage(*pTexte, nStyle, strTitre);
    if (const auto* pErreur = std::get_if<ErreurPiegee>(&message); pErreur && nGenre == GENRE_ERREUR)
        return showErrorNumber(*pErreur, strTitre);
    if (const auto* pNumero = std::get_if<qint32>(&message)) {
        if (nGenre == GENRE_ERREUR)
            return showErrorNumber({*pNumero, QString()}, strTitre);
        if (nGenre == GENRE_CATALOGUE)
            return showCatalogue(*pNumero, nStyle, strTitre);
    }
    Repondeur().afficherMessage(MESSAGE_INCONNU, MB_ICONEXCLAMATION, strTitre);
    return 0;
}

}  // namespace

QString texteErreurPiegee(const ErreurPiegee& erreur)
{
    return QStringLiteral("VB-%1  ").arg(erreur.nNumero, 5, 10, QLatin1Char('0')) + erreur.strDescription;
}

qint16 MSG_Afficher(const Message& message, qint16 nGenre, qint32 nStyle, const QString& strProcedure)
{
    Sablier sablier;
    const QString strTitre = titleFor(strProcedure);
    try {
        return dispatch(message, nGenre, nStyle, strTitre);
    } catch (...) {
        const ErreurPiegee erreur = ErreurEnCours();
        const QString strTexte = erreur.nNumero == 0 ? QStringLiteral("Erreur Inconnue.") : texteErreurPiegee(erreur);
        try {
            Repondeur().afficherMessage(strTexte, MB_ICONEXCLAMATION, titleFor(QStringLiteral("MSG_Afficher")));
        } catch (...) {
        }
        return 0;
    }
}

QString MSG_Formater(qint16 nNumero, const QString& strArgument)
{
    const QString* pTexte = TexteCatalogue(nNumero);
    if (!pTexte || pTexte->trimmed().isEmpty())
        return QStringLiteral("Message inconnue");
    return STR_Remplacer(*pTexte, QStringLiteral("%%"), strArgument, STR_TOUTES);
}

}  // namespace kervane
