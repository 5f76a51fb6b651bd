#include "query/BilanExecution.h"

#include <QLocale>

namespace kervane {

QString texteBilan(GenreRequete genre, qint64 nLignes, qint64 nMillisecondes)
{
    const QLocale francais(QLocale::French, QLocale::France);
    const bool bPluriel = nLignes > 1;
    QString strTexte = francais.toString(nLignes) + (bPluriel ? QStringLiteral(" lignes") : QStringLiteral(" ligne"));
    QString strParticipe;
    if (genre == GenreRequete::Insertion)
        strParticipe = QStringLiteral(" créée");
    else if (genre == GenreRequete::Suppression)
        strParticipe = QStringLiteral(" détruite");
    else if (genre != GenreRequete::Selection)
        strParticipe = QStringLiteral(" modifiée");
    if (!strParticipe.isEmpty())
        strTexte += strParticipe + (bPluriel ? QStringLiteral("s") : QString());
    return strTexte + QStringLiteral(" en ") + francais.toString(double(nMillisecondes) / 1000.0, 'f', 2)
           + QStringLiteral(" s");
}

}  // namespace kervane
