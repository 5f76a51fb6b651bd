#include "query/LexiqueSql.h"

#include <QSet>
#include <QString>

namespace kervane {

namespace {

// The words the driver's grammar looks for, and those of table definitions.
const char* const MOTS_CLES[] = {
    "ADD",       "ALIKE",   "ALL",        "ALTER",       "AND",      "AS",         "ASC",      "BEGIN",
    "BETWEEN",   "BY",      "CALL",       "CASE",        "COLUMN",   "COMMIT",     "CONSTRAINT", "CREATE",
    "DATABASE",  "DELETE",  "DESC",       "DISTINCT",    "DISTINCTROW", "DROP",    "ELSE",     "END",
    "EQV",       "EXEC",    "EXECUTE",    "EXISTS",      "FALSE",    "FOREIGN",    "FROM",     "GRANT",
    "GROUP",     "HAVING",  "IMP",        "IN",          "INDEX",    "INNER",      "INSERT",   "INTO",
    "IS",        "JOIN",    "KEY",        "LEFT",        "LIKE",     "MOD",        "NO",       "NOT",
    "NULL",      "OFF",     "ON",         "OPTION",      "OR",       "ORDER",      "OUTER",    "OWNERACCESS",
    "PARAMETERS", "PERCENT", "PIVOT",     "PRIMARY",     "PROCEDURE", "REFERENCES", "REVOKE",  "RIGHT",
    "ROLLBACK",  "SELECT",  "SET",        "TABLE",       "THEN",     "TOP",        "TRANSFORM", "TRUE",
    "UNION",     "UNIQUE",  "UPDATE",     "VALUES",      "WHEN",     "WHERE",      "WITH",     "XOR",
    "YES",
};

const QSet<QString>& motsCles()
{
    static const QSet<QString> mots = [] {
        QSet<QString> ensemble;
        for (const char* szMot : MOTS_CLES)
            ensemble.insert(QString::fromLatin1(szMot));
        return ensemble;
    }();
    return mots;
}

bool estChiffre(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool estChiffreHexa(QChar c)
{
    return estChiffre(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// The no-break space pasted from a word processor is a blank, as the driver reads it.
bool estBlanc(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f' || c == u'\v' || c == QChar(0xA0);
}

// Any other character outside ASCII belongs to a name, so that « Société » is one word.
bool debutNom(QChar c)
{
    if (c.unicode() >= 0x80)
        return c != QChar(0xA0);
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}

bool suiteNom(QChar c)
{
    return debutNom(c) || estChiffre(c);
}

struct Passage {
    EtatLexical etat;
    GenreJeton genre;
    const char16_t* szFermeture;
};

Passage passageDe(EtatLexical etat)
{
    switch (etat) {
    case EtatLexical::TexteApostrophe: return {etat, GenreJeton::Texte, u"'"};
    case EtatLexical::TexteGuillemets: return {etat, GenreJeton::Texte, u"\""};
    case EtatLexical::NomCrochets: return {etat, GenreJeton::Nom, u"]"};
    case EtatLexical::NomAccents: return {etat, GenreJeton::Nom, u"`"};
    case EtatLexical::Date: return {etat, GenreJeton::Date, u"#"};
    case EtatLexical::CommentaireBloc: return {etat, GenreJeton::Commentaire, u"*/"};
    default: return {etat, GenreJeton::Commentaire, nullptr};
    }
}

// The passage that opens at i, if one does, and the length of its opening sign.
bool ouvrePassage(QStringView t, qsizetype i, EtatLexical& etat, qsizetype& nOuverture)
{
    const QChar c = t[i];
    const QChar cSuivant = i + 1 < t.size() ? t[i + 1] : QChar();
    nOuverture = 1;
    if (c == u'\'')
        etat = EtatLexical::TexteApostrophe;
    else if (c == u'"')
        etat = EtatLexical::TexteGuillemets;
    else if (c == u'[')
        etat = EtatLexical::NomCrochets;
    else if (c == u'`')
        etat = EtatLexical::NomAccents;
    else if (c == u'#')
        etat = EtatLexical::Date;
    else if (c == u'/' && cSuivant == u'*')
        etat = EtatLexical::CommentaireBloc;
    else if (c == u'-' && cSuivant == u'-')
        etat = EtatLexical::CommentaireLigne;
    else
        return false;
    if (etat == EtatLexical::CommentaireBloc || etat == EtatLexical::CommentaireLigne)
        nOuverture = 2;
    return true;
}

// Where the passage that runs from i ends (past its closing sign), or -1 when it stays open.
// A doubled quote inside a text stands for one quote. The statement goes to the driver on
// one line, so a "--" comment hides everything after it, the lines below included.
qsizetype finPassage(QStringView t, qsizetype i, const Passage& passage)
{
    if (passage.szFermeture == nullptr)
        return -1;
    const QStringView fermeture(passage.szFermeture);
    for (;;) {
        const qsizetype nTrouve = t.indexOf(fermeture, i);
        if (nTrouve < 0)
            return -1;
        i = nTrouve + fermeture.size();
        if (passage.genre != GenreJeton::Texte || i >= t.size() || t[i] != fermeture[0])
            return i;
        ++i;
    }
}

class Decoupage {
public:
    Decoupage(QStringView texte, QList<JetonSql>& jetons) : m_t(texte), m_jetons(jetons) {}

    EtatLexical lire(EtatLexical etat)
    {
        if (etat != EtatLexical::Normal && !passage(etat, 0, 0))
            return etat;
        while (m_i < m_t.size()) {
            EtatLexical ouvert = EtatLexical::Normal;
            qsizetype nOuverture = 0;
            if (estBlanc(m_t[m_i]))
                ++m_i;
            else if (ouvrePassage(m_t, m_i, ouvert, nOuverture)) {
                if (!passage(ouvert, m_i, m_i + nOuverture))
                    return ouvert;
            } else
                jeton();
        }
        return EtatLexical::Normal;
    }

private:
    QChar at(qsizetype i) const { return i < m_t.size() ? m_t[i] : QChar(); }

    void ajouter(qsizetype nDebut, GenreJeton genre) { m_jetons.append({nDebut, m_i - nDebut, genre}); }

    // False when the passage runs to the end of the text.
    bool passage(EtatLexical etat, qsizetype nDebut, qsizetype nContenu)
    {
        const Passage p = passageDe(etat);
        const qsizetype nFin = finPassage(m_t, nContenu, p);
        m_i = nFin < 0 ? m_t.size() : nFin;
        ajouter(nDebut, p.genre);
        return nFin >= 0;
    }

    void jeton()
    {
        const qsizetype nDebut = m_i;
        const QChar c = m_t[m_i];
        if (estChiffre(c) || (c == u'.' && estChiffre(at(m_i + 1)) && !suitOperande()))
            return nombre();
        if (debutNom(c))
            return mot(nDebut);
        if (c == u'&' && nombreEnBase())
            return ajouter(nDebut, GenreJeton::Nombre);
        ++m_i;
        ajouter(nDebut, GenreJeton::Signe);
    }

    // A '.' right after a name or ")" separates qualifiers; elsewhere it starts a number.
    bool suitOperande() const
    {
        if (m_jetons.isEmpty())
            return false;
        const JetonSql& dernier = m_jetons.constLast();
        return dernier.genre == GenreJeton::Mot || dernier.genre == GenreJeton::Nom
               || (dernier.genre == GenreJeton::Signe && m_t[dernier.nDebut] == u')');
    }

    void mot(qsizetype nDebut)
    {
        while (m_i < m_t.size() && suiteNom(m_t[m_i]))
            ++m_i;
        const QStringView texte = m_t.sliced(nDebut, m_i - nDebut);
        if (at(m_i) == u'$') {  // Left$, Mid$...: functions, never keywords
            ++m_i;
            return ajouter(nDebut, GenreJeton::Mot);
        }
        ajouter(nDebut, estMotCleSql(texte) ? GenreJeton::MotCle : GenreJeton::Mot);
    }

    void chiffres()
    {
        while (estChiffre(at(m_i)))
            ++m_i;
    }

    void nombre()
    {
        const qsizetype nDebut = m_i;
        chiffres();
        bool bEntier = true;
        if (at(m_i) == u'.') {
            bEntier = false;
            ++m_i;
            chiffres();
        }
        const QChar cSigne = at(m_i + 1);
        if ((at(m_i) == u'e' || at(m_i) == u'E')
            && (estChiffre(cSigne) || ((cSigne == u'+' || cSigne == u'-') && estChiffre(at(m_i + 2))))) {
            bEntier = false;
            m_i += 2;
            chiffres();
        }
        if (bEntier && m_i < m_t.size() && debutNom(m_t[m_i]))  // 2eTrimestre is a name
            return mot(nDebut);
        ajouter(nDebut, GenreJeton::Nombre);
    }

    // &H1F, &O17; a lone & joins texts.
    bool nombreEnBase()
    {
        const QChar cBase = at(m_i + 1).toUpper();
        if (cBase != u'H' && cBase != u'O')
            return false;
        qsizetype i = m_i + 2;
        while (cBase == u'H' ? estChiffreHexa(at(i)) : (at(i) >= u'0' && at(i) <= u'7'))
            ++i;
        if (i == m_i + 2 || (i < m_t.size() && suiteNom(m_t[i])))
            return false;
        m_i = i;
        return true;
    }

    QStringView m_t;
    QList<JetonSql>& m_jetons;
    qsizetype m_i = 0;
};

}  // namespace

EtatLexical decouperSql(QStringView texte, EtatLexical etat, QList<JetonSql>& jetons)
{
    return Decoupage(texte, jetons).lire(etat);
}

bool estMotCleSql(QStringView mot)
{
    return motsCles().contains(mot.toString().toUpper());
}

}  // namespace kervane
