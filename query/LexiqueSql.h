#pragma once
// The pieces of an Access SQL statement as the driver reads them: words, texts, bracketed
// names, #dates#, numbers, comments and signs. The editor colours them, and an error of the
// driver is shown on the piece it names.
#include <QList>
#include <QStringView>

namespace kervane {

enum class GenreJeton { Mot, MotCle, Texte, Nombre, Date, Nom, Commentaire, Signe };

struct JetonSql {
    qsizetype nDebut = 0;
    qsizetype nLongueur = 0;
    GenreJeton genre = GenreJeton::Signe;

    qsizetype fin() const { return nDebut + nLongueur; }
};

// Where a piece of text begins: outside any passage, or inside a text, a name, a date or a
// comment that an earlier line left open.
enum class EtatLexical {
    Normal,
    TexteApostrophe,
    TexteGuillemets,
    NomCrochets,
    NomAccents,
    Date,
    CommentaireBloc,
    CommentaireLigne,
};

// Cuts texte into its pieces (blanks are left out), starting in the state etat. Returns the
// state at the end of texte: Normal, or the passage still open.
EtatLexical decouperSql(QStringView texte, EtatLexical etat, QList<JetonSql>& jetons);

// True for a word of Access SQL (SELECT, from, DistinctRow...), whatever its case.
bool estMotCleSql(QStringView mot);

}  // namespace kervane
