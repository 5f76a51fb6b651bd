#pragma once
// One registry root in memory: keys by path, each with its typed values. Key and value
// names compare without regard to case; the case first written is kept.
#include <QString>
#include <QStringList>
#include <map>
#include <variant>
#include <vector>

namespace kervane {

using RegistryData = std::variant<QString, qint32>;

struct RegistryValue {
    QString strNom;  // empty: the key's default value
    RegistryData donnee;
};

struct RegistryKey {
    QString strChemin;  // full path from the root, as first written
    std::vector<RegistryValue> valeurs;
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
    // Removes the key with its values; false when it does not exist.
    bool removeKey(const QString& strChemin);

    // Keys in export order: every key right before its subkeys.
    const std::map<QString, RegistryKey>& keys() const { return m_cles; }

private:
    std::map<QString, RegistryKey> m_cles;  // by folded path, names joined by U+0001
};

const RegistryValue* findValue(const RegistryKey& cle, const QString& strNom);
// Sets the value, keeping its place and the case of its name when it already exists.
// Returns false when the key already held exactly that value.
bool setValue(RegistryKey& cle, const QString& strNom, const RegistryData& donnee);
bool removeValue(RegistryKey& cle, const QString& strNom);

}  // namespace kervane
