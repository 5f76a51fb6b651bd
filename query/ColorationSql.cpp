#include "query/ColorationSql.h"

#include <QColor>

namespace kervane {

namespace {

QTextCharFormat coloured(QRgb nCouleur, bool bItalique = false)
{
    QTextCharFormat format;
    format.setForeground(QColor(nCouleur));
    if (bItalique)
        format.setFontItalic(true);
    return format;
}

}  // namespace

ColorationSql::ColorationSql(QTextDocument* pDocument) : QSyntaxHighlighter(pDocument) {}

QTextCharFormat ColorationSql::format(GenreJeton genre)
{
    switch (genre) {
    case GenreJeton::MotCle: return coloured(0x1F4E8C);        // slate blue
    case GenreJeton::Texte: return coloured(0x9A4A1C);         // brick
    case GenreJeton::Nombre: return coloured(0x2E7D5B);        // moss green
    case GenreJeton::Date: return coloured(0x7B4E9A);          // plum
    case GenreJeton::Nom: return coloured(0x236A78);           // teal
    case GenreJeton::Commentaire: return coloured(0x7A7F85, true);  // grey, italic
    case GenreJeton::Mot:
    case GenreJeton::Signe: break;
    }
    return {};
}

void ColorationSql::highlightBlock(const QString& strTexte)
{
    const int nPrecedent = previousBlockState();
    const auto etat = nPrecedent < 0 ? EtatLexical::Normal : static_cast<EtatLexical>(nPrecedent);
    QList<JetonSql> jetons;
    const EtatLexical etatFinal = decouperSql(strTexte, etat, jetons);
    for (const JetonSql& jeton : jetons)
        if (jeton.genre != GenreJeton::Mot && jeton.genre != GenreJeton::Signe)
            setFormat(static_cast<int>(jeton.nDebut), static_cast<int>(jeton.nLongueur), format(jeton.genre));
    setCurrentBlockState(static_cast<int>(etatFinal));
}

}  // namespace kervane
