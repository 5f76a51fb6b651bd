#pragma once
// Where a database's history of statements lives in the registry: the key
// "Requetes\<key name>" under the program's key, one key name per exact database path.
//
// Registry key names compare without regard to case and cannot hold "\", so the key name
// is the path made readable and kept exact: "/" becomes "|" as it always did, and a mark
// "^" keeps what the comparison would lose: "^" before an upper-case letter, "^|" for "\",
// "^!" for "|", "^^" for "^", and "^#<hex code>;" for a character with no other safe form
// (a control character, a final space, a letter whose case the comparison cannot tell).
// "/Bases/Été/ventes.mdb" is kept under "|^Bases|^Été|ventes.mdb".
#include <QString>

namespace kervane {

// The key name of that exact path; two paths differing in any character have key names
// that differ for the registry's case-blind comparison.
QString NomCleBase(const QString& strBase);

// The key name earlier versions gave the path: its separators ("/" and "\") turned into
// "|". Paths differing only by case or separator shared it, and it still holds the
// histories they stored.
QString NomCleBasePartagee(const QString& strBase);

// The full key of a key name: the program's key + "\Requetes\" + strNomCle.
QString CleRequetes(const QString& strNomCle);

}  // namespace kervane
