#pragma once
// One registry root in memory: keys by path, each with its typed values. Key and value
// names compare without regard to case; the case first written is kept. Keys and values
// are found through hashes of their folded names, so that loading a hive of n values
// costs about n name comparisons, however many values one key holds.
#include <QString>
#include <QStringList>
#include <cstddef>
#include <unordered_map>
#include <variant>
#include <vector>

namespace kervane {

using RegistryData = std::variant<QString, qint32>;

struct RegistryValue {
    QString strNom;  // empty: the key's default value
    RegistryData donnee;

    bool operator==(const RegistryValue&) const = default;
};

// Hash and equality of names already folded; every equality test is counted.
struct FoldedNameHash {
    std::size_t operator()(const QString& strPlie) const;  // not noexcept: the map keeps the hashes
};
struct FoldedNameEqual {
    bool operator()(const QString& strA, const QString& strB) const;
};
template <class T>
using FoldedNameMap = std::unordered_map<QString, T, FoldedNameHash, FoldedNameEqual>;

// Name comparisons made by the hive indexes since the process started.
quint64 hiveNameComparisons();

class RegistryKey {
public:
    explicit RegistryKey(QString strChemin = {}) : m_strChemin(std::move(strChemin)) {}

    // Full path from the root, as first written.
    const QString& chemin() const { return m_strChemin; }
    // In the order they were first set.
    const std::vector<RegistryValue>& values() const { return m_valeurs; }
    const RegistryValue* find(const QString& strNom) const;
    // Sets the value, keeping its place and the case of its name when it already exists.
    // Returns false when the key already held exactly that value.
    bool set(const QString& strNom, const RegistryData& donnee);
    bool remove(const QString& strNom);

    // Same path text and same values in the same order.
    bool operator==(const RegistryKey& autre) const
    {
        return m_strChemin == autre.m_strChemin && m_valeurs == autre.m_valeurs;
    }

private:
    friend class Hive;
    QString m_strChemin;
    int m_nSousCles = 0;
    std::vector<RegistryValue> m_valeurs;
    FoldedNameMap<std::size_t> m_index;  // folded name -> place in m_valeurs
};

// A key path: names separated by "\", none empty, no control characters.
bool isValidKeyPath(const QString& strChemin);
// A value name holds no control characters (they could not be written in a hive file).
bool isValidValueName(const QString& strNom);

class Hive {
public:
    const RegistryKey* findKey(const QString& strChemin) const;
    RegistryKey* findKey(const QString& strChemin);
    // Creates the key and its missing parents (the path must be valid); returns the key.
    RegistryKey& createKey(const QString& strChemin);
    bool hasSubkeys(const QString& strChemin) const;
    // Removes the key with its values; false when it does not exist or has subkeys.
    bool removeKey(const QString& strChemin);

    // Keys in export order: every key right before its subkeys, names in folded order.
    std::vector<const RegistryKey*> keysInExportOrder() const;

    // The same keys with the same values: the same file text.
    bool operator==(const Hive& autre) const;

private:
    FoldedNameMap<RegistryKey> m_cles;  // by folded path
};

const RegistryValue* findValue(const RegistryKey& cle, const QString& strNom);
bool setValue(RegistryKey& cle, const QString& strNom, const RegistryData& donnee);
bool removeValue(RegistryKey& cle, const QString& strNom);

}  // namespace kervane
