#include "export/FichierProvisoire.h"

#include "messages/Erreur.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace kervane {
namespace {

constexpr qint32 ERREUR_ACCES_FICHIER = 75;
constexpr int kEssais = 20;

[[noreturn]] void leverAcces(const QString& strTexte)
{
    LeverErreur(ERREUR_ACCES_FICHIER,
                strTexte + QStringLiteral(" (") + QString::fromLocal8Bit(std::strerror(errno)) + QLatin1Char(')'));
}

QString nomProvisoire(const QString& strDossier, const QString& strNom)
{
    const quint32 nHasard = QRandomGenerator::global()->generate();
    return strDossier + QStringLiteral("/.~") + strNom + QLatin1Char('.') + QString::number(nHasard, 36);
}

void synchroniser(const QString& strChemin)
{
    QFile fichier(strChemin);
    if (!fichier.open(QIODevice::ReadOnly) || ::fsync(fichier.handle()) != 0)
        leverAcces(QStringLiteral("Le fichier [%1] n'a pas pu être écrit sur le disque.").arg(strChemin));
}

}  // namespace

FichierProvisoire::FichierProvisoire(const QString& strCheminFinal) : m_strCheminFinal(strCheminFinal)
{
    const QFileInfo cible(strCheminFinal);
    m_strDossier = cible.absolutePath();
    QString strRaison;
    for (int i = 0; i < kEssais && m_strChemin.isEmpty(); ++i) {
        const QString strEssai = nomProvisoire(m_strDossier, cible.fileName());
        QFile fichier(strEssai);
        // NewOnly never takes over another file; the umask decides the rights.
        if (fichier.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            m_strChemin = strEssai;
        else if (strRaison = fichier.errorString(); !QFile::exists(strEssai))
            break;  // not a clash of names: the folder refuses
    }
    if (m_strChemin.isEmpty())
        LeverErreur(ERREUR_ACCES_FICHIER,
                    QStringLiteral("Impossible de créer un fichier dans le répertoire [%1] (%2).")
                        .arg(m_strDossier, strRaison));
}

FichierProvisoire::~FichierProvisoire()
{
    if (!m_bEnPlace && !m_strChemin.isEmpty())
        QFile::remove(m_strChemin);
}

void FichierProvisoire::mettreEnPlace()
{
    synchroniser(m_strChemin);
    if (std::rename(QFile::encodeName(m_strChemin).constData(), QFile::encodeName(m_strCheminFinal).constData()) != 0)
        leverAcces(QStringLiteral("Le fichier [%1] n'a pas pu être remplacé.").arg(m_strCheminFinal));
    m_bEnPlace = true;
}

}  // namespace kervane
