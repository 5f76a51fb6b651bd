#include "query/Requete.h"

#include "messages/Repondeur.h"
#include "messages/Sablier.h"
#include "messages/Texte.h"
#include "query/LexiqueSql.h"

#include <QList>
#include <QStringList>

namespace kervane {

namespace {

const QString CRLF = QStringLiteral("\r\n");

// One word (upper case) or one sign of a statement, with the parentheses open before it.
struct Jeton {
    QString strTexte;
    bool bMot = false;
    int nProfondeur = 0;
};

// The words (upper case) and signs of the statement itself, cut as the editor cuts them:
// quoted texts, bracketed names, #dates# and comments are passed over whole.
QList<Jeton> decouper(const QString& s)
{
    QList<JetonSql> pieces;
    decouperSql(s, EtatLexical::Normal, pieces);
    QList<Jeton> jetons;
    int nProfondeur = 0;
    for (const JetonSql& piece : pieces) {
        const bool bMot = piece.genre == GenreJeton::Mot || piece.genre == GenreJeton::MotCle
                          || piece.genre == GenreJeton::Nombre;
        if (!bMot && piece.genre != GenreJeton::Signe)
            continue;
        const QString strTexte = s.mid(piece.nDebut, piece.nLongueur);
        if (strTexte == u')')
            --nProfondeur;
        jetons.append({bMot ? strTexte.toUpper() : strTexte, bMot, nProfondeur});
        if (strTexte == u'(')
            ++nProfondeur;
    }
    return jetons;
}

bool contientMot(const QList<Jeton>& jetons, QLatin1String strMot)
{
    for (const Jeton& jeton : jetons)
        if (jeton.bMot && jeton.strTexte == strMot)
            return true;
    return false;
}

// SELECT … INTO table FROM …: INTO belongs to the outer SELECT when it comes before its FROM.
bool creeUneTable(const QList<Jeton>& jetons)
{
    for (const Jeton& jeton : jetons) {
        if (!jeton.bMot || jeton.nProfondeur != 0)
            continue;
        if (jeton.strTexte == QLatin1String("FROM"))
            return false;
        if (jeton.strTexte == QLatin1String("INTO"))
            return true;
    }
    return false;
}

// The words alone, one space apart, for the searches of a keyword anywhere.
QString motsSeuls(const QList<Jeton>& jetons)
{
    QString strMots;
    for (const Jeton& jeton : jetons)
        if (jeton.bMot)
            strMots += jeton.strTexte + u' ';
    return strMots;
}

}  // namespace

bool InterpreterRequete(const QString& strTexte, QString& strRequete, QString& strPositions)
{
    Sablier sablier;
    qsizetype p = strTexte.indexOf(CRLF);
    if (p < 0) {
        strRequete = strTexte;
        strPositions = QStringLiteral("0");
        return true;
    }
    QString strReste = strTexte;
    QString f;
    QString strP;
    while (p >= 0) {
        f = sansEspacesGauche(f + u' ') + sansEspaces(strReste.left(p));
        strP += QString::number(f.size() + 1) + u':';
        strReste = strReste.mid(p + 2);
        p = strReste.indexOf(CRLF);
    }
    strRequete = sansEspacesGauche(f + u' ') + sansEspaces(strReste);
    strPositions = strP;
    return true;
}

// A statement starting with SELECT returns rows; else the first of CALL, INSERT, DELETE and
// UPDATE found anywhere in it decides.
// Three exceptions, so that no Access statement is run the wrong way and then rolled back
// unnoticed: a crosstab (TRANSFORM), a query declaring its parameters (PARAMETERS) and a
// parenthesised query return rows; a make-table query (SELECT … INTO) is a change whose count
// the user accepts as for an INSERT; and only the statement's own words count, never those
// inside quoted texts, bracketed names or comments, CALL counting only as a word of its own.
GenreRequete classerRequete(const QString& strRequete)
{
    const QList<Jeton> jetons = decouper(strRequete);
    if (jetons.isEmpty())
        return GenreRequete::Autre;
    const QString& strPremier = jetons.front().strTexte;
    if (strPremier == QLatin1String("TRANSFORM") || strPremier == QLatin1String("PARAMETERS") ||
        strPremier == QLatin1String("("))
        return GenreRequete::Selection;
    if (strPremier == QLatin1String("SELECT"))
        return creeUneTable(jetons) ? GenreRequete::Insertion : GenreRequete::Selection;
    if (contientMot(jetons, QLatin1String("CALL")))
        return GenreRequete::Selection;
    const QString strMots = motsSeuls(jetons);
    if (strMots.contains(QLatin1String("INSERT")))
        return GenreRequete::Insertion;
    if (strMots.contains(QLatin1String("DELETE")))
        return GenreRequete::Suppression;
    if (strMots.contains(QLatin1String("UPDATE")))
        return GenreRequete::MiseAJour;
    return GenreRequete::Autre;
}

QString texteQuestion(GenreRequete genre, qint32 nLignes)
{
    struct Phrases {
        const char* szUne;
        const char* szPlusieurs;
    };
    Phrases phrases{" ligne modifiée.", " lignes modifiées."};
    if (genre == GenreRequete::Insertion)
        phrases = {" ligne créée.", " lignes créées."};
    else if (genre == GenreRequete::Suppression)
        phrases = {" ligne détruite.", " lignes détruites."};
    const QString strNombre = QString::number(nLignes);
    if (nLignes == 0)
        return strNombre + QString::fromUtf8(phrases.szUne);
    const QString strPhrase = QString::fromUtf8(nLignes == 1 ? phrases.szUne : phrases.szPlusieurs);
    return strNombre + strPhrase + QStringLiteral("Acceptez-vous la transaction?");
}

QString texteSelectionSansLignes()
{
    return QStringLiteral("Cette instruction ne donne pas de lignes à afficher : lancée comme une sélection, elle a "
                          "été annulée et la base n'a pas été modifiée.");
}

qint32 styleQuestion(qint32 nLignes)
{
    return nLignes == 0 ? MB_ICONINFORMATION : MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;
}

// Each recorded position is that of a joining space: the space gives way to a line break.
QString reconstruireLignes(const QString& strRequete, const QString& strPositions)
{
    if (strPositions.isEmpty() || strPositions == QLatin1String("0"))
        return strRequete;
    QString strTexte;
    qsizetype nDebut = 0;
    for (const QString& strPosition : strPositions.split(u':', Qt::SkipEmptyParts)) {
        bool bNombre = false;
        const qsizetype nEspace = strPosition.toLongLong(&bNombre) - 1;
        if (!bNombre || nEspace < nDebut || nEspace > strRequete.size())
            continue;
        strTexte += strRequete.mid(nDebut, nEspace - nDebut) + CRLF;
        nDebut = nEspace < strRequete.size() && strRequete[nEspace] == u' ' ? nEspace + 1 : nEspace;
    }
    return strTexte + strRequete.mid(nDebut);
}

QString formeComparaison(const QString& strRequete)
{
    QString strForme = strRequete;
    strForme.remove(u' ');
    return strForme.toCaseFolded();
}

QString surUneLigne(const QString& strTexte)
{
    QString strLigne = strTexte;
    strLigne.replace(u'\r', u' ');
    strLigne.replace(u'\n', u' ');
    return strLigne;
}

}  // namespace kervane
