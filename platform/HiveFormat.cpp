#include "platform/HiveFormat.h"

#include <QStringDecoder>
#include <QStringList>
#include <algorithm>

namespace kervane {
namespace {

const QString PREMIERE_LIGNE = QStringLiteral("REGEDIT4");
const QString PREFIXE_DWORD = QStringLiteral("dword:");
const QString PREFIXE_HEX_TEXTE = QStringLiteral("hex(1):");

// ---- writing

QString quoted(const QString& strTexte)
{
    QString strEchappe = strTexte;
    strEchappe.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    return u'"' + strEchappe + u'"';
}

bool needsHex(const QString& strTexte)
{
    return std::any_of(strTexte.begin(), strTexte.end(), [](QChar c) { return c.unicode() < 0x20 || c == u'\x7f'; });
}

QString hexText(const QString& strTexte)
{
    QStringList octets;
    for (const char c : strTexte.toUtf8() + '\0')
        octets << QStringLiteral("%1").arg(static_cast<uchar>(c), 2, 16, QLatin1Char('0'));
    return PREFIXE_HEX_TEXTE + octets.join(u',');
}

QString dataText(const RegistryData& donnee)
{
    if (const auto* pNombre = std::get_if<qint32>(&donnee))
        return PREFIXE_DWORD + QStringLiteral("%1").arg(static_cast<quint32>(*pNombre), 8, 16, QLatin1Char('0'));
    const QString& strTexte = std::get<QString>(donnee);
    return needsHex(strTexte) ? hexText(strTexte) : quoted(strTexte);
}

QString valueLine(const RegistryValue& valeur)
{
    const QString strNom = valeur.strNom.isEmpty() ? QStringLiteral("@") : quoted(valeur.strNom);
    return strNom + u'=' + dataText(valeur.donnee) + u'\n';
}

// ---- reading

// Reads a quoted text starting at nPos (on the opening quote); moves nPos past the closing quote.
std::optional<QString> readQuoted(const QString& strLigne, qsizetype& nPos)
{
    if (nPos >= strLigne.size() || strLigne[nPos] != u'"')
        return std::nullopt;
    QString strTexte;
    for (++nPos; nPos < strLigne.size(); ++nPos) {
        const QChar c = strLigne[nPos];
        if (c == u'"') {
            ++nPos;
            return strTexte;
        }
        if (c == u'\\') {
            if (++nPos >= strLigne.size() || (strLigne[nPos] != u'\\' && strLigne[nPos] != u'"'))
                return std::nullopt;
        }
        strTexte += strLigne[nPos];
    }
    return std::nullopt;
}

std::optional<QString> decodeUtf8(const QByteArray& octets)
{
    QStringDecoder decodeur(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString strTexte = decodeur(octets);
    if (decodeur.hasError())
        return std::nullopt;
    return strTexte;
}

std::optional<qint32> readDword(const QString& strDonnee)
{
    if (strDonnee.size() != 8)
        return std::nullopt;
    bool bOk = false;
    const quint32 nValeur = strDonnee.toUInt(&bOk, 16);
    if (!bOk)
        return std::nullopt;
    return static_cast<qint32>(nValeur);
}

std::optional<QString> readHexText(const QString& strDonnee)
{
    QByteArray octets;
    for (const QString& strOctet : strDonnee.split(u',')) {
        bool bOk = false;
        const uint nOctet = strOctet.trimmed().toUInt(&bOk, 16);
        if (!bOk || strOctet.trimmed().size() != 2)
            return std::nullopt;
        octets += static_cast<char>(nOctet);
    }
    if (!octets.endsWith('\0'))
        return std::nullopt;
    octets.chop(1);
    return decodeUtf8(octets);
}

std::optional<RegistryData> readData(const QString& strDonnee)
{
    if (strDonnee.startsWith(PREFIXE_DWORD))
        return readDword(strDonnee.mid(PREFIXE_DWORD.size()));
    if (strDonnee.startsWith(PREFIXE_HEX_TEXTE))
        return readHexText(strDonnee.mid(PREFIXE_HEX_TEXTE.size()));
    qsizetype nPos = 0;
    std::optional<QString> strTexte = readQuoted(strDonnee, nPos);
    if (!strTexte || nPos != strDonnee.size())
        return std::nullopt;
    return *strTexte;
}

std::optional<RegistryValue> readValueLine(const QString& strLigne)
{
    qsizetype nPos = 0;
    QString strNom;
    if (strLigne.startsWith(u'@')) {
        nPos = 1;
    } else {
        std::optional<QString> strLu = readQuoted(strLigne, nPos);
        if (!strLu)
            return std::nullopt;
        strNom = *strLu;
    }
    if (nPos >= strLigne.size() || strLigne[nPos] != u'=')
        return std::nullopt;
    std::optional<RegistryData> donnee = readData(strLigne.mid(nPos + 1).trimmed());
    if (!donnee)
        return std::nullopt;
    return RegistryValue{strNom, *donnee};
}

// The lines of the text, with a hex line continued by a final "\" joined to the next ones.
QStringList logicalLines(const QString& strTexte)
{
    QStringList lignes;
    bool bSuite = false;
    bool bHex = false;  // looked for once per logical line, however many lines continue it
    for (QString strLigne : strTexte.split(u'\n')) {
        if (strLigne.endsWith(u'\r'))
            strLigne.chop(1);
        if (bSuite) {
            lignes.back() += strLigne.trimmed();
        } else {
            bHex = strLigne.contains(PREFIXE_HEX_TEXTE);
            lignes << strLigne;
        }
        bSuite = bHex && lignes.back().endsWith(u'\\');
        if (bSuite)
            lignes.back().chop(1);
    }
    return lignes;
}

bool readLine(const QString& strLigne, Hive& ruche, RegistryKey*& pCle)
{
    const QString strPropre = strLigne.trimmed();
    if (strPropre.isEmpty() || strPropre.startsWith(u';'))
        return true;
    if (strPropre.startsWith(u'[')) {
        const QString strChemin = strPropre.mid(1, strPropre.size() - 2);
        if (!strPropre.endsWith(u']') || !isValidKeyPath(strChemin))
            return false;
        pCle = &ruche.createKey(strChemin);
        return true;
    }
    std::optional<RegistryValue> valeur = readValueLine(strPropre);
    if (!pCle || !valeur)
        return false;
    setValue(*pCle, valeur->strNom, valeur->donnee);
    return true;
}

}  // namespace

QByteArray serializeHive(const Hive& ruche)
{
    QString strTexte = PREMIERE_LIGNE + u'\n';
    for (const RegistryKey* pCle : ruche.keysInExportOrder()) {
        strTexte += QStringLiteral("\n[") + pCle->chemin() + QStringLiteral("]\n");
        for (const RegistryValue& valeur : pCle->values())
            strTexte += valueLine(valeur);
    }
    return strTexte.toUtf8();
}

std::optional<Hive> parseHive(const QByteArray& contenu)
{
    const std::optional<QString> strTexte = decodeUtf8(contenu);
    if (!strTexte)
        return std::nullopt;
    const QStringList lignes = logicalLines(*strTexte);
    if (lignes.isEmpty() || lignes.front().trimmed() != PREMIERE_LIGNE)
        return std::nullopt;
    Hive ruche;
    RegistryKey* pCle = nullptr;
    for (qsizetype i = 1; i < lignes.size(); ++i)
        if (!readLine(lignes[i], ruche, pCle))
            return std::nullopt;
    return ruche;
}

}  // namespace kervane
