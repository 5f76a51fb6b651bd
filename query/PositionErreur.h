#pragma once
// Finding in the editor the piece of a statement that the driver's error message points at.
// The driver counts characters (code points) from 1 in the statement it received, which is
// the editor's text flattened to one line.
#include <QList>
#include <QString>

#include <utility>

namespace kervane {

// The index (in strRequete) of the character that the message points at with
// "(caractère N)", or -1 when it names no position inside strRequete.
qsizetype indiceErreur(const QString& strMessage, const QString& strRequete);

// The piece of strRequete that covers nIndice: [first, last + 1). On a blank, that character.
std::pair<qsizetype, qsizetype> plageJeton(const QString& strRequete, qsizetype nIndice);

// The editor text (lines separated by "\n") flattened as InterpreterRequete does, into
// strAplatie; for each of its characters, the index in strTexte of the character it comes
// from (a joining space comes from the line break it stands for).
QList<qsizetype> originesAplaties(const QString& strTexte, QString& strAplatie);

}  // namespace kervane
