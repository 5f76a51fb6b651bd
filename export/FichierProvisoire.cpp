#include "export/FichierProvisoire.h"

#include "messages/ErreurSysteme.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kervane {
namespace {

constexpr int kEssais = 20;
constexpr mode_t kDroitsEcriture = S_IWUSR | S_IWGRP | S_IWOTH;

QString nomProvisoire(const QString& strDossier, const QString& strNom)
{
    const quint32 nHasard = QRandomGenerator::global()->generate();
    return strDossier + QStringLiteral("/.~") + strNom + QLatin1Char('.') + QString::number(nHasard, 36);
}

// The file a path leads to, links followed; the path itself when nothing is there.
QString cibleReelle(const QString& strChemin)
{
    const QFileInfo info(strChemin);
    return info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
}

ErreurPiegee refus(qint32 nNumero, const QString& strChemin, const QString& strRaison)
{
    return {nNumero, QStringLiteral("Le fichier [%1] ne peut pas être remplacé. ").arg(strChemin) + strRaison};
}

void synchroniser(const QString& strChemin)
{
    const int fd = ::open(QFile::encodeName(strChemin).constData(), O_RDONLY | O_CLOEXEC);
    const int nErrno = fd < 0 || ::fsync(fd) != 0 ? errno : 0;
    if (fd >= 0)
        ::close(fd);
    if (nErrno != 0)
        LeverErreurSysteme(nErrno,
                           QStringLiteral("Le fichier [%1] n'a pas pu être écrit sur le disque.").arg(strChemin));
}

}  // namespace

ErreurPiegee RefusDeRemplacement(const QString& strChemin)
{
    struct stat etat {};
    const QByteArray cible = QFile::encodeName(cibleReelle(strChemin));
    if (::lstat(cible.constData(), &etat) != 0)
        return {};
    if (S_ISDIR(etat.st_mode))
        return refus(ERREUR_ACCES_FICHIER, strChemin, TexteErreurSysteme(EISDIR));
    if (!S_ISREG(etat.st_mode) && !S_ISCHR(etat.st_mode))
        return refus(ERREUR_ACCES_FICHIER, strChemin, QStringLiteral("Ce n'est pas un fichier ordinaire."));
    // The mode bits stand for the read-only attribute: they hold even for the administrator,
    // whom the system would let write.
    if ((etat.st_mode & kDroitsEcriture) == 0)
        return {ERREUR_ACCES_FICHIER, QStringLiteral("Le fichier [%1] est en lecture seule : il ne peut pas être "
                                                     "remplacé.")
                                          .arg(strChemin)};
    if (::access(cible.constData(), W_OK) != 0) {
        const int nErrno = errno;
        return refus(NumeroErreurSysteme(nErrno), strChemin, TexteErreurSysteme(nErrno));
    }
    return {};
}

FichierProvisoire::FichierProvisoire(const QString& strCheminFinal) : m_strCheminFinal(cibleReelle(strCheminFinal))
{
    if (const ErreurPiegee erreur = RefusDeRemplacement(strCheminFinal); erreur.nNumero != 0)
        LeverErreur(erreur.nNumero, erreur.strDescription);
    struct stat etat {};
    if (::stat(QFile::encodeName(m_strCheminFinal).constData(), &etat) == 0) {
        m_bDirect = S_ISCHR(etat.st_mode);
        m_nDroits = etat.st_mode & 0777;  // never a set-user bit onto a new owner's file
    }
    if (m_bDirect)
        m_strChemin = m_strCheminFinal;
    else
        reserver();
}

// O_EXCL never takes over another file; the umask decides the rights until the file is put
// in place.
void FichierProvisoire::reserver()
{
    const QFileInfo cible(m_strCheminFinal);
    m_strDossier = cible.absolutePath();
    int nErrno = EEXIST;
    for (int i = 0; i < kEssais; ++i) {
        const QString strEssai = nomProvisoire(m_strDossier, cible.fileName());
        const int fd = ::open(QFile::encodeName(strEssai).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            m_strChemin = strEssai;
            return;
        }
        nErrno = errno;
        if (nErrno != EEXIST)
            break;  // not a clash of names: the folder refuses
    }
    LeverErreurSysteme(nErrno,
                       QStringLiteral("Impossible de créer un fichier dans le répertoire [%1].").arg(m_strDossier));
}

FichierProvisoire::~FichierProvisoire()
{
    if (!m_bEnPlace && !m_bDirect && !m_strChemin.isEmpty())
        QFile::remove(m_strChemin);
}

void FichierProvisoire::mettreEnPlace()
{
    if (m_bDirect) {
        m_bEnPlace = true;
        return;
    }
    synchroniser(m_strChemin);
    const QByteArray provisoire = QFile::encodeName(m_strChemin);
    if (m_nDroits != 0 && ::chmod(provisoire.constData(), static_cast<mode_t>(m_nDroits)) != 0) {
        const int nErrno = errno;
        LeverErreurSysteme(nErrno, QStringLiteral("Le fichier [%1] n'a pas pu être écrit.").arg(m_strChemin));
    }
    if (std::rename(provisoire.constData(), QFile::encodeName(m_strCheminFinal).constData()) != 0) {
        const int nErrno = errno;
        LeverErreurSysteme(nErrno, QStringLiteral("Le fichier [%1] n'a pas pu être remplacé.").arg(m_strCheminFinal));
    }
    m_bEnPlace = true;
}

}  // namespace kervane
