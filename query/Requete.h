#pragma once
// The texts of a statement on its way from the editor to the database and back: flattening
// to one line with the positions of the line breaks, classification by keyword, the
// question on a change, and the rebuilding of the typed lines from a stored statement.
#include <QString>
#include <QtGlobal>

namespace kervane {

enum class GenreRequete { Selection, Insertion, Suppression, MiseAJour, Autre };

// Flattens the editor text (CR LF line breaks) to one line: each line trimmed and joined by
// one space. strPositions is "0" without line break, else the joining spaces' 1-based
// positions, each followed by ":". Always true.
bool InterpreterRequete(const QString& strTexte, QString& strRequete, QString& strPositions);

// The kind of a flattened statement, by its keywords outside quoted texts, bracketed names and
// comments (the rules are told beside the definition).
GenreRequete classerRequete(const QString& strRequete);

// The text of the count question ("1 ligne créée.Acceptez-vous la transaction?"...) and its
// style: 64 for a count of 0 (information only), else 292 (Yes/No, No by default).
QString texteQuestion(GenreRequete genre, qint32 nLignes);
qint32 styleQuestion(qint32 nLignes);
// Said when a statement run as a selection gave no rows to show and was undone.
QString texteSelectionSansLignes();

// The typed lines back from a flattened statement and its positions ("0" or empty: one line).
QString reconstruireLignes(const QString& strRequete, const QString& strPositions);

// Form under which two statements count as the same: no spaces, case ignored.
QString formeComparaison(const QString& strRequete);

// The text with every CR, then every LF, replaced by a space (CR LF gives two spaces).
QString surUneLigne(const QString& strTexte);


}  // namespace kervane
