#include "platform/HiveFile.h"

#include "platform/HiveFormat.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace kervane {
namespace {

std::atomic<quint64> g_nAnalyses{0};
std::atomic<quint64> g_nFsync{0};

QByteArray nativePath(const QString& strChemin)
{
    return QFile::encodeName(strChemin);
}

int countedFsync(int nFd)
{
    g_nFsync.fetch_add(1, std::memory_order_relaxed);
    return ::fsync(nFd);
}

bool readAll(int nFd, QByteArray& contenu)
{
    char tampon[65536];
    for (;;) {
        const ssize_t nLu = ::read(nFd, tampon, sizeof tampon);
        if (nLu < 0 && errno == EINTR)
            continue;
        if (nLu < 0)
            return false;
        if (nLu == 0)
            return true;
        contenu.append(tampon, nLu);
    }
}

// What tells one version of a file from another without reading it.
struct FileIdentity {
    dev_t nPeripherique = 0;
    ino_t nInode = 0;
    off_t nTaille = 0;
    timespec modification{};
    timespec changement{};
};

FileIdentity identityOf(const struct stat& etat)
{
    return {etat.st_dev, etat.st_ino, etat.st_size, etat.st_mtim, etat.st_ctim};
}

bool sameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool sameVersion(const FileIdentity& a, const FileIdentity& b)
{
    return a.nPeripherique == b.nPeripherique && a.nInode == b.nInode && a.nTaille == b.nTaille
           && sameTime(a.modification, b.modification) && sameTime(a.changement, b.changement);
}

// The hives this process last parsed or wrote, a few files at most (the two roots, and
// those of a folder named before), each with its file held open.
class KeptHives {
public:
    std::shared_ptr<const Hive> find(const QString& strChemin, const FileIdentity& identite)
    {
        const std::lock_guard garde(m_mutex);
        for (const Kept& gardee : m_gardees)
            if (gardee.strChemin == strChemin && sameVersion(gardee.identite, identite))
                return gardee.ruche;
        return nullptr;
    }

    void keep(const QString& strChemin, UniqueFd fichier, const FileIdentity& identite,
              std::shared_ptr<const Hive> ruche)
    {
        const std::lock_guard garde(m_mutex);
        std::erase_if(m_gardees, [&](const Kept& gardee) { return gardee.strChemin == strChemin; });
        if (m_gardees.size() >= MAX_GARDEES)
            m_gardees.erase(m_gardees.begin());
        m_gardees.push_back({strChemin, identite, std::move(ruche), std::move(fichier)});
    }

private:
    static constexpr std::size_t MAX_GARDEES = 4;
    struct Kept {
        QString strChemin;
        FileIdentity identite;
        std::shared_ptr<const Hive> ruche;
        UniqueFd fichier;
    };
    std::mutex m_mutex;
    std::vector<Kept> m_gardees;  // the most recent last
};

KeptHives& keptHives()
{
    static KeptHives gardees;
    return gardees;
}

std::shared_ptr<const Hive> emptyHive()
{
    static const auto vide = std::make_shared<const Hive>();
    return vide;
}

// A file that cannot be opened: missing (or its folder) is an empty hive, anything else unreadable.
LoadedHive withoutFile(int nErreur)
{
    const bool bAbsent = nErreur == ENOENT || nErreur == ENOTDIR;
    return {bAbsent ? HiveState::Loaded : HiveState::Unreadable, emptyHive()};
}

// Makes a rename in that folder durable; a failure here does not undo the rename.
void syncFolder(const QString& strDossier)
{
    const UniqueFd fd(::open(nativePath(strDossier).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid())
        countedFsync(fd.get());
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
    const QByteArray chemin = nativePath(strChemin);
    struct stat etat {};
    if (::stat(chemin.constData(), &etat) != 0)
        return withoutFile(errno);
    if (std::shared_ptr<const Hive> gardee = keptHives().find(strChemin, identityOf(etat)))
        return {HiveState::Loaded, std::move(gardee)};
    UniqueFd fd(::open(chemin.constData(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return withoutFile(errno);
    // Taken before reading: a change made while reading shows as a newer version next time.
    QByteArray contenu;
    if (::fstat(fd.get(), &etat) != 0 || !readAll(fd.get(), contenu))
        return {HiveState::Unreadable, emptyHive()};
    g_nAnalyses.fetch_add(1, std::memory_order_relaxed);
    std::optional<Hive> ruche = parseHive(contenu);
    if (!ruche)
        return {HiveState::Damaged, nullptr};
    auto lue = std::make_shared<const Hive>(std::move(*ruche));
    keptHives().keep(strChemin, std::move(fd), identityOf(etat), lue);
    return {HiveState::Loaded, std::move(lue)};
}

bool writeHive(const QString& strChemin, std::shared_ptr<const Hive> ruche)
{
    UniqueFd fd = replaceFileAtomically(strChemin, serializeHive(*ruche));
    if (!fd.valid())
        return false;
    struct stat etat {};  // after the rename, which may set the change time
    if (::fstat(fd.get(), &etat) == 0)
        keptHives().keep(strChemin, std::move(fd), identityOf(etat), std::move(ruche));
    return true;
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

UniqueFd replaceFileAtomically(const QString& strChemin, const QByteArray& contenu)
{
    const QByteArray cible = nativePath(strChemin);
    const QByteArray temporaire = nativePath(strChemin + QStringLiteral(".tmp"));
    UniqueFd fd(::open(temporaire.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!fd.valid())
        return fd;
    // fsync reports the delayed write errors a close would.
    if (!writeAll(fd.get(), contenu.constData(), static_cast<std::size_t>(contenu.size()))
        || countedFsync(fd.get()) != 0 || ::rename(temporaire.constData(), cible.constData()) != 0) {
        ::unlink(temporaire.constData());
        return UniqueFd();
    }
    syncFolder(QFileInfo(strChemin).absolutePath());
    return fd;
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

quint64 hiveFilesParsed()
{
    return g_nAnalyses.load(std::memory_order_relaxed);
}

quint64 hiveFsyncCalls()
{
    return g_nFsync.load(std::memory_order_relaxed);
}

}  // namespace kervane
