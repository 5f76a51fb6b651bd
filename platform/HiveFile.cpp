#include "platform/HiveFile.h"

#include "platform/HiveFormat.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <thread>

namespace kervane {
namespace {

QByteArray nativePath(const QString& strChemin)
{
    return QFile::encodeName(strChemin);
}

bool writeAll(int nFd, const QByteArray& contenu)
{
    const char* pDonnees = contenu.constData();
    qsizetype nReste = contenu.size();
    while (nReste > 0) {
        const ssize_t nEcrit = ::write(nFd, pDonnees, static_cast<size_t>(nReste));
        if (nEcrit < 0 && errno == EINTR)
            continue;
        if (nEcrit <= 0)
            return false;
        pDonnees += nEcrit;
        nReste -= nEcrit;
    }
    return true;
}

// Makes a rename in that folder durable; a failure here does not undo the rename.
void syncFolder(const QString& strDossier)
{
    const UniqueFd fd(::open(nativePath(strDossier).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid())
        ::fsync(fd.get());
}

// Renames without replacing: 0 on success, otherwise the errno.
int renameNoReplace(const QByteArray& ancien, const QByteArray& nouveau)
{
    if (::renameat2(AT_FDCWD, ancien.constData(), AT_FDCWD, nouveau.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the no-replace flag: check first (the caller holds the hive's lock).
    if (QFileInfo::exists(QFile::decodeName(nouveau)))
        return EEXIST;
    return ::rename(ancien.constData(), nouveau.constData()) == 0 ? 0 : errno;
}

}  // namespace

QString registryFolder()
{
    const QString strDossier = qEnvironmentVariable("KERVANE_REGISTRY_DIR");
    if (!strDossier.isEmpty())
        return strDossier;
    QString strConfig = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (strConfig.isEmpty())
        strConfig = QDir::homePath() + QStringLiteral("/.config");
    return strConfig + QStringLiteral("/Brintek");
}

QString registryHivePath(RegistryRoot racine)
{
    const QString strNom = racine == RegistryRoot::CurrentUser ? QStringLiteral("HKEY_CURRENT_USER.reg")
                                                                : QStringLiteral("HKEY_LOCAL_MACHINE.reg");
    return registryFolder() + u'/' + strNom;
}

LoadedHive loadHive(const QString& strChemin)
{
    QFile fichier(strChemin);
    if (!fichier.exists())
        return {};
    if (!fichier.open(QIODevice::ReadOnly))
        return {HiveState::Unreadable, {}};
    const QByteArray contenu = fichier.readAll();
    if (fichier.error() != QFileDevice::NoError)
        return {HiveState::Unreadable, {}};
    std::optional<Hive> ruche = parseHive(contenu);
    if (!ruche)
        return {HiveState::Damaged, {}};
    return {HiveState::Loaded, std::move(*ruche)};
}

HiveLock::HiveLock(const QString& strCheminRuche, int nDelaiMs)
{
    UniqueFd fd(::open(nativePath(strCheminRuche + QStringLiteral(".lock")).constData(),
                       O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd.valid())
        return;
    QElapsedTimer chrono;
    chrono.start();
    auto attente = std::chrono::milliseconds(1);
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || chrono.elapsed() >= nDelaiMs)
            return;
        std::this_thread::sleep_for(attente);
        attente = std::min(attente * 2, std::chrono::milliseconds(20));
    }
    m_fd = std::move(fd);
}

bool replaceFileAtomically(const QString& strChemin, const QByteArray& contenu)
{
    const QByteArray cible = nativePath(strChemin);
    const QByteArray temporaire = nativePath(strChemin + QStringLiteral(".tmp"));
    UniqueFd fd(::open(temporaire.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!fd.valid())
        return false;
    const bool bEcrit = writeAll(fd.get(), contenu) && ::fsync(fd.get()) == 0;
    if (!fd.close() || !bEcrit || ::rename(temporaire.constData(), cible.constData()) != 0) {
        ::unlink(temporaire.constData());
        return false;
    }
    syncFolder(QFileInfo(strChemin).absolutePath());
    return true;
}

QString putFileAside(const QString& strChemin)
{
    const QString strBase = strChemin + QStringLiteral(".endommagé-") +
                            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    for (int n = 1; n < 1000; ++n) {
        const QString strNouveau = n == 1 ? strBase : strBase + QStringLiteral("-%1").arg(n);
        const int nErreur = renameNoReplace(nativePath(strChemin), nativePath(strNouveau));
        if (nErreur == 0) {
            syncFolder(QFileInfo(strChemin).absolutePath());
            return strNouveau;
        }
        if (nErreur != EEXIST)
            return {};
    }
    return {};
}

}  // namespace kervane
