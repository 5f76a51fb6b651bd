#include "platform/Hive.h"

#include <QHashFunctions>
#include <algorithm>
#include <atomic>

namespace kervane {
namespace {

const QChar SEPARATEUR(u'\\');
const QChar SEPARATEUR_TRI(u'\x01');  // sorts before any name character

std::atomic<quint64> g_nComparaisons{0};

bool hasControlCharacter(const QString& strTexte)
{
    return std::any_of(strTexte.begin(), strTexte.end(), [](QChar c) { return c.unicode() < 0x20; });
}

// The export order of a path: case folded, with a separator that keeps subkeys right after their parent.
QString sortKey(const QString& strChemin)
{
    QString strCle = strChemin.toCaseFolded();
    strCle.replace(SEPARATEUR, SEPARATEUR_TRI);
    return strCle;
}

}  // namespace

std::size_t FoldedNameHash::operator()(const QString& strPlie) const
{
    return qHash(strPlie, QHashSeed::globalSeed());
}

bool FoldedNameEqual::operator()(const QString& strA, const QString& strB) const
{
    g_nComparaisons.fetch_add(1, std::memory_order_relaxed);
    return strA == strB;
}

quint64 hiveNameComparisons()
{
    return g_nComparaisons.load(std::memory_order_relaxed);
}

const RegistryValue* RegistryKey::find(const QString& strNom) const
{
    const auto it = m_index.find(strNom.toCaseFolded());
    return it == m_index.end() ? nullptr : &m_valeurs[it->second];
}

bool RegistryKey::set(const QString& strNom, const RegistryData& donnee)
{
    const auto [it, bNouveau] = m_index.try_emplace(strNom.toCaseFolded(), m_valeurs.size());
    if (bNouveau) {
        m_valeurs.push_back({strNom, donnee});
        return true;
    }
    RegistryValue& valeur = m_valeurs[it->second];
    if (valeur.donnee == donnee)
        return false;
    valeur.donnee = donnee;
    return true;
}

bool RegistryKey::remove(const QString& strNom)
{
    const auto it = m_index.find(strNom.toCaseFolded());
    if (it == m_index.end())
        return false;
    const std::size_t nPlace = it->second;
    m_index.erase(it);
    m_valeurs.erase(m_valeurs.begin() + static_cast<std::ptrdiff_t>(nPlace));
    for (auto& [strPlie, nAutre] : m_index)
        if (nAutre > nPlace)
            --nAutre;
    return true;
}

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
    const auto it = m_cles.find(strChemin.toCaseFolded());
    return it == m_cles.end() ? nullptr : &it->second;
}

RegistryKey* Hive::findKey(const QString& strChemin)
{
    return const_cast<RegistryKey*>(std::as_const(*this).findKey(strChemin));
}

RegistryKey& Hive::createKey(const QString& strChemin)
{
    QString strPlie = strChemin.toCaseFolded();
    if (const auto it = m_cles.find(strPlie); it != m_cles.end())
        return it->second;
    // A new key: its parent first, whose path keeps its own case (the map keeps references).
    QString strCheminGarde = strChemin;
    RegistryKey* pParent = nullptr;
    const qsizetype nSeparateur = strChemin.lastIndexOf(SEPARATEUR);
    if (nSeparateur > 0) {
        pParent = &createKey(strChemin.left(nSeparateur));
        strCheminGarde = pParent->m_strChemin + strChemin.mid(nSeparateur);
    }
    RegistryKey& cle = m_cles.try_emplace(std::move(strPlie), strCheminGarde).first->second;
    if (pParent)
        ++pParent->m_nSousCles;
    return cle;
}

bool Hive::hasSubkeys(const QString& strChemin) const
{
    const RegistryKey* pCle = findKey(strChemin);
    return pCle && pCle->m_nSousCles > 0;
}

bool Hive::removeKey(const QString& strChemin)
{
    const RegistryKey* pCle = findKey(strChemin);
    if (!pCle || pCle->m_nSousCles > 0)
        return false;
    const qsizetype nSeparateur = strChemin.lastIndexOf(SEPARATEUR);
    if (RegistryKey* pParent = nSeparateur > 0 ? findKey(strChemin.left(nSeparateur)) : nullptr)
        --pParent->m_nSousCles;
    m_cles.erase(strChemin.toCaseFolded());
    return true;
}

std::vector<const RegistryKey*> Hive::keysInExportOrder() const
{
    std::vector<std::pair<QString, const RegistryKey*>> tries;
    tries.reserve(m_cles.size());
    for (const auto& [strPlie, cle] : m_cles)
        tries.emplace_back(sortKey(cle.m_strChemin), &cle);
    std::sort(tries.begin(), tries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const RegistryKey*> cles;
    cles.reserve(tries.size());
    for (const auto& [strTri, pCle] : tries)
        cles.push_back(pCle);
    return cles;
}

bool Hive::operator==(const Hive& autre) const
{
    if (m_cles.size() != autre.m_cles.size())
        return false;
    return std::all_of(m_cles.begin(), m_cles.end(), [&](const auto& entree) {
        const auto it = autre.m_cles.find(entree.first);
        return it != autre.m_cles.end() && it->second == entree.second;
    });
}

const RegistryValue* findValue(const RegistryKey& cle, const QString& strNom)
{
    return cle.find(strNom);
}

bool setValue(RegistryKey& cle, const QString& strNom, const RegistryData& donnee)
{
    return cle.set(strNom, donnee);
}

bool removeValue(RegistryKey& cle, const QString& strNom)
{
    return cle.remove(strNom);
}

}  // namespace kervane
