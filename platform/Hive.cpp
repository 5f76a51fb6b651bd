#include "platform/Hive.h"

#include <algorithm>

namespace kervane {
namespace {

const QChar SEPARATEUR(u'\\');
const QChar SEPARATEUR_TRI(u'\x01');  // sorts before any name character

bool hasControlCharacter(const QString& strTexte)
{
    return std::any_of(strTexte.begin(), strTexte.end(), [](QChar c) { return c.unicode() < 0x20; });
}

// The map key of a path: case folded, with a separator that keeps subkeys right after their parent.
QString sortKey(const QString& strChemin)
{
    QString strCle = strChemin.toCaseFolded();
    strCle.replace(SEPARATEUR, SEPARATEUR_TRI);
    return strCle;
}

bool sameName(const QString& strA, const QString& strB)
{
    return strA.toCaseFolded() == strB.toCaseFolded();
}

}  // namespace

bool isValidKeyPath(const QString& strChemin)
{
    if (strChemin.isEmpty() || hasControlCharacter(strChemin))
        return false;
    const QStringList noms = strChemin.split(SEPARATEUR);
    return std::none_of(noms.begin(), noms.end(), [](const QString& strNom) { return strNom.isEmpty(); });
}

bool isValidValueName(const QString& strNom)
{
    return !hasControlCharacter(strNom);
}

const RegistryKey* Hive::findKey(const QString& strChemin) const
{
    if (!isValidKeyPath(strChemin))
        return nullptr;
    const auto it = m_cles.find(sortKey(strChemin));
    return it == m_cles.end() ? nullptr : &it->second;
}

RegistryKey* Hive::findKey(const QString& strChemin)
{
    return const_cast<RegistryKey*>(std::as_const(*this).findKey(strChemin));
}

RegistryKey& Hive::createKey(const QString& strChemin)
{
    RegistryKey* pCle = nullptr;
    QString strParent;
    for (const QString& strNom : strChemin.split(SEPARATEUR)) {
        const QString strSousCle = strParent.isEmpty() ? strNom : strParent + SEPARATEUR + strNom;
        auto [it, bNouvelle] = m_cles.try_emplace(sortKey(strSousCle));
        if (bNouvelle)
            it->second.strChemin = strSousCle;
        pCle = &it->second;
        strParent = pCle->strChemin;  // an existing parent keeps its own case
    }
    return *pCle;
}

bool Hive::hasSubkeys(const QString& strChemin) const
{
    const QString strPrefixe = sortKey(strChemin) + SEPARATEUR_TRI;
    const auto it = m_cles.lower_bound(strPrefixe);
    return it != m_cles.end() && it->first.startsWith(strPrefixe);
}

bool Hive::removeKey(const QString& strChemin)
{
    return isValidKeyPath(strChemin) && m_cles.erase(sortKey(strChemin)) > 0;
}

const RegistryValue* findValue(const RegistryKey& cle, const QString& strNom)
{
    const auto it = std::find_if(cle.valeurs.begin(), cle.valeurs.end(),
                                 [&](const RegistryValue& valeur) { return sameName(valeur.strNom, strNom); });
    return it == cle.valeurs.end() ? nullptr : &*it;
}

bool setValue(RegistryKey& cle, const QString& strNom, const RegistryData& donnee)
{
    auto* pValeur = const_cast<RegistryValue*>(findValue(cle, strNom));
    if (!pValeur) {
        cle.valeurs.push_back({strNom, donnee});
        return true;
    }
    if (pValeur->donnee == donnee)
        return false;
    pValeur->donnee = donnee;
    return true;
}

bool removeValue(RegistryKey& cle, const QString& strNom)
{
    const auto it = std::find_if(cle.valeurs.begin(), cle.valeurs.end(),
                                 [&](const RegistryValue& valeur) { return sameName(valeur.strNom, strNom); });
    if (it == cle.valeurs.end())
        return false;
    cle.valeurs.erase(it);
    return true;
}

}  // namespace kervane
