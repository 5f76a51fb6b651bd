#include "settings/RapportRegistre.h"

#include "messages/Afficher.h"
#include "messages/Repondeur.h"

#include <QDir>

namespace kervane {
namespace {

thread_local MessagesRegistreDifferes* t_pDifferes = nullptr;

qint16 numeroMessage(EchecRegistre echec, bool bRacineUtilisateur)
{
    switch (echec) {
    case EchecRegistre::CleInconnue:
        return bRacineUtilisateur ? 203 : 216;
    case EchecRegistre::DonneeInconnue:
        return bRacineUtilisateur ? 204 : 215;
    case EchecRegistre::CleNonCreee:
        return bRacineUtilisateur ? 205 : 214;
    case EchecRegistre::DonneeNonAssociee:
        break;
    }
    return bRacineUtilisateur ? 206 : 213;
}

// The message box of a registry failure, once no batch holds the hives.
void afficherRegistre(const QString& strTexte, const QString& strProcedure)
{
    MessagesRegistreDifferes::afficherOuRetenir(
        [strTexte, strProcedure] { MSG_Afficher(strTexte, GENRE_CATALOGUE, MB_ICONEXCLAMATION, strProcedure); });
}

}  // namespace

MessagesRegistreDifferes::MessagesRegistreDifferes()
{
    if (!t_pDifferes)
        t_pDifferes = this;
}

MessagesRegistreDifferes::~MessagesRegistreDifferes()
{
    if (t_pDifferes == this)
        t_pDifferes = nullptr;
}

void MessagesRegistreDifferes::afficher()
{
    if (t_pDifferes != this)
        return;  // joined to an outer one, which shows them
    t_pDifferes = nullptr;
    const std::vector<std::function<void()>> messages = std::move(m_messages);
    m_messages.clear();
    for (const auto& afficherMessage : messages)
        afficherMessage();
}

void MessagesRegistreDifferes::afficherOuRetenir(std::function<void()> afficherMessage)
{
    if (t_pDifferes)
        t_pDifferes->m_messages.push_back(std::move(afficherMessage));
    else
        afficherMessage();
}

void signalerEchecRegistre(EchecRegistre echec, bool bRacineUtilisateur, const QString& strCle,
                           const QString& strPrefixe, const QString& strProcedure)
{
    const QString strTexte = strPrefixe + MSG_Formater(numeroMessage(echec, bRacineUtilisateur), strCle);
    afficherRegistre(strTexte, strProcedure);
}

void signalerRucheEndommagee(const RegistryOutcome& resultat, const QString& strProcedure)
{
    if (!resultat.damaged)
        return;
    const QString strChemin = QDir::toNativeSeparators(resultat.damaged->strChemin);
    const QString& strMisDeCote = resultat.damaged->strCheminMisDeCote;
    const QString strTexte =
        strMisDeCote.isEmpty()
            ? QStringLiteral("Le fichier de registre %1 est illisible et n'a pas pu être mis de côté ; "
                             "un registre vide le remplace et les réglages ne peuvent pas y être enregistrés.")
                  .arg(strChemin)
            : QStringLiteral("Le fichier de registre %1 était illisible ; il a été mis de côté sous le nom %2 "
                             "et un registre vide le remplace.")
                  .arg(strChemin, QDir::toNativeSeparators(strMisDeCote));
    afficherRegistre(strTexte, strProcedure);
}

}  // namespace kervane
