#include "platform/spread/SpreadParking.h"

#include "platform/UniqueFd.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace kervane {

namespace {

// An unnamed file in the folder, or one removed as soon as it is made where the system has no
// unnamed files.
UniqueFd unnamedFile(const QString& strFolder)
{
    const QByteArray folder = QFile::encodeName(strFolder);
    UniqueFd fd(::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (fd.valid())
        return fd;
    QByteArray pattern = folder + "/kervane-grille-XXXXXX";
    fd = UniqueFd(::mkostemp(pattern.data(), O_CLOEXEC));
    if (fd.valid())
        ::unlink(pattern.constData());
    return fd;
}

std::size_t roundedTo4(std::size_t n)
{
    return (n + 3) & ~std::size_t{3};
}

}  // namespace

std::unique_ptr<ParkedTexts> ParkedTexts::park(QByteArrayView utf8, std::span<const quint32> starts,
                                               std::span<const quint8> lengths)
{
    QString strFolder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (strFolder.isEmpty() || !QDir().mkpath(strFolder))
        strFolder = QDir::tempPath();
    const UniqueFd fd = unnamedFile(strFolder);
    if (!fd.valid())
        return nullptr;
    auto parked = std::make_unique<ParkedTexts>();
    const auto nUtf8 = static_cast<std::size_t>(utf8.size());
    parked->m_nUtf8 = utf8.size();
    parked->m_nStartsAt = roundedTo4(nUtf8);
    parked->m_nStarts = starts.size();
    parked->m_nLengthsAt = parked->m_nStartsAt + starts.size_bytes();
    parked->m_nLengths = lengths.size();
    const std::size_t nTotal = parked->m_nLengthsAt + lengths.size_bytes();
    const char padding[4] = {};
    if (!writeAll(fd.get(), utf8.data(), nUtf8) || !writeAll(fd.get(), padding, parked->m_nStartsAt - nUtf8) ||
        !writeAll(fd.get(), starts.data(), starts.size_bytes()) ||
        !writeAll(fd.get(), lengths.data(), lengths.size_bytes()))
        return nullptr;
    if (nTotal == 0)
        return nullptr;
    void* pMap = ::mmap(nullptr, nTotal, PROT_READ, MAP_SHARED, fd.get(), 0);
    if (pMap == MAP_FAILED)
        return nullptr;
    parked->m_pBase = static_cast<const char*>(pMap);
    parked->m_nMapped = nTotal;
    return parked;
}

ParkedTexts::~ParkedTexts()
{
    if (m_nMapped > 0)
        ::munmap(const_cast<char*>(m_pBase), m_nMapped);
}

std::span<const quint32> ParkedTexts::starts() const
{
    return {reinterpret_cast<const quint32*>(m_pBase + m_nStartsAt), m_nStarts};
}

std::span<const quint8> ParkedTexts::lengths() const
{
    return {reinterpret_cast<const quint8*>(m_pBase + m_nLengthsAt), m_nLengths};
}

}  // namespace kervane
