#include "query/TextesUtf8.h"

#include <algorithm>

namespace kervane {

namespace {

bool isLead(unsigned char b)
{
    return (b & 0xC0) != 0x80;
}

}  // namespace

qsizetype longueurUtf16(QByteArrayView utf8)
{
    qsizetype n = 0;
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if (isLead(b))
            n += b >= 0xF0 ? 2 : 1;
    }
    return n;
}

bool contientSautDeLigne(QByteArrayView utf8)
{
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '\n' || c == '\r')
            return true;
        // U+2028 and U+2029: E2 80 A8, E2 80 A9.
        if (static_cast<unsigned char>(c) == 0xE2 && i + 2 < utf8.size()
            && static_cast<unsigned char>(utf8[i + 1]) == 0x80
            && (static_cast<unsigned char>(utf8[i + 2]) == 0xA8 || static_cast<unsigned char>(utf8[i + 2]) == 0xA9))
            return true;
    }
    return false;
}

bool largeurBornee(QByteArrayView utf8, double dLargeur, double dCaractereMax)
{
    // A text has at most as many UTF-16 units as bytes: counted only when its bytes exceed.
    if (static_cast<double>(utf8.size()) * dCaractereMax > dLargeur
        && static_cast<double>(longueurUtf16(utf8)) * dCaractereMax > dLargeur)
        return false;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0xC9 || !isLead(b))
            continue;
        // U+0240..U+024F are C9 80..C9 8F; anything from C9 90 (U+0250) on is another script.
        if (b > 0xC9 || i + 1 >= utf8.size() || static_cast<unsigned char>(utf8[i + 1]) >= 0x90)
            return false;
    }
    return true;
}

NomsUtf8::NomsUtf8(const QStringList& noms)
{
    m_noms.reserve(static_cast<std::size_t>(noms.size()));
    for (const QString& strNom : noms)
        m_noms.push_back(strNom.toUtf8());
}

bool NomsUtf8::contient(QByteArrayView utf8) const
{
    return std::any_of(m_noms.cbegin(), m_noms.cend(), [&](const QByteArray& nom) { return QByteArrayView(nom) == utf8; });
}

}  // namespace kervane
